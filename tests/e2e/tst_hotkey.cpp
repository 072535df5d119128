#include "LauncherScreen.h"
#include "TessaroRun.h"
#include "TrayProbe.h"
#include "platform/KeyWatcher.h"

#include <QTest>
#include <cstdio>

using TestSupport::LauncherScreen;
using TestSupport::TessaroRun;
using TestSupport::TrayProbe;
using TestSupport::WaitFor;
using TestSupport::XvfbSession;

namespace {
const char* const RoleVariable = "TESSARO_TEST_HOTKEY_ROLE";

QStringList Keys(const QString& script) {
    return script.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Run as another X client that takes Ctrl+Alt+L before the launcher starts, until it is ended.
int HoldHotKey(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    auto watcher = CreateKeyWatcher(QStringLiteral("17,18,76"));
    watcher->SetEnabled(true);
    std::printf("%s\n", watcher->HotKeyAvailable() ? "held" : "failed");
    std::fflush(stdout);
    return app.exec();
}
} // namespace

// The launcher with another program's window focused (xev), driven by Ctrl+Alt+L.
class TestHotKey : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    std::unique_ptr<TessaroRun> mTessaro;
    std::unique_ptr<TrayProbe> mProbe;
    qulonglong mOther = 0;

    bool Shown() const { return !mTessaro->MainWindows().isEmpty(); }

    // Plays keys into the focused other window.
    bool Play(const QString& script) { return mX->Focus(mOther) && mX->Xdotool(Keys(script)); }

    bool ToggleTo(bool shown) {
        if (Shown() == shown)
            return true;
        return Play(QStringLiteral("keydown ctrl keydown alt key l keyup alt keyup ctrl")) &&
               mTessaro->WaitForMainWindow(shown);
    }

    // Whether the launcher is still hidden once it has handled everything sent so far: the tray menu,
    // opened after the keys, only appears when no fade is running (a fade holds back user input), and a
    // fade in would already have mapped the window.
    bool StillHidden() {
        mProbe->RightClickIcon();
        const bool popup = mProbe->WaitForPopup(true);
        const bool hidden = !Shown();
        return mProbe->ClosePopup() && popup && hidden;
    }

private slots:
    void initTestCase() {
        mX = std::make_unique<XvfbSession>(XvfbSession::Options{.withTray = true});
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
        QVERIFY(mX->Start(QStringLiteral("xev"), {"-name", "another-program", "-event", "keyboard"}));
        QList<qulonglong> windows;
        QVERIFY(WaitFor([&] { return !(windows = mX->FindWindows("^another-program$")).isEmpty(); }));
        mOther = windows.first();
        mTessaro = std::make_unique<TessaroRun>(*mX);
        mProbe = std::make_unique<TrayProbe>(*mX);
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
        QVERIFY(mProbe->WaitForIcon());
        QVERIFY2(!mTessaro->Output().contains(QLatin1String("hot key")), qPrintable(mTessaro->Output()));
    }

    void cleanupTestCase() {
        mTessaro.reset();
        mX.reset();
    }

    // The first press after start (xdotool's first keys also change the keyboard mapping) already
    // toggles.
    void hotKeyTogglesWhileAnotherWindowHasTheFocus() {
        QVERIFY(Play(QStringLiteral("keydown ctrl keydown alt key l keyup alt keyup ctrl")));
        QVERIFY(mTessaro->WaitForMainWindow(false));
        QVERIFY(Play(QStringLiteral("keydown alt keydown ctrl key l keyup ctrl keyup alt")));
        QVERIFY(mTessaro->WaitForMainWindow(true));
    }

    // A keyboard mapping change (a tool maps a spare key for a moment, a keyboard is plugged in)
    // loses no press of the hot key.
    void firstPressAfterAMappingChangeToggles() {
        QVERIFY(ToggleTo(true));
        QVERIFY(Play(QStringLiteral("key U2603"))); // a key the keyboard lacks: mapped to a spare code
        QVERIFY(Play(QStringLiteral("keydown ctrl keydown alt key l keyup alt keyup ctrl")));
        QVERIFY(mTessaro->WaitForMainWindow(false));
    }

    void otherKeysDoNotToggle_data() {
        QTest::addColumn<QString>("keys");
        QTest::newRow("L alone") << "key l";
        QTest::newRow("L before Ctrl and Alt")
            << "keydown l keydown ctrl keydown alt keyup l keyup alt keyup ctrl";
        QTest::newRow("Ctrl+L") << "key ctrl+l";
        QTest::newRow("Alt+L") << "key alt+l";
        QTest::newRow("Ctrl+Alt+K") << "key ctrl+alt+k";
        QTest::newRow("Ctrl and Alt released before L")
            << "keydown ctrl keydown alt keyup alt keyup ctrl key l";
    }
    void otherKeysDoNotToggle() {
        QFETCH(QString, keys);
        QVERIFY(ToggleTo(false));
        QVERIFY(Play(keys));
        QVERIFY2(StillHidden(), "the launcher came back");
    }

