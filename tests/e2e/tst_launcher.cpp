// The real program on private X servers, driven with xdotool as a user would.
#include "Screen.h"
#include "TessaroRun.h"
#include "TokenDbFixture.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QTest>

using namespace TestSupport;

namespace {
// Nearly the same picture: at most one pixel in 500 differs.
bool Same(const QImage& a, const QImage& b) {
    return !a.isNull() && DifferingPixels(a, b) * 500 < qsizetype(a.width()) * a.height();
}
const QPoint NewButton(182, 456), CaptionBox(320, 254), DoneButton(109, 518); // in the Token Manager

// A display, the program on it with a scratch home, and what a user sees of it.
struct Desk {
    XvfbSession x;
    TessaroRun run{x};
    Screen s{x};
    qulonglong carousel = 0;
    bool wiggle = false;

    explicit Desk(XvfbSession::Options options = {}) : x(options) { QDir().mkpath(run.DataFolder()); }
    // The file seeded with the root and the rows (none: the first start makes its own); the carousel.
    bool Start(const QList<TokenDbFixture::Row>& rows = {}) {
        if (!rows.isEmpty()) {
            TokenDbFixture::Create(run.DatabasePath());
            TokenDbFixture::AddRows(run.DatabasePath(), rows);
        }
        return x.IsRunning() && run.Start() && (carousel = s.WaitForCarouselWindow()) != 0;
    }
    QRect Drawn() const { return AboveDescription(s.Geometry(carousel), run.DatabasePath()); }
    QImage StillDrawn() const { return s.WaitForStill(Drawn()); }
    QImage Still() const { return s.WaitForStill(s.Geometry(carousel)); }
    int Count(const QString& where = "1") const {
        return DbProbe::Scalar(run.DatabasePath(), "SELECT COUNT(*) FROM Tokens WHERE " + where).toInt();
    }
    // Opens the tray menu and chooses an item (1: the first) with the keys; the first item's picture.
    QImage Menu(int item) const {
        const QImage first = s.FirstItemPicture();
        return s.Keys(QStringList(item, "Down") << "Return") ? first : QImage();
    }
    // The window titled so if, all fades over, it has the keyboard and covers the carousel (at `spot`).
    qulonglong InFront(const QString& title, QPoint spot, QRgb background) const {
        const qulonglong window = s.WaitForWindow(title);
        const QRect place = s.Geometry(window), both = place.united(s.Geometry(carousel));
        const QRgb seen = s.WaitForStill(both).pixel(place.topLeft() + spot - both.topLeft()) & 0xFFFFFF;
        return s.FocusedWindow() == window && seen == background ? window : 0;
    }
    qulonglong ManagerInFront() const { return InFront("^Token Manager$", {421, 240}, 0xE5E5E5); }
    // The Token Manager opened by a double click on the carousel; its tree's area on screen.
    QRect OpenTokenManager() const {
        s.Click(carousel, {s.Geometry(carousel).width() / 2, 40}, Screen::LeftButton, 2);
        return QRect(4, 4, 210, 433).translated(s.Geometry(s.WaitForWindow("^Token Manager$")).topLeft());
    }
    bool MoveTo(QPoint p) const {
        return x.Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
    }
    // A drag learns the answer of the place under the pointer only when the pointer moves.
    bool Wiggle(QPoint p) { return MoveTo(p + QPoint(wiggle = !wiggle, 0)); }
    // Top and bottom of the tree's lit rows (selected node, drag target: blue right of the captions).
    std::pair<int, int> Lit(const QRect& tree) const {
        const QImage shot = x.Screenshot();
        int top = 0, bottom = -1;
        for (int y = tree.top(); y < tree.bottom() && !shot.isNull(); ++y)
            if (const QRgb p = shot.pixel(tree.right() - 30, y); qBlue(p) - qRed(p) > 80)
                std::tie(top, bottom) = std::pair(bottom < 0 ? y : top, y);
        return {top, bottom};
    }
};
} // namespace

class TestLauncher : public QObject {
    Q_OBJECT

    Desk mTray{XvfbSession::Options{.withTray = true}}; // the first start's tree, with a system tray

private slots:
    void initTestCase() { QVERIFY2(mTray.Start(), qPrintable(mTray.run.Output())); }

