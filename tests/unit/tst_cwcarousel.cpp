#include "PaintProbe.h"
#include "WavImage.h"
#include "WindowRig.h"
#include "desktop/modSound.h"
#include "launcher/TextBuffer.h"
#include "launcher/cwCarousel.h"
#include "platform/Resources.h"
#include "platform/SoundPlayer.h"

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using TokenDbFixture::Row;

namespace {
QString gAudioOutput; // the SDL disk driver's output file

QByteArray audioOutput() {
    QFile file(gAudioOutput);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A stretch from the middle of the step sound's samples. The step is stored in the player's output
// format, so a step that plays puts these very bytes into the disk output.
QByteArray stepSamples() {
    WavImage::Info info;
    WavImage::Parse(LoadResource("SOUND", "STEP"), info);
    return info.data.mid(info.data.size() / 4, info.data.size() / 2);
}

// Waits until the audio device has written at least `bytes` more output.
bool audioAdvances(qsizetype bytes) {
    const qsizetype start = audioOutput().size();
    return QTest::qWaitFor([&] { return audioOutput().size() >= start + bytes; }, 20000);
}

// Rows of opaque pixels (alpha above 128) in a surface.
QPair<int, int> inkRows(const QImage& image) {
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
    return {first, last};
}

QPair<int, int> inkColumns(const QImage& image) {
    return inkRows(image.transformed(QTransform().rotate(90)));
}

bool transparent(const QImage& image) {
    return inkRows(image).first < 0;
}

// The widget as it paints itself, on a transparent surface.
QImage shotOf(QWidget* widget) {
    QImage shot(widget->size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    widget->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    return shot;
}

const QList<Row> alphabet = {
    {2, 1, "Alpha", true, TokenDbFixture::Png(32, 32, 0xcc3333), {}, 60, false, "First of all"},
    {3, 1, "Bravo", true, TokenDbFixture::Png(32, 32, 0x33cc33), {}, 60, false, "Second"},
    {4, 1, "Charlie", true, TokenDbFixture::Png(32, 32, 0x3333cc), {}, 60, false, "Third"},
    {5, 1, "Delta", true, TokenDbFixture::Png(32, 32, 0xcccc33), {}, 60, false, "Fourth"},
    {6, 1, "Echo", true, TokenDbFixture::Png(32, 32, 0x33cccc), {}, 60, false, "Fifth"},
    {7, 2, "Inner One", true, TokenDbFixture::Png(32, 32), {}, 60, false, "Below Alpha"},
    {8, 2, "Inner Two", true, TokenDbFixture::Png(32, 32), {}, 60, false, "Also below Alpha"},
    {9, 1, "Empty Level", true, TokenDbFixture::Png(32, 32), {}, 60, false, "Nothing below"},
};

// The widget on its own (shown, so it paints), fed by a real carousel and token manager.
struct WidgetRig : WindowRig {
    explicit WidgetRig(const QList<Row>& rows = alphabet, int imageSize = 100) : WindowRig(rows, imageSize) {
        widget = std::make_unique<cwCarousel>(*carousel, *manager, [this] { return scale; });
        widget->show();
    }
    ~WidgetRig() { widget.reset(); }
    double scale = 1.0;
    std::unique_ptr<cwCarousel> widget;
};
} // namespace

class TestCarouselWidget : public QObject {
    Q_OBJECT
    SoundSwitch mSound;

private slots:
    void initTestCase() { SetSoundSwitch(&mSound); }
    void cleanupTestCase() {
        SetSoundSwitch(nullptr);
        SoundPlayer::Instance().Shutdown();
    }

    void activeTokenFollowsTheFront_data() {
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<QString>("front");
        QTest::newRow("built") << QList<int>{} << "Delta"; // middle of 6: position 3
        QTest::newRow("one right") << QList<int>{1} << "Echo";
        QTest::newRow("one left") << QList<int>{-1} << "Charlie";
        QTest::newRow("round the ring") << QList<int>{2, 2} << "Alpha";
        QTest::newRow("far left") << QList<int>{-3} << "Alpha";
    }
    void activeTokenFollowsTheFront() {
        QFETCH(QList<int>, moves);
        QFETCH(QString, front);
        WidgetRig rig;
        rig.BuildMiddle();
        for (int move : moves)
            rig.carousel->MoveRelative(move);
        QCOMPARE(rig.ActiveCaption(), front);
    }

    // Renaming the level on show (the root, or a level opened below it) redraws the title at once.
    void renamingTheLevelOnShowRedrawsTheTitle_data() {
        QTest::addColumn<QString>("level");
        QTest::newRow("root") << "ID1";
        QTest::newRow("opened level") << "ID2";
    }
    void renamingTheLevelOnShowRedrawsTheTitle() {
        QFETCH(QString, level);
        WidgetRig rig;
        QString front;
        rig.manager->SetCurrentRoot(level, front, false);
        rig.carousel->Build(front);
        rig.widget->CreateTitleBuffer();
        const QImage title = rig.widget->TitleBuffer().copy();
        cToken renamed = *rig.manager->Item(level);
        renamed.SetCaption(QStringLiteral("A much longer name than before"));
        rig.manager->SaveEdit(renamed);
        QVERIFY(rig.widget->TitleBuffer() != title);
    }

    // A caption that itself contains "ID" still makes its token the active one.
    void captionContainingIdFindsItsToken() {
        WidgetRig rig({{2, 1, "Aardvark"}, {7, 1, "IDEA ID 99"}, {3, 1, "Zebra"}});
        rig.BuildMiddle();
        QVERIFY(rig.manager->ActiveToken());
        QCOMPARE(rig.manager->ActiveToken()->Key(), QString("ID7"));
    }

    // A level without images shows the placeholder: no active token, no description.
    void emptyLevelClearsTheActiveToken() {
        WidgetRig rig;
        rig.BuildMiddle();
        QVERIFY(rig.manager->ActiveToken());
        QString front;
        rig.manager->SetCurrentRoot("ID9", front, true);
        QVERIFY(!rig.manager->ActiveToken());
        QVERIFY(transparent(rig.widget->DescriptionBuffer()));
    }

    void sizeRequestAndTextBuffers() {
        WidgetRig rig;
        QSignalSpy resized(rig.widget.get(), &cwCarousel::BufferResized);
        rig.BuildMiddle();
        QVERIFY(!resized.isEmpty());
        const QImage& frame = rig.widget->Frame();
        QCOMPARE(resized.last().at(0).toDouble(), double(frame.width()));
        QCOMPARE(resized.last().at(1).toDouble(), 120.0 + frame.height());
        QCOMPARE(rig.widget->TitleBuffer().deviceIndependentSize(), QSizeF(frame.width(), 45));
        QCOMPARE(rig.widget->DescriptionBuffer().deviceIndependentSize(), QSizeF(frame.width(), 75));
        QCOMPARE(rig.widget->TitleFontSize(), 22.5);
        QCOMPARE(rig.widget->DescriptionFontSize(), 13.5);
        // The same frame at one and a half times the size asks for one and a half times the room, and
        // the text is rendered at that resolution rather than enlarged.
        rig.scale = 1.5;
        rig.carousel->Refresh();
        QCOMPARE(resized.last().at(0).toDouble(), frame.width() * 1.5);
        QCOMPARE(resized.last().at(1).toDouble(), (120.0 + frame.height()) * 1.5);
        QCOMPARE(rig.widget->TitleBuffer().height(), qRound(45 * 1.5));
        QCOMPARE(rig.widget->size(),
                 QSize(qRound(frame.width() * 1.5), qRound((120.0 + frame.height()) * 1.5)));
    }

    // The title shows the caption colours swapped with respect to the description: a stroke's middle
    // has the fill colour, which is the outline colour for a title.
    void titleSwapsTheCaptionColours() {
        WidgetRig rig({{2, 1, "I", true, {}, {}, 60, false, "I"}});
        rig.manager->Item("ID1")->SetCaption("I");
        rig.manager->SetTextColour(0x0000FF);        // red (0x00BBGGRR)
        rig.manager->SetTextOutlineColour(0xFF0000); // blue
        rig.BuildMiddle();
        rig.widget->CreateTitleBuffer();
        QTRY_VERIFY(!rig.widget->FadeTimer().isActive()); // the description has been rendered
        const QImage title = rig.widget->TitleBuffer();
        const QImage description = rig.widget->DescriptionBuffer();
        const auto middle = [](const QImage& image) {
            const auto rows = inkRows(image), columns = inkColumns(image);
            return image.pixelColor(image.width() - 1 - (columns.first + columns.second) / 2,
                                    (rows.first + rows.second) / 2);
        };
        QCOMPARE(middle(title), QColor(Qt::blue));
        QCOMPARE(middle(description), QColor(Qt::red));
    }

    // Without a compositor the window's transparent parts show as black: the background option fills
    // them with the window colour; off, the corners stay transparent.
    void backgroundOptionFillsTheTransparentParts() {
        WidgetRig rig;
        rig.BuildMiddle();
        const auto corner = [&] {
            const QImage shot = shotOf(rig.widget.get());
            return shot.pixelColor(1, shot.height() - 2);
        };
        QCOMPARE(corner().alpha(), 0);
        rig.widget->SetShowBackground(true);
        QCOMPARE(corner(), rig.widget->palette().color(QPalette::Window));
        rig.widget->SetShowBackground(false);
        QCOMPARE(corner().alpha(), 0);
    }

    // Letters are kept from one rendering to the next: the same letters at another size or pixel
    // ratio are drawn afresh, never taken from the others.
    void textKeepsEachSizeItsOwnLetters_data() {
        QTest::addColumn<double>("fontSize");
        QTest::addColumn<double>("ratio");
        QTest::newRow("twice the size") << 34.56 << 1.0;
        QTest::newRow("twice the ratio") << 17.28 << 2.0;
    }
    void textKeepsEachSizeItsOwnLetters() {
        QFETCH(double, fontSize);
        QFETCH(double, ratio);
        const QImage small = TextBuffer::Render("Hh", 17.28, 200, 80, Qt::black, Qt::white);
        const QImage large = TextBuffer::Render("Hh", fontSize, 200, 80, Qt::black, Qt::white, ratio);
        const auto height = [](const QImage& image) { return inkRows(image).second - inkRows(image).first; };
        QVERIFY2(qAbs(height(large) - 2 * height(small)) <= 3,
                 qPrintable(QStringLiteral("%1 against %2").arg(height(large)).arg(height(small))));
    }

    // Text is centred; a long description wraps onto several lines inside the box and never runs
    // past its edges.
    void textIsCentredAndWrapped() {
        const QString longText = "A description long enough that it cannot possibly fit on one line of the "
                                 "carousel and must wrap onto further lines, or be cut short when even "
                                 "three lines are not enough for all of these words.";
        WidgetRig rig({{2, 1, "Only", true, {}, {}, 60, false, longText}});
        rig.BuildMiddle();
        QTRY_VERIFY(!rig.widget->FadeTimer().isActive());
        const QImage description = rig.widget->DescriptionBuffer();
        const auto rows = inkRows(description);
        const auto columns = inkColumns(description.transformed(QTransform().rotate(-180)));
        QVERIFY2(rows.second - rows.first > 40, "the text takes more than one line");
        QVERIFY(rows.first > 0 && rows.second < description.height() - 1);
        QVERIFY(columns.first > 0 && columns.second < description.width() - 1);
        const QImage title = rig.widget->TitleBuffer();
        const auto titleRows = inkRows(title);
        QVERIFY(titleRows.first >= 0);
        QVERIFY(qAbs(titleRows.first - (title.height() - 1 - titleRows.second)) <= 6);
    }

    // At every render scale the title lands centred above the carousel, inside the widget.
    void titleCentredAtEveryScale_data() {
        QTest::addColumn<double>("scale");
        for (double scale : {0.5, 0.8, 1.0, 1.3, 2.0})
            QTest::newRow(qPrintable(QString::number(scale))) << scale;
    }
    void titleCentredAtEveryScale() {
        QFETCH(double, scale);
        WidgetRig rig;
        rig.scale = scale;
        rig.BuildMiddle();
        const QImage shot = shotOf(rig.widget.get());
        const QImage title = shot.copy(0, 0, shot.width(), qRound(45 * scale));
        const auto columns = inkColumns(title.transformed(QTransform().rotate(-180)));
        const auto rows = inkRows(title);
        QVERIFY(columns.first > 0 && rows.first >= 0);
        QVERIFY2(qAbs(columns.first - (title.width() - 1 - columns.second)) <= 3,
                 qPrintable(QString("ink from %1 to %2 of %3")
                                .arg(columns.first)
                                .arg(columns.second)
                                .arg(title.width())));
        QVERIFY(rows.second - rows.first > 15 * scale);
    }

    void descriptionFadesInOverEightTicks() {
        WidgetRig rig;
        rig.BuildMiddle();
        QTRY_VERIFY(!rig.widget->FadeTimer().isActive());
        // A move: the fade is cancelled first, so its first step comes 150 ms later.
        rig.widget->CancelTimer();
        QCOMPARE(rig.widget->FadeTimer().interval(), 150);
        QList<int> intervals;
        PaintProbe<double> fades(rig.widget.get(), [&] {
            intervals << rig.widget->FadeTimer().interval();
            return rig.widget->DescriptionFade();
        });
        rig.carousel->MoveRelative(1);
        QVERIFY(rig.widget->FadeTimer().isActive());
        QTRY_VERIFY(!rig.widget->FadeTimer().isActive());
        const QList<double> expected{0.05,     0.115,     0.1995,     0.30935,
                                     0.452155, 0.6378015, 0.87914195, 1.192884535};
        const QList<double> ticks = fades.values.mid(fades.values.size() - expected.size());
        QCOMPARE(fades.values.mid(0, fades.values.size() - expected.size()).count(0.0),
                 fades.values.size() - expected.size()); // frames of the move: no description
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(qAbs(ticks[i] - expected[i]) < 1e-9, qPrintable(QString::number(ticks[i], 'g', 12)));
        QCOMPARE(intervals.mid(intervals.size() - 8), QList<int>(8, 50));
        // Once the fade is over, a repaint shows no description.
        QCOMPARE(rig.widget->DescriptionFade(), 0.0);
        QCOMPARE(rig.widget->FadeTimer().interval(), 150);
        const QImage shot = shotOf(rig.widget.get());
        QVERIFY(transparent(shot.copy(0, shot.height() - 75, shot.width(), 75)));
    }

    // The cross-fade: ten steps from the old frame to the new level, the orbit picture rising from
    // below into place, back to its own opacity at the end; the new level's title.
    void transitionCrossFadesIntoTheLevel() {
        WidgetRig rig({{2, 1, "Parent", true, TokenDbFixture::Png(64, 64, 0xff0000)},
                       {3, 2, "Child A"},
                       {4, 2, "Child B"}});
        rig.carousel->SetOrbitImageOpacity(80);
        rig.BuildMiddle();
        const QImage oldTitle = rig.widget->TitleBuffer();
        QList<double> progress;
        QList<int> orbitTopRow;
        connect(rig.carousel.get(), &cCarousel::Refreshed, this, [&] {
            progress << rig.widget->TransitionProgress();
            const QImage& orbit = rig.carousel->OrbitBuffer();
            orbitTopRow << (orbit.isNull() ? -1 : inkRows(orbit).first);
        });
        QString front;
        rig.manager->SetCurrentRoot("ID2", front, true);
        QCOMPARE(progress, (QList<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
        QVERIFY(!rig.widget->InTransition());
        QCOMPARE(rig.carousel->OrbitImageOpacity(), 80.0);
        // The picture rises: its top row climbs step by step (at the first step only the picture's
        // transparent margin may have come into view) and ends where the level's own picture is.
        QVERIFY(orbitTopRow[1] < 0 || orbitTopRow[1] > orbitTopRow[2]);
        for (int i = 3; i < orbitTopRow.size(); ++i)
            QVERIFY(orbitTopRow[i] < orbitTopRow[i - 1]);
        QCOMPARE(orbitTopRow.last(), orbitTopRow.first());
        QVERIFY(rig.widget->TitleBuffer() != oldTitle);
        QCOMPARE(rig.ActiveCaption(), QString("Child B"));
        QVERIFY(rig.widget->FadeTimer().isActive()); // the new front's description fades in
    }

    // A move outside a transition plays the step; the moves a transition makes play none and start no
    // fade. Heard through SDL's disk driver.
    void stepSoundOnlyOutsideTransitions() {
        const QByteArray step = stepSamples();
        QVERIFY(step.count('\0') < step.size() / 2);
        WidgetRig rig({{2, 1, "Parent"}, {3, 2, "Child A"}, {4, 2, "Child B"}});
        rig.BuildMiddle();
        QVERIFY2(QTest::qWaitFor([&] { return audioOutput().contains(step); }, 20000), "no step was heard");
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 20000));
        const qsizetype mark = audioOutput().size();
        int fadesStarted = 0;
        connect(rig.carousel.get(), &cCarousel::MoveComplete, this, [&] {
            if (!rig.widget->InTransition())
                return;
            fadesStarted += rig.widget->FadeTimer().isActive();
            // Give a step that may have started time to reach the output before anything cuts it.
            QVERIFY(audioAdvances(32768));
        });
        rig.widget->CancelTimer();
        QString front;
        rig.manager->SetCurrentRoot("ID2", front, true);
        QCOMPARE(fadesStarted, 0);
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 20000));
        QVERIFY(!audioOutput().mid(mark).contains(step));
    }

