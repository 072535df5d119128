#include "XvfbSession.h"

#include <QTest>
#include <cstdio>
#include <optional>

namespace TestSupport {

// Runs a program to its end; its standard output, or nothing when it failed or did not end.
static std::optional<QByteArray> RunIn(const QProcessEnvironment& environment, const QString& program,
                                       const QStringList& arguments) {
    QProcess run;
    run.setProcessEnvironment(environment);
    run.start(program, arguments);
    if (run.waitForFinished(20000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0)
        return run.readAllStandardOutput();
    run.kill();
    run.waitForFinished(3000);
    return std::nullopt;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

QRect WindowGeometry(const QProcessEnvironment& environment, qulonglong window) {
    const auto out = RunIn(environment, "xdotool", {"getwindowgeometry", "--shell", QString::number(window)});
    QMap<QString, int> values; // "X=12", "WIDTH=640", ... one a line
    for (const QString& line : QString::fromLatin1(out.value_or("")).split('\n'))
        values.insert(line.section('=', 0, 0), line.section('=', 1).toInt());
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

QString XvfbSession::Launch(const Options& options) {
    QRect screen = options.monitors.isEmpty() ? QRect(0, 0, 1280, 800) : QRect();
    for (const QRect& monitor : options.monitors)
        screen |= monitor;
    // -displayfd 1: the server picks a free display and writes its number to standard output.
    QProcess* server =
        Start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0",
                       QString::asprintf("%dx%dx24", screen.right() + 1, screen.bottom() + 1)});
    if (!server || !WaitFor([&] { return server->canReadLine(); }, 20000))
        return "Xvfb did not report its display";
    mDisplay = ":" + QString::fromLatin1(server->readLine().trimmed());
    // RandR monitors divide Xvfb's one output (width/mm x height/mm + x + y, at about 96 dots per inch).
    for (qsizetype i = 0; i < options.monitors.size(); ++i) {
        const QRect& m = options.monitors[i];
        const QString geometry = QString::asprintf("%d/%dx%d/%d+%d+%d", m.width(), m.width() * 254 / 960,
                                                   m.height(), m.height() * 254 / 960, m.x(), m.y());
        if (!Run("xrandr",
                 {"--setmonitor", QStringLiteral("monitor%1").arg(i), geometry, i ? "none" : "screen"}))
            return "xrandr could not make the monitors";
    }
    // A window manager that follows the desktop conventions announces itself on the root window.
    QString root;
    if (options.withWindowManager && (!Start("openbox", {"--sm-disable"}) || !WaitFor([&] {
            return Run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}, &root) && root.contains("window id");
        })))
        return "openbox did not take over the display";
    // trayer's panel is mapped once it owns the tray selection; on a loaded machine that takes a while.
    if (options.withTray && (!Start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                               "--width", "160", "--height", "32", "--expand", "false"}) ||
                             !WaitFor([this] { return !FindWindows("^panel$").isEmpty(); }, 30000)))
        return "trayer's panel did not appear";
    return {};
}

XvfbSession::~XvfbSession() {
    std::for_each(mProcesses.rbegin(), mProcesses.rend(), [](const auto& process) { Stop(process.get()); });
}

QProcessEnvironment XvfbSession::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", mDisplay);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("XAUTHORITY");
    return environment;
}

QProcess* XvfbSession::Start(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment, QProcess::ProcessChannelMode channels) {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(channels);
    process->setProcessEnvironment(environment.isEmpty() ? Environment() : environment);
    process->start(program, arguments);
    return process->waitForStarted(10000) ? mProcesses.emplace_back(std::move(process)).get() : nullptr;
}

void XvfbSession::Stop(QProcess* process) {
    if (!process)
        return;
    // Generous: in the sanitizer build a program looks for leaks as it ends, which takes a while.
    if (process->state() != QProcess::NotRunning &&
        (process->terminate(), !process->waitForFinished(10000))) {
        process->kill();
        process->waitForFinished(3000);
    }
    // UBSan in a GCC build reports on standard error only: reports go on to the test's standard error,
    // where the sanitizer build's runner looks. The output is only peeked at: the test may read it.
    const bool separate = process->processChannelMode() == QProcess::SeparateChannels;
    const QByteArray unread = process->peek(1 << 24) + (separate ? process->readAllStandardError() : "");
    if (unread.contains("runtime error:"))
        std::fputs(unread.constData(), stderr);
}

bool XvfbSession::Run(const QString& program, const QStringList& arguments, QString* output) const {
    const auto printed = RunIn(Environment(), program, arguments);
    if (printed && output)
        *output = QString::fromLocal8Bit(*printed);
    return printed.has_value();
}

QList<qulonglong> XvfbSession::FindWindows(const QString& namePattern) const {
    QString output; // xdotool exits with 1 when nothing matches
    Xdotool({"search", "--onlyvisible", "--name", namePattern}, &output);
    QList<qulonglong> windows;
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts))
        windows << line.toULongLong();
    return windows;
}

QImage XvfbSession::Screenshot() const {
    const auto png = RunIn(Environment(), "import", {"-window", "root", "png:-"});
    return png ? QImage::fromData(*png, "PNG") : QImage();
}

} // namespace TestSupport
