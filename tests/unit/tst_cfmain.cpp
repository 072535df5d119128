#include "PaintProbe.h"
#include "WindowRig.h"
#include "desktop/modCentredMessageBox.h"
#include "desktop/modSound.h"
#include "launcher/CaptionSearch.h"
#include "launcher/MainWindowKeys.h"
#include "launcher/WindowPlacement.h"
#include "launcher/cfMain.h"
#include "launcher/cwCarousel.h"
#include "platform/SoundPlayer.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

using TokenDbFixture::Row;

namespace {
QString gAudioOutput; // the SDL disk driver's output file

QByteArray audioOutput() {
    QFile file(gAudioOutput);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool silent(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == 0; });
}

// The audio output written after `mark` once the player has fallen silent again.
QByteArray audioAfter(qsizetype mark) {
    (void)QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 20000);
    (void)QTest::qWaitFor([&] { return audioOutput().size() > mark + 65536; }, 20000);
    return audioOutput().mid(mark);
}

QList<Row> numberedTokens(int count) {
    QList<Row> rows;
    for (int i = 1; i <= count; ++i)
        rows << Row{i + 1, 1, QString("T%1").arg(i, 2, 10, QChar('0')), true, TokenDbFixture::Png(24, 24)};
    return rows;
}

// Level tokens under the root (in order Apps, Both, Nothing; Both in front at the start): Apps opens
// a level, Both has a command and a level, Nothing has neither.
const QList<Row> levels = {
    {2, 1, "Apps", true, TokenDbFixture::Png(24, 24), {}, 60, false, "Programs"},
    {3, 1, "Both", true, TokenDbFixture::Png(24, 24), "set-by-test", 60, false, "Runs and opens"},
    {4, 1, "Nothing", true, TokenDbFixture::Png(24, 24), {}, 60, false, "Does nothing"},
    {10, 2, "Editor"},
    {11, 2, "Player"},
    {12, 2, "Viewer"},
    {13, 3, "Sub"},
};

