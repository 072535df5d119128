// The launcher on desktops that it reaches over D-Bus, each on a private session bus with a stand-in
// for the desktop's side (a stand-in at the operating system's edge):
// - a StatusNotifierItem tray: the launcher registers its item, and the item's activation (what such
//   trays send for a click on the icon) shows and hides it;
// - the GlobalShortcuts portal of a Wayland session: the launcher binds Ctrl+Alt+L there, and each
//   activation of the shortcut shows or hides it.
#include "TessaroRun.h"
#include "XvfbSession.h"

#include <QTest>

using namespace TestSupport;

class TestDBusDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    std::unique_ptr<QProcess> mBus;
    QString mAddress;
    std::unique_ptr<TessaroRun> mTessaro;

    QProcessEnvironment BusEnvironment() const {
        QProcessEnvironment environment = mX->Environment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), mAddress);
        return environment;
    }

    // Starts the desktop's stand-in and waits until it says "ready".
    QProcess* StartStandIn(const QString& program) {
        QProcess* standIn = mX->Start(program, {}, BusEnvironment());
        if (!standIn || !WaitFor([&] { return standIn->canReadLine(); }) ||
            standIn->readLine().trimmed() != "ready")
            return nullptr;
        return standIn;
    }

    // The rest of the stand-in's first line that starts with pPrefix.
    QString WaitForLine(QProcess* pStandIn, const QString& pPrefix) const {
        QString rest;
        WaitFor([&] {
            while (pStandIn->canReadLine()) {
                const QString line = QString::fromLocal8Bit(pStandIn->readLine()).trimmed();
                if (line.startsWith(pPrefix))
                    rest = line.mid(pPrefix.size());
            }
            return !rest.isEmpty();
        });
        return rest;
    }

    bool Call(const QString& pService, const QString& pPath, const QString& pMethod,
              const QStringList& pArguments = {}) const {
        QProcess send;
        send.setProcessEnvironment(BusEnvironment());
        send.start(QStringLiteral("dbus-send"),
                   QStringList{"--session", "--print-reply", "--dest=" + pService, pPath, pMethod} +
                       pArguments);
        return send.waitForFinished(10000) && send.exitCode() == 0;
    }

    bool StartLauncher() { return mTessaro->Start() && mTessaro->WaitForMainWindow(true); }

private slots:
    void init() {
        mX = std::make_unique<XvfbSession>();
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
        mBus = std::make_unique<QProcess>();
        mBus->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY(mBus->waitForStarted(10000));
        QVERIFY(WaitFor([&] { return mBus->canReadLine(); }));
        mAddress = QString::fromLocal8Bit(mBus->readLine()).trimmed();
        QVERIFY(!mAddress.isEmpty());
        mTessaro = std::make_unique<TessaroRun>(*mX);
        mTessaro->SetEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), mAddress);
    }

    void cleanup() {
        mTessaro.reset();
        mX.reset();
        XvfbSession::Stop(mBus.get());
    }

    void statusNotifierActivationShowsAndHides() {
        QProcess* watcher = StartStandIn(QStringLiteral(TESSARO_SNWATCHER));
        QVERIFY(watcher);
        QVERIFY2(StartLauncher(), qPrintable(mTessaro->Output()));
        const QString item = WaitForLine(watcher, QStringLiteral("registered "));
        QVERIFY2(!item.isEmpty(), qPrintable(mTessaro->Output()));
        const QStringList at{"int32:10", "int32:10"};
        QVERIFY(Call(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate", at));
        QVERIFY2(mTessaro->WaitForMainWindow(false), "one activation did not hide the launcher");
        QVERIFY(Call(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate", at));
        QVERIFY2(mTessaro->WaitForMainWindow(true), "the next activation did not show it again");
    }

    void portalShortcutShowsAndHidesInAWaylandSession() {
        QProcess* portal = StartStandIn(QStringLiteral(TESSARO_PORTALSTANDIN));
        QVERIFY(portal);
        mTessaro->SetEnvironment(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-tessaro-test"));
        QVERIFY2(StartLauncher(), qPrintable(mTessaro->Output()));
        QCOMPARE(WaitForLine(portal, QStringLiteral("bound ")), QStringLiteral("toggle-launcher CTRL+ALT+l"));
        QVERIFY(Call("org.freedesktop.portal.Desktop", "/test", "org.tessaro.PortalStandIn.Press"));
        QVERIFY2(mTessaro->WaitForMainWindow(false), qPrintable(mTessaro->Output()));
        QVERIFY(Call("org.freedesktop.portal.Desktop", "/test", "org.tessaro.PortalStandIn.Press"));
        QVERIFY2(mTessaro->WaitForMainWindow(true), "the next press did not show it again");
    }
};

QTEST_GUILESS_MAIN(TestDBusDesktop)
#include "tst_dbusdesktop.moc"
