#include "TessaroRun.h"

#include <QDir>

namespace TestSupport {

// A shell allows the program a core file and starts it in the core's folder, where the kernel writes it.
QProcess* TessaroRun::Start(const QStringList& arguments) {
    const QString core = Home() + QStringLiteral("/cores/%1/core").arg(mStarted.size()), program = mProgram;
    QProcessEnvironment environment = mSession.Environment();
    environment.insert("HOME", Home()); // the data, configuration and cache folders follow it
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        environment.remove(variable);
    environment.insert(mExtra);
    QDir().mkpath(QFileInfo(core).path());
    const QString shell = "ulimit -c unlimited; cd \"${1%/core}\" && shift && exec \"$@\"";
    QProcess* process = mSession.Start("/bin/sh", QStringList{"-c", shell, "sh", core, program} + arguments,
                                       environment, QProcess::MergedChannels);
    if (process)
        QObject::connect(
            process, &QProcess::finished, process, [program, core](int, QProcess::ExitStatus status) {
                QProcess gdb;
                if (status == QProcess::CrashExit && QFileInfo::exists(core))
                    gdb.start("gdb", {"-batch", "-nx", "-ex", "thread apply all bt", program, core});
                if (gdb.waitForFinished(120000))
                    qWarning("%s crashed; backtrace:\n%s", qPrintable(program), qPrintable(gdb.readAll()));
            });
    return process ? mStarted.emplace_back(process) : nullptr;
}

} // namespace TestSupport