    // Keys and the wheel (4 and 5 turn it away and towards, 6 and 7 scroll sideways) turn the ring of
    // five: each input, then the front at rest (c Charlie, d Delta, a neither: Alpha, two notches on).
    void keysAndWheelTurnTheCarousel() {
        Desk d;
        QVERIFY(
            d.Start({{2, 1, "Alpha"}, {3, 1, "Bravo"}, {4, 1, "Charlie"}, {5, 1, "Delta"}, {6, 1, "Echo"}}));
        QImage charlie, delta, now;
        const auto settled = [&](auto as) { return WaitFor([&] { return (now = d.Still()), as(); }, 30000); };
        QVERIFY(d.x.Focus(d.carousel) && settled([&] { return !(charlie = now).isNull(); }) &&
                d.s.Keys({"Right"}));
        QVERIFY(settled([&] { return !Same(delta = now, charlie); }));
        const QStringList at{"mousemove", "--window", QString::number(d.carousel), "9", "9"};
        for (const QString step :
             {"c click 4", "d click 5", "c click 6 click 7 key Left", "a click --repeat 2 --delay 1 4",
              "c key Right Right", "c key Right Right Right Right Right"}) {
            const bool toCharlie = step[0] == 'c', toDelta = step[0] == 'd';
            QVERIFY(d.x.Xdotool(at + step.mid(2).split(' ')));
            QVERIFY2(settled([&] { return Same(now, charlie) == toCharlie && Same(now, delta) == toDelta; }),
                     qPrintable(step));
        }
    }

    // SIGTERM while a failed launch's box (titled "Tessaro" too) waits: it is answered, the program ends.
    void sessionEndWhileABoxWaits() {
        Desk d;
        QVERIFY(d.Start({{2, 1, "Broken", true, TokenDbFixture::Png(96, 96), "/nonexistent/program"}}));
        QVERIFY(d.x.Focus(d.carousel) && d.s.Keys({"Return"}));
        QVERIFY2(WaitFor([&] { return d.run.MainWindows().size() == 2; }, 20000), "no box");
        d.run.Process()->terminate();
        QVERIFY2(d.run.WaitForExit() && d.run.Process()->exitCode() == 0, qPrintable(d.run.Output()));
    }

    // Without a display the program says so in one line; options that only print need no display.
    void programEndsAtOnce_data() {
        QTest::addColumn<QString>("option"); // or the environment's setting
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed");
        QTest::newRow("no DISPLAY") << "--unset=DISPLAY" << 1 << "Tessaro needs a desktop session";
        QTest::newRow("its server gone") << "DISPLAY=:4987" << 1 << "Tessaro needs a desktop session";
        QTest::newRow("--help") << "--help" << 0 << "Usage: tessaro";
        QTest::newRow("--version") << "--version" << 0 << "Tessaro " TESSARO_VERSION "\n";
        QTest::newRow("unknown") << "-x" << 2 << "tessaro: unknown option '-x'\n\nUsage: ";
    }
    void programEndsAtOnce() {
        QFETCH(QString, option);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QProcess program; // through env(1), which takes a variable's setting before the program
        program.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList unset{"--unset=WAYLAND_DISPLAY", "--unset=QT_QPA_PLATFORM", "--unset=DISPLAY"};
        const bool setting = option.contains('=');
        program.start("env", unset + QStringList{setting ? option : TESSARO_EXECUTABLE,
                                                 setting ? TESSARO_EXECUTABLE : option});
        QVERIFY(program.waitForFinished(15000) && program.exitStatus() == QProcess::NormalExit);
        const QString output = QString::fromLocal8Bit(program.readAll());
        QCOMPARE(program.exitCode(), code);
        QVERIFY2(output.startsWith(printed) && (code != 1 || output.count('\n') == 1), qPrintable(output));
    }

    // --toggle starts the launcher; later requests and a plain start reach it and end at once.
    void commandLineRequestsReachTheRunningCopy() {
        Desk d;
        QVERIFY(d.x.IsRunning() && d.run.Start({"--toggle"}) && d.run.WaitForMainWindow(true));
        for (const QString step :
             {"--toggle -", "--show +", "--hide -", "--hide -", "--toggle +", "--hide -", " +"}) {
            QProcess* request = d.run.Start(step.split(' ').filter("--"));
            QVERIFY2(request && d.run.WaitForExit(-1, 10000) && request->exitCode() == 0, qPrintable(step));
            QVERIFY2(d.run.WaitForMainWindow(step.endsWith('+')), qPrintable(step));
        }
        QVERIFY(d.run.MainWindows().size() == 1 && d.run.Process(0)->state() == QProcess::Running);
    }

