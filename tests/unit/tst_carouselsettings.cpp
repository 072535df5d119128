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
    void opensWithTheLiveValuesAndChangesNothing();
    void labelsShowTheLiveValues_data();
    void labelsShowTheLiveValues();
    void slidersApplyAndRelabel_data();
    void slidersApplyAndRelabel();
    void liveValuesOutsideARangeAreClamped_data();
    void liveValuesOutsideARangeAreClamped();
    void orbitImageOpacityZeroDrawsNoOrbitImage();
    void regenerationShowsANoticeFirst_data();
    void regenerationShowsANoticeFirst();
    void draggingATokenSizeRegeneratesOnceWhenLetGo();
    void cancelledChooserChangesNothing_data();
    void cancelledChooserChangesNothing();
    void newTintColourReachesTheCarousel();
    void overflowBoxesWaitForTheNextMove();
    void soundBoxSwitchesSound();
    void showBackgroundStartsUncheckedEveryTime();
    void explanationsFollowTheMouse_data();
    void explanationsFollowTheMouse();
    void closingWritesEverySetting_data();
    void closingWritesEverySetting();
    void storedTintSurvivesOpeningAndClosing();
    void windowIsPlacedTopmostNearTheCorner();
};

void TestCarouselSettings::opensWithTheLiveValuesAndChangesNothing() {
    Rig rig;
    QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
    const int composed = rig.manager->ComposedTokenImages();
    const QStringList liveColumns = rig.liveColumns();
    QHash<QString, double> before;
    for (const QString& column : liveColumns)
        before.insert(column, rig.live(column));
    auto window = rig.open();
    QCOMPARE(builds.count(), 0);
    QCOMPARE(rig.manager->ComposedTokenImages(), composed);
    QCOMPARE(rig.backgroundCalls, QList<bool>());
    for (const QString& column : liveColumns)
        QCOMPARE(rig.live(column), before.value(column));
    QCOMPARE(rig.carousel->TintColour(), 16711680u);
    QCOMPARE(swatchColour(window.get(), "lblTintColour"), QColor(0, 0, 255));
    QCOMPARE(swatchColour(window.get(), "lblTokenFillColour"), QColor(255, 0, 0));
    QCOMPARE(swatchColour(window.get(), "lblCaptionColour"), QColor(255, 255, 255));
    QCOMPARE(swatchColour(window.get(), "lblCaptionOutlineColour"), QColor(0, 0, 0));
    QVERIFY(control<QCheckBox>(window.get(), "chkOverflowFade")->isChecked());
    QVERIFY(!control<QCheckBox>(window.get(), "chkOverflowZoom")->isChecked());
    QVERIFY(!control<QCheckBox>(window.get(), "chkEnableSound")->isChecked());
    QVERIFY(!control<QCheckBox>(window.get(), "chkShowBackground")->isChecked());
    QVERIFY(!rig.sound.SoundEnabled());
}

void TestCarouselSettings::labelsShowTheLiveValues_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("capacity") << 0 << 4 << "Capacity: 9 items";
    QTest::newRow("animation steps") << 1 << 12 << "Animation Steps: 12";
    QTest::newRow("width") << 2 << 800 << "Width: 800";
    QTest::newRow("tilt") << 3 << 200 << "Tilt: 200";
    QTest::newRow("fore scale") << 4 << 130 << "Fore Image Scale: 130%";
    QTest::newRow("rear scale") << 5 << 80 << "Rear Image Scale: 80%";
    QTest::newRow("reflection stretch") << 6 << 50 << "Reflection Stretch: 50%";
    QTest::newRow("reflection strength") << 7 << 10 << "Reflection Strength: 10%";
    QTest::newRow("depth darkening") << 8 << 30 << "Depth Darkening: 30%";
    QTest::newRow("tint strength") << 9 << 25 << "Tint Strength: 25%";
    QTest::newRow("token size") << 10 << 120 << "Image Size: 120px";
    QTest::newRow("orbit opacity") << 11 << 75 << "Orbit Image Opacity: 75%";
    QTest::newRow("fill opacity") << 12 << 40 << "Token Fill Opacity: 40%";
    QTest::newRow("render scale") << 13 << 150 << "Render Scale: 150%";
}

