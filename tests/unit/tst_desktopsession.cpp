#include "platform/DesktopSession.h"

#include <QTest>

// Which Qt platform the launcher asks for in which session.
class TestDesktopSession : public QObject {
    Q_OBJECT
private slots:
    void platformForSession_data() {
        QTest::addColumn<QString>("qtPlatform");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::addColumn<QString>("sessionType");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("X11 session") << ""
                                     << ""
                                     << "x11"
                                     << ":0"
                                     << "";
        QTest::newRow("Wayland with XWayland") << ""
                                               << "wayland-0"
                                               << "wayland"
                                               << ":0"
                                               << "xcb";
        QTest::newRow("Wayland named by the session type only") << ""
                                                                << ""
                                                                << "Wayland"
                                                                << ":1"
                                                                << "xcb";
        QTest::newRow("Wayland without XWayland") << ""
                                                  << "wayland-0"
                                                  << "wayland"
                                                  << ""
                                                  << "";
        QTest::newRow("the user's choice stands") << "wayland"
                                                  << "wayland-0"
                                                  << "wayland"
                                                  << ":0"
                                                  << "";
        QTest::newRow("no session at all") << ""
                                           << ""
                                           << ""
                                           << ""
                                           << "";
    }
    void platformForSession() {
        QFETCH(QString, qtPlatform);
        QFETCH(QString, waylandDisplay);
        QFETCH(QString, sessionType);
        QFETCH(QString, display);
        QFETCH(QString, chosen);
        QCOMPARE(PlatformForSession(qtPlatform, waylandDisplay, sessionType, display), chosen);
    }
};

QTEST_GUILESS_MAIN(TestDesktopSession)
#include "tst_desktopsession.moc"
