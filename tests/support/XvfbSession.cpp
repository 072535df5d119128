#include "XvfbSession.h"

#include <QDeadlineTimer>
#include <QSize>
#include <QTest>

#include <cstdio>

namespace TestSupport {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

XvfbSession::XvfbSession(Options options) {
    QRect desktop;
    for (const QRect& monitor : options.monitors)
        desktop |= monitor;
    if (!StartServer(desktop.isValid() ? QSize(desktop.right() + 1, desktop.bottom() + 1)
                                       : options.screenSize))
        return;
    if (!options.monitors.isEmpty() && !SplitIntoMonitors(options.monitors))
        return;
    if (options.withWindowManager && !StartWindowManager())
        return;
    if (options.withTray)
        StartTray();
}

XvfbSession::~XvfbSession() {
    for (auto it = mProcesses.rbegin(); it != mProcesses.rend(); ++it)
        Stop(it->get());
    mProcesses.clear();
    if (mServer)
        Stop(mServer.get());
    if (mDisplaySaved)
        qputenv("DISPLAY", mSavedDisplay);
}

bool XvfbSession::IsRunning() const {
    return mServer && mServer->state() == QProcess::Running && mError.isEmpty();
}

bool XvfbSession::StartServer(const QSize& size) {
    mServer = std::make_unique<QProcess>();
    mServer->setStandardErrorFile(QProcess::nullDevice());
    // -displayfd 1: the server picks a free display and writes its number to standard output.
    mServer->start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0",
                                            QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                                            "-nolisten", "tcp", "-noreset"});
    if (!mServer->waitForStarted(10000)) {
        mError = QStringLiteral("Xvfb did not start: ") + mServer->errorString();
        return false;
    }
    QDeadlineTimer deadline(20000);
    while (!mServer->canReadLine() && mServer->state() == QProcess::Running && !deadline.hasExpired())
        mServer->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    const QByteArray number = mServer->readLine().trimmed();
    if (number.isEmpty()) {
        mError = QStringLiteral("Xvfb did not report its display");
        return false;
    }
    mDisplay = QStringLiteral(":") + QString::fromLatin1(number);
    return true;
}

// Xvfb has one output ("screen"); RandR monitors divide it. They last as long as the server, which
// runs with -noreset.
bool XvfbSession::SplitIntoMonitors(const QList<QRect>& monitors) {
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        const QRect& m = monitors[i];
        // width/millimetres x height/millimetres + x + y, at about 96 dots per inch
        const QString geometry = QStringLiteral("%1/%2x%3/%4+%5+%6")
                                     .arg(m.width())
                                     .arg(m.width() * 254 / 960)
                                     .arg(m.height())
                                     .arg(m.height() * 254 / 960)
                                     .arg(m.x())
                                     .arg(m.y());
        const QString output = i == 0 ? QStringLiteral("screen") : QStringLiteral("none");
        if (!Run(QStringLiteral("xrandr"),
                 {"--setmonitor", QStringLiteral("monitor%1").arg(i), geometry, output})) {
            mError = QStringLiteral("xrandr could not make monitor %1").arg(i);
            return false;
        }
    }
    QString listing;
    if (!Run(QStringLiteral("xrandr"), {"--listmonitors"}, &listing) ||
        !listing.startsWith(QStringLiteral("Monitors: %1").arg(monitors.size()))) {
        mError = QStringLiteral("the screen was not split into monitors: ") + listing;
        return false;
    }
    return true;
}

bool XvfbSession::StartTray() {
    if (!Start(QStringLiteral("trayer"),
               {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "160", "--height",
                "32", "--SetDockType", "true", "--expand", "false"})) {
        mError = QStringLiteral("trayer did not start");
        return false;
    }
    // trayer's panel window is mapped once it owns the tray selection.
    // A deadline, not a speed check: on a loaded machine the panel can take a while to map.
    if (!WaitFor([this] { return !FindWindows(QStringLiteral("^panel$")).isEmpty(); }, 30000)) {
        mError = QStringLiteral("trayer's panel did not appear");
        return false;
    }
    return true;
}

bool XvfbSession::StartWindowManager() {
    if (!Start(QStringLiteral("openbox"), {"--sm-disable"})) {
        mError = QStringLiteral("openbox did not start");
        return false;
    }
    // A window manager that follows the desktop conventions announces itself on the root window.
    if (!WaitFor([this] {
            QString root;
            return Run(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"}, &root) &&
                   root.contains(QLatin1String("window id"));
        })) {
        mError = QStringLiteral("openbox did not take over the display");
        return false;
    }
    return true;
}

QProcessEnvironment XvfbSession::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), mDisplay);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    return environment;
}

void XvfbSession::UseInThisProcess() {
    if (!mDisplaySaved) {
        mSavedDisplay = qgetenv("DISPLAY");
        mDisplaySaved = true;
    }
    qputenv("DISPLAY", mDisplay.toLocal8Bit());
}

QProcess* XvfbSession::Start(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment, QProcess::ProcessChannelMode channels) {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(channels);
    process->setProcessEnvironment(environment.isEmpty() ? Environment() : environment);
    process->start(program, arguments);
    if (!process->waitForStarted(10000))
        return nullptr;
    mProcesses.push_back(std::move(process));
    return mProcesses.back().get();
}

void XvfbSession::Stop(QProcess* process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        // Generous: in the sanitizer build a program looks for leaks as it ends, which takes a while.
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    // UBSan in a GCC build reports on standard error only: a started program's reports are handed on
    // to this process's standard error, where the sanitizer build's test runner looks for them. The
    // output is only peeked at, so the test can still read it.
    const QProcess::ProcessChannel channel = process->readChannel();
    for (const QProcess::ProcessChannel each : {QProcess::StandardOutput, QProcess::StandardError}) {
        process->setReadChannel(each);
        const QByteArray unread = process->peek(process->bytesAvailable());
        if (unread.contains("runtime error:"))
            std::fputs(unread.constData(), stderr);
    }
    process->setReadChannel(channel);
}

bool XvfbSession::Run(const QString& program, const QStringList& arguments, QString* output,
                      int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool XvfbSession::Xdotool(const QStringList& arguments, QString* output) const {
    return Run(QStringLiteral("xdotool"), arguments, output);
}

QList<qulonglong> XvfbSession::FindWindows(const QString& namePattern, bool onlyMapped) const {
    QStringList arguments{QStringLiteral("search")};
    if (onlyMapped)
        arguments << QStringLiteral("--onlyvisible");
    arguments << QStringLiteral("--name") << namePattern;
    QString output;
    Xdotool(arguments, &output); // exits with 1 when nothing matches
    QList<qulonglong> windows;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qulonglong id = line.trimmed().toULongLong(&ok);
        if (ok)
            windows.append(id);
    }
    return windows;
}

bool XvfbSession::Focus(qulonglong window) const {
    return Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)});
}

QImage XvfbSession::Screenshot() const {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(QStringLiteral("import"), {"-window", "root", "png:-"});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return {};
    return QImage::fromData(process.readAllStandardOutput(), "PNG");
}

} // namespace TestSupport
