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
    const QString path = FuzzSupport::WriteScratchFile(
        QStringLiteral("dropped.desktop"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<DesktopApplication> application = DesktopEntries::Read(path);
    if (!application)
        return 0;
    if (application->name.isEmpty() || application->commandLine.isEmpty())
        qFatal("an application without a name or a command was accepted");
    const ApplicationTokenFields fields = TokenFieldsFor(*application, QImage());
    if (fields.command.isEmpty())
        qFatal("a token without a command was made");
    return 0;
}
