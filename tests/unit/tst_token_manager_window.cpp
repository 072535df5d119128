// The Token Manager window on the whole program: its tree, edits, drags onto the tree and its image picker.
#include "AppRig.h"
#include "FormChecks.h"
#include "app/modMain.h"
#include "carousel/cCarousel.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"
#include "store/cTokenManager.h"
#include "ui/TokenTreeDragDrop.h"
#include "ui/TokenTreeWidget.h"
#include "ui/frmImagePicker.h"
#include "ui/frmTokenManager.h"

#include <QtTest>
#include <QtWidgets>
#include <sys/stat.h>

namespace {
using Row = TokenDbFixture::Row;

// The program with its Token Manager open on the active token (none: the root), a level on show.
struct Rig : AppRig {
    explicit Rig(const QList<Row>& rows = StandardTree(), QString active = {}, QString level = {})
        : AppRig(Options{rows}) {
        level.isEmpty() ? void() : ShowLevel(level);
        Tokens().SetActiveToken(active);
        w = root->ShowTokenManager();
    }
    template <typename T = QAbstractButton> T* C(const char* name) const { return Control<T>(w, name); }
    QTreeWidgetItem* Node(const QString& key) const { return w->Tree()->Node(key); }
    bool SaveEnabled() const { return C("cmdSave")->isEnabled(); }
    void Click(const QString& key) const { ClickNode(*w, key); }
    QString Stored(int id, const char* column) const { return DbProbe::Stored(path, id, column).toString(); }
    // The node selected, when its token is the one whose properties are on show.
    QString Picked() const {
        const QString selected = TokenTreeWidget::KeyOf(w->Tree()->SelectedNode());
        return selected == w->LoadedToken()->Key() ? selected : selected + " selected, not loaded";
    }
    // The nodes in display order, dotted by depth; only those that pass, when asked.
    QString Shape(const std::function<bool(QTreeWidgetItem*)>& pass = {}) const {
        QStringList nodes;
        for (QTreeWidgetItemIterator it(w->Tree()); *it; ++it)
            if (!pass || pass(*it))
                nodes << QString(Depth(*it), '.') + TokenTreeWidget::KeyOf(*it);
        return nodes.join(' ');
    }
    static int Depth(const QTreeWidgetItem* node) { return node->parent() ? Depth(node->parent()) + 1 : 0; }
    // A drag event sent to a node's row; the action taken, none when refused.
    Qt::DropAction Send(QEvent::Type type, const QString& key, const QMimeData& data) {
        const QPoint at = w->Tree()->visualItemRect(Node(key)).center();
        QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, {}, type);
        QDropEvent drop(at, Qt::MoveAction, &data, Qt::NoButton, {});
        QDropEvent* event = type == QEvent::Drop ? &drop : &move;
        QCoreApplication::sendEvent(w->Tree()->viewport(), event);
        return event->isAccepted() ? event->dropAction() : Qt::IgnoreAction;
    }
    QPointer<frmTokenManager> w;
};

// A change made in the tree while the node picked holds an edit; what the tree and the file show after.
struct Change {
    QString level, active, key, how, after; // how: delete, Delete key, Space, hidden, box, closed
    int answer, gone;                       // after: the level on show, the node picked, how many nodes
    bool enabled, saved;
};
// An edit of Tools, the column it goes to, how it is left (Save, a node picked, Esc) and the answer to that.
struct Edit {
    QString control, input, column, stored, leave;
    int answer;
};
} // namespace
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Edit)

class TestTokenManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadPrivateFont("TessaroGlyphs"); }

    // ---- The tree ------------------------------------------------------------------------------

    void windowOpensOnTheActiveTokensPath() {
        // Edited elsewhere, the file has a branch whose parent row is missing, two rows each other's parent.
        const QList<Row> broken = {{14, 99, "Orphan"}, {15, 14, "Its child"}, {16, 17, "A"}, {17, 16, "B"}};
        Rig rig(StandardTree() + broken, "ID4");
        QVERIFY(rig.Shape().endsWith(" .ID5 ID14 .ID15 ID16 .ID17")); // every token, once
        // Zoom buttons lie over the preview, which reaches above the window; labels, over the field below.
        auto allowed = [&](const QWidget* a, const QWidget* b) {
            const int overlap = a->geometry().intersected(b->geometry()).height();
            if (a->objectName() == "picPreview")
                return b == rig.w ? a->y() == -4 : b->objectName().startsWith("cmdZoom");
            return a->objectName().startsWith("Label") && overlap <= 3;
        };
        QCOMPARE(FormChecks::LayoutFault(rig.w, allowed), QString());
        QCOMPARE(QFontInfo(rig.C("cmdZoom2")->font()).family(), "TessaroGlyphs");
        QCOMPARE(rig.Picked() + rig.C<QLineEdit>("txtCaption")->text(), "ID4Openings");
        QCOMPARE(rig.Shape([](QTreeWidgetItem* node) { return node->isExpanded(); }), "ID1 .ID2 ..ID3");
        QCOMPARE(rig.Shape([](QTreeWidgetItem* n) { return !TokenTreeWidget::IsChecked(n); }), ".ID7 ..ID6");
        QTest::keyClick(rig.w->Tree(), Qt::Key_Down); // the keys pick a token as a click does
        QCOMPARE(rig.Picked(), "ID6");
        rig.C("chkHideInactive")->click(); // inactive tokens go, and the root is picked
        QCOMPARE(rig.Shape() + " " + rig.Picked(), "ID1 .ID2 ..ID3 ...ID4 ..ID10 .ID52 ..ID60 .ID5 ID1");
        rig.Click("ID5"); // "Scroll to Selected Token" is on: a token of the level on show comes to the front
        QCOMPARE(rig.Tokens().CurrentImages()->KeyAt(rig.Carousel().CurrentIndex() - 1), "ToolsID5");
    }

    void changesInTheTree_data() {
        QTest::addColumn<Change>("change");
        const int ok = MsgBox::ResultOk;
        // clang-format off
        QTest::newRow("deleting the root: refused") << Change{"ID1", "", "ID1", "delete", "ID1 ID1 12", ok, 0, true, false};
        QTest::newRow("deleting cancelled") << Change{"ID1", "", "ID2", "delete", "ID1 ID2 12", MsgBox::ResultCancel, 0, true, false};
        QTest::newRow("deleting the branch of the level on show") << Change{"ID3", "", "ID2", "Delete key", "ID1 ID1 6", ok, 6, true, false};
        QTest::newRow("deleting Tools while Office is on show") << Change{"ID52", "", "ID5", "delete", "ID52 ID1 11", ok, 1, true, false};
        QTest::newRow("the root ticked again") << Change{"ID1", "", "ID1", "Space", "ID1 ID1 12", ok, 0, true, false};
        QTest::newRow("unticked: the level within left") << Change{"ID3", "ID4", "ID2", "Space", "ID1 ID2 12", ok, 0, false, false};
        QTest::newRow("unticked, inactive hidden: the branch goes") << Change{"ID1", "ID5", "ID2", "hidden", "ID1 ID52 4", MsgBox::ResultYes, 0, false, true};
        QTest::newRow("a click on a box picks nothing") << Change{"ID1", "", "ID52", "box", "ID1 ID1 12", ok, 0, false, false};
        QTest::newRow("the window closed while asking") << Change{"ID1", "ID5", "ID5", "closed", "", ok, 0, true, false};
        // clang-format on
    }

    void changesInTheTree() {
        QFETCH(Change, change);
        Rig rig(StandardTree(), change.active, change.level);
        TokenTreeWidget* tree = rig.w->Tree();
        if (change.how == "hidden")
            rig.C("chkHideInactive")->click();
        if (change.how != "box")
            rig.Click(change.key);
        rig.C<QLineEdit>("txtCaption")->setText("Edited"); // offered for saving when the tree is filled again
        rig.answers = {change.answer};
        if (change.how == "closed") // the question lets other events run; one of them may close the window
            SetMessageBoxResponder([&rig](const MessageBoxRequest&) {
                rig.w->close(); // at once, as a nested event loop would
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return MsgBox::ResultNo;
            });
        const QRect row = tree->visualItemRect(rig.Node(change.key));
        const int box = tree->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tree) / 2 + 2;
        if (change.how == "box")
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, {row.left() + box, row.center().y()});
        else if (change.how == "delete" || change.how == "closed")
            rig.C(change.how == "delete" ? "cmdDelete" : "chkHideInactive")->click();
        else
            QTest::keyClick(tree, change.how == "Delete key" ? Qt::Key_Delete : Qt::Key_Space);
        QCOMPARE(rig.asked.size(), int(change.how.contains("elete") || change.saved));
        QCOMPARE(DbProbe::Scalar(rig.path, "SELECT COUNT(*) FROM Tokens").toInt(), 12 - change.gone);
        const int id = change.key.mid(2).toInt();
        QVERIFY(change.gone || rig.Stored(id, "Enabled") == QString::number(change.enabled));
        QCOMPARE(rig.Stored(id, "Caption") == "Edited", change.saved);
        QTRY_COMPARE(rig.w.isNull(), change.how == "closed");
        if (!rig.w) // and tokens made elsewhere no longer reach it
            return rig.Tokens().CreateNewToken("ID1");
        QVERIFY(!rig.Node(change.key) || TokenTreeWidget::IsChecked(rig.Node(change.key)) == change.enabled);
        const QString after = QString("%1 %2 %3").arg(rig.Tokens().CurrentRootKey(), rig.Picked());
        QCOMPARE(after.arg(tree->NodeCount()), change.after);
        QCOMPARE(rig.SaveEnabled(), !change.gone && !change.saved); // the edit of a token deleted goes too
    }

    // ---- Editing -------------------------------------------------------------------------------

    void anEditIsStoredOnlyWhenSaved_data() {
        QTest::addColumn<Edit>("edit");
        const int no = MsgBox::ResultNo, yes = MsgBox::ResultYes;
        // clang-format off
        QTest::newRow("caption") << Edit{"txtCaption", "Toolbox", "Caption", "Toolbox", "cmdSave", 0};
        QTest::newRow("command") << Edit{"txtCommand", "/usr/bin/tool", "Command", "/usr/bin/tool", "cmdSave", 0};
        QTest::newRow("parameters") << Edit{"txtParameters", "--all \"two\"", "Parameters", "--all \"two\"", "cmdSave", 0};
        QTest::newRow("description") << Edit{"txtDescription", "For tools", "Description", "For tools", "cmdSave", 0};
        QTest::newRow("hide after execution") << Edit{"chkHideAfterExecution", "1", "HideAfterExecution", "0", "cmdSave", 0};
        // The scale steps by 0.05 and stops past 0.15 and 2.0 as its sum stands; the preview's buttons zoom too.
        QTest::newRow("- 25 times") << Edit{"cmdZoom1", "25", "TokenIconScale", "15", "cmdSave", 0};
        QTest::newRow("+ 26 times") << Edit{"cmdZoom2", "26", "TokenIconScale", "200", "cmdSave", 0};
        QTest::newRow("right, right, left, middle on the preview") << Edit{"picPreview", "2214", "TokenIconScale", "105", "cmdSave", 0};
        QTest::newRow("another node picked, Yes") << Edit{"txtCaption", "Aardvark", "Caption", "Aardvark", "ID52", yes};
        QTest::newRow("another node picked, No") << Edit{"txtCaption", "Aardvark", "Caption", "Tools", "ID52", no};
        QTest::newRow("the same node again, No") << Edit{"txtCaption", "Aardvark", "Caption", "Tools", "ID5", no};
        QTest::newRow("Esc in the tree, Yes") << Edit{"txtCaption", "Aardvark", "Caption", "Aardvark", "tvwTokens", yes};
        QTest::newRow("Esc in the description, No") << Edit{"txtCommand", "/bin/x", "Command", "/bin/tools", "txtDescription", no};
        // clang-format on
    }

    void anEditIsStoredOnlyWhenSaved() {
        QFETCH(Edit, edit);
        QList<Row> rows = StandardTree();
        rows[6] = {5, 1, "Tools", true, "not a picture at all", "/bin/tools", 100, true, "All tools"};
        Rig rig(rows, "ID2");
        rig.Click("ID5"); // loading its fields is no edit; a picture that cannot be read is shown as none
        QVERIFY(!rig.SaveEnabled() && !rig.C<QLabel>("picPreview")->pixmap().isNull());
        QWidget* control = Control<QWidget>(rig.w, qPrintable(edit.control));
        if (auto* line = qobject_cast<QLineEdit*>(control))
            line->setText(edit.input);
        else if (auto* box = qobject_cast<QPlainTextEdit*>(control))
            box->setPlainText(edit.input);
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            for (int click = 0; click < (button->isCheckable() ? 1 : edit.input.toInt()); ++click)
                button->click();
        else
            for (const QChar click : edit.input)
                QTest::mouseClick(control, Qt::MouseButton(click.digitValue()));
        QVERIFY(rig.SaveEnabled());
        rig.answers = {edit.answer};
        if (edit.leave.startsWith("ID"))
            rig.Click(edit.leave);
        else if (edit.leave == "cmdSave")
            rig.C("cmdSave")->click();
        else
            QTest::keyClick(Control<QWidget>(rig.w, qPrintable(edit.leave)), Qt::Key_Escape);
        QCOMPARE(rig.asked.size(), int(edit.answer != 0));
        QCOMPARE(rig.Stored(5, qPrintable(edit.column)), edit.stored);
        QCOMPARE(rig.Stored(5, "SourceImage"), "not a picture at all"); // kept as it is
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rig.w.isNull(), edit.leave.startsWith("t")); // Esc closes the window
        if (!rig.w)
            return;
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.Picked(), edit.leave.startsWith("ID") ? edit.leave : "ID5");
        QCOMPARE(rig.C<QLineEdit>("txtCaption")->text(), rig.Tokens().Item(rig.Picked())->Caption());
        // The tree (sorted) and the carousel follow the caption as stored.
        const QString caption = rig.Stored(5, "Caption");
        QCOMPARE(rig.Node("ID1")->indexOfChild(rig.Node("ID5")), caption == "Aardvark" ? 0 : 3);
        QVERIFY(rig.Node("ID5")->text(0) == caption && rig.Tokens().CurrentImages()->Exists(caption + "ID5"));
    }

    // ---- Dragging onto the tree ----------------------------------------------------------------

    void nodeDrops_data() {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("levels"); // on show before and after; none: the drop is refused
        QTest::newRow("onto its own parent: stored again, sorted in") << 3 << 2 << "ID1 ID1";
        QTest::newRow("onto a node of the same caption") << 3 << 11 << "";
        QTest::newRow("onto a descendant in a disabled branch") << 2 << 9 << "";
        QTest::newRow("the root onto a token") << 1 << 5 << "";
        QTest::newRow("the level's branch into a disabled one") << 2 << 7 << "ID3 ID1";
        QTest::newRow("the level under a disabled sibling") << 3 << 6 << "ID3 ID2";
    }

    void nodeDrops() {
        QFETCH(int, dragged);
        QFETCH(int, target);
        QFETCH(QString, levels);
        const QString node = QString("ID%1").arg(dragged), onto = QString("ID%1").arg(target);
        const Qt::DropAction taken = levels.isEmpty() ? Qt::IgnoreAction : Qt::MoveAction;
        Rig rig(StandardTree() << Row{11, 5, "Chess"}, {}, levels.section(' ', 0, 0));
        if (target == 2)
            rig.Tokens().CreateNewToken("ID2"); // "New Token", last under Games until they are sorted
        rig.w->Tree()->expandAll();
        const QString shape = rig.Shape(), parent = rig.Stored(dragged, "ParentID");
        rig.Click(node);
        const std::unique_ptr<QMimeData> data(TokenTreeDragDrop::NodeData(node));
        rig.Send(QEvent::DragEnter, node, *data);
        QCOMPARE(rig.Send(QEvent::DragMove, onto, *data), taken);
        // The drag shows the picture wanted there, transparent where it is.
        const QString wanted = taken ? TokenTreeDragDrop::OkDropCursor : TokenTreeDragDrop::NoDropCursor;
        QCOMPARE(rig.w->TreeDragDrop()->DragCursor(), wanted);
        const QImage picture = Imaging::Decode(LoadResource("CUSTOM", qPrintable(wanted)));
        QCOMPARE(rig.w->TreeDragDrop()->DragIcon().toImage().convertToFormat(picture.format()), picture);
        QCOMPARE(rig.Send(QEvent::Drop, onto, *data), taken);
        QCOMPARE(rig.Picked(), node);
        QCOMPARE(rig.Stored(dragged, "ParentID"), taken ? onto.mid(2) : parent);
        QCOMPARE(rig.Tokens().CurrentRootKey(), taken ? levels.section(' ', 1) : "ID1");
        const QString after = rig.Shape(); // below its target, sorted in: as a fresh fill has it
        rig.w->PopulateTree(node, false);
        QCOMPARE(after, taken ? rig.Shape() : shape);
    }

    // ---- The image picker -----------------------------------------------------------------------

    // A file picked, then Return, Use, Cancel, Esc or the close box: Use and Return hand back a readable one.
    void pickerHandsBackOnlyWhatIsUsed_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QColor>("seen"); // at the top of the picture prepared; none: the file is unusable
        const QByteArray red = TokenDbFixture::Png(48, 48, 0xff0000);
        // clang-format off
        QTest::newRow("jpg, Return") << "p.jpg" << red << "Return" << QColor(Qt::red);
        QTest::newRow("ico in mixed case, Use") << "logo.Ico" << red << "Use" << QColor(Qt::red);
        QTest::newRow("wide png stretched, Cancel") << "wide.png" << TokenDbFixture::Png(400, 200, 0xff) << "Cancel" << QColor(Qt::blue);
        QTest::newRow("svg, Esc") << "p.svg" << QByteArray("<svg xmlns='http://www.w3.org/2000/svg'><rect width='9' height='9' fill='red'/></svg>") << "Esc" << QColor(Qt::red);
        QTest::newRow("transparent svg, the close box") << "clear.svg" << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>") << "close" << QColor(Qt::transparent);
        QTest::newRow("not a picture, Return") << "bad.png" << QByteArray("this is text, not a PNG") << "Return" << QColor();
        QTest::newRow("cut-off PNG, Return") << "cut.png" << red.left(60) << "Return" << QColor();
        QTest::newRow("a pipe named like an icon, Return") << "pipe.ico" << QByteArray("pipe") << "Return" << QColor();
        // clang-format on
    }

    void pickerHandsBackOnlyWhatIsUsed() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, how);
        QFETCH(QColor, seen);
        Rig rig(QList<Row>{}); // its scratch folder is the current one
        QDir::setCurrent(rig.dir.path());
        QVERIFY(QDir().mkdir("sub.png") && QFile("notes.txt").open(QIODevice::WriteOnly));
        QVERIFY(QImage::fromData(TokenDbFixture::Png(48, 48, 0x00ff00)).save("good.png"));
        QByteArray picture = "previous picture";
        frmImagePicker picker(picture);
        picker.show();
        QCOMPARE(FormChecks::LayoutFault(&picker), QString());
        QCOMPARE(picker.DirPath() + picker.Drive(), rig.dir.path() + QStorageInfo(rig.dir.path()).rootPath());
        QCOMPARE(picker.ListedFiles(), QStringList{"good.png"}); // not folders, not other files
        if (bytes == "pipe") // reading it would wait for a writer for good
            QCOMPARE(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        else if (QFile file(name); !QImage::fromData(bytes).save(name)) // in the format its name gives
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        QTRY_VERIFY(picker.ListedFiles().contains(name) || bytes == "pipe"); // saved meanwhile, in any case
        picker.File1_Click("good.png");
        const qint64 shown = Control<QLabel>(&picker, "picOriginal")->pixmap().cacheKey();
        picker.File1_Click(name);
        QCOMPARE(Control<QPushButton>(&picker, "cmdSelectImage")->isEnabled(), seen.isValid());
        QCOMPARE(Control<QLabel>(&picker, "picOriginal")->pixmap().cacheKey() != shown, seen.isValid());
        const QImage prepared = Imaging::Decode(picker.PreparedImage());
        QVERIFY(picker.PreparedImage().startsWith("\x89PNG\r\n\x1a\n") && prepared.size() == QSize(196, 196));
        const QRgb top = prepared.pixel(98, 2); // stretched over the whole square, its alpha kept
        QVERIFY(!seen.isValid() || (qAbs(qGray(top) - qGray(seen.rgb())) < 9 && qAlpha(top) == seen.alpha()));
        if (how == "Use" || how == "Cancel")
            Control<QPushButton>(&picker, how == "Use" ? "cmdSelectImage" : "cmdCancel")->click();
        else if (how == "close")
            picker.close();
        else
            QTest::keyClick(&picker, how == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
        const bool used = seen.isValid() && (how == "Return" || how == "Use");
        const QString tag = seen.isValid() ? used ? "" : "CANCELLED" : "open";
        QCOMPARE(picker.isVisible() ? "open" : picker.Tag(), tag);
        QCOMPARE(picture, used ? picker.PreparedImage() : QByteArray("previous picture"));
        QVERIFY(rig.asked.isEmpty());
    }
};

QTEST_MAIN(TestTokenManagerWindow)
#include "tst_token_manager_window.moc"
