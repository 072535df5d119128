// Crashes, hostile token databases and pictures, each in a child process (this binary again): "--edit-child"
// edits until it is killed; "--case" opens a hostile file under a watchdog, reporting its peak memory.
#include "TokenDbFixture.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/frmImagePicker.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {

bool gIsChild = false; // this process runs a case for the test, which reads what it says

void say(const QString& line) {
    if (gIsChild)
        std::fputs(qPrintable(line.simplified() + '\n'), stdout), std::fflush(stdout);
}

// ---- Crash safety ----

// Random edits through the store, each announced ("B") and acknowledged once the store returned ("A").
// A thread kills the process ("K") delayUs after the killAt'th acknowledgement or, when killAt is the
// number of edits, once the closing of the database, which compacts it, began ("V"). Without a delay,
// a copy of the file as it is after killAt edits is kept instead (<path>.then).
int makeEdits(const QString& path, quint32 seed, int edits, int killAt, int delayUs) {
    const auto killSoon = [=] { std::thread([=] { usleep(delayUs), say("K"), raise(SIGKILL); }).detach(); };
    auto database = std::make_unique<clsDatabase>(path);
    ImageList images;
    auto manager = std::make_unique<cTokenManager>(*database, images);
    manager->Init();
    QRandomGenerator random(seed);
    for (int i = 0; i < edits; ++i) {
        if (i == killAt && delayUs < 0)
            QFile::copy(path, path + ".then");
        else if (i == killAt)
            killSoon();
        const QStringList keys = manager->SubtreeKeys("ID1"); // the root first
        const quint32 dice = random.bounded(100u), size = quint32(keys.size());
        const QString key = keys.value(1 + int(random.bounded(size - 1))),
                      parent = keys.value(int(random.bounded(size)));
        say("B");
        if (dice < 30 || key.isEmpty()) {
            manager->CreateNewToken(parent);
        } else if (dice < 55) {
            cToken edited = *manager->Item(key);
            edited.SetCaption(QStringLiteral("C%1.%2").arg(seed).arg(i));
            manager->SaveEdit(edited);
        } else if (dice < 80) {
            manager->MoveToken(key, parent);
        } else if (dice < 90) {
            manager->DeleteSubtree(key);
        } else { // every column new, so that a row mixed from two saves shows
            StoredSettings row;
            for (const QString& column : TokenDbFixture::SettingsColumns())
                row.append({column, int(seed % 1000) * 1000 + i * 31 + int(row.size())});
            database->SaveSettings(row);
        }
        say("A");
    }
    manager.reset();
    say("V");
    if (killAt == edits)
        killSoon();
    database.reset();
    say("Z");
    return 0;
}

// What an edit may change: the token rows and the settings row.
std::pair<QList<QVariantMap>, QVariantMap> contents(const QString& path) {
    return {DbProbe::Rows(path, "SELECT * FROM Tokens ORDER BY TokenID"), DbProbe::SettingsRow(path)};
}

// This binary run again: its output, then "ended" or "crashed" (a signal, status not 0, a minute passed).
QStringList runChild(const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(60000))
        child.kill(), child.waitForFinished();
    const bool ended = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return QString::fromUtf8(child.readAllStandardOutput()).split('\n') << (ended ? "ended" : "crashed");
}

// ---- Hostile files ----

// Ends the process with SIGALRM unless called again (0: never) in time; TESSARO_WATCHDOG_SCALE stretches it.
void watchdog(unsigned seconds) {
    alarm(unsigned(seconds * std::max(1.0, qEnvironmentVariable("TESSARO_WATCHDOG_SCALE", "1").toDouble())));
}

QByteArray BigEndian(quint32 value) {
    return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(8, '0'));
}