void TestCarouselSettings::labelsShowTheLiveValues() {
    QFETCH(int, index);
    QFETCH(int, value);
    QFETCH(QString, label);
    Rig rig;
    auto window = rig.open();
    QCOMPARE(slider(window.get(), index)->value(), value);
    QCOMPARE(caption(window.get(), index), label);
}

void TestCarouselSettings::slidersApplyAndRelabel_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("column");
    QTest::addColumn<double>("expected");
    QTest::newRow("capacity 12") << 0 << 12 << "Capacity: 25 items"
                                 << "Capacity" << 25.0;
    QTest::newRow("capacity 1") << 0 << 1 << "Capacity: 3 items"
                                << "Capacity" << 3.0;
    QTest::newRow("animation steps") << 1 << 30 << "Animation Steps: 30"
                                     << "MoveIncrements" << 30.0;
    QTest::newRow("width") << 2 << 400 << "Width: 400"
                           << "Width" << 400.0;
    QTest::newRow("tilt") << 3 << 600 << "Tilt: 600"
                          << "Tilt" << 600.0;
    QTest::newRow("fore scale") << 4 << 200 << "Fore Image Scale: 200%"
                                << "ForeItemScale" << 200.0;
    QTest::newRow("rear scale") << 5 << 30 << "Rear Image Scale: 30%"
                                << "RearItemScale" << 30.0;
    QTest::newRow("stretch") << 6 << 100 << "Reflection Stretch: 100%"
                             << "ReflectionStretch" << 100.0;
    QTest::newRow("stretch keeps strength") << 6 << 100 << "Reflection Stretch: 100%"
                                            << "ReflectionStrength" << 10.0;
    QTest::newRow("strength") << 7 << 0 << "Reflection Strength: 0%"
                              << "ReflectionStrength" << 0.0;
    QTest::newRow("strength keeps stretch") << 7 << 0 << "Reflection Strength: 0%"
                                            << "ReflectionStretch" << 50.0;
    QTest::newRow("darkening") << 8 << 100 << "Depth Darkening: 100%"
                               << "DepthDarkening" << 100.0;
    QTest::newRow("darkening keeps tint") << 8 << 100 << "Depth Darkening: 100%"
                                          << "TintStrength" << 25.0;
    QTest::newRow("darkening keeps colour") << 8 << 100 << "Depth Darkening: 100%"
                                            << "TintColour" << 16711680.0;
    QTest::newRow("tint") << 9 << 0 << "Tint Strength: 0%"
                          << "TintStrength" << 0.0;
    QTest::newRow("tint keeps darkening") << 9 << 0 << "Tint Strength: 0%"
                                          << "DepthDarkening" << 30.0;
    QTest::newRow("token size") << 10 << 256 << "Image Size: 256px"
                                << "ImageSize" << 256.0;
    QTest::newRow("orbit opacity 0") << 11 << 0 << "Orbit Image Opacity: OFF"
                                     << "OrbitImageOpacity" << 0.0;
    QTest::newRow("orbit opacity 1") << 11 << 1 << "Orbit Image Opacity: 1%"
                                     << "OrbitImageOpacity" << 1.0;
    QTest::newRow("fill opacity") << 12 << 0 << "Token Fill Opacity: 0%"
                                  << "TokenFillOpacity" << 0.0;
    QTest::newRow("render scale") << 13 << 200 << "Render Scale: 200%"
                                  << "RenderScale" << 2.0;
}

