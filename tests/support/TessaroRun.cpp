#include "TessaroRun.h"

#include "TestSupport.h"

#include <QDir>

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

QProcess* TessaroRun::Start(const QStringList& arguments) {
    if (!mHome.isValid())
        return nullptr;
    const QString program = mProgram.isEmpty() ? ExecutablePath() : mProgram;
    QProcess* process = mSession.Start(program, arguments, Environment(), QProcess::MergedChannels);
    if (process)
        mStarted.append(process);
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
