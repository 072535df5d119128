#pragma once

#include <QImage>
#include <QProcess>
#include <memory>
#include <vector>

namespace TestSupport {

// Runs the event loop until the condition holds (true) or the deadline passes (false).
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);
// Where a window lies on the screen of the environment's display; empty when it is not there.
QRect WindowGeometry(const QProcessEnvironment& environment, qulonglong window);

// A private X server: Xvfb on a display it picks itself, optionally with a window manager and a
// system tray. What is started through it runs on that display and ends with the session.
class XvfbSession {
public:
    struct Options {
        bool withTray = false;          // trayer at the bottom right
        bool withWindowManager = false; // openbox
        QList<QRect> monitors = {};     // RandR monitors (the first primary) on a screen just as large
    };

    explicit XvfbSession(Options options) { mError = Launch(options); }
    XvfbSession() : XvfbSession(Options{}) {}
    ~XvfbSession();

    bool IsRunning() const { return mError.isEmpty(); }
    QString ErrorString() const { return mError; } // why it is not running
    // The test's own environment with DISPLAY set, QT_QPA_PLATFORM=xcb and no Wayland or X authority.
    QProcessEnvironment Environment() const;

    // Starts a program on the display (an empty environment means Environment()); nullptr when it
    // could not start. The session owns the process.
    QProcess* Start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment = {},
                    QProcess::ProcessChannelMode channels = QProcess::SeparateChannels);
    // Ends a started process: SIGTERM, then SIGKILL if it lingers.
    static void Stop(QProcess* process);
    // Runs a program on the display to its end; true when it exited with 0.
    bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr) const;
    bool Xdotool(const QStringList& arguments, QString* output = nullptr) const {
        return Run("xdotool", arguments, output);
    }
    // The mapped windows whose name matches the regular expression.
    QList<qulonglong> FindWindows(const QString& namePattern) const;
    QRect Geometry(qulonglong window) const { return WindowGeometry(Environment(), window); }
    // Gives the window the keyboard focus and waits until it has it.
    bool Focus(qulonglong id) const { return Xdotool({"windowfocus", "--sync", QString::number(id)}); }
    QImage Screenshot() const; // null on failure

private:
    QString Launch(const Options& options); // why the session could not start; empty when it did

    QString mError;
    QString mDisplay;
    std::vector<std::unique_ptr<QProcess>> mProcesses; // ended in reverse order: the server last
};

} // namespace TestSupport
