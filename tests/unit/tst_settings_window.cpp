// The Settings window on the whole program: a change is applied at once and stored when the window
// closes, new token images are drawn behind a notice; and the colour dialog behind its swatches.
#include "AppRig.h"
#include "FormChecks.h"
#include "PaintProbe.h"
#include "carousel/cCarousel.h"
#include "launcher/cfMain.h"
#include "launcher/cwCarousel.h"
#include "store/cTokenManager.h"
#include "ui/frmCarouselSettings.h"
#include "ui/modColourDialog.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// The program with its Settings window open, every level's images composed first so counts start settled.
struct Rig : AppRig {
    QScrollBar* Slider(int i) const { return w->findChild<QScrollBar*>(QString("HScrollSetting%1").arg(i)); }
    void Click(const QString& name) const { QTest::mouseClick(Control<QWidget>(w, name), Qt::LeftButton); }
    QSignalSpy builds{&Carousel(), &cCarousel::MoveComplete};
    const int composed = (Tokens().FinishPendingImages(), Tokens().ComposedTokenImages());
    const QHash<QString, double> start = LiveValues();
    const QVariantMap stored = DbProbe::SettingsRow(path);
    const QPointer<frmCarouselSettings> w = root->ShowCarouselSettings();
    const bool active = QTest::qWaitForWindowActive(w); // the keys go to its focused control
};

// A slider moved to `input` (tabs -1), dragged there (-2), by the wheel (-3), or by a key after Tabs.
struct Change {
    QString column;
    int slider, input, tabs;
    double live;
};
} // namespace
Q_DECLARE_METATYPE(Change)

class TestSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    // Qt keeps the colour dialog's custom colours in its settings file: the test's own, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void closingStoresTheLiveSettings_data() {
        QTest::addColumn<bool>("changed"); // every setting; else every colour dialog is cancelled
        QTest::newRow("nothing changed, DONE") << false;
        QTest::newRow("everything changed, the close box") << true;
    }

    void closingStoresTheLiveSettings() {
        QFETCH(bool, changed);
        Rig rig;
        QVERIFY(rig.builds.isEmpty() && rig.Tokens().ComposedTokenImages() == rig.composed); // on opening
        QCOMPARE(FormChecks::LayoutFault(rig.w), QString());
        const int values[14] = {10, 20, 1000, 300, 150, 60, 70, 40, 55, 35, 160, 45, 65, 120};
        for (int index = 0; changed && index < 14; ++index)
            rig.Slider(index)->setValue(values[index]);
        // The real colour dialog starts at the live colour, and custom colours made in it are forgotten.
        SetColourChooser({});
        const QList<QColor> chosen = {QColor(0x563412), QColor(0x214365), QColor(0x00ff00), QColor(0x808080)};
        QList<QColor> seen;
        for (const char* name : {"Tint", "TokenFill", "Caption", "CaptionOutline"}) {
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                QColorDialog::setCustomColor(0, Qt::darkRed);
                seen << dialog->currentColor();
                dialog->setCurrentColor(chosen[seen.size() - 1]);
                changed ? dialog->accept() : dialog->reject();
            });
            rig.Click(QString("lbl%1Colour").arg(name));
        }
        QCOMPARE(seen, (QList<QColor>{Qt::blue, Qt::red, Qt::white, Qt::black}));
        QCOMPARE(QColorDialog::customColor(0), QColor(Qt::white));
        for (const char* name : {"chkOverflowFade", "chkOverflowZoom", "chkEnableSound"})
            changed ? rig.Click(name) : void();
        QCOMPARE(rig.Root().SoundEnabled(), changed);         // the sound box switches sound at once ...
        QCOMPARE(DbProbe::SettingsRow(rig.path), rig.stored); // ... but nothing is stored before closing
        changed ? void(rig.w->windowHandle()->close()) : rig.Click("cmdClose");
        const QList<qint64> all = {21, 20,       120,      1000,     300, 160, 150, 60,       70, 40, 55,
                                   35, 0x123456, 0x00ff00, 0x808080, 0,   -1,  45,  0x654321, 65, -1};
        QVariantMap after = rig.stored;
        for (int column = 0; changed && column < 21; ++column)
            after[TokenDbFixture::SettingsColumns()[column]] = all[column];
        QCOMPARE(DbProbe::SettingsRow(rig.path), after);
    }

    void slidersApplyAtOnce_data() {
        QTest::addColumn<Change>("c");
        QTest::newRow("reflection stretch") << Change{"ReflectionStretch", 6, 100, -1, 100};
        QTest::newRow("tint strength") << Change{"TintStrength", 9, 0, -1, 0};
        QTest::newRow("render scale") << Change{"RenderScale", 13, 200, -1, 2};
        QTest::newRow("token size, dragged") << Change{"ImageSize", 10, 200, -2, 200};
        QTest::newRow("Right, 5 tabs on") << Change{"Tilt", 3, Qt::Key_Right, 5, 201};
        QTest::newRow("Page Up, 3 tabs on") << Change{"Capacity", 0, Qt::Key_PageUp, 3, 11};
        QTest::newRow("End, 8 tabs on") << Change{"ReflectionStrength", 7, Qt::Key_End, 8, 100};
        QTest::newRow("wheel up") << Change{"Tilt", 3, 0, -3, 203};
    }

    void slidersApplyAtOnce() {
        QFETCH(Change, c);
        Rig rig;
        QScrollBar* slider = rig.Slider(c.slider);
        const QPointF at = QRectF(slider->rect()).center();
        QWheelEvent wheel(at, slider->mapToGlobal(at), {}, {0, 120}, {}, {}, Qt::NoScrollPhase, false);
        if (c.tabs == -1)
            slider->setValue(c.input);
        if (c.tabs == -2) { // nothing is applied while the thumb moves: a new token size is costly
            slider->setSliderDown(true);
            for (int position = 130; position <= c.input; position += 10)
                slider->setSliderPosition(position);
            QVERIFY(rig.builds.isEmpty() && rig.ChangedSince(rig.start).isEmpty());
            slider->setSliderDown(false);
        }
        if (c.tabs == -3)
            QApplication::sendEvent(slider, &wheel);
        for (int tab = 0; tab <= c.tabs; ++tab)
            QTest::keyClick(QApplication::focusWidget(), tab < c.tabs ? Qt::Key_Tab : Qt::Key(c.input));
        QCOMPARE(rig.Live(c.column), c.live);
        // Sliders that share a setter (reflection, tint) pass the other values through unchanged.
        QCOMPARE(rig.ChangedSince(rig.start), QStringList{c.column});
        QCOMPARE(rig.builds.count(), 1);
    }

    void newCaptionColourRedrawsEveryTokenBehindANotice() {
        Rig rig;
        auto* info = Control<QLabel>(rig.w, "lblInfo");
        PaintProbe<QString> paints(info, [&] {
            return info->text() + QString::number(rig.Tokens().ComposedTokenImages() - rig.composed);
        });
        const QImage title = rig.MainWindow().CarouselWidget()->TitleBuffer().copy();
        rig.colours << 0x00ff00;
        rig.Click("lblCaptionColour");
        // The notice is painted before any image is drawn again and stays while the workers compose ...
        QCOMPARE(paints.values.value(0), "Regenerating Tokens...0");
        QVERIFY(rig.builds.count() == 1 && rig.Tokens().PendingImages() > 0 && !info->text().isEmpty());
        // ... until each is drawn once (8 active tokens, the placeholder); the title is drawn again too.
        QTRY_COMPARE(rig.Tokens().PendingImages(), 0);
        QCOMPARE(rig.Tokens().ComposedTokenImages() - rig.composed, 9);
        QVERIFY(info->text().isEmpty() && rig.builds.count() == 2);
        QVERIFY(rig.MainWindow().CarouselWidget()->TitleBuffer() != title);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settings_window.moc"
