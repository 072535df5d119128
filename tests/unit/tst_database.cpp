#include "TokenDbFixture.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/RuntimeError.h"
#include "store/cToken.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using TokenDbFixture::Row;

namespace {
QVariant scalar(const QString& path, const QString& sql) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query(sql);
    return rows.RecordCount() ? rows.Value(rows.Columns().first()) : QVariant();
}

QList<int> tokenIds(const QString& path) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query("SELECT TokenID FROM Tokens ORDER BY TokenID");
    QList<int> ids;
    for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext())
        ids << rows.Value("TokenID").toInt();
    return ids;
}

cToken tokenWithKey(const QString& key, const QString& parentKey = "ID1") {
    cToken token;
    token.SetKey(key);
    token.SetParentKey(parentKey);
    return token;
}
} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private:
    QTemporaryDir mDir;
    int mFileNumber = 0;
    QList<MessageBoxRequest> mMessages;

    QString freshFile(bool withSettingsRow = true) {
        const QString path = mDir.filePath(QStringLiteral("Tokens%1.db").arg(++mFileNumber));
        TokenDbFixture::Create(path, withSettingsRow);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(mDir.isValid());
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mMessages << request;
            return MsgBox::ResultOk;
        });
    }
    void init() { mMessages.clear(); }

    void newRowTakesThePredictedNumberAgainAfterADelete() {
        const QString path = freshFile();
        TokenDbFixture::AddRows(path, {{2, 1, "Two"}, {5, 1, "Five"}});
        clsDatabase database(path);
        cToken token = tokenWithKey("ID6");
        token.SetCaption("Six");
        database.SaveToken(token, true);
        QCOMPARE(tokenIds(path), (QList<int>{1, 2, 5, 6}));
        QCOMPARE(scalar(path, "SELECT Caption FROM Tokens WHERE TokenID = 6").toString(),
                 QStringLiteral("Six"));

        database.DeleteToken("ID6");
        token.SetCaption("Six again");
        database.SaveToken(token, true);
        QCOMPARE(tokenIds(path), (QList<int>{1, 2, 5, 6}));
        QCOMPARE(scalar(path, "SELECT Caption FROM Tokens WHERE TokenID = 6").toString(),
                 QStringLiteral("Six again"));
    }

    void deleteRemovesTheSubtree_data() {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QList<int>>("remaining");
        QTest::addColumn<int>("passes");
        // Numbered so that each purge pass can only find the next generation down.
        QTest::newRow("three generations below")
            << QList<Row>{{9, 1, "Games"}, {7, 9, "Arcade"}, {5, 7, "Retro"}, {3, 5, "Pong"}, {2, 1, "Tools"}}
            << "ID9" << QList<int>{1, 2} << 4;
        QTest::newRow("three generations numbered downwards")
            << QList<Row>{{2, 1, "Games"}, {3, 2, "Arcade"}, {4, 3, "Retro"},
                          {5, 4, "Pong"},  {6, 1, "Tools"},  {7, 2, "Puzzles"}}
            << "ID2" << QList<int>{1, 6} << 2;
        QTest::newRow("leaf") << QList<Row>{{2, 1, "Games"}, {3, 2, "Pong"}} << "ID3" << QList<int>{1, 2}
                              << 1;
        QTest::newRow("orphan left by another program")
            << QList<Row>{{2, 1, "Games"}, {3, 40, "Lost"}, {4, 3, "Lost child"}} << "ID2" << QList<int>{1}
            << 2;
    }
    void deleteRemovesTheSubtree() {
        QFETCH(QList<Row>, rows);
        QFETCH(QString, key);
        QFETCH(QList<int>, remaining);
        QFETCH(int, passes);
        const QString path = freshFile();
        TokenDbFixture::AddRows(path, rows);
        clsDatabase database(path);
        database.DeleteToken(key);
        QCOMPARE(tokenIds(path), remaining);
        QCOMPARE(database.LastPurgePasses(), passes);
    }

    void failedDeleteRollsBackAndLeavesNoTransactionOpen() {
        const QString path = freshFile();
        TokenDbFixture::AddRows(path, {{2, 1, "Games"}, {3, 2, "Arcade"}, {4, 3, "Pong"}});
        {
            SqlConnection raw(path);
            raw.Execute("CREATE TRIGGER Refuse BEFORE DELETE ON Tokens WHEN old.TokenID = 4 "
                        "BEGIN SELECT RAISE(ABORT, 'row 4 is protected'); END");
        }
        clsDatabase database(path);
        try {
            database.DeleteToken("ID2");
            QFAIL("the delete went through");
        } catch (const RuntimeError& error) {
            QVERIFY2(error.Description().contains("row 4 is protected"), qPrintable(error.Description()));
        }
        QCOMPARE(tokenIds(path), (QList<int>{1, 2, 3, 4}));
        // Later writes are committed at once and compaction works: no transaction was left open.
        cToken token = tokenWithKey("ID5");
        database.SaveToken(token, true);
        QCOMPARE(tokenIds(path), (QList<int>{1, 2, 3, 4, 5}));
        database.CompactDatabase();
    }

    void keysNeverReachAStatementAsText() {
        const QString path = freshFile();
        TokenDbFixture::AddRows(path, {{2, 1, "Games"}});
        clsDatabase database(path);
        for (const QString& key : {QStringLiteral("ID2 OR 1=1"), QStringLiteral("ID2; DROP TABLE Tokens"),
                                   QStringLiteral("Games")}) {
            try {
                database.DeleteToken(key);
                QFAIL("a key that is not a number was accepted");
            } catch (const RuntimeError& error) {
                QCOMPARE(error.Number(), 13);
            }
        }
        QCOMPARE(tokenIds(path), (QList<int>{1, 2}));
        QCOMPARE(RowNumberOfKey("ID12"), 12);
        QCOMPARE(RowNumberOfKey("IDID7"), 7);
    }

    void tokenFieldsAreStoredInTheirEncodings() {
        const QString path = freshFile();
        clsDatabase database(path);
        cToken token = tokenWithKey("ID2");
        token.SetCaption("Bob's \"Games\"");
        token.SetCommand("/usr/bin/true");
        token.SetParameters("--flag 'quoted'");
        token.SetDescription("It's a description; DROP TABLE Tokens; --");
        token.SetSourceImage(TokenDbFixture::Png(4, 4));
        token.SetEnabled(false);
        token.SetHideAfterExecution(true);
        token.SetIconScale(75);
        database.SaveToken(token, true);

        SqlConnection raw(path);
        SqlRowSet rows = raw.Query("SELECT * FROM Tokens WHERE TokenID = 2");
        QCOMPARE(rows.RecordCount(), 1);
        QCOMPARE(rows.Value("Caption").toString(), token.Caption());
        QCOMPARE(rows.Value("Command").toString(), token.Command());
        QCOMPARE(rows.Value("Parameters").toString(), token.Parameters());
        QCOMPARE(rows.Value("Description").toString(), token.Description());
        QCOMPARE(rows.Value("SourceImage").toByteArray(), token.SourceImage());
        QCOMPARE(rows.Value("Enabled").toLongLong(), 0);
        QCOMPARE(rows.Value("HideAfterExecution").toLongLong(), 1);
        QCOMPARE(rows.Value("TokenIconScale").toLongLong(), 75);
        QCOMPARE(rows.Value("ParentID").toLongLong(), 1);

        // An update addresses the row by the key and leaves the others alone.
        token.SetCaption("Play");
        token.SetEnabled(true);
        token.SetHideAfterExecution(false);
        token.SetParentKey("ID1");
        database.SaveToken(token, false);
        SqlRowSet after = raw.Query("SELECT * FROM Tokens ORDER BY TokenID");
        QCOMPARE(after.RecordCount(), 2);
        after.MoveNext();
        QCOMPARE(after.Value("Caption").toString(), QStringLiteral("Play"));
        QCOMPARE(after.Value("Enabled").toLongLong(), 1);
        QCOMPARE(after.Value("HideAfterExecution").toLongLong(), 0);
        QCOMPARE(scalar(path, "SELECT Caption FROM Tokens WHERE TokenID = 1").toString(),
                 QStringLiteral("Root"));
    }

    void settingsAreStoredRounded_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("fill opacity 0.375") << "TokenFillOpacity" << 0.375 << 38;
        QTest::newRow("fill opacity 0.125") << "TokenFillOpacity" << 0.125 << 12;
        QTest::newRow("render scale 1.125") << "RenderScale" << 1.125 << 112;
        QTest::newRow("tilt 2.5") << "Tilt" << 2.5 << 2;
        QTest::newRow("tilt 3.5") << "Tilt" << 3.5 << 4;
        QTest::newRow("darkening 40.6") << "DepthDarkening" << 40.6 << 41;
    }
    void settingsAreStoredRounded() {
        QFETCH(QString, column);
        QFETCH(double, value);
        QFETCH(int, stored);
        const QString path = freshFile();
        CarouselSettingsValues values;
        values[CarouselSettings::SettingOfColumn(column)] = value;
        clsDatabase(path).SaveSettings(CarouselSettings::ToStored(values));
        QCOMPARE(scalar(path, "SELECT " + column + " FROM CarouselSettings").toInt(), stored);
    }

    void settingsRoundTrip() {
        const QString path = freshFile();
        // Every setting, in table order.
        CarouselSettingsValues values;
        values.Values = {13, 20,       1.5,      900, 250, 160, 150, 50,       40,  30, 20,
                         10, 0x123456, 0xFFFFFF, 0,   1,   0,   70,  0x5A3C28, 0.6, 0};
        clsDatabase database(path);
        database.SaveSettings(CarouselSettings::ToStored(values));
        QCOMPARE(scalar(path, "SELECT OverflowFade FROM CarouselSettings").toInt(), -1);
        QCOMPARE(scalar(path, "SELECT OverflowZoom FROM CarouselSettings").toInt(), 0);
        QCOMPARE(scalar(path, "SELECT SoundEnabled FROM CarouselSettings").toInt(), 0);
        SqlRowSet rows = database.GetSettings();
        const auto read = CarouselSettings::FromRow(rows);
        QVERIFY(read.has_value());
        QVERIFY(*read == values);
    }

    void savingSettingsWithoutARowChangesNothing() {
        const QString path = freshFile(false);
        clsDatabase database(path);
        database.SaveSettings(CarouselSettings::ToStored(CarouselSettingsValues{}));
        QCOMPARE(scalar(path, "SELECT count(*) FROM CarouselSettings").toInt(), 0);
        SqlRowSet rows = database.GetSettings();
        QVERIFY(!CarouselSettings::FromRow(rows).has_value());
        QVERIFY(mMessages.isEmpty());
    }

    void storedSettingsAreConvertedAndClamped_data() {
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<double>("expected");
        QTest::newRow("fade -1") << "OverflowFade = -1" << 1.0;
        QTest::newRow("fade 1") << "OverflowFade = 1" << 1.0;
        QTest::newRow("fade 255") << "OverflowFade = 255" << 1.0;
        QTest::newRow("fade 0") << "OverflowFade = 0" << 0.0;
        QTest::newRow("zoom -1") << "OverflowZoom = -1" << 1.0;
        QTest::newRow("sound 1") << "SoundEnabled = 1" << 1.0;
        QTest::newRow("sound -1") << "SoundEnabled = -1" << 1.0;
        QTest::newRow("tint colour as stored") << "TintColour = 255" << 255.0;
        QTest::newRow("fill opacity 40") << "TokenFillOpacity = 40" << 0.4;
        QTest::newRow("fill opacity 250") << "TokenFillOpacity = 250" << 1.0;
        QTest::newRow("render scale 100") << "RenderScale = 100" << 1.0;
        QTest::newRow("render scale 0") << "RenderScale = 0" << 0.5;
        QTest::newRow("render scale 900") << "RenderScale = 900" << 2.0;
        QTest::newRow("move increments 0") << "MoveIncrements = 0" << 1.0;
        QTest::newRow("capacity 27") << "Capacity = 27" << 25.0;
        QTest::newRow("image size 20") << "ImageSize = 20" << 96.0;
        QTest::newRow("width 5000") << "Width = 5000" << 1200.0;
        QTest::newRow("width -5") << "Width = -5" << 400.0;
        QTest::newRow("tilt -3") << "Tilt = -3" << 0.0;
        QTest::newRow("fore scale 99") << "ForeItemScale = 99" << 100.0;
        QTest::newRow("rear scale 180") << "RearItemScale = 180" << 100.0;
        QTest::newRow("stretch 0") << "ReflectionStretch = 0" << 10.0;
        QTest::newRow("real capacity 12.5") << "Capacity = 12.5" << 12.0;
        QTest::newRow("text width") << "Width = '800'" << 800.0;
    }
    void storedSettingsAreConvertedAndClamped() {
        QFETCH(QString, assignment);
        QFETCH(double, expected);
        const QString path = freshFile();
        SqlConnection(path).Execute("UPDATE CarouselSettings SET " + assignment);
        clsDatabase database(path);
        SqlRowSet rows = database.GetSettings();
        const auto v = CarouselSettings::FromRow(rows);
        QVERIFY(v.has_value());
        const QString column = assignment.section(' ', 0, 0);
        QCOMPARE((*v)[CarouselSettings::SettingOfColumn(column)], expected);
        // Clamping is for use only: the stored value stays as it was.
        const QString original = assignment.section("= ", 1).remove('\'');
        QCOMPARE(scalar(path, "SELECT " + column + " FROM CarouselSettings").toString(), original);
    }

    void unconvertibleSettingIsNamed_data() {
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<int>("number");
        QTest::newRow("text") << "Width = 'wide'" << 13;
        QTest::newRow("null") << "Tilt = NULL" << 94;
        QTest::newRow("16-bit overflow") << "OverflowZoom = 40000" << 6;
        QTest::newRow("32-bit overflow") << "Capacity = 3000000000" << 6;
    }
    void unconvertibleSettingIsNamed() {
        QFETCH(QString, assignment);
        QFETCH(int, number);
        const QString path = freshFile();
        SqlConnection(path).Execute("UPDATE CarouselSettings SET " + assignment);
        clsDatabase database(path);
        SqlRowSet rows = database.GetSettings();
        try {
            CarouselSettings::FromRow(rows);
            QFAIL("an unconvertible setting was accepted");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), number);
            QVERIFY2(error.Description().contains(assignment.section(' ', 0, 0)),
                     qPrintable(error.Description()));
        }
    }

    void unusableFilesAreRefusedUntouched_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not a database") << "text" << QStringLiteral("file is not a database");
        QTest::newRow("empty file") << "empty" << QStringLiteral("no table Tokens");
        QTest::newRow("no settings table")
            << "DROP TABLE CarouselSettings" << QStringLiteral("no table CarouselSettings");
        QTest::newRow("no tokens table") << "DROP TABLE Tokens" << QStringLiteral("no table Tokens");
        QTest::newRow("missing column")
            << "CREATE TABLE X AS SELECT TokenID, ParentID, Caption FROM Tokens; DROP TABLE Tokens; "
               "ALTER TABLE X RENAME TO Tokens"
            << QStringLiteral("table Tokens has no column Command");
        QTest::newRow("no root row") << "DELETE FROM Tokens WHERE TokenID = 1"
                                     << QStringLiteral("no root token");
        QTest::newRow("locked") << "lock" << QStringLiteral("locked");
    }
    void unusableFilesAreRefusedUntouched() {
        QFETCH(QString, damage);
        QFETCH(QString, problem);
        const QString path = freshFile();
        TokenDbFixture::AddRows(path, {{2, 1, "Games"}});
        std::unique_ptr<SqlConnection> holder;
        if (damage == "text" || damage == "empty") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            if (damage == "text")
                file.write(QByteArray("This is a shopping list, not a database.\n").repeated(100));
        } else if (damage == "lock") {
            holder = std::make_unique<SqlConnection>(path);
            holder->Execute("BEGIN EXCLUSIVE");
        } else {
            SqlConnection(path).Execute(damage);
        }
        const QByteArray before = TokenDbFixture::FileHash(path);
        try {
            clsDatabase database(path);
            QFAIL("an unusable file was opened");
        } catch (const RuntimeError& error) {
            QVERIFY2(error.Description().contains(path), qPrintable(error.Description()));
            QVERIFY2(error.Description().contains(problem), qPrintable(error.Description()));
            QVERIFY(!error.MessageText().isEmpty());
        }
        QCOMPARE(TokenDbFixture::FileHash(path), before);
        QVERIFY(mMessages.isEmpty());
    }

    void missingFileIsNotCreated() {
        const QString path = mDir.filePath("nowhere/Tokens.db");
        try {
            clsDatabase database(path);
            QFAIL("a missing file was opened");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), int(ErrorNumber::FileNotFound));
            QVERIFY(error.Description().contains(path));
        }
        QVERIFY(!QFileInfo::exists(path));
    }

    void fetchFailureIsReportedAndYieldsNoRows() {
        const QString path = freshFile();
        clsDatabase database(path);
        database.SetProblemReporter(ShowProblemMessage); // as the program has it
        SqlConnection(path).Execute("DROP TABLE Tokens");
        SqlRowSet rows = database.GetTokenData();
        QCOMPARE(rows.RecordCount(), 0);
        QCOMPARE(mMessages.size(), 1);
        QCOMPARE(mMessages[0].title, QStringLiteral("Error Fetching Token Data"));
        QCOMPARE(mMessages[0].flags, MsgBox::OkOnly | MsgBox::Exclamation);
        QVERIFY2(mMessages[0].prompt.startsWith("1 "), qPrintable(mMessages[0].prompt));
        QVERIFY2(mMessages[0].prompt.contains("no such table: Tokens"), qPrintable(mMessages[0].prompt));
    }

    void destructionCompactsTheFile() {
        const QString path = freshFile();
        QList<Row> rows;
        for (int id = 2; id < 60; ++id)
            rows.append(Row{id, 1, "Big", true, QByteArray(8192, 'x')});
        TokenDbFixture::AddRows(path, rows);
        const qint64 full = QFileInfo(path).size();
        {
            clsDatabase database(path);
            for (int id = 2; id < 60; ++id)
                database.DeleteToken(QStringLiteral("ID%1").arg(id));
            QCOMPARE(QFileInfo(path).size(), full); // freed pages stay until compaction
        }
        QVERIFY2(QFileInfo(path).size() < full / 4, qPrintable(QString::number(QFileInfo(path).size())));
        QCOMPARE(tokenIds(path), QList<int>{1});
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
