// A dropped ".desktop" file: read through GIO, its Exec line split and its field codes filled in,
// then turned into the fields of a token (caption, command, parameters, description, picture).
#include "FuzzSupport.h"
#include "platform/DesktopEntries.h"
#include "store/ApplicationTokens.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::DeliverEvents();
    const auto application =
        DesktopEntries::Read(FuzzSupport::WriteScratchFile("dropped.desktop", data, size));
    if (application && (application->name.isEmpty() || application->commandLine.isEmpty()))
        qFatal("an application without a name or a command was accepted");
    if (application && TokenFieldsFor(*application, QImage()).command.isEmpty())
        qFatal("a token without a command was made");
    return 0;
}