    void unusableDatabaseIsReportedAndLeftAlone_data() {
        QTest::addColumn<QString>("breakage"); // empty: not a database at all
        QTest::addColumn<QString>("problem");
        QTest::newRow("not a database") << QString() << "file is not a database";
        QTest::newRow("no root row") << QString("DELETE FROM Tokens WHERE TokenID = 1")
                                     << "it has no root token";
        QTest::newRow("setting not a number")
            << QString("UPDATE CarouselSettings SET Width = 'w'") << "Width of";
    }
    void unusableDatabaseIsReportedAndLeftAlone() {
        QFETCH(QString, breakage);
        QFETCH(QString, problem);
        Desk d;
        const QString path = d.run.DatabasePath();
        TokenDbFixture::Create(path);
        if (QFile file(path); breakage.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray("Programs.\n").repeated(99)));
        else
            SqlConnection(path).Execute(breakage);
        const QByteArray before = TokenDbFixture::FileHash(path);
        // The message is written out (naming the file) and shown in a box titled "Tessaro"; Return closes it.
        QVERIFY(d.run.Start() && WaitFor([&] { return d.run.Output().contains(problem); }));
        QVERIFY(breakage.startsWith("UPDATE") || d.run.Output().contains(path));
        QVERIFY(WaitFor([&] { return d.run.MainWindows().size() == 1; }) &&
                d.x.Focus(d.run.MainWindows()[0]));
        QVERIFY(d.s.Keys({"Return"}) && d.run.WaitForExit() && !d.run.Process()->exitStatus());
        QCOMPARE(d.run.Process()->exitCode(), 1);
        QVERIFY(TokenDbFixture::FileHash(path) == before && !QFile::exists(path + "-journal"));
    }

    // The tray icon and its menu, step by step; each step leaves the launcher shown.
    void trayIconAndMenu() {
        Desk& d = mTray;
        QVERIFY2(d.s.WaitForIcon() && d.s.IconRect().width() >= 16, qPrintable(d.run.Output()));
        const QImage hide = d.s.FirstItemPicture(); // the show/hide item, above eight others
        QVERIFY(Screen::InkWidth(hide) > 0 && d.s.PopupRect().height() > 6 * 20 && d.s.ClosePopup());
        // A single left click changes nothing: the menu opened afterwards proves it was handled.
        QVERIFY(d.s.ClickIcon() && d.s.FirstItemPicture() == hide && d.s.ClosePopup());
        QCOMPARE(d.run.MainWindows().size(), 1);
        // A double click hides the launcher, and the item says "Show", the wider word; another shows it.
        QVERIFY(d.s.ClickIcon(Screen::LeftButton, 2) && d.run.WaitForMainWindow(false));
        const QImage show = d.s.FirstItemPicture();
        QVERIFY(Screen::InkWidth(show) > Screen::InkWidth(hide) && d.s.ClosePopup());
        QVERIFY(d.run.MainWindows().isEmpty() && d.s.ClickIcon(Screen::LeftButton, 2) &&
                d.run.WaitForMainWindow(true));
        QVERIFY(d.s.FirstItemPicture() == hide && d.s.ClosePopup());
        // Escape hides the launcher; the item follows, and choosing it shows the launcher again.
        QVERIFY(d.x.Focus(d.carousel) && d.s.Keys({"Escape"}) && d.run.WaitForMainWindow(false));
        QVERIFY(d.Menu(1) == show && d.run.WaitForMainWindow(true));
        // About... opens the about window; Return closes it.
        const qulonglong about = d.Menu(5).isNull() ? 0 : d.s.WaitForWindow("^About Tessaro$");
        QVERIFY(about && d.x.Focus(about) && d.s.Keys({"Return"}) && d.s.WaitUntilGone("^About Tessaro$"));
    }

    // Manage Tokens... in front; a token made, typed in and saved is stored, shown, and Enter runs it.
    void tokenManagerNewTokenRunsFromTheCarousel() {
        Desk& d = mTray;
        const QImage before = d.StillDrawn();
        const int tokens = d.Count();
        const qulonglong manager = d.Menu(2).isNull() ? 0 : d.ManagerInFront();
        QVERIFY(manager && d.s.Click(manager, {150, 13}) && d.s.Click(manager, NewButton));
        QVERIFY2(WaitFor([&] { return d.Count() == tokens + 1; }), "New stored no token");
        // A click in the caption selects its text, so typing replaces it; Tab walks the other fields.
        QVERIFY(d.s.Click(manager, CaptionBox) && d.s.Type("Notes\txmessage\t-title TessaroNote hi\tShort."));
        QVERIFY(d.s.Click(manager, {320, 518})); // Save
        const QString saved = "ParentID = 1 AND Caption = 'Notes' AND Command = 'xmessage' AND Enabled = 1 "
                              "AND Parameters = '-title TessaroNote hi' AND Description = 'Short.'";
        QVERIFY2(WaitFor([&] { return d.Count(saved) == 1; }), "Save did not store what was typed");
        // DONE closes the window; the new token is in front, so Enter runs its command.
        QVERIFY(d.s.Click(manager, DoneButton) && d.s.WaitUntilGone("^Token Manager$"));
        QVERIFY(DifferingPixels(d.StillDrawn(), before) > 200 && d.x.Focus(d.carousel) &&
                d.s.Keys({"Return"}));
        const qulonglong note = d.s.WaitForWindow("^TessaroNote$");
        QVERIFY2(note && d.x.Xdotool({"windowkill", QString::number(note)}), "Enter ran nothing");
    }

    // A double click on the carousel brings the Token Manager in front, twice: one window.
    void doubleClickOnTheCarouselOpensTheManager() {
        Desk& d = mTray;
        const QPoint corner(d.s.Geometry(d.carousel).width() - 40, 40); // clear of the Token Manager
        for (const char* other : {"Elsewhere", "Elsewhere again"}) {
            QVERIFY(d.s.FocusOtherProgram(other) && d.s.Click(d.carousel, corner, Screen::LeftButton, 2));
            QVERIFY(d.ManagerInFront() && d.x.FindWindows("^Token Manager$").size() == 1);
        }
        QVERIFY(d.s.Click(d.ManagerInFront(), DoneButton) && d.s.WaitUntilGone("^Token Manager$"));
    }

    // A right click opens the settings window in front; a slider moved with the keys changes the carousel
    // and, at DONE or the session's end (SIGTERM, handled as Exit), that value alone in the file.
    void sliderMovedWithTheKeysChangesCarouselAndFile() {
        Desk d;
        const QImage before = d.Start() ? d.StillDrawn() : QImage();
        QVariantMap expected = DbProbe::SettingsRow(d.run.DatabasePath());
        const auto moveSlider = [&](const QString& column, int change, const QString& keys) {
            expected[column] = expected.value(column).toInt() + change;
            // Another program has the keyboard, so the right click also activates the carousel.
            d.s.FocusOtherProgram(column);
            d.s.Click(d.carousel, {d.s.Geometry(d.carousel).width() / 2, 40}, Screen::RightButton);
            const qulonglong settings = d.InFront("^Settings$", {300, 250}, 0xE8E8E8);
            const QImage sliders = d.s.WaitForStill(d.s.Geometry(settings));
            d.s.Keys(keys.split(' '));
            const bool moved =
                WaitFor([&] { return settings && d.s.WaitForStill(d.s.Geometry(settings)) != sliders; });
            return moved ? settings : 0;
        };
        const qulonglong settings =
            moveSlider("ReflectionStrength", 6, "Tab Tab Tab Tab Tab Tab Tab Tab Page_Up Right");
        QVERIFY(settings && d.s.Click(settings, {152, 504}) && d.s.WaitUntilGone("^Settings$")); // DONE
        QVERIFY(WaitFor([&] { return DbProbe::SettingsRow(d.run.DatabasePath()) == expected; }));
        QVERIFY(!before.isNull() && DifferingPixels(before, d.StillDrawn()) > 200);
        QVERIFY(moveSlider("RenderScale", 5, {"Right"}) &&
                d.x.Run("kill", {QString::number(d.run.Process()->processId())}));
        QVERIFY(d.run.WaitForExit() && d.run.Process()->exitCode() == 0);
        QCOMPARE(DbProbe::SettingsRow(d.run.DatabasePath()), expected);
    }

    // Files dragged from another program (dragsource, for a file manager): a node or the carousel makes
    // a token of the first under it or on its level; empty tree space refuses them.
    void dropsFromAnotherProgram_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("parent"); // of the token made; 0: none is made
        QTest::newRow("onto a tree node") << "node" << 2;
        QTest::newRow("onto empty tree space") << "empty" << 0;
        QTest::newRow("onto the carousel") << "carousel" << 1;
    }
    void dropsFromAnotherProgram() {
        QFETCH(QString, target);
        QFETCH(int, parent);
        Desk d;
        const QImage before = d.Start({{2, 1, "Target"}}) ? d.StillDrawn() : QImage();
        // The only token of the level on show is the active one: its node is lit.
        const QRect tree = target == "carousel" ? QRect() : d.OpenTokenManager();
        std::pair<int, int> node;
        QVERIFY(tree.isNull() || WaitFor([&] { return (node = d.Lit(tree)).second > 0; }));
        const QString first = d.run.Home() + "/first.txt", second = d.run.Home() + "/second.txt";
        QVERIFY(QFile(first).open(QIODevice::WriteOnly) && QFile(second).open(QIODevice::WriteOnly));
        // Source and way to the tree miss the carousel (which takes files too) and the text boxes.
        QProcess* source = d.x.Start(TESSARO_DRAGSOURCE, {"-geometry", "150x100+1100+20", first, second});
        QString said;
        const auto saying = [&](const QString& what) { return (said += source->readAll()).contains(what); };
        QVERIFY(source &&
                WaitFor([&] { return saying("ready") && !d.x.FindWindows("^dragsource$").isEmpty(); }));
        QVERIFY(d.MoveTo({1175, 70}) && d.x.Xdotool({"mousedown", "1"}) && d.MoveTo({1272, 70}));
        // Over a node or the carousel the drop is offered as a copy, over empty tree space refused.
        QPoint aim = d.s.Geometry(d.carousel).center();
        if (!tree.isNull() && d.MoveTo({4, 314}))
            aim = QPoint(tree.left() + 110, (node.first + node.second) / 2);
        QVERIFY2(WaitFor([&] { return d.Wiggle(aim) && saying("action 1"); }), qPrintable(said));
        QVERIFY(parent ||
                WaitFor([&] { return d.Wiggle(tree.center() + QPoint(0, 100)) && saying("action 0"); }));
        QVERIFY(d.x.Xdotool({"mouseup", "1"}) &&
                WaitFor([&] { return saying(parent ? "finished 1" : "finished 0"); }));
        QCOMPARE(WaitFor([&] { return d.Count() > 2; }, parent ? 10000 : 1000), parent != 0);
        const QString made =
            QString("Caption = 'first' AND ParentID = %1 AND Command = '%2'").arg(parent).arg(first);
        QCOMPARE(d.Count(made), parent ? 1 : 0);
        QVERIFY(!tree.isNull() || DifferingPixels(d.StillDrawn(), before) > 200); // the carousel shows it
    }

    // A node dragged onto another in the tree moves under it once the pointer has marked it the target.
    void nodeDraggedOntoAnotherNode() {
        Desk d;
        const QRect tree = d.Start({{2, 1, "Alpha"}, {3, 1, "Beta"}}) ? d.OpenTokenManager() : QRect();
        // The carousel opens on the middle of the level, Beta, whose node is lit: the last row.
        std::pair<int, int> lit;
        QVERIFY(WaitFor([&] { return (lit = d.Lit(tree)).second > 0; }));
        const QPoint from(tree.left() + 110, (lit.first + lit.second) / 2),
            onAlpha(from.x(), 2 * lit.first - from.y());
        QVERIFY(d.MoveTo(from) && d.x.Xdotool({"mousedown", "1"}));
        for (int dy = 3; dy <= 15; dy += 3)
            QVERIFY(d.MoveTo(from - QPoint(0, dy)));
        QVERIFY(WaitFor([&] { return d.Wiggle(onAlpha) && d.Lit(tree).first < lit.first; }));
        QVERIFY(d.x.Xdotool({"mouseup", "1"}) &&
                WaitFor([&] { return d.Count("TokenID = 3 AND ParentID = 2"); }));
        QCOMPARE(d.Count("ParentID = 1"), 1);
    }

    // Exit leaves a compacted, whole file; started again on it, the program shows what it showed.
    void exitCompactsAndRestartShowsTheSame() {
        Desk& d = mTray;
        const QImage shown = d.x.Focus(d.carousel) ? d.StillDrawn() : QImage();
        TokenDbFixture::LeaveFreePages(d.run.DatabasePath());
        QVERIFY(!shown.isNull() && DbProbe::FreePages(d.run.DatabasePath()) > 0);
        QVERIFY(!d.Menu(6).isNull() && d.run.WaitForExit() &&
                d.run.Process()->exitStatus() == QProcess::NormalExit);
        QCOMPARE(d.run.Process()->exitCode(), 0);
        QVERIFY(DbProbe::Integrity(d.run.DatabasePath()) && DbProbe::FreePages(d.run.DatabasePath()) == 0);
        QVERIFY(d.s.IconRect().isEmpty() && d.Start() && d.x.Focus(d.carousel));
        QVERIFY(WaitFor([&] { return DifferingPixels(d.StillDrawn(), shown) == 0; }, 30000));
    }
};

QTEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
