// The launcher in a session whose tray speaks StatusNotifierItem (over a private D-Bus session with a
// stand-in for the desktop's watcher): the launcher registers its item there, and the item's
// activation (what such trays send for a click on the icon) shows and hides it.
#include "TessaroRun.h"
#include "XvfbSession.h"

#include <QRegularExpression>
#include <QTest>

using namespace TestSupport;

class TestStatusNotifier : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    std::unique_ptr<QProcess> mBus;
    QString mAddress;
    QProcess* mWatcher = nullptr;
    std::unique_ptr<TessaroRun> mTessaro;

    QProcessEnvironment BusEnvironment() const {
        QProcessEnvironment environment = mX->Environment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), mAddress);
        return environment;
    }

    bool Activate(const QString& item) const {
        QProcess send;
        send.setProcessEnvironment(BusEnvironment());
        send.start(QStringLiteral("dbus-send"),
                   {"--session", "--print-reply", "--dest=" + item, "/StatusNotifierItem",
                    "org.kde.StatusNotifierItem.Activate", "int32:10", "int32:10"});
        return send.waitForFinished(10000) && send.exitCode() == 0;
    }

private slots:
    void initTestCase() {
        mX = std::make_unique<XvfbSession>();
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
        mBus = std::make_unique<QProcess>();
        mBus->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY(mBus->waitForStarted(10000));
        QVERIFY(WaitFor([&] { return mBus->canReadLine(); }));
        mAddress = QString::fromLocal8Bit(mBus->readLine()).trimmed();
        QVERIFY(!mAddress.isEmpty());
        mWatcher = mX->Start(QStringLiteral(TESSARO_SNWATCHER), {}, BusEnvironment());
        QVERIFY(mWatcher);
        QVERIFY(WaitFor([&] { return mWatcher->canReadLine(); }));
        QCOMPARE(mWatcher->readLine().trimmed(), QByteArray("ready"));
        mTessaro = std::make_unique<TessaroRun>(*mX);
        mTessaro->SetEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), mAddress);
    }

    void cleanupTestCase() {
        mTessaro.reset();
        mX.reset();
        XvfbSession::Stop(mBus.get());
    }

    void activationShowsAndHidesTheLauncher() {
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
        QString item;
        QVERIFY2(WaitFor([&] {
                     const QString line = QString::fromLocal8Bit(mWatcher->readLine()).trimmed();
                     if (line.startsWith(QLatin1String("registered ")))
                         item = line.section(QLatin1Char(' '), 1);
                     return !item.isEmpty();
                 }),
                 qPrintable(mTessaro->Output()));
        QVERIFY(Activate(item));
        QVERIFY2(mTessaro->WaitForMainWindow(false), "one activation did not hide the launcher");
        QVERIFY(Activate(item));
        QVERIFY2(mTessaro->WaitForMainWindow(true), "the next activation did not show it again");
    }
};

QTEST_GUILESS_MAIN(TestStatusNotifier)
#include "tst_statusnotifier.moc"
