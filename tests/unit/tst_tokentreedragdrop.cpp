// Dragging nodes and files onto the Token Manager's tree: what is stored, how the tree and the
// carousel follow, the drop target, the drag cursor and the scrolling near the tree's edges.
#include "TokenManagerWindowRig.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"
#include "ui/TokenTreeDragDrop.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeWidgetItemIterator>
#include <QUrl>

namespace {
constexpr Qt::DropActions ShellActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// What one drag event was answered with.
struct Answer {
    bool accepted;
    Qt::DropAction action;
};

struct DragRig : TokenManagerWindowRig {
    using TokenManagerWindowRig::TokenManagerWindowRig;

    TokenTreeDragDrop* DragDrop() const { return window->TreeDragDrop(); }
    QWidget* Viewport() const { return Tree()->viewport(); }

    // The middle of the node's row, in the viewport, after scrolling it into view.
    QPoint NodePoint(const QString& key) const {
        QTreeWidgetItem* node = Tree()->Node(key);
        if (!node)
            qFatal("no node %s", qPrintable(key));
        Tree()->scrollToItem(node);
        return Tree()->visualItemRect(node).center();
    }
    // A point below the last row.
    QPoint EmptyPoint(int dx = 0) const {
        const QPoint point(Viewport()->width() / 2 + dx, Viewport()->height() - 5);
        if (Tree()->itemAt(point))
            qFatal("the tree's rows reach its bottom");
        return point;
    }

    Answer Send(QEvent::Type type, QPoint point, const QMimeData& data, Qt::DropActions actions) const {
        std::unique_ptr<QDropEvent> event;
        if (type == QEvent::DragEnter)
            event = std::make_unique<QDragEnterEvent>(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        else if (type == QEvent::DragMove)
            event = std::make_unique<QDragMoveEvent>(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        else
            event = std::make_unique<QDropEvent>(point, actions, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Viewport(), event.get());
        // File drops are taken up after the drop event, once control is back in the event loop.
        if (type == QEvent::Drop)
            QCoreApplication::sendPostedEvents(window, QEvent::MetaCall);
        return {event->isAccepted(), event->dropAction()};
    }
    void Leave() const {
        QDragLeaveEvent event;
        QCoreApplication::sendEvent(Viewport(), &event);
    }

    // The user presses on the node (selecting it), drags it onto the target and lets go.
    Answer DragNode(const QString& dragged, const QString& target) {
        ClickNode(dragged);
        const std::unique_ptr<QMimeData> data(TokenTreeDragDrop::NodeData(dragged));
        Send(QEvent::DragEnter, NodePoint(dragged), *data, Qt::MoveAction);
        Send(QEvent::DragMove, NodePoint(target), *data, Qt::MoveAction);
        return Send(QEvent::Drop, NodePoint(target), *data, Qt::MoveAction);
    }

    // Every node in display order, indented by depth: the tree's shape.
    QString Shape() const {
        QStringList lines;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            int depth = 0;
            for (const QTreeWidgetItem* parent = (*it)->parent(); parent; parent = parent->parent())
                ++depth;
            lines << QString(depth, QLatin1Char('.')) + TokenTreeWidget::KeyOf(*it);
        }
        return lines.join(QLatin1Char(' '));
    }
    // Every row's parent as stored: "1:0 2:1 ...".
    QString StoredParents() const {
        SqlConnection connection(path);
        SqlRowSet rows =
            connection.Query(QStringLiteral("SELECT TokenID, ParentID FROM Tokens ORDER BY TokenID"));
        QStringList pairs;
        for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext())
            pairs << rows.Value("TokenID").toString() + ":" + rows.Value("ParentID").toString();
        return pairs.join(QLatin1Char(' '));
    }
    // Writes a mark into a row behind the program's back: an update of the row overwrites it.
    void MarkRow(int id) const {
        SqlConnection connection(path);
        connection.Execute(
            QStringLiteral("UPDATE Tokens SET Description = 'mark' WHERE TokenID = %1").arg(id));
    }
    bool MarkStands(int id) const { return Stored(id, "Description").toString() == QLatin1String("mark"); }

