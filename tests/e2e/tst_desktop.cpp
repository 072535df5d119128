// The launcher under a real window manager (openbox): it stays out of the taskbar, pager and window
// switcher, and still takes the keyboard when it is shown.
#include "TessaroRun.h"
#include "XvfbSession.h"

#include <QTest>

using namespace TestSupport;

class TestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    std::unique_ptr<TessaroRun> mTessaro;

    QString WindowState(qulonglong window) const {
        QString state;
        mX->Run(QStringLiteral("xprop"), {"-id", QString::number(window), "_NET_WM_STATE"}, &state);
        return state;
    }
    qulonglong ActiveWindow() const {
        QString active;
        return mX->Xdotool({"getactivewindow"}, &active) ? active.trimmed().toULongLong() : 0;
    }

private slots:
    void initTestCase() {
        mX = std::make_unique<XvfbSession>(XvfbSession::Options{.withTray = true, .withWindowManager = true});
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
        mTessaro = std::make_unique<TessaroRun>(*mX);
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
    }
    void cleanupTestCase() {
        mTessaro.reset();
        mX.reset();
    }

    // Shown at start and shown again (by a second start) after Escape hid it.
    void launcherIsNoTaskButShowsWithTheKeyboard_data() {
        QTest::addColumn<bool>("hideFirst");
        QTest::newRow("at start") << false;
        QTest::newRow("shown again") << true;
    }
    void launcherIsNoTaskButShowsWithTheKeyboard() {
        QFETCH(bool, hideFirst);
        if (hideFirst) {
            const qulonglong window = mTessaro->MainWindows().value(0);
            QVERIFY(window && mX->Focus(window));
            QVERIFY(mX->Xdotool({"key", "Escape"}));
            QVERIFY(mTessaro->WaitForMainWindow(false));
            QVERIFY(mTessaro->Start());
            QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
        }
        const qulonglong window = mTessaro->MainWindows().value(0);
        QVERIFY(window);
        QVERIFY(WaitFor(
            [&] { return WindowState(window).contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")); }));
        QVERIFY2(WindowState(window).contains(QLatin1String("_NET_WM_STATE_SKIP_PAGER")),
                 qPrintable(WindowState(window)));
        QVERIFY2(WaitFor([&] { return ActiveWindow() == window; }),
                 "the shown launcher does not have the keyboard");
    }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
