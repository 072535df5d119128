// The program among real desktop parts: X servers, a window manager, D-Bus, Wayland, the installation.
#include "ScratchDesktop.h"
#include "Screen.h"
#include "TessaroRun.h"
#include "TokenDbFixture.h"
#include "platform/DirectFrames.h"
#include "platform/Imaging.h"
#include "platform/KeyWatcher.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <cstdio>

using namespace TestSupport;

namespace {
const char* const Role = "TESSARO_TEST_ROLE"; // what a child started from this program does
const QString HotKeyCodes = "17,18,76";       // Ctrl, Alt, L
const QString HotKey = "keydown ctrl keydown alt keydown l keyup l keyup alt keyup ctrl";
const QStringList WholeHotKey{"down 0", "down 1", "down 2", "up 2", "up 1", "up 0"};
constexpr int HandedOver = 3;

// A child: an X client holding the hot key until it is ended, or a copy handing over or becoming first.
int RunChild(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    auto watcher = CreateKeyWatcher(HotKeyCodes);
    SingleInstance instance;
    watcher->SetEnabled(qEnvironmentVariable(Role) == "hold-hotkey");
    const bool handedOver = !watcher->Enabled() && instance.ActivatePreviousInstance();
    const char* says = watcher->Enabled() ? (watcher->HotKeyAvailable() ? "held" : "failed") : "primary";
    std::printf("%s\n", handedOver ? "handed over" : says);
    std::fflush(stdout);
    return handedOver ? HandedOver : app.exec();
}

const QRgb Orange = qRgb(255, 128, 0);

// A child: a translucent window given three frames straight, the last with an orange square at
// (10, 20) and one at (70, 10), of which only the frame's left 60 x 80 pixels go to (5, 7).
int PresentFrames(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.setWindowTitle("direct-frames");
    window.resize(120, 120);
    window.show();
    QImage frame = Imaging::NewSurface(100, 100);
    auto direct = QTest::qWaitForWindowExposed(&window) ? DirectFrames::For(window.windowHandle()) : nullptr;
    bool shown =
        direct && direct->Present(frame, frame.rect(), {}) && direct->Present(frame, frame.rect(), {});
    QPainter painter(&frame);
    painter.fillRect(10, 20, 30, 40, Orange), painter.fillRect(70, 10, 20, 20, Orange), painter.end();
    shown = shown && direct->Present(frame, QRect(0, 0, 60, 80), QPoint(5, 7));
    std::printf("%s\n", shown ? "presented" : "not presented");
    std::fflush(stdout);
    return app.exec();
}

// Starts a program (or this one in a child's role) and waits for its first line.
QProcess* StartSaying(XvfbSession& x, const QString& what, const QByteArray& says,
                      QProcessEnvironment e = {}) {
    e = e.isEmpty() ? QProcessEnvironment::systemEnvironment() : e;
    e.insert(Role, what);
    QProcess* started = x.Start(what.startsWith('/') ? what : QCoreApplication::applicationFilePath(), {}, e);
    const bool said =
        started && WaitFor([&] { return started->canReadLine(); }) && started->readLine() == says + '\n';
    return said ? started : nullptr;
}
bool Play(const XvfbSession& x, const QString& keys) {
    return x.Xdotool(keys.split(' '));
}
void UseDisplay(const XvfbSession& x) {
    qputenv("DISPLAY", x.Environment().value("DISPLAY").toLocal8Bit());
}

// "down 0", "up 2", ... as the watcher reported them.
struct EventLog {
    QStringList events;
    explicit EventLog(KeyWatcher& w) {
        QObject::connect(&w, &KeyWatcher::KeyDown, [this](int p) { events << "down " + QString::number(p); });
        QObject::connect(&w, &KeyWatcher::KeyUp, [this](int p) { events << "up " + QString::number(p); });
    }
    bool Are(const QStringList& expected) const {
        WaitFor([&] { return events.size() >= expected.size(); }, expected.isEmpty() ? 300 : 10000);
        return events == expected;
    }
};
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    XvfbSession mX{{.withTray = true}}; // xev's window has the focus: another program's
    QProcess* mFocused = nullptr;
    qsizetype mFocusedSeen = 0;
    QTemporaryDir mStage; // the installation's
    QString mId;          // the application ID the entry, the icons and the metainfo are named after