    // Files dropped on the widget: the first one becomes a token of the current level, once the drop
    // event has returned; the drop is a copy even when the source proposes a move.
    void droppedFilesBecomeOneToken() {
        WidgetRig rig;
        rig.BuildMiddle();
        QStringList paths;
        for (const QString name : {"first.png", "second.png", "third.txt"}) {
            QFile file(rig.dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.endsWith(".png") ? TokenDbFixture::Png(40, 40) : QByteArray("text"));
            paths << file.fileName();
        }
        QMimeData data;
        data.setUrls(
            {QUrl::fromLocalFile(paths[0]), QUrl::fromLocalFile(paths[1]), QUrl::fromLocalFile(paths[2])});
        const QPoint centre = rig.widget->rect().center();
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(rig.widget.get(), &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        const int before = rig.manager->Count();
        QDropEvent drop(centre, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(rig.widget.get(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QCOMPARE(rig.manager->Count(), before); // not inside the drop event
        QVERIFY(QTest::qWaitFor([&] { return rig.manager->Count() == before + 1; }));
        const auto token = rig.manager->Item("ID10");
        QCOMPARE(token->Caption(), QString("first"));
        QCOMPARE(token->ParentKey(), QString("ID1"));
        QCOMPARE(rig.ActiveCaption(), QString("first")); // the new token turns to the front

        QMimeData text;
        text.setText("not a file");
        QDragEnterEvent refused(centre, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.widget.get(), &refused);
        QVERIFY(!refused.isAccepted());
        QDragEnterEvent moveOnly(centre, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.widget.get(), &moveOnly);
        QVERIFY(!moveOnly.isAccepted());
    }

    // Nothing reaches the widget after it detached (shut-down): the carousel may go first.
    void detachedWidgetIgnoresTheCarousel() {
        WidgetRig rig;
        rig.BuildMiddle();
        rig.widget->Detach();
        QSignalSpy resized(rig.widget.get(), &cwCarousel::BufferResized);
        rig.scale = 2;
        rig.carousel->Refresh();
        QVERIFY(resized.isEmpty());
        QVERIFY(!rig.widget->FadeTimer().isActive());
        rig.carousel.reset();
        rig.widget->repaint();
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir scratch;
    gAudioOutput = scratch.filePath("audio-out.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", gAudioOutput.toLocal8Bit());
    QApplication app(argc, argv);
    TestCarouselWidget test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_cwcarousel.moc"
