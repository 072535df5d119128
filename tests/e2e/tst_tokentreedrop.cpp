// Drops on the Token Manager's tree in the real program under Xvfb, made with the mouse (xdotool):
// files dragged in from another program, and a node dragged onto another node.
#include "TessaroRun.h"
#include "TestSupport.h"
#include "TokenDbFixture.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <cstdlib>
#include <optional>
#include <utility>

using TestSupport::TessaroRun;
using TestSupport::WaitFor;
using TestSupport::XvfbSession;

namespace {
// The tree's place in the Token Manager's client area.
const QRect TreeArea(4, 4, 210, 433);
// Where the drag source window goes: clear of the carousel and the Token Manager.
const QRect SourcePlace(1100, 20, 150, 100);
// The way from the drag source to the tree, clear of the carousel's window, which takes files too
// and covers most of the screen, and of the Token Manager's text fields.
const QPoint Corridor[] = {{1272, 70}, {4, 314}};

// A highlighted row of the tree on screen: the selected node, or the drop target while a drag is on.
struct Band {
    int top;
    int bottom;
    int checkBox; // where the node's check box begins: deeper nodes have it further right
    int Middle() const { return (top + bottom) / 2; }
    int Height() const { return bottom - top + 1; }
};

bool IsHighlight(QRgb pixel) {
    return qBlue(pixel) > 150 && qBlue(pixel) - qRed(pixel) > 80;
}

bool IsWhite(QRgb pixel) {
    return qRed(pixel) > 220 && qGreen(pixel) > 220 && qBlue(pixel) > 220;
}

// The first highlighted row of the tree, looked for in a column right of the captions.
std::optional<Band> HighlightedRow(const QImage& screen, const QRect& tree) {
    if (screen.isNull())
        return std::nullopt;
    const int x = tree.right() - 30;
    int y = tree.top() + 2;
    while (y < tree.bottom() && !IsHighlight(screen.pixel(x, y)))
        ++y;
    if (y >= tree.bottom())
        return std::nullopt;
    Band band{y, y, tree.left()};
    while (band.bottom + 1 < tree.bottom() && IsHighlight(screen.pixel(x, band.bottom + 1)))
        ++band.bottom;
    // The white inside of the check box, the first white on the highlighted row.
    while (band.checkBox < x && !IsWhite(screen.pixel(band.checkBox, band.Middle())))
        ++band.checkBox;
    return band;
}

bool Near(int left, int right) {
    return std::abs(left - right) <= 2;
}
} // namespace

