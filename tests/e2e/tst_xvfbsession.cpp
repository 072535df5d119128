#include "TessaroRun.h"
#include "XvfbSession.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace TestSupport;

// The end-to-end helpers themselves: later tests rely on what they report.
class TestXvfbSession : public QObject {
    Q_OBJECT
private slots:
    void trayAndScreenshot() {
        XvfbSession x({.withTray = true, .screenSize = QSize(640, 480)});
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        QVERIFY(x.Display().startsWith(QLatin1Char(':')));
        QVERIFY(!x.FindWindows("^panel$").isEmpty());
        const QImage shot = x.Screenshot();
        QCOMPARE(shot.size(), QSize(640, 480));
        // The tray panel sits at the bottom right, so the screen is not one colour.
        QVERIFY(shot.pixel(600, 470) != shot.pixel(10, 10));
    }

    void mainWindowMappedAndUnmapped() {
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        QVERIFY(tessaro.MainWindows().isEmpty());
        QVERIFY(!tessaro.WaitForMainWindow(true, 200));
        // A stand-in window with the main window's title.
        QVERIFY(x.Start("xmessage", {"-title", "Tessaro", "stand-in"}));
        QVERIFY(tessaro.WaitForMainWindow(true));
        const QList<qulonglong> windows = tessaro.MainWindows();
        QCOMPARE(windows.size(), 1);
        QVERIFY(x.Focus(windows.first()));
        QVERIFY(x.Xdotool({"windowunmap", QString::number(windows.first())}));
        QVERIFY(tessaro.WaitForMainWindow(false));
        QCOMPARE(tessaro.MainWindows(false), windows);
    }

    void programGetsScratchHomeAndDisplay() {
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        QVERIFY(QFileInfo(tessaro.Home()).isDir());
        QVERIFY(tessaro.Home() != QDir::homePath());
        QCOMPARE(tessaro.DatabasePath(), tessaro.Home() + "/.local/share/Tessaro/Tokens.db");
        const QProcessEnvironment environment = tessaro.Environment();
        QCOMPARE(environment.value("HOME"), tessaro.Home());
        QCOMPARE(environment.value("DISPLAY"), x.Display());
        QCOMPARE(environment.value("QT_QPA_PLATFORM"), QString("xcb"));
        QVERIFY(tessaro.Start());
        QVERIFY(QFileInfo(tessaro.Process()->program()).isExecutable());
    }

    void crashLeavesABacktraceInTheLog() {
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        // In a sanitizer build the address checker would take the signal itself and forbid the core.
        tessaro.SetEnvironment("ASAN_OPTIONS",
                               qEnvironmentVariable("ASAN_OPTIONS") + ":handle_segv=0:disable_coredump=0");
        QVERIFY(tessaro.Start());
        QVERIFY(
            WaitFor([&] { return !tessaro.Output().isEmpty() || tessaro.MainWindows(false).size() > 0; }));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("crashed; backtrace:.*SIGSEGV.*#1 ",
                                                QRegularExpression::DotMatchesEverythingOption));
        QVERIFY(x.Run("kill", {"-SEGV", QString::number(tessaro.Process()->processId())}));
        QVERIFY(tessaro.WaitForExit(-1, 60000));
    }

    void everythingEndsWithTheSession() {
        qint64 child = 0;
        QString display;
        {
            XvfbSession x;
            QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
            display = x.Display();
            QProcess* sleeper = x.Start("sleep", {"600"});
            QVERIFY(sleeper);
            child = sleeper->processId();
        }
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(child)));
        QVERIFY(!QFileInfo::exists("/tmp/.X11-unix/X" + display.mid(1)));
    }

    void waitForKeepsItsDeadline() {
        int calls = 0;
        QVERIFY(!WaitFor([&] { return ++calls < 0; }, 100));
        QVERIFY(calls > 1);
        QVERIFY(WaitFor([&] { return ++calls > 3; }));
    }
};

QTEST_GUILESS_MAIN(TestXvfbSession)
#include "tst_xvfbsession.moc"
