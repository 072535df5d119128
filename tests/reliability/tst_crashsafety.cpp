// Kills a process in the middle of the store's edits, and of the compaction at exit, and checks the
// file afterwards: it passes SQLite's integrity check, holds every edit the store acknowledged and
// no edit half done. The test binary re-executes itself as the editing child ("--edit-child").
#include "TokenDbFixture.h"
#include "platform/ImageList.h"
#include "platform/SqlDatabase.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

constexpr int EditsPerRun = 200;

// The part of the file an edit changes: each token's parent and caption, and which edit last wrote
// the settings row (every column of edit k holds k * 31 + its position).
struct FileState {
    QMap<int, std::pair<int, QString>> tokens;
    int settings = 0;
    bool operator==(const FileState&) const = default;
};

int settingValue(int edit, int column) {
    return edit * 31 + column;
}

// One line the child writes before an edit ("B <op> <id> <argument>") applied to a state.
void apply(FileState& state, const QStringList& edit) {
    const QString op = edit.value(1);
    const int id = edit.value(2).toInt();
    if (op == "new") {
        state.tokens[id] = {edit.value(3).toInt(), cToken().Caption()};
    } else if (op == "ren") {
        state.tokens[id].second = edit.value(3);
    } else if (op == "mov") {
        state.tokens[id].first = edit.value(3).toInt();
    } else if (op == "del") {
        QList<int> doomed{id};
        for (int i = 0; i < doomed.size(); ++i)
            for (auto it = state.tokens.cbegin(); it != state.tokens.cend(); ++it)
                if (it.value().first == doomed[i] && it.key() != 1)
                    doomed.append(it.key());
        for (int gone : doomed)
            state.tokens.remove(gone);
    } else if (op == "set") {
        state.settings = id;
    }
}

// The file's state, or a description of what is wrong with it.
std::optional<FileState> readState(const QString& path, QString& problem) {
    SqlConnection db(path);
    SqlRowSet check = db.Query("PRAGMA integrity_check");
    check.MoveFirst();
    if (check.Value(check.Columns().first()).toString() != "ok") {
        problem = "integrity_check: " + check.Value(check.Columns().first()).toString();
        return std::nullopt;
    }
    FileState state;
    SqlRowSet rows = db.Query("SELECT TokenID, ParentID, Caption FROM Tokens");
    for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext())
        state.tokens[rows.Value("TokenID").toInt()] = {rows.Value("ParentID").toInt(),
                                                       rows.Value("Caption").toString()};
    SqlRowSet settings = db.Query("SELECT * FROM CarouselSettings");
    settings.MoveFirst();
    const int edit = (settings.Value(settings.Columns().first()).toInt()) / 31;
    for (int column = 0; column < settings.Columns().size(); ++column)
        if (settings.Value(settings.Columns()[column]).toInt() != settingValue(edit, column)) {
            problem = QStringLiteral("settings row is mixed: column %1 is not from edit %2")
                          .arg(settings.Columns()[column])
                          .arg(edit);
            return std::nullopt;
        }
    state.settings = edit;
    return state;
}

void saveSettings(clsDatabase& database, int edit) {
    StoredSettings columns;
    const QStringList names = database.GetSettings().Columns();
    for (int column = 0; column < names.size(); ++column)
        columns.append({names[column], settingValue(edit, column)});
    database.SaveSettings(columns);
}

