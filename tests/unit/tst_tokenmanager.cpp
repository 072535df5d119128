#include "StoreRig.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"
#include "ui/TokenTreeWidget.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>

using TokenDbFixture::Row;

namespace {
QStringList keysOf(const cTokenManager& manager) {
    QStringList keys;
    for (const auto& [key, token] : manager)
        keys << key;
    return keys;
}
QStringList keysOf(const ImageCollection& images) {
    QStringList keys;
    for (const auto& [key, bytes] : images)
        keys << key;
    return keys;
}
} // namespace

class TestTokenManager : public QObject {
    Q_OBJECT
private:
    QList<MessageBoxRequest> mMessages;

private slots:
    void initTestCase() {
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mMessages << request;
            return MsgBox::ResultOk;
        });
    }
    void init() { mMessages.clear(); }

    // At another device pixel ratio the level's images are composed again at that many pixels, and
    // the carousel shows them in a frame of the same logical size at the new resolution.
    void imagesFollowThePixelRatio_data() {
        QTest::addColumn<double>("ratio");
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("2") << 2.0;
    }
    void imagesFollowThePixelRatio() {
        QFETCH(double, ratio);
        StoreRig rig({{2, 1, "Games", true, TokenDbFixture::Png(32, 32), "/usr/games", 60, false}});
        rig.manager->Init();
        rig.carousel->Build(QString());
        const QSize logical = rig.carousel->MainLayerSize();
        rig.manager->SetPixelRatio(ratio);
        rig.carousel->SetPixelRatio(ratio);
        rig.manager->RebuildImageCache(true);
        rig.manager->FinishPendingImages();
        rig.carousel->Build(QString());
        const int side = qRound(rig.manager->ImageSize() * ratio);
        QCOMPARE(rig.manager->CurrentImages()->ItemAt(0).size(), QSize(side, side));
        QCOMPARE(rig.carousel->MainLayerSize(), logical);
        QCOMPARE(rig.carousel->MainLayer().devicePixelRatio(), ratio);
        QVERIFY(rig.carousel->MainLayer().width() >= logical.width() * ratio);
    }

    void loadsAFileInTheStoredEncodingsUnchanged() {
        const QByteArray picture = TokenDbFixture::Png(32, 24);
        StoreRig rig({{5, 1, "Games", true, picture, "/usr/games", 75, true, "Play time"},
                      {2, 1, "Bob's Tools", false, {}, "/usr/bin/true", 60, false, "It's \"quoted\""},
                      {9, 5, "Pong", true, picture, "pong", 100, false}});
        {
            SqlConnection raw(rig.path);
            raw.Execute("UPDATE Tokens SET SourceImage = NULL WHERE TokenID = 2");
        }
        const QByteArray before = TokenDbFixture::FileHash(rig.path);
        rig.manager->Init();
        QCOMPARE(TokenDbFixture::FileHash(rig.path), before);
        QVERIFY(mMessages.isEmpty());

        QCOMPARE(keysOf(*rig.manager), (QStringList{"ID1", "ID2", "ID5", "ID9"}));
        const auto root = rig.manager->Item("ID1");
        QCOMPARE(root->ID(), 1);
        QCOMPARE(root->ParentKey(), QStringLiteral("ID0"));
        const auto games = rig.manager->Item("ID5");
        QCOMPARE(games->ID(), 5);
        QCOMPARE(games->Caption(), QStringLiteral("Games"));
        QCOMPARE(games->Command(), QStringLiteral("/usr/games"));
        QCOMPARE(games->Description(), QStringLiteral("Play time"));
        QCOMPARE(games->SourceImage(), picture);
        QCOMPARE(games->IconScale(), 75);
        QCOMPARE(games->IconScaleValue(), 75.0);
        QVERIFY(games->Enabled());
        QVERIFY(games->HideAfterExecution());
        const auto tools = rig.manager->Item("ID2");
        QCOMPARE(tools->Caption(), QStringLiteral("Bob's Tools"));
        QCOMPARE(tools->Description(), QStringLiteral("It's \"quoted\""));
        QVERIFY(!tools->Enabled());
        QVERIFY(!tools->HideAfterExecution());
        QVERIFY(tools->SourceImage().isEmpty());
        QCOMPARE(rig.manager->Item("ID9")->ParentKey(), QStringLiteral("ID5"));

        // Saving the root writes its ParentID 0 back as a number.
        rig.manager->SaveToken("ID1", false, QString());
        QCOMPARE(
            SqlConnection(rig.path).Query("SELECT ParentID FROM Tokens WHERE TokenID = 1").Value("ParentID"),
            QVariant(qint64(0)));
    }

    // A field that cannot be read, a missing caption, command or description among them, is
    // reported; the field keeps its default and the other rows load.
    void badFieldsAreReportedAndTheOtherRowsLoad() {
        StoreRig rig({{2, 1, "Good"}, {3, 1, "Odd"}, {4, 1, "Empty", true, {}, "ls", 60, false, "text"}});
        {
            SqlConnection raw(rig.path);
            raw.Execute("UPDATE Tokens SET Enabled = 'yes please' WHERE TokenID = 3;"
                        "UPDATE Tokens SET Caption = NULL, Description = NULL, Command = NULL, "
                        "Parameters = NULL WHERE TokenID = 4");
        }
        rig.manager->Init();
        QStringList prompts;
        for (const MessageBoxRequest& message : mMessages) {
            QCOMPARE(message.title, QStringLiteral("Error Loading Token Data"));
            QCOMPARE(message.flags, MsgBox::OkOnly | MsgBox::Exclamation);
            prompts << message.prompt;
        }
        QCOMPARE(prompts.size(), 4);
        QVERIFY2(prompts[0].startsWith("13 ") && prompts[0].contains("Enabled of token row 3"),
                 qPrintable(prompts[0]));
        const QStringList missing{"Caption", "Command", "Description"};
        for (int i = 0; i < missing.size(); ++i)
            QVERIFY2(prompts[i + 1].startsWith("94 ") &&
                         prompts[i + 1].contains(missing[i] + " of token row 4"),
                     qPrintable(prompts[i + 1]));
        QCOMPARE(keysOf(*rig.manager), (QStringList{"ID1", "ID2", "ID3", "ID4"}));
        QVERIFY(rig.manager->Item("ID3")->Enabled());
        QCOMPARE(rig.manager->Item("ID3")->Caption(), QStringLiteral("Odd"));
        const auto empty = rig.manager->Item("ID4");
        QCOMPARE(empty->Caption(), QStringLiteral("New Token"));
        QVERIFY(empty->Command().isEmpty() && empty->Parameters().isEmpty() &&
                empty->Description().isEmpty());
    }

    // The carousel shows a level in the order of the Token Manager's tree, also where one caption
    // begins with another.
    void levelIsInTheTreesOrder_data() {
        QTest::addColumn<QStringList>("captions"); // given ID2, ID3, ... in this order
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("Foo, Foo Bar") << QStringList{"Foo Bar", "Foo"} << QStringList{"Foo", "Foo Bar"};
        QTest::newRow("Doom, Doom2") << QStringList{"Doom2", "Doom"} << QStringList{"Doom", "Doom2"};
        QTest::newRow("letter case") << QStringList{"beta", "Alpha", "alpha"}
                                     << QStringList{"Alpha", "alpha", "beta"};
        QTest::newRow("captions holding ID") << QStringList{"IDE", "ID"} << QStringList{"ID", "IDE"};
        QTest::newRow("same caption: by key") << QStringList{"Same", "Same"} << QStringList{"Same", "Same"};
    }
    void levelIsInTheTreesOrder() {
        QFETCH(QStringList, captions);
        QFETCH(QStringList, shown);
        QList<Row> rows;
        for (int i = 0; i < captions.size(); ++i)
            rows << Row{i + 2, 1, captions[i]};
        StoreRig rig(rows);
        rig.manager->Init();
        // The tree's own order of the same tokens.
        QList<std::pair<QString, QString>> tokens;
        for (int i = 0; i < captions.size(); ++i)
            tokens << std::pair(captions[i], QStringLiteral("ID%1").arg(i + 2));
        std::sort(tokens.begin(), tokens.end(), [](const auto& a, const auto& b) {
            return TokenTreeWidget::SortsBefore(a.first, a.second, b.first, b.second);
        });
        QStringList tree;
        for (const auto& [caption, key] : tokens)
            tree << caption + key;
        const QStringList keys = keysOf(*rig.manager->CurrentImages());
        QCOMPARE(keys, tree);
        for (int i = 0; i < shown.size(); ++i)
            QVERIFY2(keys[i].startsWith(shown[i] + "ID"), qPrintable(keys.join(", ")));
    }

    // An edit the database refuses leaves the token in memory as it was, and the carousel alone.
    void refusedEditsChangeNothing_data() {
        QTest::addColumn<QString>("edit");
        QTest::newRow("save") << "save";
        QTest::newRow("switch off") << "switch";
        QTest::newRow("move") << "move";
        QTest::newRow("delete") << "delete";
    }
    void refusedEditsChangeNothing() {
        QFETCH(QString, edit);
        StoreRig rig({{2, 1, "Games"}, {3, 1, "Tools"}, {4, 2, "Chess"}});
        rig.manager->Init();
        SqlConnection(rig.path).Execute("CREATE TRIGGER NoUpdate BEFORE UPDATE ON Tokens "
                                        "BEGIN SELECT RAISE(ABORT, 'read only'); END;"
                                        "CREATE TRIGGER NoDelete BEFORE DELETE ON Tokens "
                                        "BEGIN SELECT RAISE(ABORT, 'read only'); END");
        const cToken before = *rig.manager->Item("ID2");
        const QStringList images = keysOf(*rig.manager->CurrentImages());
        QSignalSpy levelChanged(rig.manager.get(), &cTokenManager::CurrentLevelChanged);
        cToken edited = before;
        edited.SetCaption("Renamed");
        edited.SetCommand("ls");
        if (edit == "save")
            QVERIFY_THROWS_EXCEPTION(RuntimeError, rig.manager->SaveEdit(edited));
        else if (edit == "switch")
            QVERIFY_THROWS_EXCEPTION(RuntimeError, rig.manager->SetEnabledState("ID2", false));
        else if (edit == "move")
            QVERIFY_THROWS_EXCEPTION(RuntimeError, rig.manager->MoveToken("ID2", "ID3"));
        else
            QVERIFY_THROWS_EXCEPTION(RuntimeError, rig.manager->DeleteSubtree("ID2"));
        const auto token = rig.manager->Item("ID2");
        QCOMPARE(token->Caption(), before.Caption());
        QCOMPARE(token->Command(), before.Command());
        QCOMPARE(token->ParentKey(), before.ParentKey());
        QCOMPARE(token->Enabled(), before.Enabled());
        QVERIFY(rig.manager->Exists("ID4"));
        QCOMPARE(keysOf(*rig.manager->CurrentImages()), images);
        QCOMPARE(levelChanged.size(), 0);
    }

    // Edits rebuild the carousel only when they touch the level on show (its tokens or its root),
    // and a level that disappears or becomes inactive is left.
    void editsRebuildOnlyTheLevelOnShow_data() {
        QTest::addColumn<QString>("level"); // the current root
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("builds");
        QTest::addColumn<QString>("levelAfter");
        QTest::newRow("move between two other levels") << "ID1"
                                                       << "move ID5 ID3" << 0 << "ID1";
        QTest::newRow("move off the level on show") << "ID1"
                                                    << "move ID2 ID3" << 1 << "ID1";
        QTest::newRow("move onto the level on show") << "ID1"
                                                     << "move ID5 ID1" << 1 << "ID1";
        QTest::newRow("move the level into an inactive branch") << "ID2"
                                                                << "move ID2 ID6" << 1 << "ID1";
        QTest::newRow("rename a token elsewhere") << "ID1"
                                                  << "rename ID5" << 0 << "ID1";
        QTest::newRow("rename a token on the level") << "ID1"
                                                     << "rename ID3" << 1 << "ID1";
        QTest::newRow("rename the level itself") << "ID2"
                                                 << "rename ID2" << 1 << "ID2";
        QTest::newRow("switch off a token elsewhere") << "ID1"
                                                      << "switch ID5" << 0 << "ID1";
        QTest::newRow("switch off the level's parent") << "ID2"
                                                       << "switch ID2" << 1 << "ID1";
        QTest::newRow("delete a token elsewhere") << "ID1"
                                                  << "delete ID5" << 0 << "ID1";
        QTest::newRow("delete the level") << "ID2"
                                          << "delete ID2" << 1 << "ID1";
        QTest::newRow("delete on the level") << "ID2"
                                             << "delete ID5" << 1 << "ID2";
    }
    void editsRebuildOnlyTheLevelOnShow() {
        QFETCH(QString, level);
        QFETCH(QString, edit);
        QFETCH(int, builds);
        QFETCH(QString, levelAfter);
        // Root > Games (ID2) > Chess (ID5); Root > Tools (ID3); Root > Archive (ID6, off)
        StoreRig rig({{2, 1, "Games"}, {3, 1, "Tools"}, {5, 2, "Chess"}, {6, 1, "Archive", false}});
        rig.manager->Init();
        QString front;
        rig.manager->SetCurrentRoot(level, front, false);
        rig.carousel->Build(front);
        QSignalSpy built(rig.carousel.get(), &cCarousel::MoveComplete);
        const QStringList words = edit.split(' ');
        if (words[0] == "move") {
            QVERIFY(rig.manager->MoveToken(words[1], words[2]));
        } else if (words[0] == "rename") {
            cToken renamed = *rig.manager->Item(words[1]);
            renamed.SetCaption("Renamed");
            rig.manager->SaveEdit(renamed);
        } else if (words[0] == "switch") {
            rig.manager->SetEnabledState(words[1], false);
        } else {
            rig.manager->DeleteSubtree(words[1]);
        }
        QCOMPARE(built.size(), builds);
        QCOMPARE(rig.manager->CurrentRootKey(), levelAfter);
    }

    void newTokensAreNumberedAfterTheLargest() {
        StoreRig rig({{2, 1, "Two"}, {5, 1, "Five"}});
        rig.manager->Init();
        QSignalSpy announced(rig.manager.get(), &cTokenManager::NewToken);
        rig.manager->CreateNewToken("ID1");
        QCOMPARE(announced.size(), 1);
        const auto token = announced[0][0].value<std::shared_ptr<cToken>>();
        QCOMPARE(token->ID(), 6);
        QCOMPARE(token->Key(), QStringLiteral("ID6"));
        QCOMPARE(token->Caption(), QStringLiteral("New Token"));
        QCOMPARE(token->ParentKey(), QStringLiteral("ID1"));
        QCOMPARE(rig.manager->Item("ID6"), token);
        QCOMPARE(SqlConnection(rig.path).Query("SELECT Caption FROM Tokens WHERE TokenID = 6").RecordCount(),
                 1);
        // It is on the level on show and turned to the front.
        const QString imageKey = "New TokenID6";
        QVERIFY(rig.manager->CurrentImages()->Exists(imageKey));
        QCOMPARE(rig.carousel->CurrentIndex(), rig.manager->CurrentImages()->IndexOf(imageKey) + 1);

        rig.database->DeleteToken("ID6");
        rig.manager->RemoveToken("ID6");
        rig.manager->CreateNewToken("ID5");
        QCOMPARE(announced.size(), 2);
        QCOMPARE(announced[1][0].value<std::shared_ptr<cToken>>()->Key(), QStringLiteral("ID6"));
        QCOMPARE(
            SqlConnection(rig.path).Query("SELECT ParentID FROM Tokens WHERE TokenID = 6").Value("ParentID"),
            QVariant(qint64(5)));
    }

    void numberingOverflowAddsNothing() {
        StoreRig rig({{2147483647, 1, "Last"}});
        rig.manager->Init();
        QSignalSpy announced(rig.manager.get(), &cTokenManager::NewToken);
        try {
            rig.manager->CreateNewToken("ID1");
            QFAIL("numbered past the largest 32-bit value");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), int(ErrorNumber::Overflow));
        }
        QCOMPARE(rig.manager->Count(), 2);
        QCOMPARE(announced.size(), 0);
        QCOMPARE(SqlConnection(rig.path).Query("SELECT TokenID FROM Tokens").RecordCount(), 2);
    }

    void tokenTheDatabaseRefusesDoesNotStayInMemory() {
        StoreRig rig({{2, 1, "Two"}});
        rig.manager->Init();
        SqlConnection(rig.path).Execute("CREATE TRIGGER NoMore BEFORE INSERT ON Tokens "
                                        "BEGIN SELECT RAISE(ABORT, 'full'); END");
        QVERIFY_THROWS_EXCEPTION(RuntimeError, rig.manager->CreateNewToken("ID1"));
        QCOMPARE(keysOf(*rig.manager), (QStringList{"ID1", "ID2"}));
    }

    void missingKeyIsElementNotFound() {
        StoreRig rig({});
        rig.manager->Init();
        try {
            rig.manager->Item("ID77");
            QFAIL("found a token that does not exist");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), 35601);
            QCOMPARE(error.Source(), QStringLiteral("cTokenManager"));
            QCOMPARE(error.Description(), QStringLiteral("Element Not Found"));
        }
        QVERIFY_THROWS_EXCEPTION(RuntimeError, rig.manager->IsActive("ID77"));
    }

    void isActive_data() {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<bool>("rootEnabled");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("active");
        QTest::newRow("enabled under the root") << QList<Row>{{2, 1, "a"}} << true << "ID2" << true;
        QTest::newRow("enabled under a disabled parent")
            << QList<Row>{{2, 1, "a", false}, {3, 2, "b"}} << true << "ID3" << false;
        QTest::newRow("disabled deep below")
            << QList<Row>{{2, 1, "a"}, {3, 2, "b", false}, {4, 3, "c"}, {5, 4, "d"}} << true << "ID5"
            << false;
        QTest::newRow("disabled root itself") << QList<Row>{} << false << "ID1" << false;
        QTest::newRow("enabled root itself") << QList<Row>{} << true << "ID1" << true;
        QTest::newRow("enabled child of a disabled root")
            << QList<Row>{{2, 1, "a"}} << false << "ID2" << true;
        QTest::newRow("missing parent") << QList<Row>{{2, 40, "lost"}} << true << "ID2" << false;
        QTest::newRow("below a missing parent")
            << QList<Row>{{2, 40, "lost"}, {3, 2, "lost child"}} << true << "ID3" << false;
        QTest::newRow("parents in a loop") << QList<Row>{{2, 3, "a"}, {3, 2, "b"}} << true << "ID2" << false;
    }
    void isActive() {
        QFETCH(QList<Row>, rows);
        QFETCH(bool, rootEnabled);
        QFETCH(QString, key);
        QFETCH(bool, active);
        StoreRig rig(rows);
        SqlConnection(rig.path).Execute(
            QStringLiteral("UPDATE Tokens SET Enabled = %1 WHERE TokenID = 1").arg(rootEnabled ? 1 : 0));
        rig.manager->Init();
        QCOMPARE(rig.manager->IsActive(key), active);
    }

    void internalPath_data() {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << QList<Row>{} << "ID1"
                              << "ID1";
        QTest::newRow("two levels") << QList<Row>{{5, 1, "a"}, {9, 5, "b"}} << "ID9"
                                    << "ID1\\ID5\\ID9";
        QTest::newRow("detached branch") << QList<Row>{{2, 40, "a"}, {3, 2, "b"}} << "ID3"
                                         << "ID40\\ID2\\ID3";
        QTest::newRow("loop ends") << QList<Row>{{2, 3, "a"}, {3, 2, "b"}} << "ID2"
                                   << "ID3\\ID2";
    }
    void internalPath() {
        QFETCH(QList<Row>, rows);
        QFETCH(QString, key);
        QFETCH(QString, path);
        StoreRig rig(rows);
        rig.manager->Init();
        QCOMPARE(rig.manager->InternalPath(key), path);
    }

    void hasChildrenCountsEnabledOnes() {
        StoreRig rig({{2, 1, "a"},
                      {3, 2, "b", false},
                      {4, 2, "c", false},
                      {5, 1, "d"},
                      {6, 5, "e", false},
                      {7, 5, "f"}});
        rig.manager->Init();
        QVERIFY(rig.manager->HasChildren("ID1"));
        QVERIFY(!rig.manager->HasChildren("ID2"));
        QVERIFY(rig.manager->HasChildren("ID5"));
        QVERIFY(!rig.manager->HasChildren("ID7"));
        QVERIFY(!rig.manager->HasChildren("id5")); // keys compare exactly
    }

    void activeTokenFollowsTheKey() {
        StoreRig rig({{2, 1, "a"}});
        rig.manager->Init();
        QVERIFY(!rig.manager->ActiveToken());
        rig.manager->SetActiveToken("ID2");
        QCOMPARE(rig.manager->ActiveToken(), rig.manager->Item("ID2"));
        rig.manager->SetActiveToken("ID99");
        QVERIFY(!rig.manager->ActiveToken());
        rig.manager->SetActiveToken("ID2");
        rig.manager->SetActiveToken(QString());
        QVERIFY(!rig.manager->ActiveToken());
    }

    void sameRootDoesNothing() {
        StoreRig rig({{2, 1, "a"}, {3, 1, "b"}});
        rig.manager->Init();
        QSignalSpy changed(rig.manager.get(), &cTokenManager::CurrentRootChanged);
        QSignalSpy transition(rig.manager.get(), &cTokenManager::TransitionRequested);
        const int orbits = rig.manager->ComposedOrbitImages();
        QString front;
        rig.manager->SetCurrentRoot("ID1", front, true);
        QVERIFY(front.isEmpty());
        QCOMPARE(changed.size(), 0);
        QCOMPARE(transition.size(), 0);
        QCOMPARE(rig.manager->ComposedOrbitImages(), orbits);
    }

    void newRootBringsTheMiddleToTheFront_data() {
        QTest::addColumn<int>("children");
        QTest::addColumn<QString>("front");
        // Captions run backwards against the numbers: the level is ordered by
        // caption.
        QTest::newRow("five") << 5 << "CID8";
        QTest::newRow("four") << 4 << "CID8";
        QTest::newRow("one") << 1 << "AID6";
        QTest::newRow("none") << 0 << "";
    }
    void newRootBringsTheMiddleToTheFront() {
        QFETCH(int, children);
        QFETCH(QString, front);
        QList<Row> rows{{5, 1, "Level"}};
        const QStringList captions{"a", "B", "C", "d", "E"};
        for (int i = 0; i < children; ++i)
            rows.append(Row{10 - i - (5 - children), 5, captions[children - 1 - i]});
        StoreRig rig(rows);
        rig.manager->Init();
        QSignalSpy changed(rig.manager.get(), &cTokenManager::CurrentRootChanged);
        QSignalSpy transition(rig.manager.get(), &cTokenManager::TransitionRequested);
        QStringList order;
        connect(rig.manager.get(), &cTokenManager::CurrentRootChanged, this, [&] { order << "title"; });
        connect(rig.manager.get(), &cTokenManager::TransitionRequested, this,
                [&](const QString& key) { order << "transition " + key; });
        QString frontKey;
        rig.manager->SetCurrentRoot("ID5", frontKey, true);
        QCOMPARE(rig.manager->CurrentRootKey(), QStringLiteral("ID5"));
        QCOMPARE(frontKey.toUpper(), front.toUpper());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(transition.size(), 1);
        QCOMPARE(order, (QStringList{"title", "transition " + frontKey}));
        QCOMPARE(rig.manager->CurrentImages()->Count(), children);

        // Going back up with a key named keeps that key and runs no transition when
        // not asked.
        QString back = "LevelID5";
        rig.manager->SetCurrentRoot("ID1", back, false);
        QCOMPARE(back, QStringLiteral("LevelID5"));
        QCOMPARE(transition.size(), 1);
        QCOMPARE(keysOf(*rig.manager->CurrentImages()), QStringList{"LevelID5"});
    }
};

QTEST_MAIN(TestTokenManager)
#include "tst_tokenmanager.moc"