void TestCarouselSettings::slidersApplyAndRelabel() {
    QFETCH(int, index);
    QFETCH(int, value);
    QFETCH(QString, label);
    QFETCH(QString, column);
    QFETCH(double, expected);
    Rig rig;
    auto window = rig.open();
    QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
    const QList<qint64> stored = storedRow(rig.path);

    slider(window.get(), index)->setValue(value);

    QCOMPARE(caption(window.get(), index), label);
    QCOMPARE(rig.live(column), expected);
    QCOMPARE(builds.count(), 1);           // rebuilt once, right away
    QCOMPARE(storedRow(rig.path), stored); // nothing is stored before the window closes
}

void TestCarouselSettings::liveValuesOutsideARangeAreClamped_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("outside");
    QTest::addColumn<int>("shown");
    QTest::addColumn<double>("applied");
    QTest::newRow("capacity 27") << 0 << 27.0 << 12 << 25.0;
    QTest::newRow("no animation steps") << 1 << 0.0 << 1 << 1.0;
    QTest::newRow("width 300") << 2 << 300.0 << 400 << 400.0;
    QTest::newRow("tilt 700") << 3 << 700.0 << 600 << 600.0;
    QTest::newRow("token size 300") << 10 << 300.0 << 256 << 256.0;
    QTest::newRow("fill opacity 1.5") << 12 << 1.5 << 100 << 1.0;
    QTest::newRow("render scale 0.2") << 13 << 0.2 << 50 << 0.5;
    QTest::newRow("render scale 3") << 13 << 3.0 << 200 << 2.0;
}

void TestCarouselSettings::liveValuesOutsideARangeAreClamped() {
    QFETCH(int, index);
    QFETCH(double, outside);
    QFETCH(int, shown);
    QFETCH(double, applied);
    Rig rig;
    const QHash<int, QString> columns = {{0, "Capacity"},    {1, "MoveIncrements"}, {2, "Width"},
                                         {3, "Tilt"},        {10, "ImageSize"},     {12, "TokenFillOpacity"},
                                         {13, "RenderScale"}};
    switch (index) {
    case 0:
        rig.carousel->SetCapacity(int(outside));
        break;
    case 1:
        rig.carousel->SetMoveIncrements(int(outside));
        break;
    case 2:
        rig.carousel->SetWidth(int(outside));
        break;
    case 3:
        rig.carousel->SetTilt(outside);
        break;
    case 10:
        rig.carousel->SetImageSize(int(outside), int(outside));
        break;
    case 12:
        rig.manager->SetFillOpacity(outside);
        break;
    case 13:
        rig.renderScale = outside;
        break;
    }
    auto window = rig.open();
    QCOMPARE(slider(window.get(), index)->value(), shown);
    QCOMPARE(rig.live(columns.value(index)), applied);
}

void TestCarouselSettings::orbitImageOpacityZeroDrawsNoOrbitImage() {
    Rig rig;
    const QByteArray orbit = TokenDbFixture::Png(64, 64, 0xff0000);
    rig.carousel->SetOrbitImageBytes(orbit);
    auto window = rig.open();
    QScrollBar* opacity = slider(window.get(), 11);

    opacity->setValue(0);
    QCOMPARE(caption(window.get(), 11), QStringLiteral("Orbit Image Opacity: OFF"));
    const QImage atZero = rig.carousel->MainLayer().copy();

    // The same frame with no orbit image at all.
    rig.carousel->SetOrbitImageBytes(Imaging::EmptyImageBytes());
    rig.carousel->Build(QString());
    QCOMPARE(rig.carousel->MainLayer(), atZero);

    rig.carousel->SetOrbitImageBytes(orbit);
    opacity->setValue(1);
    QCOMPARE(caption(window.get(), 11), QStringLiteral("Orbit Image Opacity: 1%"));
    QVERIFY(rig.carousel->MainLayer() != atZero);
}

