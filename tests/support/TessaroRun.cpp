#include "TessaroRun.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QtDebug>

namespace TestSupport {

TessaroRun::TessaroRun(XvfbSession& session) : mSession(session) {}

QString TessaroRun::DataFolder() const {
    return Home() + QStringLiteral("/.local/share/Tessaro");
}

QString TessaroRun::DatabasePath() const {
    return DataFolder() + QStringLiteral("/Tokens.db");
}

QProcessEnvironment TessaroRun::Environment() const {
    QProcessEnvironment environment = mSession.Environment();
    environment.insert(QStringLiteral("HOME"), Home());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), Home() + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Home() + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), Home() + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    environment.insert(mExtra);
    return environment;
}

namespace {
// The backtrace of every thread in a core file, as gdb prints it.
QString Backtrace(const QString& program, const QString& core) {
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(QStringLiteral("gdb"), {"-batch", "-nx", "-ex", "thread apply all bt", program, core});
    if (!gdb.waitForFinished(120000)) {
        gdb.kill();
        gdb.waitForFinished();
    }
    const QString output = QString::fromLocal8Bit(gdb.readAll());
    return output.isEmpty() ? QStringLiteral("(gdb printed nothing: %1)").arg(gdb.errorString()) : output;
}
} // namespace

// The program runs through a shell that allows it a core file and starts it in a folder of its own
// (the kernel writes "core" into the working folder); when the program dies of a signal and left a
// core, gdb's backtrace of it goes into the test's log.
QProcess* TessaroRun::Start(const QStringList& arguments) {
    if (!mHome.isValid())
        return nullptr;
    const QString program = mProgram.isEmpty() ? ExecutablePath() : mProgram;
    const QString cores = Home() + QStringLiteral("/cores/%1").arg(mStarted.size());
    QDir().mkpath(cores);
    const QString script =
        QStringLiteral("ulimit -c unlimited 2>/dev/null; cd \"$1\" && shift && exec \"$@\"");
    QProcess* process =
        mSession.Start(QStringLiteral("/bin/sh"), QStringList{"-c", script, "sh", cores, program} + arguments,
                       Environment(), QProcess::MergedChannels);
    if (!process)
        return nullptr;
    mStarted.append(process);
    QObject::connect(
        process, &QProcess::finished, process, [program, cores](int, QProcess::ExitStatus status) {
            const QString core = cores + QStringLiteral("/core");
            if (status == QProcess::CrashExit && QFileInfo::exists(core))
                qWarning().noquote()
                    << QStringLiteral("%1 crashed; backtrace:\n%2").arg(program, Backtrace(program, core));
        });
    return process;
}

QProcess* TessaroRun::Process(int index) const {
    if (index < 0)
        index = int(mStarted.size()) - 1;
    return mStarted.value(index);
}

QString TessaroRun::Output(int index) const {
    QProcess* process = Process(index);
    return process ? QString::fromLocal8Bit(process->peek(process->bytesAvailable())) : QString();
}

QList<qulonglong> TessaroRun::MainWindows(bool onlyMapped) const {
    return mSession.FindWindows(QStringLiteral("^Tessaro$"), onlyMapped);
}

bool TessaroRun::WaitForMainWindow(bool mapped, int timeoutMs) const {
    return WaitFor([&] { return MainWindows(true).isEmpty() != mapped; }, timeoutMs);
}

bool TessaroRun::WaitForExit(int index, int timeoutMs) const {
    QProcess* process = Process(index);
    return process && WaitFor([process] { return process->state() == QProcess::NotRunning; }, timeoutMs);
}

} // namespace TestSupport
