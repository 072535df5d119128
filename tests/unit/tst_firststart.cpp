#include "TokenDbFixture.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"
#include "store/FirstStart.h"
#include "store/StarterPictures.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct StoredToken {
    int id, parent;
    QString caption, command, description;
    QByteArray picture;
    bool enabled, hide;
};

QList<StoredToken> storedTokens(const QString& path) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query("SELECT * FROM Tokens ORDER BY TokenID");
    QList<StoredToken> tokens;
    for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext())
        tokens.append({rows.Value("TokenID").toInt(), rows.Value("ParentID").toInt(),
                       rows.Value("Caption").toString(), rows.Value("Command").toString(),
                       rows.Value("Description").toString(), rows.Value("SourceImage").toByteArray(),
                       rows.Value("Enabled").toInt() == 1, rows.Value("HideAfterExecution").toInt() == 1});
    return tokens;
}

void makeProgram(const QString& folder, const QString& name) {
    QFile file(folder + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Keeps PATH as the test found it.
class PathGuard {
public:
    PathGuard() : mSaved(qgetenv("PATH")) {}
    ~PathGuard() { qputenv("PATH", mSaved); }

private:
    QByteArray mSaved;
};
} // namespace

class TestFirstStart : public QObject {
    Q_OBJECT
private:
    QTemporaryDir mDir;
    int mNumber = 0;
    QString newPath() { return mDir.filePath(QStringLiteral("data%1/Tessaro/Tokens.db").arg(++mNumber)); }

private slots:
    void initTestCase() { QVERIFY(mDir.isValid()); }

    void createsAFileTheDatabaseClassAccepts() {
        const QString path = newPath();
        QVERIFY(FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter()));
        QVERIFY(QFileInfo(path).isFile());
        QVERIFY(!QFileInfo::exists(path + ".creating"));

        clsDatabase database(path);
        SqlRowSet settings = database.GetSettings();
        QCOMPARE(settings.RecordCount(), 1);
        const auto values = CarouselSettings::FromRow(settings);
        QVERIFY(values.has_value());
        QVERIFY(*values == CarouselSettings::Starter());

        const QList<StoredToken> tokens = storedTokens(path);
        QVERIFY(tokens.size() >= 4);
        QCOMPARE(tokens[0].id, 1);
        QCOMPARE(tokens[0].parent, 0);
        QCOMPARE(tokens[0].caption, QStringLiteral("Tessaro"));
        QVERIFY(tokens[0].command.isEmpty());
    }

    void rowNumbersFollowTheLargest() {
        const QString path = newPath();
        QVERIFY(FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter()));
        SqlConnection db(path);
        QVERIFY(!db.TableExists("sqlite_sequence")); // no AUTOINCREMENT: freed numbers are reused
        const int largest = db.Query("SELECT max(TokenID) AS m FROM Tokens").Value("m").toInt();
        db.Execute("INSERT INTO Tokens (ParentID, Caption) VALUES (1, 'x')");
        db.Execute(QStringLiteral("DELETE FROM Tokens WHERE TokenID = %1").arg(largest + 1));
        db.Execute("INSERT INTO Tokens (ParentID, Caption) VALUES (1, 'y')");
        QCOMPARE(db.Query("SELECT max(TokenID) AS m FROM Tokens").Value("m").toInt(), largest + 1);
    }

    void everyStarterTokenWorksOnThisMachine() {
        const QString path = newPath();
        QVERIFY(FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter()));
        const QList<StoredToken> tokens = storedTokens(path);
        QSet<int> ids;
        QMap<int, QSet<QString>> captionsByLevel;
        for (const StoredToken& token : tokens) {
            ids.insert(token.id);
            QVERIFY2(token.id == 1 || ids.contains(token.parent), qPrintable(token.caption));
            QVERIFY(!token.caption.isEmpty());
            QVERIFY2(!token.description.isEmpty(), qPrintable(token.caption));
            QVERIFY2(!captionsByLevel[token.parent].contains(token.caption), qPrintable(token.caption));
            captionsByLevel[token.parent].insert(token.caption);
            QVERIFY(token.enabled);
            if (!token.command.isEmpty())
                QVERIFY2(QFileInfo(token.command).isDir() ||
                             !QStandardPaths::findExecutable(token.command).isEmpty(),
                         qPrintable(token.command));
            const QImage picture = Imaging::Decode(token.picture);
            QCOMPARE(picture.size(), QSize(196, 196));
        }
        // The home folder on the first level, and a System level with tools below it.
        auto find = [&](const QString& caption) {
            for (const StoredToken& token : tokens)
                if (token.caption == caption)
                    return token;
            return StoredToken{};
        };
        QCOMPARE(find("Home").command, QDir::homePath());
        QCOMPARE(find("Home").parent, 1);
        const StoredToken system = find("System");
        QCOMPARE(system.parent, 1);
        QVERIFY(system.command.isEmpty());
        QVERIFY(captionsByLevel[system.id].contains("Root Folder"));
        QCOMPARE(find("Root Folder").command, QStringLiteral("/"));
    }

    void programsComeFromPath_data() {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("expectedCommands");
        QTest::addColumn<QStringList>("absentCaptions");
        QTest::newRow("GNOME") << QStringList{"gnome-terminal", "firefox", "gedit", "nautilus",
                                              "gnome-calculator"}
                               << QStringList{"gnome-terminal", "firefox", "gedit", "nautilus",
                                              "gnome-calculator"}
                               << QStringList{"System Monitor", "Settings", "Disk Usage"};
        QTest::newRow("KDE, first candidate wins")
            << QStringList{"konsole", "xterm", "kate", "kwrite", "dolphin"}
            << QStringList{"konsole", "kate", "dolphin"} << QStringList{"Web Browser", "Calculator"};
        QTest::newRow("nothing installed")
            << QStringList{} << QStringList{}
            << QStringList{"Terminal", "Web Browser", "Text Editor", "Files", "Calculator"};
    }
    void programsComeFromPath() {
        QFETCH(QStringList, installed);
        QFETCH(QStringList, expectedCommands);
        QFETCH(QStringList, absentCaptions);
        QTemporaryDir bin;
        for (const QString& program : installed)
            makeProgram(bin.path(), program);
        PathGuard guard;
        qputenv("PATH", bin.path().toLocal8Bit());
        const QList<FirstStart::StarterToken> tree = FirstStart::StarterTree();
        QStringList commands, captions;
        for (const auto& token : tree) {
            captions << token.caption;
            if (!token.command.isEmpty() && !QFileInfo(token.command).isDir())
                commands << token.command;
        }
        QCOMPARE(commands, expectedCommands);
        for (const QString& caption : absentCaptions)
            QVERIFY2(!captions.contains(caption), qPrintable(caption));
        QVERIFY(captions.contains("Home"));
        QVERIFY(captions.contains("System"));
        // Numbers run without gaps, so the next new token follows on.
        for (int i = 0; i < tree.size(); ++i)
            QCOMPARE(tree[i].id, i + 1);
    }

    void anExistingFileIsNeverTouched_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a database") << QByteArray();
        QTest::newRow("not a database") << QByteArray("plain text\n");
        QTest::newRow("empty") << QByteArray("");
    }
    void anExistingFileIsNeverTouched() {
        QFETCH(QByteArray, content);
        const QString path = newPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (content.isNull()) {
            TokenDbFixture::Create(path);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const QByteArray before = TokenDbFixture::FileHash(path);
        const QDateTime modified = QFileInfo(path).lastModified();
        QVERIFY(!FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter()));
        QCOMPARE(TokenDbFixture::FileHash(path), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    void aFolderThatCannotBeMadeIsNamed() {
        const QString blocker = mDir.filePath("blocker");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString path = blocker + "/Tessaro/Tokens.db";
        try {
            FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter());
            QFAIL("created a database below a plain file");
        } catch (const RuntimeError& error) {
            QVERIFY2(error.Description().contains(blocker + "/Tessaro"), qPrintable(error.Description()));
        }
        QVERIFY(QFileInfo(blocker).isFile());
    }

    void picturesAreDistinctFlatIcons() {
        using StarterPictures::Picture;
        QSet<QByteArray> seen;
        for (int value = int(Picture::Tessaro); value <= int(StarterPictures::LastPicture); ++value) {
            const QImage image = StarterPictures::Draw(Picture(value));
            QCOMPARE(image.size(), QSize(196, 196));
            QVERIFY(image.hasAlphaChannel());
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // transparent corners
            QCOMPARE(qAlpha(image.pixel(195, 195)), 0);
            int covered = 0;
            for (int y = 0; y < 196; y += 4)
                for (int x = 0; x < 196; x += 4)
                    covered += qAlpha(image.pixel(x, y)) > 128;
            QVERIFY2(covered > 49 * 49 / 8,
                     qPrintable(QString::number(value))); // a real drawing, not a speck
            const QByteArray png = StarterPictures::Png(Picture(value));
            QVERIFY(!seen.contains(png));
            seen.insert(png);
        }
    }
};

int main(int argc, char* argv[]) {
    // A desktop that lists no applications: the starter tree comes from the programs on PATH.
    const QTemporaryDir noApplications;
    qputenv("XDG_DATA_DIRS", noApplications.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", noApplications.path().toLocal8Bit());
    QCoreApplication application(argc, argv);
    TestFirstStart test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_firststart.moc"
