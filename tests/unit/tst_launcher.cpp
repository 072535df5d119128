#include "AppRig.h"
#include "DiskAudio.h"
#include "PaintProbe.h"
#include "ScratchDesktop.h"
#include "carousel/cCarousel.h"
#include "launcher/MainWindowKeys.h"
#include "launcher/cfMain.h"
#include "store/TokenImageWork.h"
#include "store/cTokenManager.h"
#include "ui/frmAbout.h"
#include "ui/frmCarouselSettings.h"
#include "ui/frmImagePicker.h"
#include "ui/frmSysTray.h"
#include "ui/frmTokenManager.h"

#include <QtTest>
#include <QtWidgets>

// The window system's input queue (its QtGui header is not installed): keys put there wait as a display's do.
struct Q_GUI_EXPORT QWindowSystemInterface {
    struct AsynchronousDelivery;
    template <typename Delivery>
    static bool handleKeyEvent(QWindow*, QEvent::Type, int, Qt::KeyboardModifiers, const QString& = {},
                               bool = false, ushort = 1);
};

using TokenDbFixture::Row;

namespace {
QString gAudio; // what the SDL disk driver writes

// Thirteen tokens on the root level, one caption holding "ID"; Golf, the middle one, is in front at first.
QList<Row> Ring() {
    QList<Row> rows;
    for (const QString& word :
         QString("Alpha Bravo Charlie Delta Echo Foxtrot Golf Hotel IDE Juliet Kilo Lima Mike").split(' '))
        rows << Row{int(rows.size()) + 2, 1, word};
    return rows;
}

// Apps opens a level, Both (in front at the start) runs a command and opens a level, Nothing does neither.
const QList<Row> LevelRows = {{2, 1, "Apps"},    {3, 1, "Both", true, {}, "true"},
                              {4, 1, "Nothing"}, {10, 2, "Editor"},
                              {11, 2, "Player"}, {12, 2, "Viewer"},
                              {13, 3, "Sub"}};

QString Front(const AppRig& rig) {
    return rig.Tokens().ActiveToken() ? rig.Tokens().ActiveToken()->Caption() : QString();
}

QAction* Item(const AppRig& rig, int index) {
    return rig.Tray().PopupMenu()->actions()[index];
}

// The one window of that name on screen; null when there is none, or more than one.
QWidget* Shown(const QString& name) {
    QWidgetList found = QApplication::topLevelWidgets();
    found.removeIf([&](QWidget* window) { return !window->isVisible() || window->objectName() != name; });
    return found.size() == 1 ? found[0] : nullptr;
}

// The rows (or columns) of a surface that hold ink (alpha above half).
QList<int> Ink(const QImage& image, bool columns = false) {
    const QImage scanned = columns ? image.transformed(QTransform().rotate(90)) : image;
    QList<int> lines;
    for (int y = 0; y < scanned.height(); ++y)
        for (int x = 0; x < scanned.width(); ++x)
            if (qAlpha(scanned.pixel(x, y)) > 128 && (lines << y, true))
                break;
    return lines;
}

// Lets the player finish and returns what it wrote, or forgets it.
QByteArray Heard(bool forget = false) {
    DiskAudio::WaitUntilQuiet();
    return forget && QFile::remove(gAudio) ? QByteArray() : DiskAudio::Written();
}

// Each frame's fore-item scale and transition progress; whether sound was on, or a fade ran in a transition.
struct FrameLog : QObject {
    explicit FrameLog(AppRig& rig) {
        connect(&rig.Carousel(), &cCarousel::Refreshed, this, [&] {
            const cwCarousel* widget = rig.MainWindow().CarouselWidget();
            scales << rig.Carousel().ForeItemScale(), progress << widget->TransitionProgress();
            sound |= RegisteredSoundSwitch()->SoundEnabled();
            fading |= widget->InTransition() && widget->FadeTimer().isActive();
        });
    }
    bool Pressed() const { return !scales.isEmpty() && std::ranges::min(scales) < scales[0]; }
    QList<double> scales, progress;
    bool sound = false, fading = false;
};

// Acts on the modal dialog of type T once it is on screen, from inside its loop.
template <typename T> void WhenShown(QTimer& poll, std::function<void(T*)> act) {
    QObject::connect(&poll, &QTimer::timeout, [&poll, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()); dialog && dialog->isVisible())
            poll.stop(), act(dialog);
    });
    poll.start(20);
}
} // namespace

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { DiskAudio::WaitUntilQuiet(); }

    // Where the front ends after how many moves or redraws, each heard as a step; nothing to do beeps (-1).
    void inputTurnsTheCarousel_data() {
        QTest::addColumn<QString>("input"); // key sequence texts; "W<x>,<y>": a wheel event's angles
        QTest::addColumn<int>("moves");
        QTest::addColumn<QString>("front");
        QTest::newRow("Right") << "Right" << 1 << "Hotel";
        QTest::newRow("Left on the pad") << "Num+Left" << 1 << "Foxtrot";
        QTest::newRow("Page Down") << "PgDown" << 1 << "Mike";
        QTest::newRow("Home") << "Home" << 1 << "Alpha";
        QTest::newRow("plus off the pad, Ctrl and a letter") << "+ Ctrl+H" << 0 << "Golf";
        QTest::newRow("two letters") << "D E" << 1 << "Delta";
        QTest::newRow("a letter no caption begins with") << "X" << -1 << "Golf";
        QTest::newRow("Up at the root") << "Up" << -1 << "Golf";
        QTest::newRow("Enter on a token without command or level") << "Return" << -1 << "Golf";
        QTest::newRow("fine steps make a notch away") << QString("W0,15 ").repeated(8) << 1 << "Foxtrot";
        QTest::newRow("fine steps short of a notch") << QString("W0,15 ").repeated(7) << 0 << "Golf";
        QTest::newRow("tilted, mostly sideways") << "W120,0 W-120,60 W120,60" << 0 << "Golf";
        QTest::newRow("ten quick notches towards") << QString("W0,-120 ").repeated(10) << 1 << "Delta";
        QTest::newRow("there and back") << "W0,120 W0,-120" << 0 << "Golf";
        QTest::newRow("pad minus nine times: half the size") << QString("Num+- ").repeated(9) << 9 << "Golf";
    }
    void inputTurnsTheCarousel() {
        QFETCH(QString, input);
        QFETCH(int, moves);
        QFETCH(QString, front);
        AppRig rig({.rows = Ring(), .settingsRow = false});
        QWidget* form = rig.MainWindow().Form();
        QSignalSpy completed(&rig.Carousel(), &cCarousel::MoveComplete);
        Heard(true);
        for (const QString& step : input.split(' ', Qt::SkipEmptyParts)) {
            const QStringList angles = step.mid(1).split(',');
            QWheelEvent wheel({20, 20}, {20, 20}, {}, {angles.value(0).toInt(), angles.value(1).toInt()}, {},
                              {}, Qt::NoScrollPhase, false);
            const QKeyCombination key = QKeySequence(step)[0];
            step[0] == 'W' ? (void)QApplication::sendEvent(form, &wheel)
                           : QTest::keyClick(form, key.key(), key.keyboardModifiers());
        }
        QTest::qWait(50); // wheel: sent to the window (Qt passes on only system ones), turns after the burst
        QCOMPARE(Front(rig), front);
        QCOMPARE(completed.size(), std::max(moves, 0));
        QCOMPARE(!DiskAudio::Silent(Heard()), moves != 0);
        QCOMPARE(rig.MainWindow().RenderScale(), moves == 9 ? 0.5 : 1.0);
    }

    // Keys and wheel turns that come during a move at a real frame rate wait for it: none lost, none
    // moving inside another.
    void keysDuringAPacedMoveAreQueued() {
        AppRig rig({.rows = Ring(), .settingsRow = false, .pacingMs = 16});
        int frames = 0, completed = 0, interleaved = 0;
        double progress = 0;
        connect(&rig.Carousel(), &cCarousel::Refreshed, this, [&](auto&&, auto, auto&&, double done, int) {
            interleaved += done <= progress;
            progress = done;
            if (++frames != 3)
                return;
            for (int press = 0; press < 3; ++press)
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                    rig.MainWindow().Form()->windowHandle(), QEvent::KeyPress, Qt::Key_Right, {});
        });
        connect(&rig.Carousel(), &cCarousel::MoveComplete, this, [&] { progress = 0, ++completed; });
        const qint64 started = QDateTime::currentMSecsSinceEpoch();
        // A wheel notch just before: its turn, due from the event loop, must wait for the key's move.
        QWheelEvent notch({20, 20}, {20, 20}, {}, {0, -120}, {}, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(rig.MainWindow().Form(), &notch);
        rig.MainWindow().Form_KeyDown(MainKey::PageDown);
        QTRY_COMPARE_WITH_TIMEOUT(completed, 5, 60000);
        QVERIFY(!interleaved && Front(rig) == "Delta");                              // 1 + 6 + 3 on from Golf
        QVERIFY(QDateTime::currentMSecsSinceEpoch() - started >= 0.8 * frames * 16); // the frames were paced
    }

    // Enter opens a level (pressed, cross-faded, no fade), Up comes back, Down opens without press or run.
    void levelsOpenAndClose() {
        AppRig rig({.rows = LevelRows, .settingsRow = false});
        const TestSupport::MarkerScript marker(rig.dir.path(), "marker");
        rig.Tokens().Item("ID3")->SetCommand(marker.Program());
        QWidget* form = rig.MainWindow().Form();
        QTest::keyClick(form, Qt::Key_Left);
        FrameLog entered(rig);
        QTest::keyClick(form, Qt::Key_Return);
        QCOMPARE(rig.Tokens().CurrentRootKey() + Front(rig), QString("ID2Player")); // Editor, Player, Viewer
        QVERIFY(entered.Pressed() && entered.scales.last() == entered.scales.first());
        QVERIFY(std::ranges::is_sorted(entered.progress) && entered.progress.last() == 100 &&
                !entered.fading);
        QTest::keyClick(form, Qt::Key_Up);
        QCOMPARE(rig.Tokens().CurrentRootKey() + Front(rig), QString("ID1Apps"));
        QTest::keyClick(form, Qt::Key_Right);
        FrameLog opened(rig);
        QTest::keyClick(form, Qt::Key_Down);
        QCOMPARE(rig.Tokens().CurrentRootKey() + Front(rig), QString("ID3Sub"));
        QVERIFY(!opened.Pressed() && marker.WaitForArguments(200).isEmpty());
    }

    // Enter runs the command with its parameters, unsplit by any shell, the token pressed silently; the
    // launcher stays, or fades out and (no tray offscreen) says how to come back. A failed launch says why.
    void launchRunsOrReports_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("hide");
        QTest::newRow("runs, stays") << "marker" << false;
        QTest::newRow("runs, hides") << "marker" << true;
        QTest::newRow("fails, stays") << "missing" << true;
    }
    void launchRunsOrReports() {
        QFETCH(QString, command);
        QFETCH(bool, hide);
        AppRig rig({.rows = LevelRows, .settingsRow = false});
        const TestSupport::MarkerScript marker(rig.dir.path(), "marker");
        const auto both = rig.Tokens().Item("ID3");
        both->SetCommand(rig.dir.filePath(command));
        both->SetParameters("one \"two words\" $HOME;three");
        both->SetHideAfterExecution(hide);
        FrameLog frames(rig);
        cwCarousel* widget = rig.MainWindow().CarouselWidget();
        PaintProbe<double> opacity(widget, [widget] { return widget->Opacity(); });
        QTest::keyClick(rig.MainWindow().Form(), Qt::Key_Return);
        QVERIFY(frames.Pressed() && !frames.sound && RegisteredSoundSwitch()->SoundEnabled());
        const bool works = command == "marker";
        QCOMPARE(rig.MainWindow().IsShown(), !(works && hide));
        // The fade ended, at exactly 0 or 1: only a whole 1 lets the frames be copied rather than blended.
        QVERIFY(opacity.values.size() < 60 && opacity.values.last() == (works && hide ? 0 : 1));
        QCOMPARE(rig.Tokens().CurrentRootKey(), QString("ID1")); // Both's level is not opened
        QCOMPARE(marker.WaitForArguments(works ? 10000 : 0),
                 (works ? QStringList{"one", "two words", "$HOME;three"} : QStringList()));
        QTRY_COMPARE(rig.asked.size(), works && !hide ? 0 : 1);
        QVERIFY(rig.asked.isEmpty() ||
                rig.asked[0].prompt.contains(works ? "tessaro --toggle" : both->Command()));
        if (works && hide) { // shown again by another hand: it starts transparent and fades in
            opacity.values.clear();
            rig.MainWindow().Form()->show();
            QTRY_VERIFY(opacity.values.size() > 5 && opacity.values.first() == 0 &&
                        opacity.values.last() == 1);
        }
    }

    // A description wraps within its box and stops at three lines; line breaks of any kind break there.
    void descriptionWrapsAndStopsAtThreeLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("one line") << "Short" << 1;
        QTest::newRow("two lines") << "One\nTwo" << 2;
        QTest::newRow("exactly three") << "One\nTwo\nThree" << 3;
        QTest::newRow("forty words") << QString("word ").repeated(40) << 3;
        QTest::newRow("one 600-character word") << QString(600, 'm') << 3;
        QTest::newRow("CR and CR LF") << "One\r\nTwo\rThree" << 3;
    }
    void descriptionWrapsAndStopsAtThreeLines() {
        QFETCH(QString, text);
        QFETCH(int, lines);
        AppRig rig({.rows = {{2, 1, "Only", true, {}, {}, 60, false, text}}, .settingsRow = false});
        cwCarousel* widget = rig.MainWindow().CarouselWidget();
        QTRY_VERIFY(!widget->FadeTimer().isActive());
        const QImage description = widget->DescriptionBuffer();
        const QList<int> rows = Ink(description), columns = Ink(description, true);
        int bands = 1;
        for (qsizetype i = 1; i < rows.size(); ++i)
            bands += rows[i] != rows[i - 1] + 1;
        QCOMPARE(bands, lines);
        QVERIFY(rows.first() > 0 && rows.last() < description.height() - 1);
        QVERIFY(columns.first() > 0 && columns.last() < description.width() - 1);
        // Letters are filled in the text colour (white) round which runs the outline colour (black);
        // the title shows the two the other way round.
        const auto filledWithText = [](const QImage& image) {
            int balance = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (const QRgb p = image.pixel(x, y); qAlpha(p) >= 250)
                        balance += qGray(p) > 200 ? 1 : qGray(p) < 50 ? -1 : 0;
            return balance > 0;
        };
        QVERIFY(filledWithText(description) && !filledWithText(widget->TitleBuffer()));
    }

    // A faded-in description stays in every paint, and the first frame of a move paints over it.
    void descriptionStaysUntilAMove() {
        AppRig rig({.rows = {{2, 1, "One", true, {}, {}, 60, false, "1"},
                             {3, 1, "Two", true, {}, {}, 60, false, "2"}},
                    .settingsRow = false});
        cwCarousel* widget = rig.MainWindow().CarouselWidget();
        const int height = int(widget->DescriptionBuffer().deviceIndependentSize().height());
        const QRect area(0, widget->height() - height, widget->width(), height);
        const auto drawn = [&] { // anything over the plain background
            const QImage image = widget->grab().toImage().copy(area);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != image.pixel(0, 0))
                        return true;
            return false;
        };
        QTRY_VERIFY(!widget->FadeTimer().isActive() && drawn());
        PaintProbe<int> probe(widget, [] { return 0; });
        bool cleared = false;
        connect(&rig.Carousel(), &cCarousel::Refreshed, this,
                [&] { cleared = cleared || ((QRegion(area) - probe.painted).isEmpty() && !drawn()); });
        rig.MainWindow().Form_KeyDown(MainKey::Right);
        QVERIFY(cleared && probe.values.size() > 1);
    }

    // After a first start, the root renamed (its title drawn anew) and a slider moved are what the next start
    // shows: the stored row applied whole, the middle token in front, every token as it was left.
    void restartShowsWhatWasLeft() {
        AppRig rig({.firstStart = true});
        const QImage title = rig.MainWindow().CarouselWidget()->TitleBuffer().copy();
        frmTokenManager* manager = rig.Root().ShowTokenManager();
        AppRig::ClickNode(*manager, "ID1");
        Control<QLineEdit>(manager, "txtCaption")->setText("Renamed");
        Control<QPushButton>(manager, "cmdSave")->click();
        QVERIFY(rig.MainWindow().CarouselWidget()->TitleBuffer() != title);
        frmCarouselSettings* settings = rig.Root().ShowCarouselSettings();
        Control<QScrollBar>(settings, "HScrollSetting2")->setValue(900); // Width
        settings->close();
        const QString query = "SELECT TokenID, ParentID, Caption, Enabled FROM Tokens ORDER BY TokenID";
        const QList<QVariantMap> tokens = DbProbe::Rows(rig.path, query);
        const CarouselSettingsValues live = rig.Root().LiveSettings();
        QCOMPARE(rig.ExitBy([&] { Item(rig, frmSysTray::ExitItem)->trigger(); }), 0);
        rig.Restart();
        SqlRowSet stored = rig.Root().Database().GetSettings();
        QVERIFY(rig.Root().LiveSettings() == live && live == CarouselSettings::FromRow(stored) &&
                rig.Live("Width") == 900);
        const auto images = rig.Tokens().CurrentImages();
        QVERIFY(images->KeyAt(images->Count() / 2).endsWith(rig.Tokens().ActiveToken()->Key()));
        QCOMPARE(DbProbe::Rows(rig.path, query), tokens);
        for (const QVariantMap& row : tokens.mid(1)) {
            const auto token = rig.Tokens().Item("ID" + row["TokenID"].toString());
            QVERIFY(token->Caption() == row["Caption"] &&
                    token->ParentKey() == "ID" + row["ParentID"].toString() &&
                    token->Enabled() == row["Enabled"].toBool());
        }
        QVERIFY(tokens[0]["Caption"] == "Renamed" && !QFileInfo::exists(rig.path + ".creating"));
    }

    // Exit or closing the launcher: other windows close first, so what they hold is stored, then the file is
    // compacted and the token image workers stop. An unsaved edit is offered once, saved as answered.
    void shutDownStoresWhatOpenWindowsHold_data() {
        QTest::addColumn<bool>("byExit");
        QTest::addColumn<int>("answer"); // to the Token Manager's question; 0: the Settings window is open
        for (const bool byExit : {true, false}) {
            const char* ending = byExit ? "Exit" : "launcher closed";
            QTest::addRow("%s, edit saved", ending) << byExit << MsgBox::ResultYes;
            QTest::addRow("%s, edit dropped", ending) << byExit << MsgBox::ResultNo;
            QTest::addRow("%s, slider moved", ending) << byExit << 0;
        }
    }
    void shutDownStoresWhatOpenWindowsHold() {
        QFETCH(bool, byExit);
        QFETCH(int, answer);
        QList<Row> rows = StandardTree();
        for (int i = 0; !answer && i < 400; ++i)
            rows << Row{100 + i, 5, QString::number(i), true, TokenDbFixture::Png(48, 48)};
        AppRig rig({.rows = rows});
        TokenDbFixture::LeaveFreePages(rig.path);
        QSignalSpy unloaded(&rig.MainWindow(), &cfMain::Unloaded);
        QPointer<QWidget> form = rig.MainWindow().Form();
        rig.answers = {answer};
        QVariant held = answer == MsgBox::ResultYes ? "Tools renamed" : "Tools";
        if (frmTokenManager* manager = answer ? rig.Root().ShowTokenManager() : nullptr) {
            AppRig::ClickNode(*manager, "ID5");
            Control<QLineEdit>(manager, "txtCaption")->setText("Tools renamed");
        } else { // a new token size: the token images are composed again, on the workers
            auto* size = Control<QScrollBar>(rig.Root().ShowCarouselSettings(), "HScrollSetting10");
            size->setValue(size->value() + 20);
            held = size->value();
        }
        const auto stored = [&] {
            return answer ? DbProbe::Stored(rig.path, 5, "Caption")
                          : DbProbe::SettingsRow(rig.path)["ImageSize"];
        };
        const auto end = [&] { byExit ? Item(rig, frmSysTray::ExitItem)->trigger() : (void)form->close(); };
        QCOMPARE(rig.ExitBy(end), 0);
        QVERIFY(stored() == held && DbProbe::FreePages(rig.path) > 0); // stored before the file was compacted
        QVERIFY(rig.asked.size() == (answer ? 1 : 0) && unloaded.size() == (byExit ? 0 : 1));
        QVERIFY(answer || rig.Tokens().PendingImages() > 0);
        rig.root.reset();
        const auto worker = [](const QFileInfo& task) {
            QFile name(task.filePath() + "/comm");
            return name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == TokenImageWork::ThreadName;
        };
        // A finished worker's system thread may linger a moment (Qt detaches it); a stuck one stays.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::ranges::none_of(QDir("/proc/self/task").entryInfoList(QDir::Dirs), worker), 1000);
        QTest::qWait(300); // what was still queued for the window runs now, against objects that are gone
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form && stored() == held);
        QVERIFY(DbProbe::FreePages(rig.path) == 0 && DbProbe::Integrity(rig.path));
    }

    // The Token Manager or Settings window, asked for on the tray or with the mouse: one, brought forward.
    void windowsOpenOnceAndComeForward_data() {
        QTest::addColumn<bool>("byTray");
        QTest::addColumn<QString>("window");
        QTest::newRow("Manage Tokens... on the tray") << true << "frmTokenManager";
        QTest::newRow("Carousel Settings... on the tray") << true << "frmCarouselSettings";
        QTest::newRow("double click on the carousel") << false << "frmTokenManager";
        QTest::newRow("right click on the carousel") << false << "frmCarouselSettings";
    }
    void windowsOpenOnceAndComeForward() {
        QFETCH(bool, byTray);
        QFETCH(QString, window);
        AppRig rig;
        QWidget other;
        other.show();
        const bool manager = window == "frmTokenManager";
        for (int round = 0; round < 2; ++round) {
            if (byTray)
                Item(rig, manager ? frmSysTray::TokenManagerItem : frmSysTray::CarouselSettingsItem)
                    ->trigger();
            else if (manager)
                QTest::mouseDClick(rig.MainWindow().CarouselWidget(), Qt::LeftButton, {}, QPoint(30, 30));
            else
                QTest::mouseClick(rig.MainWindow().CarouselWidget(), Qt::RightButton, {}, QPoint(30, 30));
            QTRY_VERIFY(Shown(window) && QApplication::activeWindow() == Shown(window));
            other.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &other);
        }
    }

    // While the image picker is on screen, clicks that still reach the carousel open and raise nothing.
    void carouselClicksOpenNothingWhileThePickerIsOpen() {
        AppRig rig;
        QWidget* carousel = rig.MainWindow().CarouselWidget();
        QWidget *opened = nullptr, *active = nullptr; // what the clicks opened or brought forward
        QTimer poll;
        WhenShown<frmImagePicker>(poll, [&](frmImagePicker* picker) {
            (void)QTest::qWaitFor([&] { return QApplication::activeWindow() == picker; });
            QTest::mouseClick(carousel, Qt::RightButton, {}, QPoint(30, 30));
            QTest::mouseDClick(carousel, Qt::LeftButton, {}, QPoint(30, 30));
            QTest::qWait(100); // for activations that should not come
            opened = Shown("frmCarouselSettings");
            active = QApplication::activeWindow() == picker ? nullptr : QApplication::activeWindow();
            picker->reject();
        });
        frmTokenManager* manager = rig.Root().ShowTokenManager();
        Control<QPushButton>(manager, "cmdEditImage")->click();
        QVERIFY(!opened && active != manager);
        QTest::mouseClick(carousel, Qt::RightButton, {}, QPoint(30, 30));
        QVERIFY(Shown("frmCarouselSettings"));
        QVERIFY(!active);
    }

    // Help... opens the help page beside the program; About... shows the root token's picture, OK closes it.
    void trayItemsOpenTheirWindows() {
        AppRig rig;
        rig.Tokens().Item("ID1")->SetSourceImage(TokenDbFixture::Png(250, 150, 0x10c020));
        Item(rig, frmSysTray::HelpItem)->trigger();
        QTRY_COMPARE(rig.opened.size(), 1);
        QFile help(rig.opened[0].toLocalFile());
        QVERIFY(help.open(QIODevice::ReadOnly) && help.readAll().contains("<html"));
        QImage shot;
        QTimer poll;
        WhenShown<frmAbout>(poll, [&](frmAbout* about) {
            shot = about->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
        });
        Item(rig, frmSysTray::AboutItem)->trigger();
        QTRY_VERIFY(!shot.isNull() && !QApplication::activeModalWidget());
        const auto* dots = reinterpret_cast<const QRgb*>(shot.constBits());
        QCOMPARE(std::count(dots, dots + shot.width() * shot.height(), qRgb(0x10, 0xc0, 0x20)), 250 * 150);
    }

    // Ctrl+Alt+L toggles, releases reported late or missed: "+0" Ctrl down, "-1" Alt up, "!0" unseen.
    void hotKeyToggles_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("toggles");
        QTest::newRow("Ctrl, Alt, L") << "+0 +1 +2 -2 -1 -0" << 1;
        QTest::newRow("Ctrl and L only") << "+0 +2 -2 -0" << 0;
        QTest::newRow("L twice with both held") << "+0 +1 +2 -2 +2 -2 -1 -0" << 2;
        QTest::newRow("missed Ctrl release, then L") << "+0 +1 +2 -2 !0 +2 -2 -1" << 1;
        QTest::newRow("modifiers released right after L") << "+0 +1 +2 !2 !1 !0 -2 -1 -0" << 1;
        QTest::newRow("stale Ctrl, Alt released after L") << "+0 +1 !0 +2 !1 -2 -1" << 0;
        QTest::newRow("three times") << "+0 +1 +2 -2 +2 -2 +2 -2 -1 -0" << 3;
    }
    void hotKeyToggles() {
        QFETCH(QString, keys);
        QFETCH(int, toggles);
        AppRig rig({.rows = LevelRows, .settingsRow = false});
        QSignalSpy shownOrHidden(&rig.MainWindow(), &cfMain::ShownStateChanged);
        rig.keys->Play(keys);
        QCoreApplication::processEvents(); // the check of a modifier reported up runs on the next turn
        QCOMPARE(shownOrHidden.count(), toggles);
        QCOMPARE(rig.Tray().ShowHideCaption(), toggles % 2 == 0 ? "Hide" : "Show");
        QTRY_COMPARE(rig.asked.size(), toggles > 0 ? 1 : 0); // without a tray, the first hide tells once
    }

    // Tray items and the hot key that come while a key's work runs (a move, a level transition, a launch's
    // press) wait until it is over; two toggles cancel out.
    void outsideRequestsWaitForAnIdleLauncher_data() {
        QTest::addColumn<int>("request"); // a tray item; -1, -2: the hot key once, twice
        QTest::addColumn<int>("key");
        QTest::newRow("Settings, mid-move") << int(frmSysTray::CarouselSettingsItem) << int(MainKey::Right);
        QTest::newRow("Tokens, mid-move") << int(frmSysTray::TokenManagerItem) << int(MainKey::PageDown);
        QTest::newRow("hot key during a level transition") << -1 << int(MainKey::Down);
        QTest::newRow("hot key during a launch") << -1 << int(MainKey::Enter);
        QTest::newRow("hot key twice during a move") << -2 << int(MainKey::Right);
        QTest::newRow("Exit during a level transition") << int(frmSysTray::ExitItem) << int(MainKey::Down);
    }
    void outsideRequestsWaitForAnIdleLauncher() {
        QFETCH(int, request);
        QFETCH(int, key);
        AppRig rig({.rows = LevelRows});
        const bool exit = request == frmSysTray::ExitItem;
        if (exit)
            rig.Root().ShowCarouselSettings(); // closing it stores the live settings
        const QVariant opacity = DbProbe::SettingsRow(rig.path)["OrbitImageOpacity"];
        const QString window =
            request == frmSysTray::TokenManagerItem ? "frmTokenManager" : "frmCarouselSettings";
        int frames = 0;
        bool changed = false;
        connect(&rig.Carousel(), &cCarousel::Refreshed, this, [&] {
            if (++frames == 3 && request < 0)
                rig.keys->Play("+0 +1 " + QString("+2 -2 ").repeated(-request) + "-1 -0");
            else if (frames == 3)
                Item(rig, request)->trigger();
            changed = changed || (Shown(window) && !exit) || rig.Tray().ShowHideCaption() != "Hide" ||
                      rig.Root().IsShuttingDown();
        });
        rig.MainWindow().Form_KeyDown(key);
        QVERIFY(frames > 3 && !changed);
        QTRY_VERIFY(request == -1 ? !rig.MainWindow().IsShown() && !rig.MainWindow().IsFading()
                    : exit        ? rig.Root().IsShuttingDown()
                                  : request == -2 || Shown(window));
        QTest::qWait(200); // a toggle held back would run at the next ticks
        QCOMPARE(rig.Tray().ShowHideCaption(), request == -1 ? "Show" : "Hide");
        QCOMPARE(DbProbe::SettingsRow(rig.path)["OrbitImageOpacity"], opacity); // not the transition's
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir scratch;
    gAudio = scratch.filePath("audio.raw");
    DiskAudio::Capture(gAudio);
    // No test reaches for a real desktop's keyboard, and a first start finds no installed applications.
    qunsetenv("DISPLAY");
    qputenv("XDG_DATA_DIRS", QFile::encodeName(scratch.path()));
    QApplication app(argc, argv);
    TestLauncher test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_launcher.moc"
