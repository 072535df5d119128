#include "FormChecks.h"
#include "SettingsWindowRig.h"
#include "platform/Imaging.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>

using namespace SettingsWindowRig;

class TestCarouselSettings : public QObject {
    Q_OBJECT
private slots:
    void openingAndClosingChangesNothing() {
        Rig rig;
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
        const int composed = rig.manager->ComposedTokenImages();
        const QHash<QString, double> before = rig.liveValues();
        auto window = rig.open();
        QCOMPARE(builds.count(), 0);
        QCOMPARE(rig.manager->ComposedTokenImages(), composed);
        QVERIFY(!rig.background());
        QCOMPARE(rig.changedSince(before), QStringList());

        const int positions[14] = {4, 12, 800, 200, 130, 80, 50, 10, 30, 25, 120, 75, 40, 150};
        const QStringList captions =
            QStringLiteral(
                "Capacity: 9 items|Animation Steps: 12|Width: 800|Tilt: 200|Fore Image Scale: 130%|"
                "Rear Image Scale: 80%|Reflection Stretch: 50%|Reflection Strength: 10%|"
                "Depth Darkening: 30%|Tint Strength: 25%|Image Size: 120px|Orbit Image Opacity: 75%|"
                "Token Fill Opacity: 40%|Render Scale: 150%")
                .split('|');
        for (int index = 0; index < 14; ++index) {
            QCOMPARE(slider(window.get(), index)->value(), positions[index]);
            QCOMPARE(caption(window.get(), index), captions[index]);
        }
        QCOMPARE(swatchColour(window.get(), "lblTintColour"), QColor(0, 0, 255));
        QCOMPARE(swatchColour(window.get(), "lblTokenFillColour"), QColor(255, 0, 0));
        QCOMPARE(swatchColour(window.get(), "lblCaptionColour"), QColor(255, 255, 255));
        QCOMPARE(swatchColour(window.get(), "lblCaptionOutlineColour"), QColor(0, 0, 0));
        QVERIFY(control<QCheckBox>(window.get(), "chkOverflowFade")->isChecked());
        QVERIFY(!control<QCheckBox>(window.get(), "chkOverflowZoom")->isChecked());
        QVERIFY(!control<QCheckBox>(window.get(), "chkEnableSound")->isChecked());
        QVERIFY(!control<QCheckBox>(window.get(), "chkShowBackground")->isChecked());

        window->close(); // the stored tint survives: the swatch was set before the sliders were loaded
        QCOMPARE(rig.carousel->TintColour(), 16711680u);
        QCOMPARE(storedRow(rig.path), FixtureRow);
    }

