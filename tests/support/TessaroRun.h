#pragma once

#include "XvfbSession.h"

#include <QTemporaryDir>

namespace TestSupport {

// The real program (or SetProgram's) on an XvfbSession with a scratch HOME; each Start begins another
// copy, errors merged into its output. A crashed copy's core gets gdb's backtrace into the test's log.
class TessaroRun {
public:
    explicit TessaroRun(XvfbSession& x) : mSession(x) { SetEnvironment("SDL_AUDIODRIVER", "dummy"); }

    QString Home() const { return mHome.path(); }
    QString DataFolder() const { return Home() + "/.local/share/Tessaro"; }
    QString DatabasePath() const { return DataFolder() + "/Tokens.db"; }
    void SetProgram(const QString& path) { mProgram = path; }
    void SetEnvironment(const QString& name, const QString& value) { mExtra.insert(name, value); }

    QProcess* Start(const QStringList& arguments = {});
    QProcess* Process(int i = -1) const { return mStarted.value(i < 0 ? mStarted.size() - 1 : i); }
    QString Output(int i = -1) const { return Process(i) ? Process(i)->peek(1 << 24) : ""; }
    // The mapped windows titled "Tessaro": the launcher, its tray icon, its message boxes.
    QList<qulonglong> MainWindows() const { return mSession.FindWindows("^Tessaro$"); }
    bool WaitForMainWindow(bool mapped) const {
        return WaitFor([&] { return MainWindows().isEmpty() != mapped; }, 15000);
    }
    bool WaitForExit(int i = -1, int timeoutMs = 15000) const {
        return Process(i) && WaitFor([&] { return Process(i)->state() == QProcess::NotRunning; }, timeoutMs);
    }

private:
    XvfbSession& mSession;
    QTemporaryDir mHome;
    QString mProgram = QStringLiteral(TESSARO_EXECUTABLE);
    QProcessEnvironment mExtra;
    QList<QProcess*> mStarted;
};

} // namespace TestSupport
