// A dropped Windows shortcut (".lnk"): its target, or the error that names the file.
#include "FuzzSupport.h"
#include "platform/RuntimeError.h"
#include "platform/ShortcutReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::QuietMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::WriteScratchFile("dropped.lnk", data, size);
    try {
        ResolveShortcut(path);
    } catch (const RuntimeError& error) {
        if (!error.Description().contains(path))
            qFatal("the shortcut error does not name the file");
    }
    return 0;
}
