// The settings window from the keyboard: Tab reaches every slider in reading order, the keys move
// the focused slider and the change is applied at once, and the focused slider's label is marked.
#include "SettingsWindowRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QWheelEvent>

using namespace SettingsWindowRig;

class TestCarouselSettingsKeys : public QObject {
    Q_OBJECT

    static std::unique_ptr<frmCarouselSettings> OpenActive(Rig& rig) {
        auto window = rig.open();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("settings window not active");
        return window;
    }

private slots:
    void tabVisitsEveryControlInReadingOrder() {
        Rig rig;
        auto window = OpenActive(rig);
        // Row by row from the top, the left column first; then the check boxes and DONE.
        QStringList expected;
        for (int index : {13, 1, 10, 0, 2, 3, 4, 5, 7, 6, 11, 8, 9, 12})
            expected << QStringLiteral("HScrollSetting%1").arg(index);
        expected << "chkOverflowZoom"
                 << "chkOverflowFade"
                 << "chkEnableSound"
                 << "chkShowBackground"
                 << "cmdClose";
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget* focused = QApplication::focusWidget();
            visited << (focused ? focused->objectName() : QStringLiteral("(none)"));
            QTest::keyClick(focused ? focused : window.get(), Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
        // Round again to the first slider.
        QCOMPARE(QApplication::focusWidget(), slider(window.get(), 13));
    }

    void keysMoveTheFocusedSlider_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("column");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("label");
        // The stored row has tilt 200, capacity 9 (slider 4) and token size 120.
        QTest::newRow("right: small step") << 3 << int(Qt::Key_Right) << "Tilt" << 201.0 << "Tilt: 201";
        QTest::newRow("left: small step back") << 3 << int(Qt::Key_Left) << "Tilt" << 199.0 << "Tilt: 199";
        QTest::newRow("page up: large step") << 3 << int(Qt::Key_PageUp) << "Tilt" << 205.0 << "Tilt: 205";
        QTest::newRow("page down: large step back")
            << 3 << int(Qt::Key_PageDown) << "Tilt" << 195.0 << "Tilt: 195";
        QTest::newRow("home: the least")
            << 7 << int(Qt::Key_Home) << "ReflectionStrength" << 0.0 << "Reflection Strength: 0%";
        QTest::newRow("end: the most") << 3 << int(Qt::Key_End) << "Tilt" << 600.0 << "Tilt: 600";
        QTest::newRow("capacity moves by odd numbers")
            << 0 << int(Qt::Key_PageUp) << "Capacity" << 11.0 << "Capacity: 11 items";
        QTest::newRow("token size steps by five")
            << 10 << int(Qt::Key_Right) << "ImageSize" << 125.0 << "Image Size: 125px";
    }

    void keysMoveTheFocusedSlider() {
        QFETCH(int, index);
        QFETCH(int, key);
        QFETCH(QString, column);
        QFETCH(double, expected);
        QFETCH(QString, label);
        Rig rig;
        auto window = OpenActive(rig);
        QScrollBar* target = slider(window.get(), index);
        target->setFocus(Qt::TabFocusReason);
        QVERIFY(target->hasFocus());
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);

        QTest::keyClick(target, Qt::Key(key));

        QCOMPARE(rig.live(column), expected);
        QCOMPARE(caption(window.get(), index), label);
        QCOMPARE(builds.count(), 1); // rebuilt once, right away
        QCOMPARE(storedRow(rig.path), FixtureRow);
        window->close();
        QCOMPARE(storedRow(rig.path).at(Columns.indexOf(column)), qint64(expected));
    }

    void wheelTurnedUpRaisesTheValue() {
        Rig rig;
        auto window = OpenActive(rig);
        QScrollBar* target = slider(window.get(), 3);
        const QPointF centre = QRectF(target->rect()).center();
        QWheelEvent up(centre, target->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &up);
        QVERIFY2(rig.carousel->Tilt() > 200, qPrintable(caption(window.get(), 3)));
    }
};

QTEST_MAIN(TestCarouselSettingsKeys)
#include "tst_carouselsettingskeys.moc"