// The main window with its widget on a real carousel and token manager, built and shown.
struct MainRig : WindowRig {
    explicit MainRig(const QList<Row>& rows = levels) : WindowRig(rows, 100, 400) {
        window = std::make_unique<cfMain>(*carousel, *manager);
        window->Init(nullptr);
        BuildMiddle();
        window->Show();
    }
    ~MainRig() {
        window->TearDown();
        window.reset();
    }
    QWidget* form() const { return window->Form(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form(), key, modifiers);
    }
    // Gives a token a script that writes its arguments, one a line, into a marker file; returns the
    // marker's path.
    QString commandWritesMarker(const QString& key) {
        const QString marker = dir.filePath("marker");
        const QString script = dir.filePath("write-marker.sh");
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write(QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.part'\nmv '%1.part' '%1'\n")
                       .arg(marker)
                       .toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        manager->Item(key)->SetCommand(script);
        return marker;
    }
    std::unique_ptr<cfMain> window;
};

// Records the carousel's fore-item scale and the sound switch at every frame.
struct FrameLog {
    explicit FrameLog(cCarousel& carousel) {
        QObject::connect(&carousel, &cCarousel::Refreshed, &context, [&] {
            scales << std::nearbyint(carousel.ForeItemScale() * 1000) / 1000;
            soundOn << (RegisteredSoundSwitch() && RegisteredSoundSwitch()->SoundEnabled());
        });
    }
    QObject context;
    QList<double> scales;
    QList<bool> soundOn;
};

// The opacities a fade passes through: fading out divides by 1.2 and takes 0.01 off, fading in
// multiplies by 1.2 and adds 0.01, until the opacity has passed its end.
QList<double> fadeSteps(bool out) {
    QList<double> steps;
    double a = out ? 1.0 : 0.0;
    do {
        a = out ? a / 1.2 - 0.01 : a * 1.2 + 0.01;
        steps << a;
    } while (out ? a > 0 : a < 1);
    return steps;
}

// The fore-item scale through the press animation.
const QList<double> pressScales = {125, 120, 115, 110, 110, 115, 120, 125};

QList<double> rounded(QList<double> values) {
    for (double& value : values)
        value = std::nearbyint(value * 1e6) / 1e6;
    return values;
}

QPointF centreOf(const QRect& rect) {
    return QRectF(rect).center();
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    SoundSwitch mSound;
    QList<MessageBoxRequest> mMessages;

private slots:
    void initTestCase() {
        SetSoundSwitch(&mSound);
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mMessages << request;
            return MsgBox::ResultOk;
        });
    }
    void cleanupTestCase() {
        SetMessageBoxResponder({});
        SetSoundSwitch(nullptr);
        SoundPlayer::Instance().Shutdown();
    }
    void init() { mMessages.clear(); }

    void windowLooksAsItShould() {
        MainRig rig;
        QWidget* form = rig.form();
        QCOMPARE(form->windowTitle(), QString("Tessaro"));
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!form->windowFlags().testFlag(Qt::Tool));
        QVERIFY(form->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(!form->windowIcon().isNull());
        QVERIFY(form->isVisible());
        QVERIFY(rig.window->CarouselWidget()->Opacity() >= 1.0);
        // The description's fade waited for the window's and begins only now.
        QVERIFY(rig.window->CarouselWidget()->FadeTimer().isActive());
        QCOMPARE(rig.window->CarouselWidget()->DescriptionFade(), 0.0);
        // Sized to the drawing: title, frame and description.
        const QImage& frame = rig.window->CarouselWidget()->Frame();
        QCOMPARE(form->size(), QSize(frame.width(), frame.height() + 120));
        QCOMPARE(rig.window->CarouselWidget()->geometry(), QRect(QPoint(0, 0), form->size()));
    }

    void keysTurnTheCarousel_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("front");
        const int none = Qt::NoModifier, pad = Qt::KeypadModifier, shift = Qt::ShiftModifier;
        QTest::newRow("Right") << int(Qt::Key_Right) << none << "T08";
        QTest::newRow("Left") << int(Qt::Key_Left) << none << "T06";
        QTest::newRow("Left on the pad") << int(Qt::Key_Left) << pad << "T06";
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << "T13";
        QTest::newRow("full stop") << int(Qt::Key_Period) << none << "T13";
        QTest::newRow(">") << int(Qt::Key_Greater) << shift << "T13";
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << "T01";
        QTest::newRow("comma") << int(Qt::Key_Comma) << none << "T01";
        QTest::newRow("Home") << int(Qt::Key_Home) << none << "T01";
        QTest::newRow("[") << int(Qt::Key_BracketLeft) << none << "T01";
        QTest::newRow("End") << int(Qt::Key_End) << none << "T13";
        QTest::newRow("]") << int(Qt::Key_BracketRight) << none << "T13";
        QTest::newRow("decimal point on the pad") << int(Qt::Key_Period) << pad << "T07";
        QTest::newRow("plus off the pad") << int(Qt::Key_Plus) << none << "T07";
        QTest::newRow("a letter no caption begins with") << int(Qt::Key_A) << none << "T07";
        QTest::newRow("a letter some captions begin with") << int(Qt::Key_T) << none << "T08";
        QTest::newRow("Ctrl and a letter") << int(Qt::Key_T) << int(Qt::ControlModifier) << "T07";
    }
    void keysTurnTheCarousel() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, front);
        MainRig rig(numberedTokens(13));
        QCOMPARE(rig.ActiveCaption(), QString("T07"));
        rig.key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(rig.ActiveCaption(), front);
        QCOMPARE(rig.window->RenderScale(), 1.0);
    }

    // Typing the first letters of a caption brings its token to the front.
    void typingJumpsToACaption_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("front");
        QTest::newRow("first letter") << "n"
                                      << "Nothing";
        QTest::newRow("capital") << "N"
                                 << "Nothing";
        QTest::newRow("two letters") << "ap"
                                     << "Apps";
        QTest::newRow("the front token's letter") << "b"
                                                  << "Both";
    }
    void typingJumpsToACaption() {
        QFETCH(QString, typed);
        QFETCH(QString, front);
        MainRig rig;
        QTest::keyClicks(rig.form(), typed);
        QCOMPARE(rig.ActiveCaption(), front);
    }

    // Vertical rotation turns one position per 120 units, however finely it comes; a horizontal
    // scroll turns nothing; a burst of notches is one move of that many positions.
    void wheelTurnsByRotation_data() {
        QTest::addColumn<QList<QPoint>>("deltas"); // angle deltas of one burst of wheel events
        QTest::addColumn<QString>("front");
        QTest::addColumn<int>("moves");
        const QPoint away(0, 120), towards(0, -120), fine(0, 15);
        QTest::newRow("away") << QList<QPoint>{away} << "T06" << 1;
        QTest::newRow("towards") << QList<QPoint>{towards} << "T08" << 1;
        QTest::newRow("fine steps make a notch") << QList<QPoint>(8, fine) << "T06" << 1;
        QTest::newRow("fine steps short of a notch") << QList<QPoint>(7, fine) << "T07" << 0;
        QTest::newRow("tilted right") << QList<QPoint>{QPoint(120, 0)} << "T07" << 0;
        QTest::newRow("tilted left") << QList<QPoint>{QPoint(-120, 0)} << "T07" << 0;
        QTest::newRow("mostly sideways") << QList<QPoint>{QPoint(120, 30), QPoint(-120, 30)} << "T07" << 0;
        QTest::newRow("ten quick notches") << QList<QPoint>(10, towards) << "T04" << 1;
        QTest::newRow("there and back") << QList<QPoint>{away, towards} << "T07" << 0;
    }
    void wheelTurnsByRotation() {
        QFETCH(QList<QPoint>, deltas);
        QFETCH(QString, front);
        QFETCH(int, moves);
        MainRig rig(numberedTokens(13));
        QSignalSpy moved(rig.carousel.get(), &cCarousel::MoveComplete);
        // Sent to the window: Qt passes only the system's own wheel events on from the widget.
        QWidget* target = rig.form();
        const QPointF at(20, 20);
        for (const QPoint& delta : deltas) {
            QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &wheel);
        }
        QTest::qWait(50);
        QCOMPARE(rig.ActiveCaption(), front);
        QCOMPARE(moved.count(), moves);
    }

    // Down opens a level without pressing or running anything; Up comes back with that level in front.
    void downOpensAndUpReturns() {
        MainRig rig;
        const QString marker = rig.commandWritesMarker("ID3");
        QCOMPARE(rig.ActiveCaption(), QString("Both"));
        const QImage rootTitle = rig.window->CarouselWidget()->TitleBuffer();
        FrameLog frames(*rig.carousel);
        rig.key(Qt::Key_Down);
        QCOMPARE(rig.manager->CurrentRootKey(), QString("ID3"));
        QCOMPARE(rig.ActiveCaption(), QString("Sub"));
        QVERIFY(rig.window->CarouselWidget()->TitleBuffer() != rootTitle);
        QVERIFY(std::all_of(frames.scales.begin(), frames.scales.end(), [](double s) { return s == 125; }));
        rig.key(Qt::Key_Up);
        QCOMPARE(rig.manager->CurrentRootKey(), QString("ID1"));
        QCOMPARE(rig.ActiveCaption(), QString("Both"));
        QVERIFY(!QFile::exists(marker));
    }

    // Enter opens a level that has no command, with the press animation first.
    void enterOpensALevelWithoutCommand() {
        MainRig rig;
        rig.key(Qt::Key_Left);
        QCOMPARE(rig.ActiveCaption(), QString("Apps"));
        FrameLog frames(*rig.carousel);
        rig.key(Qt::Key_Return);
        QCOMPARE(rig.manager->CurrentRootKey(), QString("ID2"));
        QCOMPARE(rig.ActiveCaption(), QString("Player")); // the middle of Editor, Player, Viewer
        QCOMPARE(frames.scales.mid(0, 8), pressScales);
    }

    // Enter runs the command with its parameters: click, press animation (silent), and the launcher
    // stays; the sound switch is what it was before.
    void enterRunsTheCommand() {
        MainRig rig;
        const QString marker = rig.commandWritesMarker("ID3");
        rig.manager->Item("ID3")->SetParameters("one \"two words\" $HOME;three");
        FrameLog frames(*rig.carousel);
        rig.key(Qt::Key_Return);
        QCOMPARE(frames.scales, pressScales);
        QCOMPARE(frames.soundOn, QList<bool>(8, false));
        QVERIFY(mSound.SoundEnabled());
        QCOMPARE(RegisteredSoundSwitch(), &mSound);
        QTRY_VERIFY(QFile::exists(marker));
        QFile file(marker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("one\ntwo words\n$HOME;three\n"));
        QCOMPARE(rig.manager->CurrentRootKey(), QString("ID1"));
        QVERIFY(rig.form()->isVisible());
        QVERIFY(mMessages.isEmpty());
    }

    // With hide-after-execution the launcher fades out once the command has started.
    void hideAfterExecutionFadesOut() {
        MainRig rig;
        const QString marker = rig.commandWritesMarker("ID3");
        rig.manager->Item("ID3")->SetHideAfterExecution(true);
        QSignalSpy shown(rig.window.get(), &cfMain::ShownStateChanged);
        rig.key(Qt::Key_Space);
        QVERIFY(!rig.form()->isVisible());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().first().toBool(), false);
        QTRY_VERIFY(QFile::exists(marker));
    }

    // A launch that fails beeps and says which command and why; the launcher does not hide.
    void failedLaunchIsReportedAndStays() {
        MainRig rig;
        const QString missing = rig.dir.filePath("no-such-program");
        const auto token = rig.manager->Item("ID3");
        token->SetCommand(missing);
        token->SetHideAfterExecution(true);
        rig.key(Qt::Key_Return);
        QCOMPARE(mMessages.size(), 1);
        QVERIFY(mMessages.first().prompt.contains(missing));
        QVERIFY(mMessages.first().centred);
        QVERIFY(rig.form()->isVisible());
    }

    // Up at the root, Enter on a token with nothing to do and a letter no caption begins with: a beep
    // and nothing else.
    void nothingToDoBeeps_data() {
        QTest::addColumn<bool>("moveToNothing");
        QTest::addColumn<int>("key");
        QTest::newRow("Up at the root") << false << int(Qt::Key_Up);
        QTest::newRow("Enter on a token without command or level") << true << int(Qt::Key_Return);
        QTest::newRow("a letter no caption begins with") << false << int(Qt::Key_X);
    }
    void nothingToDoBeeps() {
        QFETCH(bool, moveToNothing);
        QFETCH(int, key);
        MainRig rig;
        if (moveToNothing)
            rig.key(Qt::Key_Right);
        const QString front = rig.ActiveCaption();
        QTRY_VERIFY(!rig.window->CarouselWidget()->FadeTimer().isActive());
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 20000));
        const qsizetype mark = audioOutput().size();
        QSignalSpy frames(rig.carousel.get(), &cCarousel::Refreshed);
        rig.key(Qt::Key(key));
        QVERIFY(frames.isEmpty());
        QCOMPARE(rig.manager->CurrentRootKey(), QString("ID1"));
        QCOMPARE(rig.ActiveCaption(), front);
        QVERIFY(mMessages.isEmpty());
        QVERIFY2(!silent(audioAfter(mark)), "no beep was heard");
    }

    // The type-to-jump search on a level's captions; the front follows each find. In `typed` a "|"
    // stands for a pause of more than a second.
    void captionSearchFindsTheNextCaption_data() {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("front");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("found"); // for each character; -1: none
        const QStringList level = {"Apps", "Audio", "Browser", "apt", "Files", "Firefox", "2048", "Zoom"};
        QTest::newRow("after the front") << level << 0 << "a" << QList<int>{1};
        QTest::newRow("wraps round") << level << 7 << "a" << QList<int>{0};
        QTest::newRow("ignores case") << level << 1 << "A" << QList<int>{3};
        QTest::newRow("the same letter steps on") << level << 0 << "aaaa" << QList<int>{1, 3, 0, 1};
        QTest::newRow("longer text keeps a front that matches") << level << 2 << "fir" << QList<int>{4, 4, 5};
        QTest::newRow("digits") << level << 0 << "20" << QList<int>{6, 6};
        QTest::newRow("only the front matches") << level << 2 << "b" << QList<int>{2};
        QTest::newRow("no match keeps the text") << level << 0 << "fxi" << QList<int>{4, -1, 4};
        QTest::newRow("a pause begins anew") << level << 0 << "f|a" << QList<int>{4, 0};
        QTest::newRow("no pause, no caption") << level << 0 << "fa" << QList<int>{4, -1};
        QTest::newRow("nothing begins so") << level << 0 << "q" << QList<int>{-1};
        QTest::newRow("placeholder in front") << level << -1 << "a" << QList<int>{0};
        QTest::newRow("empty level") << QStringList{} << -1 << "a" << QList<int>{-1};
    }
    void captionSearchFindsTheNextCaption() {
        QFETCH(QStringList, captions);
        QFETCH(int, front);
        QFETCH(QString, typed);
        QFETCH(QList<int>, found);
        CaptionSearch search;
        QList<int> results;
        qint64 since = -1;
        for (const QChar typedChar : typed) {
            if (typedChar == '|') {
                since = CaptionSearch::RestartAfter + 1;
                continue;
            }
            const int result = search.Type(typedChar, since, captions, front);
            results << result;
            if (result >= 0)
                front = result;
            since = 10;
        }
        QCOMPARE(results, found);
    }

    // Where the window goes when shown (on the pointer's monitor, at its last place there) and when
    // the monitors change; always wholly on one monitor.
    void windowPlacement_data() {
        QTest::addColumn<QList<QRect>>("monitors");
        QTest::addColumn<QRect>("before"); // shown: where it was last left (null: never); else: its place
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<bool>("shown"); // shown, or the monitors changed
        QTest::addColumn<QRect>("after");
        const QRect left(0, 0, 1024, 768), right(1024, 0, 1280, 800), rightAbovePanel(1024, 0, 1280, 770);
        const QList<QRect> one{left}, two{left, right};
        QTest::newRow("first show centred")
            << one << QRect() << QPoint(10, 10) << true << QRect(312, 234, 400, 300);
        QTest::newRow("first show on the pointer's monitor")
            << two << QRect() << QPoint(1500, 100) << true << QRect(1464, 250, 400, 300);
        QTest::newRow("pointer on a panel, below the available area")
            << QList<QRect>{left, rightAbovePanel} << QRect() << QPoint(1500, 790) << true
            << QRect(1464, 235, 400, 300);
        QTest::newRow("same place on the same monitor")
            << two << QRect(100, 50, 400, 300) << QPoint(10, 10) << true << QRect(100, 50, 400, 300);
        QTest::newRow("same place relative to another monitor")
            << two << QRect(100, 50, 400, 300) << QPoint(2000, 700) << true << QRect(1199, 58, 400, 300);
        QTest::newRow("corner of a larger monitor to a smaller one")
            << two << QRect(1904, 500, 400, 300) << QPoint(10, 10) << true << QRect(624, 468, 400, 300);
        QTest::newRow("larger than the monitor")
            << one << QRect(0, 0, 1100, 900) << QPoint(10, 10) << true << QRect(0, 0, 1100, 900);
        QTest::newRow("monitor removed")
            << one << QRect(1464, 250, 400, 300) << QPoint() << false << QRect(624, 250, 400, 300);
        QTest::newRow("across two monitors")
            << two << QRect(900, 100, 400, 300) << QPoint() << false << QRect(1024, 100, 400, 300);
        QTest::newRow("monitor shrank") << QList<QRect>{QRect(0, 0, 800, 600)} << QRect(500, 400, 400, 300)
                                        << QPoint() << false << QRect(400, 300, 400, 300);
    }
    void windowPlacement() {
        QFETCH(QList<QRect>, monitors);
        QFETCH(QRect, before);
        QFETCH(QPoint, pointer);
        QFETCH(bool, shown);
        QFETCH(QRect, after);
        using namespace WindowPlacement;
        if (!shown) {
            QCOMPARE(KeptOnMonitors(before, monitors), after);
            return;
        }
        std::optional<RelativePlace> last;
        if (!before.isNull())
            last = RelativeTo(before, monitors[MonitorOf(before, monitors)]);
        QCOMPARE(Shown(after.size(), last, pointer, monitors), after);
    }

    // Numeric-pad plus grows the window about its centre; a window at the screen's edge stays on it.
    void numPadPlusGrowsAboutTheCentre() {
        MainRig rig;
        QWidget* form = rig.form();
        const QRect area = form->screen()->availableGeometry();
        form->move(area.center() - QPoint(form->width() / 2, form->height() / 2));
        const QRect before = form->geometry();
        rig.key(Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(rig.window->RenderScale(), 1.1);
        const QRect after = form->geometry();
        QVERIFY(qAbs(after.width() - before.width() * 1.1) <= 1);
        QVERIFY(qAbs(after.height() - before.height() * 1.1) <= 1);
        QVERIFY((centreOf(after) - centreOf(before)).manhattanLength() <= 1.5);

        form->move(area.topLeft());
        rig.key(Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(form->geometry().width() > after.width());
        QVERIFY(area.contains(form->geometry().topLeft()));
    }

    void renderScaleStaysInRange_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("kept");
        QTest::newRow("negative") << -2.0 << 0.5;
        QTest::newRow("too large") << 7.5 << 2.0;
        QTest::newRow("not a number") << std::nan("") << 1.0;
    }
    void renderScaleStaysInRange() {
        QFETCH(double, value);
        QFETCH(double, kept);
        WindowRig rig(QList<Row>{});
        cfMain window(*rig.carousel, *rig.manager);
        QCOMPARE(window.RenderScale(), 1.0);
        window.SetRenderScale(value);
        QCOMPARE(window.RenderScale(), kept);
    }

    void numPadMinusStopsAtHalfSize() {
        MainRig rig;
        for (int i = 0; i < 8; ++i)
            rig.key(Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(rig.window->RenderScale(), 0.5);
        const QImage& frame = rig.window->CarouselWidget()->Frame();
        QCOMPARE(rig.form()->width(), qRound(frame.width() * 0.5));
    }

    // Escape fades the window out in 16 steps and hides it; showing fades it in over 17.
    void fadesFollowTheirSteps() {
        MainRig rig;
        cwCarousel* widget = rig.window->CarouselWidget();
        QSignalSpy shown(rig.window.get(), &cfMain::ShownStateChanged);
        QTRY_VERIFY(!widget->FadeTimer().isActive()); // no description steps among the fade's paints
        {
            PaintProbe<double> log(widget, [widget] { return widget->Opacity(); });
            rig.key(Qt::Key_Escape);
            QCOMPARE(rounded(log.values), rounded(fadeSteps(true)));
        }
        QVERIFY(!rig.form()->isVisible());
        QCOMPARE(widget->Opacity(), 1.0);
        {
            PaintProbe<double> log(widget, [widget] { return widget->Opacity(); });
            rig.window->FadeIn();
            QCOMPARE(rounded(log.values.mid(log.values.size() - 17)), rounded(fadeSteps(false)));
        }
        QVERIFY(rig.form()->isVisible());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].first().toBool(), false);
        QCOMPARE(shown[1].first().toBool(), true);
    }

    // Shown by someone else (a second copy, the tray): it fades in rather than popping up.
    void showingFromOutsideFadesIn() {
        MainRig rig;
        rig.key(Qt::Key_Escape);
        QSignalSpy shown(rig.window.get(), &cfMain::ShownStateChanged);
        rig.form()->show();
        QCOMPARE(rig.window->CarouselWidget()->Opacity(), 0.0);
        QTRY_COMPARE(shown.size(), 1);
        QTRY_COMPARE(rig.window->CarouselWidget()->Opacity(), float(fadeSteps(false).last()));
    }

    void mouseButtonsAskForWindows() {
        MainRig rig;
        QSignalSpy settings(rig.window.get(), &cfMain::CarouselSettingsRequested);
        QSignalSpy manager(rig.window.get(), &cfMain::TokenManagerRequested);
        QWidget* target = rig.window->CarouselWidget();
        QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, QPoint(30, 30));
        QCOMPARE(settings.size(), 1);
        QCOMPARE(manager.size(), 0);
        QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
        QCOMPARE(manager.size(), 1);
        QCOMPARE(settings.size(), 1);
    }

    // Without a window manager's move, the window follows the mouse itself.
    void leftDragMovesTheWindow() {
        MainRig rig;
        QWidget* form = rig.form();
        QWidget* target = rig.window->CarouselWidget();
        const QPoint start = form->pos();
        const QPointF local(40, 40);
        const QPointF global = QPointF(start) + local;
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        for (const QPointF step : {QPointF(10, 5), QPointF(30, 20), QPointF(50, 30)}) {
            QMouseEvent move(QEvent::MouseMove, local + step, global + step, Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(target, &move);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, local, global + QPointF(50, 30), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        QCOMPARE(form->pos(), start + QPoint(50, 30));
    }

    void closingUnloads() {
        MainRig rig;
        QSignalSpy unloaded(rig.window.get(), &cfMain::Unloaded);
        rig.form()->close();
        QCOMPARE(unloaded.size(), 1);
        // Tearing down closes the window without announcing it again.
        rig.form()->show();
        rig.window->TearDown();
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(!rig.window->CarouselWidget() || !rig.window->CarouselWidget()->FadeTimer().isActive());
    }

    // The starter tree of a first start: every level opens and closes again.
    void starterTreeLevelsOpenAndClose() {
        WindowRig rig(WindowRig::Starter{});
        cfMain window(*rig.carousel, *rig.manager);
        window.Init(nullptr);
        rig.BuildMiddle();
        int opened = 0;
        for (int i = 0; i < rig.manager->CurrentImages()->Count(); ++i) {
            const auto front = rig.manager->ActiveToken();
            QVERIFY(front);
            if (rig.manager->HasChildren(front->Key())) {
                window.Form_KeyDown(MainKey::Down);
                QCOMPARE(rig.manager->CurrentRootKey(), front->Key());
                QVERIFY(rig.manager->ActiveToken());
                window.Form_KeyDown(MainKey::Up);
                QCOMPARE(rig.ActiveCaption(), front->Caption());
                ++opened;
            }
            window.Form_KeyDown(MainKey::Right);
        }
        QVERIFY(opened >= 1);
        window.TearDown();
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir scratch;
    gAudioOutput = scratch.filePath("audio-out.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", gAudioOutput.toLocal8Bit());
    // The first start looks into the home and data folders: keep them inside the scratch folder.
    qputenv("HOME", scratch.filePath("home").toLocal8Bit());
    qputenv("XDG_DATA_HOME", scratch.filePath("home/.local/share").toLocal8Bit());
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_cfmain.moc"
