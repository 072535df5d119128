// The Token Manager window's layout, its tree, and creating, deleting and switching tokens.
#include "FormChecks.h"
#include "TokenManagerWindowRig.h"

#include <QFontInfo>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTreeWidgetItemIterator>

class TestTokenManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAndTheirCaptions() {
        TokenManagerWindowRig rig;
        frmTokenManager& window = rig.Open();
        const QList<std::pair<const char*, const char*>> captions = {
            {"chkHideProperties", "Hide Properties"},
            {"chkHideInactive", "Hide Inactive Tokens"},
            {"chkScrollToSelection", "Scroll to Selected Token"},
            {"cmdNew", "&New"},
            {"cmdDelete", "&Delete"},
            {"cmdCancel", "DONE"},
            {"cmdZoom1", "-"},
            {"cmdZoom2", "+"},
            {"cmdEditImage", "Edit &Image..."},
            {"Label2_0", "Caption"},
            {"Label2_2", "Command"},
            {"Label2_1", "Parameters"},
            {"Label2_4", "Description"},
            {"chkHideAfterExecution", "Hide Launcher after execution"},
            {"cmdSave", "Save"}};
        for (const auto& [name, caption] : captions) {
            QWidget* control = window.findChild<QWidget*>(name);
            QVERIFY2(control, name);
            auto* button = qobject_cast<QAbstractButton*>(control);
            QCOMPARE(button ? button->text() : qobject_cast<QLabel*>(control)->text(), QString(caption));
        }
        // The zoom buttons lie over the preview's upper corners and the preview reaches a little above
        // the window; the labels' lowest pixels lie under the field below them.
        QCOMPARE(window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 21);
        QWidget* preview = rig.Preview();
        auto allowed = [&](const QWidget* a, const QWidget* b) {
            if (a == preview)
                return b == &window ? a->y() == -4 : b->objectName().startsWith("cmdZoom");
            return a->objectName().startsWith("Label") &&
                   a->geometry().intersected(b->geometry()).height() <= 3;
        };
        QCOMPARE(FormChecks::LayoutFault(&window, allowed), QString());
    }

    void windowAtStart() {
        TokenManagerWindowRig rig;
        frmTokenManager& window = rig.Open();
        QCOMPARE(window.windowTitle(), QStringLiteral("Token Manager"));
        QCOMPARE(window.size(), QSize(426, 535));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window.windowType(), Qt::Tool);
        QCOMPARE(window.pos(), window.screen()->geometry().topLeft() + QPoint(10, 10));
        QCOMPARE(window.palette().color(QPalette::Window), QColor(0xE5, 0xE5, 0xE5));
        QCOMPARE(rig.Button("cmdZoom1")->font().family(), QStringLiteral("TessaroGlyphs"));
        QCOMPARE(QFontInfo(rig.Button("cmdZoom2")->font()).family(), QStringLiteral("TessaroGlyphs"));
        QCOMPARE(window.font().family(), QStringLiteral("Tahoma"));
        QVERIFY(!rig.SaveEnabled());
        QVERIFY(rig.CheckBox("chkScrollToSelection")->isChecked());
        QVERIFY(!rig.CheckBox("chkHideProperties")->isChecked());
        QVERIFY(!rig.CheckBox("chkHideInactive")->isChecked());

        QCOMPARE(
            FormChecks::TabOrder(&window, rig.Preview()).join(' '),
            QStringLiteral("picPreview tvwTokens chkHideProperties chkHideInactive chkScrollToSelection "
                           "cmdNew cmdDelete cmdCancel cmdZoom1 cmdZoom2 cmdEditImage txtCaption txtCommand "
                           "txtParameters txtDescription chkHideAfterExecution cmdSave"));

        // Hiding the properties leaves the tree column only.
        rig.CheckBox("chkHideProperties")->click();
        QCOMPARE(window.width(), 224);
        rig.CheckBox("chkHideProperties")->click();
        QCOMPARE(window.width(), 426);
    }

    void opensOnTheRootWithoutActiveToken() {
        TokenManagerWindowRig rig;
        QVERIFY(!rig.tokens->ActiveToken());
        rig.Open();
        QCOMPARE(rig.Selected(), QStringLiteral("ID1"));
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID1"));
        QCOMPARE(rig.Caption()->text(), QStringLiteral("Root"));
        QCOMPARE(rig.Tree()->NodeCount(), 12);
        QVERIFY(rig.asked.isEmpty());
    }

    void opensOnTheActiveTokenWithOnlyItsPathExpanded() {
        TokenManagerWindowRig rig;
        rig.tokens->SetActiveToken("ID4");
        rig.Open();
        QCOMPARE(rig.Selected(), QStringLiteral("ID4"));
        QCOMPARE(rig.Caption()->text(), QStringLiteral("Openings"));
        for (const char* open : {"ID1", "ID2", "ID3"})
            QVERIFY2(rig.Tree()->Node(open)->isExpanded(), open);
        for (const char* closed : {"ID6", "ID52", "ID7"})
            QVERIFY2(!rig.Tree()->Node(closed)->isExpanded(), closed);
        // Check boxes show the enabled switches.
        QVERIFY(TokenTreeWidget::IsChecked(rig.Tree()->Node("ID2")));
        QVERIFY(!TokenTreeWidget::IsChecked(rig.Tree()->Node("ID6")));
        QVERIFY(!TokenTreeWidget::IsChecked(rig.Tree()->Node("ID7")));
    }

    void siblingsAreSortedByText() {
        TokenManagerWindowRig rig(
            {{2, 1, "beta"}, {3, 1, "Alpha"}, {4, 1, "gamma"}, {5, 1, "Beta"}, {6, 3, "z"}});
        rig.Open();
        QTreeWidgetItem* root = rig.Tree()->Node("ID1");
        QStringList texts;
        for (int i = 0; i < root->childCount(); ++i)
            texts << root->child(i)->text(0);
        QCOMPARE(texts, (QStringList{"Alpha", "Beta", "beta", "gamma"}));
        QCOMPARE(rig.Tree()->Node("ID6")->parent(), rig.Tree()->Node("ID3"));
        QCOMPARE(rig.Tree()->topLevelItemCount(), 1);
    }

    void brokenParentLinksStillShowEveryToken() {
        // A file edited elsewhere: a branch whose parent row is missing, and two rows that are each
        // other's parent. Every token is shown, each exactly once.
        TokenManagerWindowRig rig({{2, 1, "Fine"},
                                   {4, 99, "Orphan"},
                                   {5, 4, "Orphan's child"},
                                   {6, 7, "Loop A"},
                                   {7, 6, "Loop B"}});
        rig.Open();
        QCOMPARE(rig.Tree()->NodeCount(), 6);
        QCOMPARE(rig.Tree()->topLevelItem(0), rig.Tree()->Node("ID1"));
        QCOMPARE(rig.Tree()->Node("ID5")->parent(), rig.Tree()->Node("ID4"));
        QVERIFY(!rig.Tree()->Node("ID4")->parent());
        QCOMPARE(rig.Tree()->topLevelItemCount(), 3); // the root, the orphan branch, the loop
        int shown = 0;
        for (QTreeWidgetItemIterator it(rig.Tree()); *it; ++it)
            ++shown;
        QCOMPARE(shown, 6);
    }

    void deletingTheRootIsRefused() {
        TokenManagerWindowRig rig;
        rig.Open();
        const int rows = rig.StoredRowCount();
        rig.Button("cmdDelete")->click();
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].prompt, QStringLiteral("You may not delete the root-level Token!"));
        QCOMPARE(rig.asked[0].title, QStringLiteral("Denied!"));
        QCOMPARE(rig.asked[0].flags, 16);
        QVERIFY(rig.asked[0].centred);
        QCOMPARE(rig.StoredRowCount(), rows);
        QCOMPARE(rig.tokens->Count(), rows);
        QCOMPARE(rig.Tree()->NodeCount(), rows);
    }

    void deleteCanBeCancelled() {
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID2");
        rig.answers = {MsgBox::ResultCancel};
        rig.Button("cmdDelete")->click();
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].prompt,
                 QStringLiteral("Really delete 'Games'?\r\n\r\nThis action will permanently "
                                "remove this\r\ntoken and all of its children."));
        QCOMPARE(rig.asked[0].title, QStringLiteral("Confirm deletion"));
        QCOMPARE(rig.asked[0].flags, 33);
        QVERIFY(rig.tokens->Exists("ID2"));
        QVERIFY(rig.Stored(2, "Caption").isValid());
        QVERIFY(rig.Tree()->Node("ID2"));
    }

    void deletingRemovesTheWholeSubtree_data() {
        QTest::addColumn<bool>("hideInactive");
        QTest::addColumn<QString>("levelOnShow");
        QTest::addColumn<bool>("byDeleteKey"); // in the tree, rather than the Delete button
        QTest::newRow("all shown, level inside") << false << "ID3" << false;
        QTest::newRow("inactive hidden, level inside") << true << "ID3" << false;
        QTest::newRow("the deleted token's own level") << false << "ID2" << true;
        QTest::newRow("level elsewhere") << true << "ID52" << false;
    }

    void deletingRemovesTheWholeSubtree() {
        QFETCH(bool, hideInactive);
        QFETCH(QString, levelOnShow);
        QFETCH(bool, byDeleteKey);
        TokenManagerWindowRig rig;
        rig.ShowLevel(levelOnShow);
        rig.Open();
        if (hideInactive) {
            rig.CheckBox("chkHideInactive")->click();
            QVERIFY(!rig.Tree()->Node("ID6")); // Go and Fuseki are hidden, yet go with Games
        }
        rig.ClickNode("ID2");
        rig.answers = {MsgBox::ResultOk};
        if (byDeleteKey)
            QTest::keyClick(rig.Tree(), Qt::Key_Delete);
        else
            rig.Button("cmdDelete")->click();
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].title, QStringLiteral("Confirm deletion"));

        const QString expectedLevel = levelOnShow == "ID52" ? QStringLiteral("ID52") : QStringLiteral("ID1");
        QCOMPARE(rig.tokens->CurrentRootKey(), expectedLevel);
        for (int id : {2, 3, 4, 6, 9, 10}) {
            const QString key = QStringLiteral("ID%1").arg(id);
            QVERIFY2(!rig.tokens->Exists(key), qPrintable(key));
            QVERIFY2(!rig.Tree()->Node(key), qPrintable(key));
            QVERIFY2(!rig.Stored(id, "Caption").isValid(), qPrintable(key));
        }
        QCOMPARE(rig.StoredRowCount(), 6);
        QCOMPARE(rig.tokens->Count(), 6);
        // No image of a deleted token is left on the carousel.
        for (const auto& [key, bytes] : *rig.tokens->CurrentImages())
            QVERIFY2(!key.endsWith("ID2") && !key.endsWith("ID3"), qPrintable(key));
        QCOMPARE(rig.carousel->ImageCount(), rig.tokens->CurrentImages()->Count());
        // The parent is selected and loaded; a new token takes the next free number of the file.
        QCOMPARE(rig.Selected(), QStringLiteral("ID1"));
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID1"));
        rig.Button("cmdNew")->click();
        QCOMPARE(rig.Selected(), QStringLiteral("ID61"));
        QCOMPARE(rig.Stored(61, "Caption").toString(), QStringLiteral("New Token"));
    }

    void deletingKeepsALevelOutsideTheSubtree() {
        // Office (ID52) is on show; Tools (ID5) is deleted. "ID1\ID5" is a prefix of the text of
        // "ID1\ID52\...", but not of its segments.
        TokenManagerWindowRig rig;
        rig.ShowLevel("ID52");
        rig.tokens->SetActiveToken("ID60");
        rig.Open();
        rig.ClickNode("ID5");
        rig.answers = {MsgBox::ResultOk};
        rig.Button("cmdDelete")->click();
        QVERIFY(!rig.tokens->Exists("ID5"));
        QCOMPARE(rig.tokens->CurrentRootKey(), QStringLiteral("ID52"));
        QVERIFY(rig.tokens->CurrentImages()->Exists("WriterID60"));
    }

    void deletingDropsUnsavedEditsOfTheDeletedToken() {
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        rig.Caption()->setText("Toolbox");
        QVERIFY(rig.SaveEnabled());
        rig.answers = {MsgBox::ResultOk};
        rig.Button("cmdDelete")->click();
        QCOMPARE(rig.asked.size(), 1); // the confirmation only: no offer to save a token that is gone
        QVERIFY(!rig.tokens->Exists("ID5"));
        QVERIFY(!rig.Stored(5, "Caption").isValid());
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID1"));
    }

    void untickingTheRootTicksItAgain() {
        TokenManagerWindowRig rig;
        rig.Open();
        QCOMPARE(rig.Selected(), QStringLiteral("ID1"));
        rig.ToggleCheckOfSelected();
        QVERIFY(TokenTreeWidget::IsChecked(rig.Tree()->Node("ID1")));
        QVERIFY(rig.tokens->Item("ID1")->Enabled());
        QCOMPARE(rig.Stored(1, "Enabled").toInt(), 1);
    }

    void untickingStoresAndLeavesTheLevelWithin() {
        TokenManagerWindowRig rig;
        rig.ShowLevel("ID3"); // Chess, inside Games
        rig.tokens->SetActiveToken("ID4");
        rig.Open();
        rig.ClickNode("ID2");
        rig.ToggleCheckOfSelected();
        QCOMPARE(rig.tokens->CurrentRootKey(), QStringLiteral("ID1"));
        QVERIFY(!rig.tokens->Item("ID2")->Enabled());
        QCOMPARE(rig.Stored(2, "Enabled").toInt(), 0);
        QVERIFY(!rig.tokens->CurrentImages()->Exists("GamesID2"));
        QCOMPARE(rig.carousel->ImageCount(), rig.tokens->CurrentImages()->Count());
        // Ticking it again brings it back.
        rig.ToggleCheckOfSelected();
        QCOMPARE(rig.Stored(2, "Enabled").toInt(), 1);
        QVERIFY(rig.tokens->CurrentImages()->Exists("GamesID2"));
    }

    void untickingWithInactiveHiddenRemovesTheSubtree() {
        TokenManagerWindowRig rig;
        rig.tokens->SetActiveToken("ID5");
        rig.Open();
        rig.CheckBox("chkHideInactive")->click();
        QVERIFY(!rig.Tree()->Node("ID7"));
        rig.ClickNode("ID2");
        rig.ToggleCheckOfSelected();
        for (const char* gone : {"ID2", "ID3", "ID4", "ID10"})
            QVERIFY2(!rig.Tree()->Node(gone), gone);
        QVERIFY(rig.Tree()->Node("ID52"));
        QCOMPARE(rig.Selected(), QStringLiteral("ID5")); // the active token
        QCOMPARE(rig.Stored(2, "Enabled").toInt(), 0);
        QVERIFY(rig.tokens->Exists("ID3")); // hidden, not removed
    }

    void clickOnACheckBoxDoesNotLoadTheNode() {
        TokenManagerWindowRig rig;
        rig.Open();
        QTreeWidgetItem* node = rig.Tree()->Node("ID52");
        const QRect rect = rig.Tree()->visualItemRect(node);
        const int indicator =
            rig.Tree()->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, rig.Tree());
        QPoint onBox(rect.left() + indicator / 2 + 2, rect.center().y());
        QTest::mouseClick(rig.Tree()->viewport(), Qt::LeftButton, {}, onBox);
        QVERIFY(!TokenTreeWidget::IsChecked(node));
        QCOMPARE(rig.Stored(52, "Enabled").toInt(), 0);
        QCOMPARE(rig.Selected(), QStringLiteral("ID1"));
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID1"));
        // A right click picks nothing either.
        QTest::mouseClick(rig.Tree()->viewport(), Qt::RightButton, {}, rect.center());
        QCOMPARE(rig.Selected(), QStringLiteral("ID1"));
    }

    void newTokenIsTheLastChildSelectedAndShown() {
        TokenManagerWindowRig rig;
        rig.Open();
        rig.CheckBox("chkHideProperties")->click();
        rig.ClickNode("ID2");
        rig.Button("cmdNew")->click();
        QTreeWidgetItem* games = rig.Tree()->Node("ID2");
        QTreeWidgetItem* added = rig.Tree()->Node("ID61");
        QVERIFY(added);
        QCOMPARE(games->child(games->childCount() - 1), added); // after Poker: not sorted in
        QCOMPARE(added->text(0), QStringLiteral("New Token"));
        QVERIFY(TokenTreeWidget::IsChecked(added));
        QCOMPARE(rig.Selected(), QStringLiteral("ID61"));
        QCOMPARE(rig.Caption()->text(), QStringLiteral("New Token"));
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID61"));
        QVERIFY(!rig.CheckBox("chkHideProperties")->isChecked());
        QCOMPARE(rig.window->width(), 426);
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.Stored(61, "ParentID").toInt(), 2);
    }

    void tokenCreatedElsewhereAppearsInTheTree() {
        // A file dropped on the carousel makes a token on the level on show while the window is open.
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        rig.Caption()->setText("Toolbox");
        rig.answers = {MsgBox::ResultNo};
        rig.tokens->CreateNewToken("ID1");
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].prompt, QStringLiteral("Save changes to 'Tools'?"));
        QCOMPARE(rig.Tree()->Node("ID61")->parent(), rig.Tree()->Node("ID1"));
        QCOMPARE(rig.Selected(), QStringLiteral("ID61"));
        QCOMPARE(rig.Stored(5, "Caption").toString(), QStringLiteral("Tools"));
        // After the window has closed, tokens made elsewhere no longer reach it.
        rig.window->close();
        TokenManagerWindowRig::ProcessDeletions();
        QVERIFY(rig.window.isNull());
        rig.tokens->CreateNewToken("ID1");
        QVERIFY(rig.tokens->Exists("ID62"));
    }

    void hideInactiveTokensSelectsTheRoot() {
        TokenManagerWindowRig rig;
        rig.tokens->SetActiveToken("ID5");
        rig.Open();
        QCOMPARE(rig.Selected(), QStringLiteral("ID5"));
        rig.CheckBox("chkHideInactive")->click();
        QCOMPARE(rig.Selected(), QStringLiteral("ID1"));
        for (const char* hidden : {"ID6", "ID9", "ID7", "ID8"})
            QVERIFY2(!rig.Tree()->Node(hidden), hidden);
        QCOMPARE(rig.Tree()->NodeCount(), 8);
        rig.CheckBox("chkHideInactive")->click();
        QCOMPARE(rig.Tree()->NodeCount(), 12);
    }

    // The question about an unsaved edit lets other events run; one of them may close the window.
    void windowClosedWhileAskingToSaveIsLeftAlone() {
        TokenManagerWindowRig rig;
        rig.tokens->SetActiveToken("ID5");
        rig.Open();
        rig.Caption()->setText("Renamed");
        QVERIFY(rig.SaveEnabled());
        // The close is carried out at once, as a nested event loop would.
        SetMessageBoxResponder([&rig](const MessageBoxRequest&) {
            rig.window->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return MsgBox::ResultNo;
        });
        rig.CheckBox("chkHideInactive")->click();
        QVERIFY(rig.window);
        QTRY_VERIFY(rig.window.isNull());
        QCOMPARE(rig.Stored(5, "Caption").toString(), QStringLiteral("Tools"));
    }

    void keyboardNavigationLoadsTheToken() {
        TokenManagerWindowRig rig;
        rig.Open();
        rig.Tree()->setFocus();
        QTest::keyClick(rig.Tree(), Qt::Key_Down); // Archive, the root's first child
        QCOMPARE(rig.Selected(), QStringLiteral("ID7"));
        QCOMPARE(rig.Caption()->text(), QStringLiteral("Archive"));
    }
};

QTEST_MAIN(TestTokenManagerWindow)
#include "tst_tokenmanagerwindow.moc"