    void slidersApplyAndRelabel_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("column");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("label");
        QTest::newRow("capacity 12") << 0 << 12 << "Capacity" << 25.0 << "Capacity: 25 items";
        QTest::newRow("capacity 1") << 0 << 1 << "Capacity" << 3.0 << "Capacity: 3 items";
        QTest::newRow("animation steps") << 1 << 30 << "MoveIncrements" << 30.0 << "Animation Steps: 30";
        QTest::newRow("width") << 2 << 400 << "Width" << 400.0 << "Width: 400";
        QTest::newRow("tilt") << 3 << 600 << "Tilt" << 600.0 << "Tilt: 600";
        QTest::newRow("fore scale") << 4 << 200 << "ForeItemScale" << 200.0 << "Fore Image Scale: 200%";
        QTest::newRow("rear scale") << 5 << 30 << "RearItemScale" << 30.0 << "Rear Image Scale: 30%";
        QTest::newRow("stretch") << 6 << 100 << "ReflectionStretch" << 100.0 << "Reflection Stretch: 100%";
        QTest::newRow("strength") << 7 << 0 << "ReflectionStrength" << 0.0 << "Reflection Strength: 0%";
        QTest::newRow("darkening") << 8 << 100 << "DepthDarkening" << 100.0 << "Depth Darkening: 100%";
        QTest::newRow("tint") << 9 << 0 << "TintStrength" << 0.0 << "Tint Strength: 0%";
        QTest::newRow("token size") << 10 << 256 << "ImageSize" << 256.0 << "Image Size: 256px";
        QTest::newRow("orbit opacity 0")
            << 11 << 0 << "OrbitImageOpacity" << 0.0 << "Orbit Image Opacity: OFF";
        QTest::newRow("orbit opacity 1")
            << 11 << 1 << "OrbitImageOpacity" << 1.0 << "Orbit Image Opacity: 1%";
        QTest::newRow("fill opacity") << 12 << 0 << "TokenFillOpacity" << 0.0 << "Token Fill Opacity: 0%";
        QTest::newRow("render scale") << 13 << 200 << "RenderScale" << 2.0 << "Render Scale: 200%";
    }

    void slidersApplyAndRelabel() {
        QFETCH(int, index);
        QFETCH(int, value);
        QFETCH(QString, column);
        QFETCH(double, expected);
        QFETCH(QString, label);
        Rig rig;
        auto window = rig.open();
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
        const QList<qint64> stored = storedRow(rig.path);
        const QHash<QString, double> before = rig.liveValues();

        slider(window.get(), index)->setValue(value);

        QCOMPARE(caption(window.get(), index), label);
        QCOMPARE(rig.live(column), expected);
        // Sliders that share a setter (reflection, tint) pass the other values through unchanged.
        QCOMPARE(rig.changedSince(before), QStringList{column});
        QCOMPARE(builds.count(), 1);           // rebuilt once, right away
        QCOMPARE(storedRow(rig.path), stored); // nothing is stored before the window closes
    }

    void liveValuesOutsideARangeAreClamped_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<double>("outside");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("shown");
        QTest::addColumn<double>("applied");
        QTest::newRow("capacity 27") << "Capacity" << 27.0 << 0 << 12 << 25.0;
        QTest::newRow("no animation steps") << "MoveIncrements" << 0.0 << 1 << 1 << 1.0;
        QTest::newRow("width 300") << "Width" << 300.0 << 2 << 400 << 400.0;
        QTest::newRow("tilt 700") << "Tilt" << 700.0 << 3 << 600 << 600.0;
        QTest::newRow("token size 300") << "ImageSize" << 300.0 << 10 << 256 << 256.0;
        QTest::newRow("fill opacity 1.5") << "TokenFillOpacity" << 1.5 << 12 << 100 << 1.0;
        QTest::newRow("render scale 0.2") << "RenderScale" << 0.2 << 13 << 50 << 0.5;
        QTest::newRow("render scale 3") << "RenderScale" << 3.0 << 13 << 200 << 2.0;
    }

    void liveValuesOutsideARangeAreClamped() {
        QFETCH(QString, column);
        QFETCH(double, outside);
        QFETCH(int, index);
        QFETCH(int, shown);
        QFETCH(double, applied);
        Rig rig;
        const QHash<QString, std::function<void(double)>> setters = {
            {"Capacity", [&](double v) { rig.carousel->SetCapacity(int(v)); }},
            {"MoveIncrements", [&](double v) { rig.carousel->SetMoveIncrements(int(v)); }},
            {"Width", [&](double v) { rig.carousel->SetWidth(int(v)); }},
            {"Tilt", [&](double v) { rig.carousel->SetTilt(v); }},
            {"ImageSize", [&](double v) { rig.carousel->SetImageSize(int(v), int(v)); }},
            {"TokenFillOpacity", [&](double v) { rig.manager->SetFillOpacity(v); }},
            {"RenderScale", [&](double v) { rig.window->SetRenderScale(v); }}};
        setters.value(column)(outside);
        auto window = rig.open();
        QCOMPARE(slider(window.get(), index)->value(), shown);
        QCOMPARE(rig.live(column), applied);
    }

    void orbitImageOpacityZeroDrawsNoOrbitImage() {
        Rig rig;
        const QByteArray orbit = TokenDbFixture::Png(64, 64, 0xff0000);
        rig.carousel->SetOrbitImageBytes(orbit);
        auto window = rig.open();
        QScrollBar* opacity = slider(window.get(), 11);

        opacity->setValue(0);
        const QImage atZero = rig.carousel->MainLayer().copy();

        // The same frame with no orbit image at all.
        rig.carousel->SetOrbitImageBytes(Imaging::EmptyImageBytes());
        rig.carousel->Build(QString());
        QCOMPARE(rig.carousel->MainLayer(), atZero);

        rig.carousel->SetOrbitImageBytes(orbit);
        opacity->setValue(1);
        QVERIFY(rig.carousel->MainLayer() != atZero);
    }

    void regenerationShowsANoticeFirst_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("retitled");
        QTest::newRow("token size") << "HScrollSetting10" << 200 << false;
        QTest::newRow("fill opacity") << "HScrollSetting12" << 90 << false;
        QTest::newRow("fill colour") << "lblTokenFillColour" << 0x336699 << false;
        QTest::newRow("caption colour") << "lblCaptionColour" << 0x00ff00 << true;
        QTest::newRow("caption outline colour") << "lblCaptionOutlineColour" << 0x0000ff << true;
    }

    void regenerationShowsANoticeFirst() {
        QFETCH(QString, control);
        QFETCH(int, value);
        QFETCH(bool, retitled);
        Rig rig;
        ScriptedChooser chooser;
        auto window = rig.open();
        auto* info = ::control<QLabel>(window.get(), "lblInfo");
        QCOMPARE(info->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
        PaintProbe<InfoPaint> paints(info, InfoLabelProbe(info, *rig.manager));
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
        const int composedBefore = rig.manager->ComposedTokenImages();
        const QImage title = rig.window->CarouselWidget()->TitleBuffer().copy();

        if (auto* bar = window->findChild<QScrollBar*>(control)) {
            bar->setValue(value);
        } else {
            chooser.answers << value;
            QTest::mouseClick(::control<QLabel>(window.get(), control), Qt::LeftButton);
        }

        // The notice was on screen, in red, before the first token image was redrawn ...
        QVERIFY(!paints.values.isEmpty());
        const InfoPaint& notice = paints.values.first();
        QCOMPARE(notice.text, QStringLiteral("Regenerating Tokens..."));
        QCOMPARE(notice.colour, QColor(255, 0, 0));
        QCOMPARE(notice.composedImages, composedBefore);
        // ... the carousel was rebuilt at once, and the notice stays while the workers compose ...
        QCOMPARE(builds.count(), 1);
        QVERIFY(rig.manager->PendingImages() > 0);
        QCOMPARE(info->text(), QStringLiteral("Regenerating Tokens..."));
        // ... until every image is redrawn: the notice is gone, the text colour is blue and the carousel
        // was built again with the level's new images.
        QTRY_COMPARE(rig.manager->PendingImages(), 0);
        QVERIFY(rig.manager->ComposedTokenImages() > composedBefore);
        QCOMPARE(info->text(), QString());
        QCOMPARE(info->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(builds.count(), 2);
        if (retitled) // the title follows new caption colours
            QVERIFY(rig.window->CarouselWidget()->TitleBuffer() != title);
        const auto current = rig.manager->CurrentImages();
        QCOMPARE(current->ItemAt(0).width(), rig.carousel->ImageSize());
    }

    void draggingATokenSizeRegeneratesOnceWhenLetGo() {
        Rig rig;
        auto window = rig.open();
        QScrollBar* size = slider(window.get(), 10);
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
        const int composed = rig.manager->ComposedTokenImages();

        size->setSliderDown(true);
        for (int position = 130; position <= 200; position += 10)
            size->setSliderPosition(position);
        QCOMPARE(rig.carousel->ImageSize(), 120);
        QCOMPARE(rig.manager->ComposedTokenImages(), composed);
        QCOMPARE(builds.count(), 0);

        size->setSliderDown(false);
        QCOMPARE(rig.carousel->ImageSize(), 200);
        QCOMPARE(caption(window.get(), 10), QStringLiteral("Image Size: 200px"));
        QCOMPARE(builds.count(), 1);
        // One regeneration: every token and the placeholder for unused places, once each.
        QTRY_COMPARE(rig.manager->PendingImages(), 0);
        QCOMPARE(rig.manager->ComposedTokenImages() - composed, rig.manager->Count() + 1);
    }

    void colourChooserAnswers_data() {
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<qint32>("initial");
        QTest::addColumn<qint32>("answer"); // -1: cancelled
        QTest::addColumn<QStringList>("changed");
        QTest::newRow("tint cancelled") << "lblTintColour" << 16711680 << -1 << QStringList();
        QTest::newRow("fill cancelled") << "lblTokenFillColour" << 255 << -1 << QStringList();
        QTest::newRow("caption cancelled") << "lblCaptionColour" << 16777215 << -1 << QStringList();
        QTest::newRow("outline cancelled") << "lblCaptionOutlineColour" << 0 << -1 << QStringList();
        // Strength and darkening pass through; a tint needs no new token images.
        QTest::newRow("tint chosen") << "lblTintColour" << 16711680 << 0x00ff00 << QStringList{"TintColour"};
    }

    void colourChooserAnswers() {
        QFETCH(QString, swatch);
        QFETCH(qint32, initial);
        QFETCH(qint32, answer);
        QFETCH(QStringList, changed);
        Rig rig;
        ScriptedChooser chooser;
        chooser.answers << answer;
        auto window = rig.open();
        const QColor before = swatchColour(window.get(), swatch);
        const QHash<QString, double> live = rig.liveValues();
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
        const int composed = rig.manager->ComposedTokenImages();

        QTest::mouseClick(control<QLabel>(window.get(), swatch), Qt::LeftButton);

        QCOMPARE(chooser.calls.size(), 1);
        QCOMPARE(chooser.calls[0].owner, window.get());
        QVERIFY(chooser.calls[0].fullOpen);
        QCOMPARE(chooser.calls[0].initial, initial);
        QCOMPARE(swatchColour(window.get(), swatch),
                 answer < 0 ? before : QColor(answer & 0xff, (answer >> 8) & 0xff, answer >> 16));
        QCOMPARE(rig.changedSince(live), changed);
        if (answer >= 0)
            QCOMPARE(rig.live(changed.first()), double(answer));
        QCOMPARE(builds.count(), answer < 0 ? 0 : 1);
        QCOMPARE(rig.manager->ComposedTokenImages(), composed);
    }

    void overflowBoxesWaitForTheNextMove() {
        Rig rig;
        auto window = rig.open();
        QSignalSpy frames(rig.carousel.get(), &cCarousel::Refreshed);
        const QImage shown = rig.carousel->MainLayer().copy();

        QTest::mouseClick(control<QCheckBox>(window.get(), "chkOverflowFade"), Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>(window.get(), "chkOverflowZoom"), Qt::LeftButton);

        QVERIFY(!rig.carousel->OverflowFade());
        QVERIFY(rig.carousel->OverflowZoom());
        QCOMPARE(frames.count(), 0);
        QCOMPARE(rig.carousel->MainLayer(), shown);

        rig.carousel->MoveRelative(1);
        QVERIFY(frames.count() > 0);
        QCOMPARE(rig.carousel->LastFrame().progress, 1.0);
    }

    void showBackgroundStartsUncheckedEveryTime() {
        Rig rig;
        {
            auto window = rig.open();
            auto* box = control<QCheckBox>(window.get(), "chkShowBackground");
            QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
            QTest::mouseClick(box, Qt::LeftButton);
            QVERIFY(rig.background());
            QCOMPARE(builds.count(), 1);
            QTest::mouseClick(box, Qt::LeftButton);
            QVERIFY(!rig.background());
            QTest::mouseClick(box, Qt::LeftButton);
            window->close();
        }
        auto window = rig.open();
        QVERIFY(!control<QCheckBox>(window.get(), "chkShowBackground")->isChecked());
        QVERIFY(rig.background()); // the window's background stays as the last click left it
    }

    void explanationsFollowTheMouse_data() {
        QTest::addColumn<QString>("explanation");
        QTest::newRow("lblCaption0")
            << "The number of items (tokens) that the Carousel is capable of displaying at any one time.";
        QTest::newRow("lblCaption1")
            << "Determines how many iterations are required to step from one token to "
               "the next, i.e. smoothness of the animation";
        QTest::newRow("lblCaption2") << "The amount of horizontal space occupied by the carousel, in pixels.";
        QTest::newRow("lblCaption3")
            << "How much the carousel appears to tilt forward, based on its vertical size.";
        QTest::newRow("lblCaption4") << "Determines how large the central foreground token is displayed in "
                                        "comparison to the default size.";
        QTest::newRow("lblCaption5")
            << "Determines the extent to which tokens decrease in size the further back they are.";
        QTest::newRow("lblCaption6") << "The amount of perspective applied to the reflections.";
        QTest::newRow("lblCaption7")
            << "The extent to which the token reflections are visible. A value of zero "
               "removes the reflection altogether.";
        QTest::newRow("lblCaption8")
            << "Determines the extent to which tokens appear darker the further back they are.";
        QTest::newRow("lblCaption9") << "Determines how strong the colour tint is applied to the tokens";
        QTest::newRow("lblCaption10") << "Sets the size of the tokens in pixels";
        QTest::newRow("lblCaption11") << "Sets the opacity of the central, orbited image. A value of zero "
                                         "removes the image altogether.";
        QTest::newRow("lblCaption12") << "Determines how transparent the tokens are (excluding their icon).";
        QTest::newRow("lblCaption13")
            << "Determines how large the carousel is zoomed onto the screen, relative to the token size";
        QTest::newRow("lblCaptionColour")
            << "Sets the colour that will be used for token captions, headers and descriptions.";
        QTest::newRow("lblCaptionOutlineColour")
            << "Sets the colour that will outline the text on token captions, headers and descriptions.";
        QTest::newRow("lblTintColour")
            << "Sets a colour to apply as a 'tint' to the tokens. Doesn't apply to the 'active' token.";
        QTest::newRow("lblTokenFillColour")
            << "Sets the colour that will be used as a background for the token icons.";
        QTest::newRow("chkEnableSound") << "Play sound effects for movement, button presses and transitions";
        QTest::newRow("chkOverflowFade") << "Sets whether or not 'overflowing' is illustrated by fading "
                                            "surplus tokens in and out, in cases "
                                            "where the carousel's capacity is exceeded";
        QTest::newRow("chkOverflowZoom") << "Sets whether or not 'overflowing' is illustrated by zooming "
                                            "surplus tokens in and out, in cases "
                                            "where the carousel's capacity is exceeded";
    }

    void explanationsFollowTheMouse() {
        const QString control = QTest::currentDataTag(); // each row is named after the control it explains
        QFETCH(QString, explanation);
        Rig rig;
        auto window = rig.open();
        QWindow* handle = window->windowHandle();
        auto* info = ::control<QLabel>(window.get(), "lblInfo");
        auto* target = ::control<QWidget>(window.get(), control);
        auto centreOf = [&](QWidget* widget) { return widget->mapTo(window.get(), widget->rect().center()); };

        QTest::mouseMove(handle, centreOf(target));
        QCOMPARE(info->text(), explanation);
        // Neither a slider nor "Show Background" explains anything: the text stays.
        QTest::mouseMove(handle, centreOf(slider(window.get(), 0)));
        QTest::mouseMove(handle, centreOf(::control<QWidget>(window.get(), "chkShowBackground")));
        QCOMPARE(info->text(), explanation);
        // The window's own background empties it.
        QTest::mouseMove(handle, QPoint(window->width() - 3, 3));
        QCOMPARE(info->text(), QString());
    }

    void closingWritesEverySetting_data() {
        QTest::addColumn<bool>("byDoneButton");
        QTest::newRow("DONE") << true;
        QTest::newRow("close box") << false;
    }

    void closingWritesEverySetting() {
        QFETCH(bool, byDoneButton);
        Rig rig;
        ScriptedChooser chooser;
        chooser.answers << 0x123456 << 0x654321 << 0x00ff00 << 0x808080;
        auto window = rig.open();
        const int sliderValues[14] = {10, 20, 1000, 300, 150, 60, 70, 40, 55, 35, 160, 45, 65, 120};
        for (int index = 0; index < 14; ++index)
            slider(window.get(), index)->setValue(sliderValues[index]);
        for (const char* swatch :
             {"lblTintColour", "lblTokenFillColour", "lblCaptionColour", "lblCaptionOutlineColour"})
            QTest::mouseClick(control<QLabel>(window.get(), swatch), Qt::LeftButton);
        for (const char* box : {"chkOverflowFade", "chkOverflowZoom", "chkEnableSound"})
            QTest::mouseClick(control<QCheckBox>(window.get(), box), Qt::LeftButton);
        QVERIFY(rig.sound.SoundEnabled());         // the sound box switches sound at once ...
        QCOMPARE(storedRow(rig.path), FixtureRow); // ... but nothing is stored before the window closes

        if (byDoneButton)
            QTest::mouseClick(control<QPushButton>(window.get(), "cmdClose"), Qt::LeftButton);
        else
            window->windowHandle()->close();

        QVERIFY(!window->isVisible());
        const QList<qint64> expected = {21, 20,       120,      1000,     300, 160, 150, 60,       70, 40, 55,
                                        35, 0x123456, 0x00ff00, 0x808080, 0,   -1,  45,  0x654321, 65, -1};
        const QList<qint64> stored = storedRow(rig.path);
        for (int column = 0; column < Columns.size(); ++column)
            QVERIFY2(stored[column] == expected[column],
                     qPrintable(QStringLiteral("%1: stored %2, expected %3")
                                    .arg(Columns[column])
                                    .arg(stored[column])
                                    .arg(expected[column])));
    }

    void windowIsPlacedTopmostNearTheCorner() {
        Rig rig;
        auto window = rig.open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Settings"));
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window->frameGeometry().topLeft(),
                 QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(20, 20));
        QCOMPARE(window->size(), QSize(305, 523));
        QCOMPARE(window->palette().color(QPalette::Window), QColor(0xE8, 0xE8, 0xE8));
        QCOMPARE(FormChecks::LayoutFault(window.get()), QString());
    }
};

QTEST_MAIN(TestCarouselSettings)
#include "tst_carouselsettings.moc"