class TestTokenTreeDrop : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    std::unique_ptr<TessaroRun> mTessaro;
    QRect mTree; // the tree on screen
    bool mWiggle = false;
    QProcess* mSource = nullptr; // the drag source program

    QRect Geometry(qulonglong window) const {
        QString output;
        mX->Xdotool({"getwindowgeometry", "--shell", QString::number(window)}, &output);
        QHash<QString, int> values;
        for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
        return {values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT")};
    }

    bool Pointer(const QStringList& arguments) const { return mX->Xdotool(arguments); }
    bool MoveTo(QPoint point) const {
        return Pointer({"mousemove", QString::number(point.x()), QString::number(point.y())});
    }
    // Moves the pointer a pixel to and fro about the point: a drag learns the answer of the place
    // under the pointer only when the pointer moves.
    bool Wiggle(QPoint point) {
        mWiggle = !mWiggle;
        return MoveTo(point + QPoint(mWiggle ? 1 : 0, 0));
    }

    std::optional<Band> SelectedRow() const { return HighlightedRow(mX->Screenshot(), mTree); }
    // Waits until the highlighted row is the one the condition wants.
    std::optional<Band> WaitForRow(const std::function<bool(const Band&)>& wanted) const {
        std::optional<Band> band;
        WaitFor([&] { return (band = SelectedRow()) && wanted(*band); });
        return band;
    }

    // The real program on a database of the root and the given tokens, with its Token Manager open
    // (a double click on the carousel opens it).
    void StartWithTokenManager(const QList<TokenDbFixture::Row>& rows) {
        mTessaro = std::make_unique<TessaroRun>(*mX);
        QVERIFY(QDir().mkpath(mTessaro->DataFolder()));
        TokenDbFixture::Create(mTessaro->DatabasePath());
        TokenDbFixture::AddRows(mTessaro->DatabasePath(), rows);
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
        QRect carousel;
        for (qulonglong window : mTessaro->MainWindows())
            if (Geometry(window).width() * Geometry(window).height() > carousel.width() * carousel.height())
                carousel = Geometry(window);
        QVERIFY(MoveTo(carousel.center()));
        QVERIFY(Pointer({"click", "--repeat", "2", "--delay", "80", "1"}));
        QList<qulonglong> managers;
        QVERIFY2(WaitFor([&] { return !(managers = mX->FindWindows("^Token Manager$")).isEmpty(); }),
                 qPrintable(mTessaro->Output()));
        mTree = TreeArea.translated(Geometry(managers.first()).topLeft());
    }

    int StoredCount(const QString& condition) const {
        SqlConnection connection(mTessaro->DatabasePath());
        SqlRowSet rows = connection.Query("SELECT COUNT(*) AS n FROM Tokens WHERE " + condition);
        rows.MoveFirst();
        return rows.Value("n").toInt();
    }

private slots:
    void initTestCase() {
        mX = std::make_unique<XvfbSession>(XvfbSession::Options{.withTray = true});
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
    }

    void cleanup() {
        // A test that stopped halfway through a drag leaves no button held and no drag going.
        Pointer({"mouseup", "1"});
        if (mSource)
            XvfbSession::Stop(std::exchange(mSource, nullptr));
        // Each test has a program of its own: the one before leaves the screen.
        if (mTessaro)
            for (int i = 0; mTessaro->Process(i); ++i)
                XvfbSession::Stop(mTessaro->Process(i));
        mTessaro.reset();
    }
    void cleanupTestCase() { mX.reset(); }

    void filesDroppedFromAnotherProgram() {
        StartWithTokenManager({{2, 1, "Target"}});
        // The only token of the level on show is the active one: its node is selected.
        const std::optional<Band> target = WaitForRow([](const Band&) { return true; });
        QVERIFY(target);
        QStringList files;
        for (const char* name : {"first.txt", "second.txt", "third.txt"}) {
            QFile file(QDir(mTessaro->Home()).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            files << file.fileName();
        }
        const QString place = QStringLiteral("%1,%2,%3,%4")
                                  .arg(SourcePlace.x())
                                  .arg(SourcePlace.y())
                                  .arg(SourcePlace.width())
                                  .arg(SourcePlace.height());
        QProcess* source = mSource = mX->Start(TESSARO_DRAGSOURCE, QStringList{"--geometry", place} + files);
        QVERIFY(source);
        QString said;
        auto saidSoFar = [&] { return said += QString::fromLocal8Bit(source->readAllStandardOutput()); };
        QVERIFY(WaitFor(
            [&] { return saidSoFar().contains("ready") && !mX->FindWindows("^dragsource$").isEmpty(); }));

        // Over the node the drop is offered as a copy; over empty tree space it is refused, and
        // letting go there makes nothing.
        const QPoint empty(mTree.left() + 100, mTree.top() + 300);
        const QPoint onTarget(mTree.left() + 110, target->Middle());
        auto dragTo = [&](QPoint place, const QString& answer) {
            said.clear();
            return MoveTo(SourcePlace.center()) && Pointer({"mousedown", "1"}) && MoveTo(Corridor[0]) &&
                   MoveTo(Corridor[1]) &&
                   WaitFor([&] { return Wiggle(place) && saidSoFar().contains(answer); });
        };
        QVERIFY2(dragTo(onTarget, "action 1"), qPrintable(said));
        QVERIFY2(WaitFor([&] { return Wiggle(empty) && saidSoFar().contains("action 0"); }),
                 qPrintable(said));
        QVERIFY(Pointer({"mouseup", "1"}));
        QVERIFY2(WaitFor([&] { return saidSoFar().contains("finished 0"); }), qPrintable(said));

        // Letting go over the node makes one token, of the first file.
        QVERIFY2(dragTo(onTarget, "action 1"), qPrintable(said));
        QVERIFY(Pointer({"mouseup", "1"}));
        QVERIFY2(WaitFor([&] { return saidSoFar().contains("finished 1"); }), qPrintable(said));
        QVERIFY(WaitFor([&] { return StoredCount("TokenID > 2") > 0; }));
        QCOMPARE(StoredCount("TokenID > 2"), 1);
        SqlConnection connection(mTessaro->DatabasePath());
        SqlRowSet made = connection.Query("SELECT Caption, Command, ParentID FROM Tokens WHERE TokenID > 2");
        made.MoveFirst();
        QCOMPARE(made.Value("Caption").toString(), QStringLiteral("first"));
        QCOMPARE(made.Value("Command").toString(), files.first());
        QCOMPARE(made.Value("ParentID").toInt(), 2);
        // On screen the new node is selected, one row below the target and indented under it.
        const std::optional<Band> madeRow = WaitForRow([&](const Band& band) {
            return Near(band.Middle(), target->Middle() + target->Height()) &&
                   band.checkBox > target->checkBox;
        });
        QVERIFY(madeRow);
    }

    void nodeDraggedOntoAnotherNode() {
        StartWithTokenManager({{2, 1, "Alpha"}, {3, 1, "Beta"}});
        // The carousel opens on the middle of the level, Beta, whose node is selected: the last row.
        const std::optional<Band> beta = WaitForRow([](const Band&) { return true; });
        QVERIFY(beta);
        const QPoint from(mTree.left() + 110, beta->Middle());
        const QPoint onAlpha(from.x(), beta->Middle() - beta->Height());
        QVERIFY(MoveTo(from));
        QVERIFY(Pointer({"mousedown", "1"}));
        for (int dy = 3; dy <= 15; dy += 3)
            QVERIFY(MoveTo(from - QPoint(0, dy)));
        // While the pointer is over Alpha, Alpha is marked as the drop target.
        QVERIFY(WaitForRow(
            [&](const Band& band) { return Wiggle(onAlpha) && Near(band.Middle(), onAlpha.y()); }));
        QVERIFY(Pointer({"mouseup", "1"}));
        QVERIFY(WaitFor([&] { return StoredCount("TokenID = 3 AND ParentID = 2") == 1; }));
        QCOMPARE(StoredCount("ParentID = 1"), 1);
        // Beta is shown and selected under Alpha: in the same row, one level deeper.
        QVERIFY(WaitForRow([&](const Band& band) {
            return Near(band.Middle(), beta->Middle()) && band.checkBox > beta->checkBox;
        }));
    }
};

QTEST_MAIN(TestTokenTreeDrop)
#include "tst_tokentreedrop.moc"