    QStringList ChildrenOf(const QString& key) const {
        QStringList keys;
        const QTreeWidgetItem* node = Tree()->Node(key);
        for (int i = 0; i < node->childCount(); ++i)
            keys << TokenTreeWidget::KeyOf(node->child(i));
        return keys;
    }
    // The image keys the level on show should have: its enabled children, when it is active.
    QStringList ExpectedLevelImages() const {
        QStringList keys;
        const QString root = tokens->CurrentRootKey();
        for (const auto& [key, token] : *tokens)
            if (key != QLatin1String("ID1") && token->ParentKey() == root && token->Enabled() &&
                tokens->IsActive(root))
                keys << cTokenManager::ImageKeyOf(*token);
        keys.sort();
        return keys;
    }
    QStringList LevelImages() const {
        QStringList keys;
        const auto images = tokens->CurrentImages();
        for (int i = 0; i < images->Count(); ++i)
            keys << images->KeyAt(i);
        keys.sort();
        return keys;
    }
};

QString Key(int id) {
    return QStringLiteral("ID%1").arg(id);
}

QList<TokenDbFixture::Row> TreeWithTwoChesses() {
    QList<TokenDbFixture::Row> rows = StandardTree();
    rows.append({11, 5, "Chess"});
    return rows;
}

QList<TokenDbFixture::Row> LongLevel() {
    QList<TokenDbFixture::Row> rows;
    for (int i = 0; i < 80; ++i)
        rows.append({i + 2, 1, QStringLiteral("Item %1").arg(i, 2, 10, QLatin1Char('0'))});
    return rows;
}

std::unique_ptr<QMimeData> FileData(const QList<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

QImage ResourceImage(const char* name) {
    return Imaging::Decode(LoadResource("CUSTOM", name)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
} // namespace

class TestTokenTreeDragDrop : public QObject {
    Q_OBJECT
private slots:
    void dropOntoItsOwnParentStoresItAgainAndSortsTheSiblings() {
        DragRig rig;
        rig.Open();
        rig.tokens->CreateNewToken("ID2"); // "New Token", last under Games until the next sort
        QCOMPARE(rig.ChildrenOf("ID2"), (QStringList{"ID3", "ID6", "ID10", "ID61"}));
        const QString parents = rig.StoredParents();
        rig.MarkRow(3);

        const Answer dropped = rig.DragNode("ID3", "ID2");
        QVERIFY(dropped.accepted);
        QCOMPARE(dropped.action, Qt::MoveAction);
        QVERIFY2(!rig.MarkStands(3), "the row is written again");
        QCOMPARE(rig.StoredParents(), parents);
        QCOMPARE(rig.ChildrenOf("ID2"), (QStringList{"ID3", "ID6", "ID61", "ID10"}));
        QCOMPARE(rig.Selected(), QStringLiteral("ID3"));
        QVERIFY(!rig.Tree()->DropHighlight());
        // Apart from the sorted siblings the tree is what a fresh fill gives.
        const QString shape = rig.Shape();
        rig.window->PopulateTree("ID3", false);
        QCOMPARE(rig.Shape(), shape);
    }

    void dropsThatChangeNothing_data() {
        QTest::addColumn<int>("draggedId");
        QTest::addColumn<int>("targetId");
        QTest::newRow("onto itself") << 3 << 3;
        QTest::newRow("onto another node of the same caption") << 3 << 11;
        QTest::newRow("onto its child") << 2 << 3;
        QTest::newRow("onto its grandchild") << 2 << 4;
        QTest::newRow("onto a descendant in a disabled branch") << 2 << 9;
        QTest::newRow("the root onto a token") << 1 << 5;
    }

    void dropsThatChangeNothing() {
        QFETCH(int, draggedId);
        QFETCH(int, targetId);
        const QString dragged = Key(draggedId), target = Key(targetId);
        DragRig rig(TreeWithTwoChesses());
        rig.Open();
        rig.Tree()->SelectNode(rig.Tree()->Node("ID9")); // every node on show
        rig.Tree()->expandAll();
        const QString shape = rig.Shape();
        const QString parents = rig.StoredParents();
        const QString parentInMemory = rig.tokens->Item(dragged)->ParentKey();
        rig.MarkRow(draggedId);

        rig.ClickNode(dragged);
        const std::unique_ptr<QMimeData> data(TokenTreeDragDrop::NodeData(dragged));
        rig.Send(QEvent::DragEnter, rig.NodePoint(dragged), *data, Qt::MoveAction);
        const Answer over = rig.Send(QEvent::DragMove, rig.NodePoint(target), *data, Qt::MoveAction);
        QVERIFY(!over.accepted);
        QCOMPARE(rig.DragDrop()->DragCursor(), TokenTreeDragDrop::NoDropCursor);
        QCOMPARE(rig.Tree()->DropHighlight(), rig.Tree()->Node(target)); // the target follows the pointer
        const Answer dropped = rig.Send(QEvent::Drop, rig.NodePoint(target), *data, Qt::MoveAction);
        QVERIFY(!dropped.accepted);

        QVERIFY(!rig.Tree()->DropHighlight());
        QVERIFY2(rig.MarkStands(draggedId), "nothing is written");
        QCOMPARE(rig.StoredParents(), parents);
        QCOMPARE(rig.Shape(), shape);
        QCOMPARE(rig.Selected(), dragged);
        QCOMPARE(rig.tokens->Item(dragged)->ParentKey(), parentInMemory);
    }

    void movesKeepTheCarouselInStep_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("levelAfter");
        QTest::addColumn<QString>("imageKey");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("active");
        QTest::newRow("a child of the level moved to another level")
            << 2 << 3 << 5 << 2 << "ChessID3" << false << true;
        QTest::newRow("a token moved onto the current root")
            << 2 << 5 << 2 << 2 << "ToolsID5" << true << true;
        QTest::newRow("a child of the level moved into a disabled branch")
            << 1 << 5 << 7 << 1 << "ToolsID5" << false << false;
        QTest::newRow("a token moved out of a disabled branch onto the level")
            << 1 << 8 << 1 << 1 << "OldID8" << true << true;
        QTest::newRow("the level's branch moved into a disabled branch: back to the root")
            << 3 << 2 << 7 << 1 << "OfficeID52" << true << false;
        QTest::newRow("the level moved under a disabled sibling: back to the nearest active level")
            << 3 << 3 << 6 << 2 << "PokerID10" << true << false;
        QTest::newRow("a level elsewhere gains a token") << 52 << 5 << 2 << 52 << "ToolsID5" << false << true;
    }

    void movesKeepTheCarouselInStep() {
        QFETCH(int, level);
        QFETCH(int, dragged);
        QFETCH(int, target);
        QFETCH(int, levelAfter);
        QFETCH(QString, imageKey);
        QFETCH(bool, shown);
        QFETCH(bool, active);
        DragRig rig;
        rig.ShowLevel(Key(level));
        rig.Open();
        rig.Tree()->expandAll();

        QVERIFY(rig.DragNode(Key(dragged), Key(target)).accepted);
        QCOMPARE(rig.Stored(dragged, "ParentID").toInt(), target);
        QCOMPARE(TokenTreeWidget::KeyOf(rig.Tree()->Node(Key(dragged))->parent()), Key(target));
        QCOMPARE(rig.tokens->CurrentRootKey(), Key(levelAfter));
        QCOMPARE(rig.tokens->CurrentImages()->Exists(imageKey), shown);
        QCOMPARE(rig.LevelImages(), rig.ExpectedLevelImages());
        QCOMPARE(rig.carousel->ImageCount(), rig.tokens->CurrentImages()->Count());
        // An active token off the level keeps an image in the cache; an inactive one has none at all.
        const QString movedImage = cTokenManager::ImageKeyOf(*rig.tokens->Item(Key(dragged)));
        const bool onLevel = rig.tokens->CurrentImages()->Exists(movedImage);
        QCOMPARE(rig.tokens->ImageCache().Exists(movedImage), active && !onLevel);
        QCOMPARE(onLevel || rig.tokens->ImageCache().Exists(movedImage), active);
    }

    void autoScrollNearTheEdges_data() {
        QTest::addColumn<bool>("fromBottom");
        QTest::addColumn<int>("distance"); // from the edge, in the tree's own pixels
        QTest::addColumn<bool>("files");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("lines"); // per event; up is negative
        QTest::newRow("19 pixels below the top") << false << 19 << false << 1 << -1;
        QTest::newRow("20 pixels below the top") << false << 20 << false << 1 << 0;
        QTest::newRow("20 pixels above the bottom") << true << 20 << false << 1 << 0;
        QTest::newRow("19 pixels above the bottom") << true << 19 << false << 1 << 1;
        QTest::newRow("near the top, three events") << false << 8 << false << 3 << -1;
        QTest::newRow("near the bottom, three events") << true << 8 << false << 3 << 1;
        QTest::newRow("in the middle") << false << 200 << false << 3 << 0;
        QTest::newRow("files near the bottom") << true << 10 << true << 2 << 1;
    }

    void autoScrollNearTheEdges() {
        QFETCH(bool, fromBottom);
        QFETCH(int, distance);
        QFETCH(bool, files);
        QFETCH(int, events);
        QFETCH(int, lines);
        DragRig rig(LongLevel());
        rig.Open();
        QScrollBar* bar = rig.Tree()->verticalScrollBar();
        QVERIFY(bar->maximum() > 10 * bar->singleStep());
        bar->setValue(bar->maximum() / 2);
        const int before = bar->value();

        QTemporaryDir folder;
        const QString file = folder.filePath("notes.txt");
        QFile(file).open(QIODevice::WriteOnly);
        const std::unique_ptr<QMimeData> data(
            files ? FileData({QUrl::fromLocalFile(file)})
                  : std::unique_ptr<QMimeData>(TokenTreeDragDrop::NodeData("ID2")));
        const Qt::DropActions actions = files ? ShellActions : Qt::DropActions(Qt::MoveAction);
        const int treeY = fromBottom ? rig.Tree()->height() - distance : distance;
        const QPoint point = rig.Viewport()->mapFrom(rig.Tree(), QPoint(rig.Tree()->width() / 2, treeY));
        QVERIFY(rig.Send(QEvent::DragEnter, point, *data, actions).accepted);
        QCOMPARE(bar->value(), before); // entering is not a drag-over event
        for (int i = 0; i < events; ++i)
            rig.Send(QEvent::DragMove, point, *data, actions);
        QCOMPARE(bar->value(), before + lines * events * bar->singleStep());
        rig.Leave();
    }

    void dragCursorChangesOnlyWithTheWantedImage() {
        DragRig rig;
        rig.Open();
        TokenTreeDragDrop* dragDrop = rig.DragDrop();
        QSignalSpy changes(dragDrop, &TokenTreeDragDrop::DragCursorChanged);
        QVERIFY(dragDrop->DragCursor().isEmpty());
        rig.ClickNode("ID5");
        const std::unique_ptr<QMimeData> data(TokenTreeDragDrop::NodeData("ID5"));
        QVERIFY(rig.Send(QEvent::DragEnter, rig.NodePoint("ID5"), *data, Qt::MoveAction).accepted);
        QCOMPARE(changes.count(), 0);

        struct Step {
            const char* over; // a node's key, or "" for empty space
            int dx;
            const char* cursor;
            int changes;
        };
        const Step steps[] = {
            {"ID2", 0, "OK_DROP", 1}, {"ID52", 0, "OK_DROP", 1}, {"", 0, "NO_DROP", 2},
            {"", 30, "NO_DROP", 2},   {"ID5", 0, "NO_DROP", 2},  {"ID1", 0, "OK_DROP", 3},
            {"ID7", 0, "OK_DROP", 3},
        };
        const QImage okImage = ResourceImage("OK_DROP");
        const QImage noImage = ResourceImage("NO_DROP");
        qint64 iconKey = 0;
        int changesBefore = 0;
        for (const Step& step : steps) {
            const QString over = QString::fromLatin1(step.over);
            const QPoint point = over.isEmpty() ? rig.EmptyPoint(step.dx) : rig.NodePoint(over);
            const Answer answer = rig.Send(QEvent::DragMove, point, *data, Qt::MoveAction);
            QCOMPARE(answer.accepted, QLatin1String(step.cursor) == QLatin1String("OK_DROP"));
            QCOMPARE(dragDrop->DragCursor(), QString::fromLatin1(step.cursor));
            QCOMPARE(changes.count(), step.changes);
            QCOMPARE(changes.last().first().toString(), QString::fromLatin1(step.cursor));
            QCOMPARE(TokenTreeWidget::KeyOf(rig.Tree()->DropHighlight()), over);
            const QImage icon =
                dragDrop->DragIcon().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCOMPARE(icon, dragDrop->DragCursor() == TokenTreeDragDrop::OkDropCursor ? okImage : noImage);
            // An unchanged name keeps the very image it had: nothing was read or decoded again.
            if (changes.count() == changesBefore)
                QCOMPARE(dragDrop->DragIcon().cacheKey(), iconKey);
            iconKey = dragDrop->DragIcon().cacheKey();
            changesBefore = int(changes.count());
        }
        // Leaving the tree wants the no-drop image and leaves no drop target.
        rig.Leave();
        QCOMPARE(changes.count(), 4);
        QCOMPARE(dragDrop->DragCursor(), TokenTreeDragDrop::NoDropCursor);
        QVERIFY(!rig.Tree()->DropHighlight());

        // Back in and dropped: the image set last stays after the drop.
        rig.Send(QEvent::DragEnter, rig.NodePoint("ID2"), *data, Qt::MoveAction);
        rig.Send(QEvent::DragMove, rig.NodePoint("ID2"), *data, Qt::MoveAction);
        QVERIFY(rig.Send(QEvent::Drop, rig.NodePoint("ID2"), *data, Qt::MoveAction).accepted);
        QCOMPARE(changes.count(), 5);
        QCOMPARE(dragDrop->DragCursor(), TokenTreeDragDrop::OkDropCursor);
        QCOMPARE(rig.tokens->Item("ID5")->ParentKey(), QStringLiteral("ID2"));
    }

    void shellDropMakesOneTokenFromTheFirstFile() {
        DragRig rig;
        rig.Open();
        QList<QUrl> urls;
        for (const char* name : {"first.txt", "second.txt", "third.txt"}) {
            QFile file(rig.dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            urls << QUrl::fromLocalFile(file.fileName());
        }
        const int tokensBefore = rig.tokens->Count();
        const int rowsBefore = rig.StoredRowCount();
        const std::unique_ptr<QMimeData> data = FileData(urls);

        const Answer entered = rig.Send(QEvent::DragEnter, rig.EmptyPoint(), *data, ShellActions);
        QVERIFY(entered.accepted);
        const Answer over = rig.Send(QEvent::DragMove, rig.NodePoint("ID5"), *data, ShellActions);
        QVERIFY(over.accepted);
        QCOMPARE(over.action, Qt::CopyAction);
        QCOMPARE(rig.Tree()->DropHighlight(), rig.Tree()->Node("ID5"));
        QVERIFY(rig.DragDrop()->DragCursor().isEmpty()); // the other program shows its own cursor
        const Answer dropped = rig.Send(QEvent::Drop, rig.NodePoint("ID5"), *data, ShellActions);
        QVERIFY(dropped.accepted);
        QCOMPARE(dropped.action, Qt::CopyAction);
        QVERIFY(!rig.Tree()->DropHighlight());

        QCOMPARE(rig.tokens->Count(), tokensBefore + 1);
        QCOMPARE(rig.StoredRowCount(), rowsBefore + 1);
        const std::shared_ptr<cToken> token = rig.tokens->Item("ID61");
        QCOMPARE(token->Caption(), QStringLiteral("first"));
        QCOMPARE(token->Command(), urls[0].toLocalFile());
        QCOMPARE(token->ParentKey(), QStringLiteral("ID5"));
        QCOMPARE(rig.Stored(61, "ParentID").toInt(), 5);
        QCOMPARE(rig.Stored(61, "Command").toString(), urls[0].toLocalFile());
        QCOMPARE(TokenTreeWidget::KeyOf(rig.Tree()->Node("ID61")->parent()), QStringLiteral("ID5"));
        QCOMPARE(rig.Selected(), QStringLiteral("ID61"));
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID61"));
    }

    void shellDragsThatCreateNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("enterTaken");
        QTest::addColumn<QString>("over");
        QTest::newRow("files over empty space") << "files" << true << "";
        QTest::newRow("text over a node") << "text" << false << "ID5";
        QTest::newRow("a web address over a node") << "web" << false << "ID5";
    }

    void shellDragsThatCreateNothing() {
        QFETCH(QString, kind);
        QFETCH(bool, enterTaken);
        QFETCH(QString, over);
        DragRig rig;
        rig.Open();
        QFile file(rig.dir.filePath("notes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QMimeData data;
        if (kind == QLatin1String("files"))
            data.setUrls({QUrl::fromLocalFile(file.fileName())});
        else if (kind == QLatin1String("text"))
            data.setText(file.fileName());
        else
            data.setUrls({QUrl("https://example.org/notes.txt")});
        const int tokensBefore = rig.tokens->Count();
        const int rowsBefore = rig.StoredRowCount();
        const QPoint point = over.isEmpty() ? rig.EmptyPoint() : rig.NodePoint(over);

        QCOMPARE(rig.Send(QEvent::DragEnter, point, data, ShellActions).accepted, enterTaken);
        QVERIFY(!rig.Send(QEvent::DragMove, point, data, ShellActions).accepted);
        QVERIFY(!rig.Tree()->DropHighlight());
        QVERIFY(!rig.Send(QEvent::Drop, point, data, ShellActions).accepted);
        QCOMPARE(rig.tokens->Count(), tokensBefore);
        QCOMPARE(rig.StoredRowCount(), rowsBefore);
        QCOMPARE(rig.Tree()->NodeCount(), tokensBefore);
    }
};

QTEST_MAIN(TestTokenTreeDragDrop)
#include "tst_tokentreedragdrop.moc"
