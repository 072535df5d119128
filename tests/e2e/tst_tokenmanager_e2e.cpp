// The Token Manager in the real program on a private X server with a tray: opened from the tray
// menu and by a double click on the carousel, a token made with New, typed in and saved, then
// found in Tokens.db and at the front of the carousel, where Enter runs its command.
#include "LauncherScreen.h"
#include "TessaroRun.h"
#include "TrayProbe.h"
#include "XvfbSession.h"
#include "platform/SqlDatabase.h"

#include <QTest>

using namespace TestSupport;

namespace {
// Places in the Token Manager, in its own coordinates (its controls sit where its layout puts them).
const QPoint RootNode(150, 13); // the first row of the tree
const QPoint NewButton(182, 456);
const QPoint CaptionBox(320, 254);
const QPoint SaveButton(320, 518);
const QPoint DoneButton(109, 518);
const QPoint BackgroundSpot(421, 240); // the margin right of the text boxes
const QRgb ManagerBackground = qRgb(0xE5, 0xE5, 0xE5);

struct TokenRow {
    qint64 id = 0;
    qint64 parentId = 0;
    QString caption, command, parameters, description;
    qint64 enabled = 0;
};

// The Tokens table as the program has written it (empty while the file cannot be read).
QList<TokenRow> StoredTokens(const QString& path) {
    QList<TokenRow> tokens;
    try {
        SqlConnection db(path);
        SqlRowSet rows = db.Query(QStringLiteral("SELECT * FROM Tokens ORDER BY TokenID"));
        for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext())
            tokens.append({rows.Value("TokenID").toLongLong(), rows.Value("ParentID").toLongLong(),
                           rows.Value("Caption").toString(), rows.Value("Command").toString(),
                           rows.Value("Parameters").toString(), rows.Value("Description").toString(),
                           rows.Value("Enabled").toLongLong()});
    } catch (const SqlError&) {
        tokens.clear();
    }
    return tokens;
}

// The part of the carousel window that another window (at `cover`, on its left) leaves visible.
QRect VisiblePart(const QRect& carousel, const QRect& cover) {
    QRect visible = carousel;
    if (cover.intersects(carousel))
        visible.setLeft(cover.right() + 1);
    return visible;
}
} // namespace

class TestTokenManagerEndToEnd : public QObject {
    Q_OBJECT