QByteArray Chunk(const char* type, const QByteArray& data) {
    const QByteArray body = type + data;
    return BigEndian(quint32(data.size())) + body +
           BigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// A greyscale PNG declaring width x height zero pixels, of which the first `rows` rows are there.
QByteArray PngOfZeros(quint32 width, quint32 height, int rows) {
    const QByteArray pixels = qCompress(QByteArray(qsizetype(width + 1) * rows, '\0'), 9).mid(4); // zlib
    return "\x89PNG\r\n\x1a\n" +
           Chunk("IHDR", BigEndian(width) + BigEndian(height) + QByteArray::fromHex("0800000000")) +
           Chunk("IDAT", pixels) + Chunk("IEND", {});
}

// Nested entities that expand to a billion characters, and one from outside.
QByteArray HostileSvg() {
    QString entities;
    for (int n = 1; n <= 9; ++n)
        entities += QString("<!ENTITY a%1 '%2'>").arg(n).arg(QString("&a%1;").arg(n - 1).repeated(10));
    return ("<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a0 'laughlaughlaugh'>" + entities +
            "<!ENTITY outside SYSTEM 'file:///etc/passwd'>]><svg xmlns='http://www.w3.org/2000/svg' "
            "width='64' height='64'><text>&a9;&outside;</text></svg>")
        .toUtf8();
}

// Pictures from outside the file: OUTSIDE (a file beside it) and one on the network.
const char SvgOutside[] =
    "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
    "width='64' height='64'><image width='64' height='64' xlink:href='OUTSIDE'/>"
    "<image width='64' height='64' href='http://192.0.2.1/x.png'/></svg>";

// A GIF of 60000 x 60000 with a 2-colour table and an image of one clear code and the end code; an
// icon file whose directory claims 256 x 256 and whose bitmap header 30000 x 60000 (image and mask).
const char GifBomb[] = "47494638396160ea60ea800000000000ffffff2c0000000060ea60ea0002024c01003b";
const char BogusIco[] = "00000100010000000000010020006800000016000000280000003075000060ea000001002000";

// Each case's child: opens the database, loads the tokens and their images, saves an edit (the root
// renamed, with a large stored picture) and drops the case's picture file on the root and clicks it in the
// image picker. What goes wrong on the way is printed as "message:".
int runCase(const QString& dir, const QString& name) {
    const QString path = dir + "/Tokens.db", file = dir + "/hostile." + name.section(' ', 0, 0);
    // As "nobody" when root (whom permission bits do not stop); dumpable again, for the leak checker.
    if (name == "read-only folder" && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        say("cannot drop privileges");
    prctl(PR_SET_DUMPABLE, 1);
    if (name == "full disk") {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(QFileInfo(path).size() + 16384), RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    const auto report = [](const QString& text, const QString&) { say("message: " + text); };
    try {
        watchdog(2);
        clsDatabase database(path);
        database.LeaveUncompacted();
        database.SetProblemReporter(report);
        ImageList images;
        cTokenManager manager(database, images);
        manager.SetProblemReporter(report);
        manager.Init();
        say(manager.CurrentImages()->Item("HostileID2").isNull() ? "loaded" : "loaded: image");
        if (name == "deleted while running")
            QFile::remove(path);
        if (name == "replaced while running" && QFile::copy(path, path + ".new"))
            ::rename(qPrintable(path + ".new"), qPrintable(path));
        watchdog(2);
        cToken edited = *manager.Item("ID1");
        edited.SetCaption("Renamed");
        edited.SetSourceImage(QByteArray(1 << 20, 'x')); // a megabyte that is no picture
        manager.SaveEdit(edited);
        say("edit saved");
        if (QFile::exists(file)) {
            watchdog(1);
            manager.CreateTokenFromFilePath(file, "ID1"); // becomes token 4
            say(Imaging::Decode(manager.Item("ID4")->SourceImage()).isNull() ? "no drop" : "drop: picture");
            QByteArray chosen;
            frmImagePicker picker(chosen);
            picker.SetDirPath(dir);
            watchdog(1);
            picker.File1_Click(QFileInfo(file).fileName());
            say(picker.findChild<QPushButton*>("cmdSelectImage")->isEnabled() ? "picker: ok"
                                                                              : "picker: refused");
        }
        watchdog(0);
    } catch (const RuntimeError& error) {
        say("message: " + error.MessageText());
    }
    watchdog(0);
    // The process's own peak (VmHWM; getrusage's figure would include the parent's size at the fork).
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    say("peak " + QString::fromLatin1(status.readAll()).section("VmHWM:", 1).section("kB", 0, 0));
    return 0;
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    // After SIGKILL during edits or during the compaction at exit, the file passes the integrity
    // check and holds exactly the acknowledged edits, or those and the one under way.
    void killedEditsLeaveWholeEditsOnly() {
        const quint32 seed =
            qEnvironmentVariable("TESSARO_SEED", QString::number(QRandomGenerator::global()->generate()))
                .toUInt();
        qInfo("seed %u (TESSARO_SEED=%u repeats this run)", seed, seed);
        QRandomGenerator random(seed);
        // A kill leaves what the process wrote in the page cache, so the file may live in memory
        // (tmpfs, where syncing costs nothing) without weakening the test.
        QTemporaryDir dir((QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath()) +
                          "/tessaro-XXXXXX");
        const QString path = dir.filePath("Tokens.db"), copy = path + ".copy", then = copy + ".then";
        TokenDbFixture::Create(path);
        TokenDbFixture::AddRows(path, {{2, 1, "Tools"}, {3, 1, "Games"}, {4, 2, "Editor"}, {5, 3, "Chess"}});
        // Switched-off tokens (no images to compose) in one deep subtree, slow to delete and to compact;
        // added again for a compaction round when the edits left few tokens.
        const auto addArchive = [&] {
            const int first = DbProbe::Scalar(path, "SELECT MAX(TokenID) FROM Tokens").toInt() + 1;
            QList<TokenDbFixture::Row> rows{{first, 1, "Archive", false}};
            for (int id = first + 1; id < first + 2000; ++id)
                rows.append({id, id < first + 6 ? first : id - 1 - (id % 5), QString(1024, 'd'), false});
            TokenDbFixture::AddRows(path, rows);
            TokenDbFixture::LeaveFreePages(path);
        };
        addArchive();
        int killsInEdits = 0, killsInCompaction = 0;
        for (int round = 0; round < 100; ++round) {
            const bool compactionRound = round % 4 == 3;
            if (compactionRound && DbProbe::Scalar(path, "SELECT COUNT(*) FROM Tokens").toInt() < 1000)
                addArchive();
            QFile::remove(copy), QFile::remove(then);
            QVERIFY(QFile::copy(path, copy));
            const QString runSeed = QString::number(random.generate()), edits = compactionRound ? "3" : "100";
            const QStringList lines =
                runChild({"--edit-child", path, runSeed, edits,
                          compactionRound ? edits : QString::number(random.bounded(100u)),
                          QString::number(random.bounded(compactionRound ? 4000u : 3000u))});
            QVERIFY2(lines.last() == "ended" || lines.contains("K"), "the editing child failed or hung");
            if (lines.last() == "crashed" && !lines.contains("Z"))
                ++(lines.contains("V") ? killsInCompaction : killsInEdits);
            QVERIFY2(DbProbe::Integrity(path), "broken in round " + QByteArray::number(round));
            // The same edits made whole here on the copy of the file as the round found it: the killed file
            // holds the acknowledged ones (the copy kept after them) or one more (the copy at the end).
            const qsizetype acks = lines.count("A");
            makeEdits(copy, runSeed.toUInt(), int(acks + 1), int(acks), -1);
            const auto found = contents(path);
            QVERIFY2(found == contents(then) || (lines.count("B") > acks && found == contents(copy)),
                     "neither the acknowledged edits nor one more in round " + QByteArray::number(round));
        }
        qInfo("kills during edits %d, during the compaction %d", killsInEdits, killsInCompaction);
        QVERIFY(killsInEdits > 0 && killsInCompaction > 0);
    }

    // A database works or says why and keeps its bytes; a picture gets the fallback, the picker refuses it.
    void hostileFiles_data() {
        QTest::addColumn<QByteArray>("picture");   // token 2's, and in a picture case the dropped file's
        QTest::addColumn<QStringList>("expected"); // in the child's output
        const QStringList saved{"loaded: image", "edit saved"};
        const QStringList fallback = saved + QStringList{"drop: picture", "picker: refused"};
        QTest::newRow("locked by another program") << QByteArray() << QStringList{"database is locked"};
        QTest::newRow("read-only folder") << QByteArray() << QStringList{"readonly database"};
        QTest::newRow("full disk") << QByteArray() << QStringList{"disk I/O error"};
        QTest::newRow("deleted while running") << QByteArray() << QStringList{"deleted or replaced"};
        QTest::newRow("replaced while running") << QByteArray() << QStringList{"deleted or replaced"};
        QTest::newRow("50 MB picture") << "\x89PNG\r\n\x1a\n" + QByteArray(50 << 20, 'n') << saved;
        QTest::newRow("100,000 tokens") << QByteArray() << saved;
        QTest::newRow("png 30000 x 30000") << PngOfZeros(30000, 30000, 100) << fallback;
        QTest::newRow("gif bomb") << QByteArray::fromHex(GifBomb) << fallback;
        QTest::newRow("svg entities") << HostileSvg() << fallback;
        QTest::newRow("svg outside files") << QByteArray(SvgOutside) << fallback;
        QTest::newRow("ico with bogus sizes")
            << QByteArray::fromHex(BogusIco) + QByteArray(24, '\0') + QByteArray(64, '\x7f') << fallback;
    }
    void hostileFiles() {
        QFETCH(QByteArray, picture);
        QFETCH(QStringList, expected);
        const QString name = QTest::currentDataTag();
        static const QByteArray outside = PngOfZeros(7000, 7000, 7000); // inflates as much as a picture may
        QTemporaryDir dir;
        const QString path = dir.filePath("Tokens.db");
        picture.replace("OUTSIDE", dir.filePath("outside.png").toUtf8());
        for (const auto& [file, bytes] : {std::pair(QString("outside.png"), outside),
                                          std::pair("hostile." + name.section(' ', 0, 0), picture)}) {
            QFile out(dir.filePath(file));
            QVERIFY(!expected.contains("drop: picture") ||
                    (out.open(QIODevice::WriteOnly) && out.write(bytes) > 0));
        }
        TokenDbFixture::Create(path);
        QList<TokenDbFixture::Row> rows{{2, 1, "Hostile", true, picture}, {3, 2, "Editor"}};
        for (int id = 4; name == "100,000 tokens" && id < 100004; ++id)
            rows.append({id, id < 104 ? 1 : 4 + (id % 100), QStringLiteral("Token %1").arg(id)});
        TokenDbFixture::AddRows(path, rows);
        if (name == "read-only folder") {
            QFile::setPermissions(path, QFileDevice::Permissions(0x6666));
            QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x5555));
        }
        const QByteArray hash = TokenDbFixture::FileHash(path);
        SqlConnection other(path);
        if (name.startsWith("locked"))
            other.Execute("BEGIN EXCLUSIVE");
        const QStringList lines = runChild({"--case", dir.path(), name});
        const QString output = lines.join('\n');
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
        qInfo("%s: %s", qPrintable(name), qPrintable(output.simplified()));
        QVERIFY2(lines.last() == "ended", qPrintable(output + " (or hung) in the step after the last line"));
        const qint64 peak = output.section("peak ", 1).section('\n', 0, 0).toLongLong();
        QVERIFY2(peak > 0 && (peak < 300 * 1024 || !expected.contains("drop: picture")), qPrintable(output));
        for (const QString& part : expected)
            QVERIFY2(output.contains(part), qPrintable(part + " is missing"));
        QCOMPARE(output.contains("edit saved"), expected.contains("edit saved"));
        if (expected.contains("edit saved"))
            QCOMPARE(DbProbe::Stored(path, 1, "Caption").toString(), QStringLiteral("Renamed"));
        else // the same bytes, or no file where it was deleted
            QCOMPARE(TokenDbFixture::FileHash(path), name.startsWith("deleted") ? QByteArray() : hash);
    }
};

// GCC 12's leak checker faults ("Tracer caught signal 11") reading the parent's dynamic thread-local
// blocks of SQLite and the picture plugins; the children, which run every case, keep the leak check.
extern "C" int __lsan_is_turned_off() {
    return gIsChild ? 0 : 1;
}

int main(int argc, char* argv[]) {
    std::optional<QTemporaryDir> runtime; // the runtime folder Qt wants, for this process and its children
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.emplace().path().toLocal8Bit());
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    gIsChild = arguments.value(1) == "--edit-child" || arguments.value(1) == "--case";
    if (arguments.value(1) == "--edit-child")
        return makeEdits(arguments.value(2), arguments.value(3).toUInt(), arguments.value(4).toInt(),
                         arguments.value(5).toInt(), arguments.value(6).toInt());
    if (arguments.value(1) == "--case")
        return runCase(arguments.value(2), arguments.value(3));
    TestHostile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostile.moc"