    void releasingCtrlBetweenTwoLPressesPreventsTheSecondToggle() {
        QVERIFY(ToggleTo(true));
        QVERIFY(Play(QStringLiteral("keydown ctrl keydown alt key l")));
        QVERIFY(mTessaro->WaitForMainWindow(false));
        QVERIFY(Play(QStringLiteral("keyup ctrl key l keyup alt")));
        QVERIFY2(StillHidden(), "the second L toggled without Ctrl");
    }

    void holdingCtrlAndAltEachLToggles() {
        QVERIFY(ToggleTo(true));
        QVERIFY(Play(QStringLiteral("keydown ctrl keydown alt key l")));
        QVERIFY(mTessaro->WaitForMainWindow(false));
        QVERIFY(Play(QStringLiteral("key l")));
        QVERIFY(mTessaro->WaitForMainWindow(true));
        QVERIFY(Play(QStringLiteral("keyup alt keyup ctrl")));
    }

    // On two monitors the hot key brings the launcher to the one that holds the pointer, wholly on
    // it; when that monitor goes away the launcher moves onto the one left.
    void hotKeyShowsOnThePointersMonitor() {
        const QRect left(0, 0, 1024, 768), right(1024, 0, 1280, 800);
        XvfbSession x({.withWindowManager = true, .monitors = {left, right}});
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        QVERIFY(x.Xdotool({"mousemove", "300", "300"}));
        TessaroRun tessaro(x);
        QVERIFY(tessaro.Start());
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
        LauncherScreen screen(x);
        const qulonglong carousel = screen.WaitForCarouselWindow();
        QVERIFY(WaitFor([&] { return left.contains(screen.Geometry(carousel)); }));

        QVERIFY(x.Xdotool({"mousemove", "1600", "400"}));
        const QStringList hotKey =
            Keys(QStringLiteral("keydown ctrl keydown alt key l keyup alt keyup ctrl"));
        QVERIFY(x.Xdotool(hotKey));
        QVERIFY(tessaro.WaitForMainWindow(false));
        QVERIFY(x.Xdotool(hotKey));
        QVERIFY(tessaro.WaitForMainWindow(true));
        QVERIFY2(WaitFor([&] { return right.contains(screen.Geometry(carousel)); }),
                 qPrintable(QStringLiteral("the launcher lies at %1,%2")
                                .arg(screen.Geometry(carousel).x())
                                .arg(screen.Geometry(carousel).y())));

        QVERIFY(x.Run(QStringLiteral("xrandr"), {"--delmonitor", "monitor1"}));
        // The monitor change reaches the program through the X server's notifications: a deadline
        // for a loaded machine.
        QVERIFY(WaitFor([&] { return left.contains(screen.Geometry(carousel)); }, 30000));
    }

    void hotKeyTakenByAnotherProgramIsReported() {
        XvfbSession x({.withTray = true});
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        QProcessEnvironment environment = x.Environment();
        environment.insert(RoleVariable, QStringLiteral("hold-hotkey"));
        QProcess* holder = x.Start(QCoreApplication::applicationFilePath(), {}, environment);
        QVERIFY(holder);
        QVERIFY(WaitFor([&] { return holder->canReadLine(); }));
        QCOMPARE(holder->readLine().trimmed(), QByteArray("held"));

        TessaroRun tessaro(x);
        QProcess* process = tessaro.Start();
        QVERIFY(process);
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
        QVERIFY2(WaitFor([&] { return tessaro.Output().contains(QLatin1String("Ctrl+Alt+L")); }),
                 qPrintable(tessaro.Output()));
        QVERIFY2(tessaro.Output().contains(QLatin1String("Another program")), qPrintable(tessaro.Output()));
        // It keeps running, and its tray still answers.
        TrayProbe probe(x);
        QVERIFY(probe.WaitForIcon());
        probe.RightClickIcon();
        QVERIFY(probe.WaitForPopup(true));
        QVERIFY(probe.ClosePopup());
        QCOMPARE(process->state(), QProcess::Running);
        QCOMPARE(tessaro.MainWindows().size(), 1);
    }
};

int main(int argc, char* argv[]) {
    if (qEnvironmentVariable(RoleVariable) == QLatin1String("hold-hotkey"))
        return HoldHotKey(argc, argv);
    QCoreApplication app(argc, argv);
    TestHotKey test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hotkey.moc"
