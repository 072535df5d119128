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

    void pictureFromImageKeepsAlpha() {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        image.setPixelColor(16, 16, QColor(255, 0, 0, 128));
        const QImage back = PictureFromIcon(image).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), QSize(32, 32));
        QCOMPARE(qAlpha(back.pixel(0, 0)), 0);
        QVERIFY(qAbs(qAlpha(back.pixel(16, 16)) - 128) <= 1);
        QVERIFY(PictureFromIcon(QImage()).isNull());
        QVERIFY(PictureFromIcon(QIcon()).isNull());
    }
};

QTEST_MAIN(TestGeneral)
#include "tst_general.moc"