void say(const QString& line) {
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

// The child: edits through the token manager, announcing each edit before it starts ("B ...") and
// acknowledging it once the store returned ("A"); then, when asked, closes the database, which
// compacts it ("V" before, "Z" after).
int runEditChild(const QString& path, quint32 seed, int edits, bool closeAtEnd) {
    auto database = std::make_unique<clsDatabase>(path);
    ImageList images;
    auto manager = std::make_unique<cTokenManager>(*database, images);
    manager->Init();
    QRandomGenerator random(seed);
    const auto anyKey = [&](bool rootToo) {
        QStringList keys;
        for (const auto& [key, token] : *manager)
            if (rootToo || key != "ID1")
                keys << key;
        return keys.value(int(random.bounded(quint32(keys.size()))));
    };
    for (int edit = 0; edit < edits; ++edit) {
        const quint32 dice = random.bounded(100u);
        const QString key = anyKey(false);
        const QString number = QString(key).remove("ID");
        if (dice < 30 || key.isEmpty()) {
            const QString parent = anyKey(true);
            int nextId = 0;
            for (const auto& [otherKey, token] : *manager)
                nextId = std::max(nextId, token->ID() + 1);
            say(QStringLiteral("B new %1 %2").arg(nextId).arg(QString(parent).remove("ID")));
            manager->CreateNewToken(parent);
        } else if (dice < 55) {
            cToken edited = *manager->Item(key);
            edited.SetCaption(QStringLiteral("C%1.%2").arg(seed).arg(edit));
            say(QStringLiteral("B ren %1 %2").arg(number, edited.Caption()));
            manager->SaveEdit(edited);
        } else if (dice < 80) {
            const QString parent = anyKey(true);
            if (!manager->CanMoveToken(key, parent))
                continue;
            say(QStringLiteral("B mov %1 %2").arg(number, QString(parent).remove("ID")));
            manager->MoveToken(key, parent);
        } else if (dice < 90) {
            say(QStringLiteral("B del %1").arg(number));
            manager->DeleteSubtree(key);
        } else {
            const int value = int(seed % 1000) * 1000 + edit;
            say(QStringLiteral("B set %1").arg(value));
            saveSettings(*database, value);
        }
        say(QStringLiteral("A"));
    }
    if (closeAtEnd) {
        manager.reset();
        say(QStringLiteral("V"));
        database.reset();
        say(QStringLiteral("Z"));
    }
    return 0;
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void killedEditsLeaveWholeEditsOnly() {
        const quint32 seed = qEnvironmentVariableIsSet("TESSARO_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TESSARO_SEED"))
                                 : QRandomGenerator::global()->generate();
        qInfo("seed %u (TESSARO_SEED=%u repeats this run)", seed, seed);
        QRandomGenerator random(seed);
        // A kill leaves what the process wrote in the page cache, so the file may live in memory
        // (tmpfs, where syncing costs nothing) without weakening the test.
        QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                              ? QStringLiteral("/dev/shm/tessaro-crashsafety-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/tessaro-crashsafety-XXXXXX"));
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Tokens.db");
        QDir(dir.path())
            .mkdir("runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        TokenDbFixture::Create(path);
        // A visible level to edit, and an archive of switched-off tokens (no images to compose)
        // large enough that the compaction and the deletion of a big subtree take a while.
        QList<TokenDbFixture::Row> rows{
            {2, 1, "Tools"}, {3, 1, "Games"}, {4, 2, "Editor"}, {5, 3, "Chess"}, {6, 1, "Archive", false}};
        for (int id = 7; id < 3000; ++id)
            rows.append({id,
                         id < 12 ? 6 : id - 1 - (id % 5),
                         QStringLiteral("Old %1").arg(id),
                         false,
                         {},
                         {},
                         60,
                         false,
                         QString(1024, 'd')});
        TokenDbFixture::AddRows(path, rows);
        {
            clsDatabase database(path);
            database.LeaveUncompacted();
            saveSettings(database, 0);
        }
        QString problem;
        std::optional<FileState> acknowledged = readState(path, problem);
        QVERIFY2(acknowledged, qPrintable(problem));

        int killsInEdits = 0, killsInCompaction = 0, pendingFound = 0;
        for (int round = 0; round < 100; ++round) {
            const bool compactionRound = round % 4 == 3;
            if (compactionRound)
                TokenDbFixture::LeaveFreePages(path);
            QProcess child;
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {"--edit-child", path, QString::number(random.generate()),
                         QString::number(compactionRound ? 3 : EditsPerRun),
                         compactionRound ? "close" : "keep"});
            QVERIFY(child.waitForStarted());
            const int killAfter = compactionRound ? -1 : int(random.bounded(quint32(EditsPerRun)));
            const int delayUs = int(random.bounded(compactionRound ? 4000u : 3000u));
            FileState expected = *acknowledged;
            std::optional<FileState> pending;
            int acks = 0;
            bool killed = false, compacting = false, compacted = false;
            QByteArray buffer;
            while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
                if (!child.bytesAvailable())
                    QVERIFY2(child.waitForReadyRead(20000) || child.state() == QProcess::NotRunning,
                             "the editing child hung");
                buffer += child.readAll();
                for (qsizetype end; (end = buffer.indexOf('\n')) >= 0; buffer.remove(0, end + 1)) {
                    const QStringList line = QString::fromUtf8(buffer.left(end)).split(' ');
                    if (line[0] == "B") {
                        pending = expected;
                        apply(*pending, line);
                    } else if (line[0] == "A") {
                        expected = *pending;
                        pending.reset();
                        ++acks;
                    } else if (line[0] == "V") {
                        compacting = true;
                    } else if (line[0] == "Z") {
                        compacted = true;
                    }
                    const bool due = compactionRound ? compacting : acks >= killAfter;
                    const auto pid = pid_t(child.processId());
                    if (due && !killed && pid > 0) {
                        usleep(useconds_t(delayUs));
                        ::kill(pid, SIGKILL);
                        killed = true;
                    }
                }
            }
            child.waitForFinished();
            if (child.exitStatus() == QProcess::CrashExit && killed && !compacted)
                ++(compactionRound ? killsInCompaction : killsInEdits);
            else if (!killed)
                QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                         "the editing child failed");
            const std::optional<FileState> found = readState(path, problem);
            QVERIFY2(found, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(problem)));
            if (pending && *found == *pending) {
                ++pendingFound;
                expected = *pending;
            }
            QVERIFY2(*found == expected,
                     qPrintable(QStringLiteral("round %1: the file holds neither the acknowledged edits nor "
                                               "those and the one under way (%2 acknowledged)")
                                    .arg(round)
                                    .arg(acks)));
            acknowledged = found;
        }
        qInfo("kills during edits %d, during the compaction %d; edits under way found done %d", killsInEdits,
              killsInCompaction, pendingFound);
        QVERIFY(killsInEdits > 0 && killsInCompaction > 0);
    }
};

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.value(1) == "--edit-child")
        return runEditChild(arguments.value(2), arguments.value(3).toUInt(), arguments.value(4).toInt(),
                            arguments.value(5) == "close");
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