    // Once every fade is over, the Token Manager has the keyboard and lies over the carousel.
    static bool ManagerInFront(const LauncherScreen& screen, qulonglong manager, qulonglong carousel) {
        const QRect place = screen.Geometry(manager);
        const QRect both = place.united(screen.Geometry(carousel));
        const QImage still = screen.WaitForStill(both);
        const QPoint spot = place.topLeft() + BackgroundSpot - both.topLeft();
        return !still.isNull() && screen.FocusedWindow() == manager && still.pixel(spot) == ManagerBackground;
    }

private slots:
    void trayMenuOpensTheManagerAndANewTokenReachesFileAndCarousel() {
        XvfbSession x({.withTray = true});
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        QVERIFY(tessaro.Start());
        LauncherScreen screen(x);
        const qulonglong carousel = screen.WaitForCarouselWindow();
        QVERIFY2(carousel, qPrintable(tessaro.Output()));
        const TrayProbe tray(x);
        QVERIFY2(tray.WaitForIcon(), "the launcher's icon did not appear in the tray");
        const QRect carouselPlace = screen.Geometry(carousel);
        const QRect drawn = AboveDescription(carouselPlace, tessaro.DatabasePath());
        QVERIFY(!drawn.isEmpty());
        const QImage before = screen.WaitForStill(drawn);
        QVERIFY(!before.isNull());
        const QList<TokenRow> tokensBefore = StoredTokens(tessaro.DatabasePath());
        QVERIFY(!tokensBefore.isEmpty());

        // The tray menu: a right click on the icon, then down the items with the keys.
        tray.RightClickIcon();
        QVERIFY2(tray.WaitForPopup(true), "the tray menu did not open");
        const QRect menuPlace = tray.PopupRect().value_or(QRect());
        QVERIFY(!menuPlace.isEmpty());
        const QImage menuShown = screen.WaitForStill(menuPlace);
        QVERIFY(screen.Keys({"Down"}));
        // The first item lights up: the menu has the keyboard.
        QVERIFY(WaitFor([&] { return DifferingPixels(screen.Grab(menuPlace), menuShown) > 0; }));
        QVERIFY(screen.Keys({"Down", "Return"})); // past "Hide" and the separator: "Manage Tokens..."
        const qulonglong manager = screen.WaitForWindow("^Token Manager$");
        QVERIFY2(manager, "Manage Tokens... did not open the Token Manager");
        QVERIFY(tray.WaitForPopup(false));
        QVERIFY2(ManagerInFront(screen, manager, carousel),
                 "the Token Manager is not in front with the keyboard");

        // New under the root token, whose level is on show.
        QVERIFY(screen.Click(manager, RootNode));
        QVERIFY(screen.Click(manager, NewButton));
        QVERIFY2(
            WaitFor([&] { return StoredTokens(tessaro.DatabasePath()).size() == tokensBefore.size() + 1; }),
            "New stored no token");
        const TokenRow created = StoredTokens(tessaro.DatabasePath()).constLast();
        QCOMPARE(created.parentId, qint64(1));
        QCOMPARE(created.caption, QStringLiteral("New Token"));

        // A click in the caption selects its text, so typing replaces it; Tab walks the other fields.
        QVERIFY(screen.Click(manager, CaptionBox));
        QVERIFY(screen.Type("Notes"));
        QVERIFY(screen.Keys({"Tab"}));
        QVERIFY(screen.Type("xmessage"));
        QVERIFY(screen.Keys({"Tab"}));
        QVERIFY(screen.Type("-title TessaroNote hello"));
        QVERIFY(screen.Keys({"Tab"}));
        QVERIFY(screen.Type("Short notes on the screen."));
        QVERIFY(screen.Click(manager, SaveButton));

        TokenRow saved;
        QVERIFY2(WaitFor([&] {
                     for (const TokenRow& row : StoredTokens(tessaro.DatabasePath()))
                         if (row.id == created.id && row.caption != created.caption)
                             saved = row;
                     return saved.id != 0 && !saved.description.isEmpty();
                 }),
                 "Save wrote nothing");
        QCOMPARE(saved.caption, QStringLiteral("Notes"));
        QCOMPARE(saved.command, QStringLiteral("xmessage"));
        QCOMPARE(saved.parameters, QStringLiteral("-title TessaroNote hello"));
        QCOMPARE(saved.description, QStringLiteral("Short notes on the screen."));
        QCOMPARE(saved.parentId, qint64(1));
        QCOMPARE(saved.enabled, qint64(1));

        // The carousel shows it: the part the window leaves visible differs from before.
        QCOMPARE(screen.Geometry(carousel), carouselPlace);
        const QRect visible = VisiblePart(drawn, screen.Geometry(manager));
        QVERIFY(!visible.isEmpty());
        const QImage after = screen.WaitForStill(visible);
        QVERIFY(!after.isNull());
        QVERIFY(DifferingPixels(before.copy(visible.translated(-drawn.topLeft())), after) > 200);

        // DONE closes the window; the new token is the front one, so Enter runs its command.
        QVERIFY(screen.Click(manager, DoneButton));
        QVERIFY(screen.WaitUntilGone("^Token Manager$"));
        QVERIFY(x.Focus(carousel));
        QVERIFY(screen.Keys({"Return"}));
        const qulonglong note = screen.WaitForWindow("^TessaroNote$");
        QVERIFY2(note, "Enter did not run the new token's command");
        x.Xdotool({"windowkill", QString::number(note)});
    }

    void doubleClickOnTheCarouselOpensTheManager() {
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        QVERIFY(tessaro.Start());
        LauncherScreen screen(x);
        const qulonglong carousel = screen.WaitForCarouselWindow();
        QVERIFY2(carousel, qPrintable(tessaro.Output()));
        QVERIFY(!screen.WaitForStill(screen.Geometry(carousel)).isNull());
        // Another program has the keyboard: the double click also activates the carousel.
        QVERIFY(screen.FocusOtherProgram(QStringLiteral("Elsewhere")));

        const QRect place = screen.Geometry(carousel);
        QVERIFY(screen.Click(carousel, QPoint(place.width() / 2, 40), LauncherScreen::LeftButton, 2));
        const qulonglong manager = screen.WaitForWindow("^Token Manager$");
        QVERIFY2(manager, "the double click did not open the Token Manager");
        QVERIFY2(ManagerInFront(screen, manager, carousel),
                 "the Token Manager is not in front with the keyboard");
        QCOMPARE(x.FindWindows("^Token Manager$").size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTokenManagerEndToEnd)
#include "tst_tokenmanager_e2e.moc"