    QString Installed(QString path) const { return mStage.path() + "/usr/" + path.replace("%1", mId); }
    // The keys the focused window got since the last call, up to the F12 typed after them.
    QStringList TypedIntoFocusedWindow() {
        static const QRegularExpression press("(?s)KeyPress event.*?keysym 0x[0-9a-f]+, (\\w+)\\)");
        QStringList typed;
        WaitFor([&] {
            const QString output = QString::fromLocal8Bit(mFocused->peek(1 << 24)).mid(mFocusedSeen);
            typed.clear();
            for (auto match = press.globalMatch(output); match.hasNext();)
                typed << match.next().captured(1);
            return typed.contains("F12") && (mFocusedSeen += output.size());
        });
        return typed.filter(QRegularExpression("^(?!F12$)"));
    }

private slots:
    void initTestCase() {
        UseDisplay(mX);
        mFocused = mX.Start("xev", {"-name", "focused-elsewhere", "-event", "keyboard"});
        QVERIFY(mFocused && mX.Focus(Screen(mX).WaitForWindow("^focused-elsewhere$")));
        QVERIFY(Play(mX, "key F12"));
        TypedIntoFocusedWindow();
        const QString install = "DESTDIR=\"$0\" cmake --install \"${1%/*}\" --prefix /usr >/dev/null";
        QCOMPARE(QProcess::execute("sh", {"-c", install, mStage.path(), TESSARO_EXECUTABLE}), 0);
        const QStringList entries = QDir(Installed("share/applications")).entryList({"*.desktop"});
        QVERIFY2(entries.size() == 1 && (mId = entries[0].chopped(8)).count('.') >= 2, qPrintable(mId));
    }