void TestCarouselSettings::regenerationShowsANoticeFirst_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("titleRedraws");
    QTest::newRow("token size") << "HScrollSetting10" << 200 << 0;
    QTest::newRow("fill opacity") << "HScrollSetting12" << 90 << 0;
    QTest::newRow("fill colour") << "lblTokenFillColour" << 0x336699 << 0;
    QTest::newRow("caption colour") << "lblCaptionColour" << 0x00ff00 << 1;
    QTest::newRow("caption outline colour") << "lblCaptionOutlineColour" << 0x0000ff << 1;
}

void TestCarouselSettings::regenerationShowsANoticeFirst() {
    QFETCH(QString, control);
    QFETCH(int, value);
    QFETCH(int, titleRedraws);
    Rig rig;
    ScriptedChooser chooser;
    auto window = rig.open();
    auto* info = ::control<QLabel>(window.get(), "lblInfo");
    QCOMPARE(info->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
    PaintRecorder recorder(info, *rig.manager);
    QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
    const int composedBefore = rig.manager->ComposedTokenImages();

    if (auto* bar = window->findChild<QScrollBar*>(control)) {
        bar->setValue(value);
    } else {
        chooser.answers << value;
        QTest::mouseClick(::control<QLabel>(window.get(), control), Qt::LeftButton);
    }

    // The notice was on screen, in red, before the first token image was redrawn ...
    QVERIFY(!recorder.paints.isEmpty());
    const PaintRecorder::Paint& notice = recorder.paints.first();
    QCOMPARE(notice.text, QStringLiteral("Regenerating Tokens..."));
    QCOMPARE(notice.colour, QColor(255, 0, 0));
    QCOMPARE(notice.composedImages, composedBefore);
    // ... the images were redrawn, the notice is gone, the text colour is blue and the carousel rebuilt.
    QVERIFY(rig.manager->ComposedTokenImages() > composedBefore);
    QCOMPARE(info->text(), QString());
    QCOMPARE(info->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(builds.count(), 1);
    QCOMPARE(rig.titleRedraws, titleRedraws); // the title follows new caption colours
    const auto current = rig.manager->CurrentImages();
    QCOMPARE(Imaging::Decode(current->ItemAt(0)).width(), rig.carousel->ImageSize());
}

void TestCarouselSettings::draggingATokenSizeRegeneratesOnceWhenLetGo() {
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
    QCOMPARE(rig.manager->ComposedTokenImages() - composed, rig.manager->Count() + 1);
}

void TestCarouselSettings::cancelledChooserChangesNothing_data() {
    QTest::addColumn<QString>("swatch");
    QTest::addColumn<qint32>("initial");
    QTest::newRow("tint") << "lblTintColour" << 16711680;
    QTest::newRow("fill") << "lblTokenFillColour" << 255;
    QTest::newRow("caption") << "lblCaptionColour" << 16777215;
    QTest::newRow("caption outline") << "lblCaptionOutlineColour" << 0;
}

void TestCarouselSettings::cancelledChooserChangesNothing() {
    QFETCH(QString, swatch);
    QFETCH(qint32, initial);
    Rig rig;
    ScriptedChooser chooser;
    auto window = rig.open();
    const QColor before = swatchColour(window.get(), swatch);
    QHash<QString, double> live;
    for (const QString& column : rig.liveColumns())
        live.insert(column, rig.live(column));
    QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
    const int composed = rig.manager->ComposedTokenImages();

    QTest::mouseClick(control<QLabel>(window.get(), swatch), Qt::LeftButton);

    QCOMPARE(chooser.calls.size(), 1);
    QCOMPARE(chooser.calls[0].owner, window.get());
    QVERIFY(chooser.calls[0].fullOpen);
    QCOMPARE(chooser.calls[0].initial, initial);
    QCOMPARE(swatchColour(window.get(), swatch), before);
    for (const QString& column : rig.liveColumns())
        QCOMPARE(rig.live(column), live.value(column));
    QCOMPARE(builds.count(), 0);
    QCOMPARE(rig.manager->ComposedTokenImages(), composed);
}

void TestCarouselSettings::newTintColourReachesTheCarousel() {
    Rig rig;
    ScriptedChooser chooser;
    chooser.answers << 0x00ff00;
    auto window = rig.open();
    QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
    const int composed = rig.manager->ComposedTokenImages();

    QTest::mouseClick(control<QLabel>(window.get(), "lblTintColour"), Qt::LeftButton);

    QCOMPARE(swatchColour(window.get(), "lblTintColour"), QColor(0, 255, 0));
    QCOMPARE(rig.carousel->TintColour(), 0x00ff00u);
    QCOMPARE(rig.carousel->TintStrength(), 25.0);
    QCOMPARE(rig.carousel->DepthDarkenPercent(), 30.0);
    QCOMPARE(caption(window.get(), 8), QStringLiteral("Depth Darkening: 30%"));
    QCOMPARE(builds.count(), 1);
    QCOMPARE(rig.manager->ComposedTokenImages(), composed); // a tint needs no new token images
}

void TestCarouselSettings::overflowBoxesWaitForTheNextMove() {
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

void TestCarouselSettings::soundBoxSwitchesSound() {
    Rig rig;
    auto window = rig.open();
    auto* box = control<QCheckBox>(window.get(), "chkEnableSound");
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(rig.sound.SoundEnabled());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!rig.sound.SoundEnabled());
}

void TestCarouselSettings::showBackgroundStartsUncheckedEveryTime() {
    Rig rig;
    {
        auto window = rig.open();
        auto* box = control<QCheckBox>(window.get(), "chkShowBackground");
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(rig.backgroundCalls, QList<bool>{true});
        QCOMPARE(builds.count(), 1);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(rig.backgroundCalls, (QList<bool>{true, false}));
        QTest::mouseClick(box, Qt::LeftButton);
        window->close();
    }
    auto window = rig.open();
    QVERIFY(!control<QCheckBox>(window.get(), "chkShowBackground")->isChecked());
    QCOMPARE(rig.backgroundCalls, (QList<bool>{true, false, true}));
}

void TestCarouselSettings::explanationsFollowTheMouse_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("explanation");
    QTest::newRow("capacity")
        << "lblCaption0"
        << "The number of items (tokens) that the Carousel is capable of displaying at any "
           "one time.";
    QTest::newRow("steps")
        << "lblCaption1"
        << "Determines how many iterations are required to step from one token to the next, "
           "i.e. smoothness of the animation";
    QTest::newRow("width") << "lblCaption2"
                           << "The amount of horizontal space occupied by the carousel, in pixels.";
    QTest::newRow("tilt") << "lblCaption3"
                          << "How much the carousel appears to tilt forward, based on its vertical size.";
    QTest::newRow("fore")
        << "lblCaption4"
        << "Determines how large the central foreground token is displayed in comparison to "
           "the default size.";
    QTest::newRow("rear")
        << "lblCaption5"
        << "Determines the extent to which tokens decrease in size the further back they are.";
    QTest::newRow("stretch") << "lblCaption6"
                             << "The amount of perspective applied to the reflections.";
    QTest::newRow("strength")
        << "lblCaption7"
        << "The extent to which the token reflections are visible. A value of zero removes "
           "the reflection altogether.";
    QTest::newRow("darkening")
        << "lblCaption8"
        << "Determines the extent to which tokens appear darker the further back they are.";
    QTest::newRow("tint") << "lblCaption9"
                          << "Determines how strong the colour tint is applied to the tokens";
    QTest::newRow("size") << "lblCaption10"
                          << "Sets the size of the tokens in pixels";
    QTest::newRow("orbit")
        << "lblCaption11"
        << "Sets the opacity of the central, orbited image. A value of zero removes the image "
           "altogether.";
    QTest::newRow("fill") << "lblCaption12"
                          << "Determines how transparent the tokens are (excluding their icon).";
    QTest::newRow("render") << "lblCaption13"
                            << "Determines how large the carousel is zoomed onto the screen, relative to the "
                               "token size";
    QTest::newRow("caption colour") << "lblCaptionColour"
                                    << "Sets the colour that will be used for token captions, headers and "
                                       "descriptions.";
    QTest::newRow("outline colour")
        << "lblCaptionOutlineColour"
        << "Sets the colour that will outline the text on token captions, headers and "
           "descriptions.";
    QTest::newRow("tint colour") << "lblTintColour"
                                 << "Sets a colour to apply as a 'tint' to the tokens. Doesn't apply to the "
                                    "'active' token.";
    QTest::newRow("fill colour") << "lblTokenFillColour"
                                 << "Sets the colour that will be used as a background for the token icons.";
    QTest::newRow("sound") << "chkEnableSound"
                           << "Play sound effects for movement, button presses and transitions";
    QTest::newRow("fade")
        << "chkOverflowFade"
        << "Sets whether or not 'overflowing' is illustrated by fading surplus tokens in and "
           "out, in cases where the carousel's capacity is exceeded";
    QTest::newRow("zoom")
        << "chkOverflowZoom"
        << "Sets whether or not 'overflowing' is illustrated by zooming surplus tokens in and "
           "out, in cases where the carousel's capacity is exceeded";
}

void TestCarouselSettings::explanationsFollowTheMouse() {
    QFETCH(QString, control);
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

void TestCarouselSettings::closingWritesEverySetting_data() {
    QTest::addColumn<bool>("byDoneButton");
    QTest::newRow("DONE") << true;
    QTest::newRow("close box") << false;
}

void TestCarouselSettings::closingWritesEverySetting() {
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
    QCOMPARE(storedRow(rig.path), FixtureRow);

    if (byDoneButton)
        QTest::mouseClick(control<QPushButton>(window.get(), "cmdClose"), Qt::LeftButton);
    else
        window->windowHandle()->close();

    QVERIFY(!window->isVisible());
    const QList<qint64> expected = {21, 20,       120,      1000,     300, 160, 150, 60,       70, 40, 55,
                                    35, 0x123456, 0x00ff00, 0x808080, 0,   -1,  45,  0x654321, 65, -1};
    const QList<qint64> stored = storedRow(rig.path);
    for (int column = 0; column < Columns.size(); ++column)
        QVERIFY2(stored[column] == expected[column], qPrintable(QStringLiteral("%1: stored %2, expected %3")
                                                                    .arg(Columns[column])
                                                                    .arg(stored[column])
                                                                    .arg(expected[column])));
}

void TestCarouselSettings::storedTintSurvivesOpeningAndClosing() {
    Rig rig;
    auto window = rig.open();
    window->close();
    QCOMPARE(rig.carousel->TintColour(), 16711680u);
    QCOMPARE(storedRow(rig.path), FixtureRow);
}

void TestCarouselSettings::windowIsPlacedTopmostNearTheCorner() {
    Rig rig;
    auto window = rig.open();
    QCOMPARE(window->windowTitle(), QStringLiteral("Settings"));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window->frameGeometry().topLeft(),
             QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(20, 20));
    QCOMPARE(window->size(), QSize(305, 523));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(0xE8, 0xE8, 0xE8));
    // Every control lies inside the window and none covers another.
    QList<QWidget*> controls;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        controls << child;
    for (int a = 0; a < controls.size(); ++a) {
        QVERIFY2(window->rect().contains(controls[a]->geometry()), qPrintable(controls[a]->objectName()));
        for (int b = a + 1; b < controls.size(); ++b)
            QVERIFY2(!controls[a]->geometry().intersects(controls[b]->geometry()),
                     qPrintable(controls[a]->objectName() + " / " + controls[b]->objectName()));
    }
}

QTEST_MAIN(TestCarouselSettings)
#include "tst_carouselsettings.moc"
