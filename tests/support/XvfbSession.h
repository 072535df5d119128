#pragma once

#include <QImage>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace TestSupport {

// Waits, running the event loop, until the condition holds or the deadline passes; returns whether
// it held. End-to-end tests wait with this instead of sleeping.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// A private X server for one test: Xvfb on a display it picks itself (-displayfd, so parallel tests
// never collide), optionally with a system tray (trayer). Everything started through it runs on that
// display and is ended, with the server, when the session is destroyed.
//
//   XvfbSession x({.withTray = true});             // or {.monitors = {{0, 0, 1024, 768}, {1024, 0, 1280,
//   800}}} QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString())); QProcess* app = x.Start(ExecutablePath(),
//   {}); QVERIFY(WaitFor([&] { return !x.FindWindows("^Tessaro$").isEmpty(); })); x.Xdotool({"key",
//   "ctrl+alt+l"}); QImage shot = x.Screenshot();
class XvfbSession {
public:
    struct Options {
        bool withTray = false;               // start trayer at the bottom right and wait for it
        bool withWindowManager = false;      // start openbox first and wait until it manages windows
        QSize screenSize = QSize(1280, 800); // depth 24
        // When given, the screen is as large as these monitors together and split into them (RandR
        // monitors, which Qt and the window manager take for separate monitors); the first is primary.
        QList<QRect> monitors = {};
    };

    explicit XvfbSession(Options options);
    XvfbSession() : XvfbSession(Options{}) {}
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    bool IsRunning() const;
    QString ErrorString() const { return mError; } // why the server or the tray did not start
    QString Display() const { return mDisplay; }   // ":3"

    // The environment for programs on this display: the test's own environment with DISPLAY set,
    // QT_QPA_PLATFORM=xcb and no Wayland or X authority variables.
    QProcessEnvironment Environment() const;
    // Points this test process's DISPLAY at the session (restored on destruction).
    void UseInThisProcess();

    // Starts a program on the display and waits until it has started (nullptr when it could not).
    // The session owns the process and ends it on destruction; its output stays readable. An empty
    // environment means Environment().
    QProcess* Start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment = {},
                    QProcess::ProcessChannelMode channels = QProcess::SeparateChannels);
    // Ends one started process: SIGTERM, then SIGKILL if it lingers.
    static void Stop(QProcess* process);

    // Runs a program on the display to its end; true when it exited with 0. Its standard output goes
    // to output when given.
    bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr,
             int timeoutMs = 15000) const;
    // xdotool with the arguments, for example {"key", "--clearmodifiers", "Right"}.
    bool Xdotool(const QStringList& arguments, QString* output = nullptr) const;
    // The windows whose name matches the regular expression (xdotool search); only the mapped ones
    // when onlyMapped.
    QList<qulonglong> FindWindows(const QString& namePattern, bool onlyMapped = true) const;
    // Gives the window the keyboard focus and waits until it has it.
    bool Focus(qulonglong window) const;
    // The whole screen (ImageMagick's import); a null image on failure.
    QImage Screenshot() const;

private:
    bool StartServer(const QSize& size);
    bool SplitIntoMonitors(const QList<QRect>& monitors);
    bool StartTray();
    bool StartWindowManager();

    QString mError;
    QString mDisplay;
    QByteArray mSavedDisplay;
    bool mDisplaySaved = false;
    std::unique_ptr<QProcess> mServer;
    std::vector<std::unique_ptr<QProcess>> mProcesses; // tray first, then in start order
};

} // namespace TestSupport