    // The watcher reports its keys by position, whatever has the focus, which gets all but the hot key
    // (held too when xdotool remaps a spare key code). xdotool presses Control_L with Control_R.
    void keysReportPositions_data() {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("typing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("focusedWindowGets");
        QTest::newRow("hot key") << HotKeyCodes << HotKey << WholeHotKey << "Control_L Alt_L";
        QTest::newRow("L alone") << HotKeyCodes << "key l" << QStringList{"down 2", "up 2"} << "l";
        QTest::newRow("Caps Lock on") << HotKeyCodes << "key Caps_Lock " + HotKey + " key Caps_Lock"
                                      << WholeHotKey << "Caps_Lock Control_L Alt_L Caps_Lock";
        QTest::newRow("with Shift, another") << HotKeyCodes << "keydown shift " + HotKey + " keyup shift"
                                             << WholeHotKey << "Shift_L Control_L Meta_L L";
        QTest::newRow("after a remapped key")
            << HotKeyCodes << "key EuroSign " + HotKey << WholeHotKey << "EuroSign Control_L Alt_L";
        QTest::newRow("unlisted keys") << HotKeyCodes << "key x key F5" << QStringList() << "x F5";
        const QStringList eitherCtrl{"down 0", "down 2", "down 1", "up 0", "up 1", "up 2"};
        QTest::newRow("left and right Ctrl") << QString("162,163,17") << "keydown Control_R keyup Control_R"
                                             << eitherCtrl << "Control_L Control_R";
    }
    void keysReportPositions() {
        QFETCH(QString, codes);
        QFETCH(QString, typing);
        QFETCH(QStringList, expected);
        QFETCH(QString, focusedWindowGets);
        auto watcher = CreateKeyWatcher(codes);
        QSignalSpy failed(watcher.get(), &KeyWatcher::GrabFailed);
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        QVERIFY(Play(mX, typing + " key F12") && watcher->IsActive());
        QCOMPARE(TypedIntoFocusedWindow().join(' '), focusedWindowGets);
        QVERIFY2(log.Are(expected), qPrintable(log.events.join(", ")));
        QVERIFY(watcher->HotKeyAvailable() == (codes == HotKeyCodes) && failed.isEmpty());
    }

    // Off, a watcher lets the hot key go. Whether a key is down is asked of the display: nothing stale
    // after a release it missed; keys held while off are known. A lost display ends only the watching.
    void watcherSwitchedOffAndOn() {
        auto watcher = CreateKeyWatcher(HotKeyCodes);
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        QVERIFY(watcher->HotKeyAvailable());
        watcher->SetEnabled(false);
        QVERIFY(!watcher->HotKeyAvailable() && Play(mX, HotKey + " key F12"));
        QCOMPARE(TypedIntoFocusedWindow(), QStringList({"Control_L", "Alt_L", "l"}));
        auto second = CreateKeyWatcher(HotKeyCodes);
        second->SetEnabled(true);
        QVERIFY2(second->HotKeyAvailable() && log.events.isEmpty(), qPrintable(second->HotKeyProblem()));
        second.reset();
        watcher->SetEnabled(true);
        QVERIFY(Play(mX, "keydown ctrl") && log.Are({"down 0"}));
        QVERIFY(watcher->IsKeyDown(0) && !watcher->IsKeyDown(1) && !watcher->IsKeyDown(2));
        watcher->SetEnabled(false);
        QVERIFY(Play(mX, "keyup ctrl keydown alt") && !watcher->IsKeyDown(0) && watcher->IsKeyDown(1));
        watcher->SetEnabled(true);
        QVERIFY(Play(mX, "keyup alt key l key F12") && log.Are({"down 0", "up 1", "down 2", "up 2"}));
        QVERIFY(!watcher->IsKeyDown(-1) && !watcher->IsKeyDown(3) && !TypedIntoFocusedWindow().isEmpty());
        auto other = std::make_unique<XvfbSession>();
        UseDisplay(*other);
        auto lost = CreateKeyWatcher(HotKeyCodes);
        lost->SetEnabled(true);
        QVERIFY(lost->IsActive());
        other.reset();
        UseDisplay(mX);
        QVERIFY(WaitFor([&] { return !lost->IsActive(); }) && !lost->IsKeyDown(0) &&
                !lost->HotKeyAvailable());
        lost->SetEnabled(false);
    }

    // Another client holds the hot key: a watcher and the program say so, naming it, and go on (keys
    // reported, the tray answers); once the other is gone, switching on again takes the hot key.
    void hotKeyTakenByAnotherProgram() {
        QProcess* holder = StartSaying(mX, "hold-hotkey", "held", mX.Environment());
        auto watcher = CreateKeyWatcher(HotKeyCodes);
        QSignalSpy failed(watcher.get(), &KeyWatcher::GrabFailed);
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        const QString problem = watcher->HotKeyProblem();
        QVERIFY(holder && failed.count() == 1 && !watcher->HotKeyAvailable() && watcher->Enabled());
        QVERIFY2(failed[0][0] == problem && problem.contains("Ctrl+Alt+L"), qPrintable(problem));
        QVERIFY(Play(mX, HotKey + " key F12") && log.Are(WholeHotKey));
        QCOMPARE(TypedIntoFocusedWindow(), QStringList({"Control_L", "Alt_L"}));
        TessaroRun run(mX);
        Screen screen(mX);
        QVERIFY(run.Start() && run.WaitForMainWindow(true) && screen.WaitForIcon());
        QVERIFY2(WaitFor([&] { return run.Output().contains(problem); }), qPrintable(run.Output()));
        QVERIFY(!screen.FirstItemPicture().isNull() && screen.ClosePopup() && run.MainWindows().size() == 1);
        XvfbSession::Stop(run.Process());
        XvfbSession::Stop(holder);
        watcher->SetEnabled(false);
        watcher->SetEnabled(true);
        QVERIFY2(watcher->HotKeyAvailable() && failed.count() == 1, qPrintable(watcher->HotKeyProblem()));
    }

    // Under openbox on two monitors the launcher is no task and has the keyboard when shown (at start,
    // by a second start after Escape); the hot key toggles it while another program has the focus, onto
    // the pointer's monitor, and when that monitor goes away (a deadline for a loaded machine) it moves.
    void launcherUnderAWindowManagerOnTwoMonitors() {
        const QRect left(0, 0, 1024, 768), right(1024, 0, 1280, 800);
        XvfbSession x({.withWindowManager = true, .monitors = {left, right}});
        TessaroRun run(x);
        Screen screen(x);
        const qulonglong carousel =
            Play(x, "mousemove 300 300") && run.Start() ? screen.WaitForCarouselWindow() : 0;
        QString state, active;
        const auto noTaskWithTheKeyboard = [&] {
            return x.Run("xprop", {"-id", QString::number(carousel), "_NET_WM_STATE"}, &state) &&
                   state.contains("SKIP_TASKBAR") && state.contains("SKIP_PAGER") &&
                   x.Xdotool({"getactivewindow"}, &active) && active.trimmed().toULongLong() == carousel;
        };
        QVERIFY(WaitFor(noTaskWithTheKeyboard) && left.contains(screen.Geometry(carousel)));
        QVERIFY(x.Focus(carousel) && screen.Keys({"Escape"}) && run.WaitForMainWindow(false));
        QVERIFY(run.Start() && run.WaitForMainWindow(true) && WaitFor(noTaskWithTheKeyboard));
        QVERIFY(x.Start("xev", {"-name", "another-program", "-event", "keyboard"}));
        const auto toggles = [&](QString k, bool on) { return Play(x, k) && run.WaitForMainWindow(on); };
        QVERIFY(x.Focus(screen.WaitForWindow("^another-program$")) && toggles(HotKey, false));
        QVERIFY(toggles("keydown alt keydown ctrl key l keyup ctrl keyup alt", true));
        QVERIFY(toggles("mousemove 1600 400 " + HotKey, false) && toggles(HotKey, true));
        QVERIFY(WaitFor([&] { return right.contains(screen.Geometry(carousel)); }));
        QVERIFY(x.Run("xrandr", {"--delmonitor", "monitor1"}));
        QVERIFY(WaitFor([&] { return left.contains(screen.Geometry(carousel)); }, 30000));
    }

    // Stand-ins on a private session bus: a StatusNotifierItem tray, where each activation of the item
    // toggles the launcher, and a Wayland GlobalShortcuts portal, where Ctrl+Alt+L is bound and does.
    void dbusDesktopsToggleTheLauncher_data() {
        QTest::addColumn<QString>("standIn");
        QTest::addColumn<QString>("bound"); // what the stand-in says once the launcher is there
        QTest::addColumn<QString>("press"); // to dbus-send: an activation of the item (%1), a press
        QTest::newRow("StatusNotifierItem tray")
            << TESSARO_SNWATCHER << "registered "
            << "%1 /StatusNotifierItem org.kde.StatusNotifierItem.Activate int32:10 int32:10";
        QTest::newRow("GlobalShortcuts portal")
            << TESSARO_PORTALSTANDIN << "bound toggle-launcher CTRL+ALT+l"
            << "org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop "
               "org.freedesktop.portal.GlobalShortcuts.Press";
    }
    void dbusDesktopsToggleTheLauncher() {
        QFETCH(QString, standIn);
        QFETCH(QString, bound);
        QFETCH(QString, press);
        XvfbSession x;
        QProcess* bus = x.Start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus && WaitFor([&] { return bus->canReadLine(); }));
        const auto unset = qScopeGuard([] { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); });
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->readLine().trimmed()); // for everything started here
        QProcess* desktop = StartSaying(x, standIn, "ready");
        TessaroRun run(x);
        if (bound.startsWith("bound"))
            run.SetEnvironment("WAYLAND_DISPLAY", "wayland-tessaro-test");
        QString said;
        QVERIFY(desktop && run.Start() && run.WaitForMainWindow(true));
        QVERIFY(WaitFor([&] { return (said += desktop->readAll()).contains(bound); }));
        const QString item = said.section(' ', 1).trimmed(); // the name the item registered under
        const QStringList send = ("--session --print-reply --dest=" + press.replace("%1", item)).split(' ');
        QVERIFY(x.Run("dbus-send", send) && run.WaitForMainWindow(false));
        QVERIFY(x.Run("dbus-send", send) && run.WaitForMainWindow(true));
    }

    // `cmake --install` lays out program, files, entry, icons, metainfo; validators accept them.
    void installationLaysOutItsFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("validator"); // with its arguments, before the file
        QTest::newRow("program") << "bin/tessaro" << QString();
        QTest::newRow("font") << "share/tessaro/TessaroGlyphs.ttf" << QString();
        QTest::newRow("help") << "share/tessaro/Tessaro Help.html" << QString();
        QTest::newRow("entry") << "share/applications/%1.desktop" << QString("desktop-file-validate");
        QTest::newRow("metainfo") << "share/metainfo/%1.metainfo.xml"
                                  << QString("appstreamcli validate --no-net");
        QTest::newRow("icon") << "share/icons/hicolor/48x48/apps/%1.png" << QString();
        QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/%1.svg" << QString();
    }
    void installationLaysOutItsFiles() {
        QFETCH(QString, file);
        QFETCH(QString, validator);
        const QString path = Installed(file);
        QVERIFY(QFileInfo(path).size() > 0 && (!file.startsWith("bin/") || QFileInfo(path).isExecutable()));
        const QImage icon =
            file.contains("icons/") ? Imaging::DecodeFile(path) : QImage(48, 48, QImage::Format_RGB32);
        QVERIFY(file.endsWith("svg") ? !icon.isNull() : icon.size() == QSize(48, 48));
        QString said;
        const bool accepted = validator.isEmpty() || mX.Run(validator.section(' ', 0, 0),
                                                            validator.split(' ').mid(1) << path, &said);
        QVERIFY2(accepted && (said.trimmed().isEmpty() || validator.startsWith("appstream")),
                 qPrintable(said));
        const QSettings entry(Installed("share/applications/%1.desktop"), QSettings::IniFormat);
        QVERIFY(entry.value("Desktop Entry/Icon") == mId && entry.value("Desktop Entry/Exec") == "tessaro");
    }

    // The installed program makes its first tree from the desktop; Help... opens the installed page.
    void installedProgramFindsItsFiles() {
        XvfbSession x({.withTray = true});
        const ScratchDesktop desktop;
        TessaroRun run(x);
        Screen screen(x);
        run.SetProgram(Installed("bin/tessaro"));
        for (const auto& [name, value] : desktop.SystemVariables())
            run.SetEnvironment(name, value);
        run.SetEnvironment("PATH", desktop.Bin() + ":" + qEnvironmentVariable("PATH"));
        QVERIFY2(run.Start() && run.WaitForMainWindow(true), qPrintable(run.Output()));
        QCOMPARE(DbProbe::Scalar(run.DatabasePath(), "SELECT COUNT(*) FROM Tokens WHERE Caption = 'Netz'"),
                 1);
        QVERIFY(screen.WaitForIcon() && !screen.FirstItemPicture().isNull() &&
                Play(x, "key Down Down Down Down Return"));
        const QString opened = desktop.WaitForMarker("xdg-open").value(0);
        QCOMPARE(QUrl::fromUserInput(opened).toLocalFile(), Installed("share/tessaro/Tessaro Help.html"));
    }

    // In a Wayland session (headless weston) the program runs through XWayland, not Qt's own choice:
    // its window, wider than any message box, maps and takes keys.
    void launcherMapsThroughXWaylandAndTakesKeys() {
        if (QStandardPaths::findExecutable("weston").isEmpty())
            QSKIP("weston is not installed");
        QTemporaryDir runtime, home;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        QProcess weston, run, search;
        weston.setProcessEnvironment(environment);
        weston.setProcessChannelMode(QProcess::MergedChannels);
        weston.start("weston", {"--backend=headless-backend.so", "--xwayland", "--socket=wayland-tessaro"});
        QString said;
        QVERIFY(WaitFor([&] { return (said += weston.readAll()).contains("xserver listening on display"); }));
        const QString display = said.section("xserver listening on display ", 1).section('\n', 0, 0);
        for (const QString& setting : QStringList{"DISPLAY=" + display, "WAYLAND_DISPLAY=wayland-tessaro",
                                                  "XDG_SESSION_TYPE=wayland", "HOME=" + home.path()})
            environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
        environment.remove("QT_QPA_PLATFORM");
        const auto shown = [&] {
            search.start("env",
                         {"DISPLAY=" + display, "xdotool", "search", "--onlyvisible", "--name", "^Tessaro$"});
            return search.waitForFinished(10000) &&
                   WindowGeometry(environment, search.readLine().trimmed().toULongLong()).width() > 560;
        };
        run.setProcessEnvironment(environment);
        run.start(TESSARO_EXECUTABLE, {});
        QVERIFY2(WaitFor(shown, 20000), run.readAll().constData());
        QCOMPARE(
            QProcess::execute("env", {"DISPLAY=" + display, "xdotool", "key", "Right", "Left", "Escape"}), 0);
        QVERIFY2(WaitFor([&] { return !shown(); }, 20000), "the keys did not reach the launcher");
        XvfbSession::Stop(&run);
        XvfbSession::Stop(&weston);
    }

    // Later copies (the same data folder) activate the first and end, others do not meet it; a crashed
    // first copy (SIGKILL) leaves lock and socket but no block; one that never answers is left alone.
    // Frames put straight on a window land where they are asked to, in their colours, and only the part
    // of them asked for, after earlier frames from the same shared memory.
    void framesGoStraightToTheWindow() {
        QVERIFY(StartSaying(mX, "present-frames", "presented", mX.Environment()));
        const Screen screen(mX);
        const QImage shot = screen.Grab(screen.Geometry(screen.WaitForWindow("^direct-frames$")));
        for (const QPoint& p : {QPoint(15, 27), QPoint(44, 66)})
            QCOMPARE(shot.pixel(p), Orange);
        for (const QPoint& p :
             {QPoint(14, 27), QPoint(15, 26), QPoint(45, 66), QPoint(75, 17), QPoint(80, 20)})
            QVERIFY(shot.pixel(p) != Orange);
    }

    void singleInstance() {
        QTemporaryDir runtime, data, otherData;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const auto copy = [&](const QByteArray& says, const QString& folder = {}) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("XDG_DATA_HOME", folder.isEmpty() ? data.path() : folder);
            return StartSaying(mX, "copy", says, environment);
        };
        auto first = std::make_unique<SingleInstance>();
        QSignalSpy activations(first.get(), &SingleInstance::ActivationRequested);
        QVERIFY(!first->ActivatePreviousInstance() && first->IsPrimary() &&
                copy("primary", otherData.path()));
        for (int copies = 1; copies <= 2; ++copies) {
            QProcess* later = copy("handed over");
            QVERIFY(later && WaitFor([&] {
                        return later->state() == QProcess::NotRunning && activations.count() == copies;
                    }));
            QCOMPARE(later->exitCode(), HandedOver);
        }
        first.reset();
        QProcess* crashed = copy("primary");
        QVERIFY(crashed && (crashed->kill(), crashed->waitForFinished()));
        SingleInstance next;
        QVERIFY(QFileInfo::exists(next.LockFilePath()) && QFileInfo::exists(next.ServerName()));
        QSignalSpy handedOver(&next, &SingleInstance::ActivationRequested);
        QVERIFY(!next.ActivatePreviousInstance() && next.IsPrimary() && copy("handed over"));
        QVERIFY(WaitFor([&] { return handedOver.count() == 1; }));
        SingleInstance silent("Silent");
        QLockFile holder(silent.LockFilePath()); // alive (this process) but never answers
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not answer"));
        QVERIFY(holder.tryLock(0) && silent.ActivatePreviousInstance(300) && !silent.IsPrimary());
    }
};

int main(int argc, char* argv[]) {
    if (qEnvironmentVariable(Role) == "present-frames")
        return PresentFrames(argc, argv);
    if (qEnvironmentVariableIsSet(Role))
        return RunChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
