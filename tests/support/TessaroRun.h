#pragma once

#include "XvfbSession.h"

#include <QTemporaryDir>

namespace TestSupport {

// The real program (build/tessaro) on an XvfbSession, with a scratch HOME of its own, so its data
// folder is <home>/.local/share/Tessaro and nothing of the user's is read or written.
//
//   XvfbSession x({.withTray = true});
//   TessaroRun tessaro(x);
//   QVERIFY(tessaro.Start());
//   QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
class TessaroRun {
public:
    explicit TessaroRun(XvfbSession& session);

    QString Home() const { return mHome.path(); }
    QString DataFolder() const;   // <home>/.local/share/Tessaro
    QString DatabasePath() const; // <data folder>/Tokens.db
    // The program the next Start runs (build/tessaro unless set here, e.g. an installed copy).
    void SetProgram(const QString& path) { mProgram = path; }
    // Sets a variable for the next Start (SDL_AUDIODRIVER is "dummy" unless set here).
    void SetEnvironment(const QString& name, const QString& value) { mExtra.insert(name, value); }
    QProcessEnvironment Environment() const;

    // Starts the program; the session owns the process and ends it. Standard error is merged into
    // the output. When the program crashes, gdb's backtrace of its core goes into the test's log. Another
    // Start begins a further copy with the same home (the first stays reachable through Process(0)).
    QProcess* Start(const QStringList& arguments = {});
    QProcess* Process(int index = -1) const; // the last started by default
    QString Output(int index = -1) const;    // what that copy has printed so far

    // The mapped (or all) top-level windows titled exactly "Tessaro".
    QList<qulonglong> MainWindows(bool onlyMapped = true) const;
    // Waits until a window titled "Tessaro" is mapped (mapped = true) or none is (mapped = false).
    bool WaitForMainWindow(bool mapped, int timeoutMs = 15000) const;
    // Waits until the copy ends; false at the deadline.
    bool WaitForExit(int index = -1, int timeoutMs = 15000) const;

private:
    XvfbSession& mSession;
    QTemporaryDir mHome;
    QString mProgram;
    QProcessEnvironment mExtra;
    QList<QProcess*> mStarted;
};

} // namespace TestSupport
