#include "desktop/modGeneral.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

class TestGeneral : public QObject {
    Q_OBJECT
private slots:
    // Changing window flags hides a shown window; MakeTopmost must leave everything else as it was.
    void makeTopmostKeepsPlaceSizeAndVisibility_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown window") << true;
        QTest::newRow("hidden window") << false;
    }
    void makeTopmostKeepsPlaceSizeAndVisibility() {
        QFETCH(bool, shown);
        QWidget window;
        window.setWindowTitle("Token Manager");
        window.setGeometry(123, 145, 410, 290);
        if (shown) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
        }
        const QRect before = window.geometry();
        MakeTopmost(&window);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window.isVisible(), shown);
        QCOMPARE(window.geometry(), before);
        MakeTopmost(&window);
        QCOMPARE(window.isVisible(), shown);
        QCOMPARE(window.geometry(), before);
    }

    void showAndActivateBringsWindowForward() {
        QWidget other;
        other.setGeometry(0, 0, 200, 100);
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QWidget window;
        window.setGeometry(50, 50, 200, 100);
        ShowAndActivate(&window);
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::activeWindow(), &window);
        ShowAndActivate(nullptr);
    }
};

QTEST_MAIN(TestGeneral)
#include "tst_general.moc"
