// Hostile token databases and hostile pictures, each handled by a child process (the test binary
// re-executed with "--case") so that a crash, a hang or a memory blow-up fails one case and can be
// measured: the child runs under a watchdog (SIGALRM ends it when a step takes too long) and reports
// its peak resident memory. The databases either work or give a clear message and keep their bytes;
// the pictures become tokens with the fallback picture.
#include "TokenDbFixture.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/frmImagePicker.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>
#include <zlib.h>

namespace {

void say(const QString& line) {
    std::fputs(qPrintable(line.simplified() + '\n'), stdout);
    std::fflush(stdout);
}

// Ends the process with SIGALRM unless disarmed within the time: a hang fails the case.
// TESSARO_WATCHDOG_SCALE stretches the limits (for a debugger or a much slower machine).
void setTimer(int milliseconds) {
    itimerval timer{};
    timer.it_value.tv_sec = milliseconds / 1000;
    timer.it_value.tv_usec = (milliseconds % 1000) * 1000;
    setitimer(ITIMER_REAL, &timer, nullptr);
}
void armWatchdog(int milliseconds) {
    const double scale = qEnvironmentVariableIsSet("TESSARO_WATCHDOG_SCALE")
                             ? qEnvironmentVariable("TESSARO_WATCHDOG_SCALE").toDouble()
                             : 1.0;
    setTimer(int(milliseconds * std::max(scale, 1.0)));
}
void disarmWatchdog() {
    setTimer(0);
}

// Runs as "nobody" when the test runs as root, for whom permission bits mean nothing.
// Changing the user makes the process undumpable, which leaves its /proc files to root; the leak
// checker of a sanitizer build reads them at exit, so the process is made dumpable again.
void dropPrivileges() {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        say("cannot drop privileges");
    prctl(PR_SET_DUMPABLE, 1);
}

QByteArray NoisePng(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    QRandomGenerator random(size);
    for (int y = 0; y < size; ++y)
        random.fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 100);
    return bytes;
}

QByteArray Chunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), crc.data());
    return out + body + crc;
}

// A greyscale PNG of width x height zero pixels: a few hundred kilobytes at most that inflate to
// width x height bytes (four times that once decoded). The rows are deflated as they are made.
QByteArray PngBomb(quint32 width, quint32 height) {
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8; // bit depth 8, colour type 0 (grey)
    z_stream stream{};
    deflateInit(&stream, 9);
    const QByteArray row(qsizetype(width) + 1, '\0'); // filter byte 0 and the row
    QByteArray packed;
    char out[65536];
    for (quint32 y = 0; y <= height; ++y) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
        stream.avail_in = y < height ? uInt(row.size()) : 0;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, y < height ? Z_NO_FLUSH : Z_FINISH);
            packed.append(out, qsizetype(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", packed) +
           Chunk("IEND", {});
}

// A GIF whose screen and only image are width x height, with a colour table and an image of one
// clear code and the end code: it reaches its trailer and claims a huge picture.
QByteArray GifBomb(quint16 width, quint16 height) {
    QByteArray gif("GIF89a");
    auto word = [&](quint16 value) { gif += char(value & 0xFF), gif += char(value >> 8); };
    word(width), word(height);
    gif += QByteArray::fromHex("800000") + QByteArray::fromHex("000000ffffff"); // 2-colour table
    gif += char(0x2C), word(0), word(0), word(width), word(height), gif += char(0);
    gif += QByteArray::fromHex("0202"
                               "4c01"
                               "00") +
           char(0x3B); // LZW size 2: clear, end; trailer
    return gif;
}

QByteArray TruncatedJpeg() {
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.left(bytes.size() / 2);
}

// Nested entities that expand to a billion characters, and pictures from outside the file.
QByteArray HostileSvg(const QString& outsidePicture) {
    QString entities = QStringLiteral("<!ENTITY a0 \"laughlaughlaugh\">");
    for (int level = 1; level <= 9; ++level)
        entities += QStringLiteral("<!ENTITY a%1 \"%2\">")
                        .arg(level)
                        .arg(QStringLiteral("&a%1;").arg(level - 1).repeated(10));
    return QStringLiteral(
               "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [%1<!ENTITY outside SYSTEM \"file:///etc/passwd\">]>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "width=\"64\" height=\"64\"><text>&a9;&outside;</text>"
               "<image width=\"64\" height=\"64\" xlink:href=\"%2\"/>"
               "<image width=\"64\" height=\"64\" href=\"http://192.0.2.1/x.png\"/></svg>")
        .arg(entities, outsidePicture)
        .toUtf8();
}

// An icon file of one entry whose directory claims 256 x 256 and whose bitmap header claims
// 30000 x 60000 (an icon's bitmap is twice as high, image and mask).
QByteArray BogusIco() {
    QByteArray dib(40, '\0');
    qToLittleEndian<quint32>(40, dib.data());
    qToLittleEndian<qint32>(30000, dib.data() + 4);
    qToLittleEndian<qint32>(60000, dib.data() + 8);
    qToLittleEndian<quint16>(1, dib.data() + 12);
    qToLittleEndian<quint16>(32, dib.data() + 14);
    dib += QByteArray(64, '\x7f');
    QByteArray ico = QByteArray::fromHex("000001000100") + QByteArray::fromHex("0000000001002000");
    QByteArray sizeAndOffset(8, '\0');
    qToLittleEndian<quint32>(quint32(dib.size()), sizeAndOffset.data());
    qToLittleEndian<quint32>(22, sizeAndOffset.data() + 4);
    return ico + sizeAndOffset + dib;
}

QByteArray hostilePicture(const QString& name, const QString& dir) {
    if (name == "png 30000 x 30000")
        return PngBomb(30000, 30000);
    if (name == "png bomb")
        return PngBomb(7000, 7000);
    if (name == "gif bomb")
        return GifBomb(60000, 60000);
    if (name == "truncated jpeg")
        return TruncatedJpeg();
    if (name == "svg entities and outside files")
        return HostileSvg(dir + "/outside.png");
    if (name == "ico with bogus sizes")
        return BogusIco();
    return {};
}

QString fileNameOf(const QString& name) {
    const QString stem = QString(name).replace(' ', '_');
    for (const char* extension : {"png", "gif", "jpeg", "svg", "ico"})
        if (name.contains(extension))
            return stem + '.' + extension;
    return stem;
}

// The process's own peak (VmHWM; getrusage's figure would include the parent's size at the fork).
qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The hostile database cases (the child's part). Each opens the file, loads the tokens and saves an
// edit: the root renamed with a large picture. What goes wrong on the way is printed as "message:".
int runDatabaseCase(const QString& name, const QString& dir) {
    const QString path = dir + "/Tokens.db";
    const QByteArray picture = NoisePng(400);
    if (name == "read-only file" || name == "read-only folder")
        dropPrivileges();
    if (name == "full disk") {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t size = rlim_t(QFileInfo(path).size() + 16384);
        const rlimit limit{size, size};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    const ProblemReporter report = [](const QString& message, const QString& title) {
        say("message: " + title + ": " + message);
    };
    QElapsedTimer clock;
    clock.start();
    const auto lap = [&](const char* step) {
        say(QStringLiteral("%1 ms %2").arg(clock.restart()).arg(step));
    };
    try {
        armWatchdog(2000);
        clsDatabase database(path);
        database.SetProblemReporter(report);
        ImageList images;
        cTokenManager manager(database, images);
        manager.SetProblemReporter(report);
        lap("open");
        manager.LoadAllTokens();
        lap("load");
        manager.RebuildImageCache(true);
        lap("images");
        disarmWatchdog();
        std::unique_ptr<SqlConnection> holder;
        if (name == "locked while running") {
            holder = std::make_unique<SqlConnection>(path);
            holder->Execute("BEGIN EXCLUSIVE");
        } else if (name == "deleted while running") {
            QFile::remove(path);
        } else if (name == "replaced while running") {
            QFile::copy(path, path + ".new");
            ::rename(qPrintable(path + ".new"), qPrintable(path));
        }
        armWatchdog(2000);
        try {
            cToken edited = *manager.Item("ID1");
            edited.SetCaption("Renamed");
            edited.SetSourceImage(picture);
            manager.SaveEdit(edited);
            say("edit saved");
        } catch (const RuntimeError& error) {
            say("message: " + error.MessageText());
            database.LeaveUncompacted();
        }
        disarmWatchdog();
    } catch (const RuntimeError& error) {
        say("message: " + error.MessageText());
    }
    disarmWatchdog();
    say(QStringLiteral("peak %1").arg(peakResidentKiB()));
    return 0;
}

// The hostile picture cases (the child's part): the picture as a token's stored picture, as a
// dropped file and clicked in the image picker, each step under a one-second watchdog.
int runPictureCase(const QString& name, const QString& dir) {
    const QString file = dir + '/' + fileNameOf(name);
    armWatchdog(1000);
    clsDatabase database(dir + "/Tokens.db");
    ImageList images;
    cTokenManager manager(database, images);
    manager.Init();
    disarmWatchdog();
    const QImage image = manager.CurrentImages()->Exists("HostileID2")
                             ? manager.CurrentImages()->Item("HostileID2")
                             : QImage();
    say(image.isNull() ? "source: no image" : "source: image");
    std::shared_ptr<cToken> dropped;
    QObject::connect(&manager, &cTokenManager::NewToken,
                     [&](std::shared_ptr<cToken> token) { dropped = token; });
    armWatchdog(1000);
    manager.CreateTokenFromFilePath(file, "ID1");
    disarmWatchdog();
    say(!dropped                                           ? "drop: no token"
        : Imaging::Decode(dropped->SourceImage()).isNull() ? "drop: no picture"
                                                           : "drop: picture");
    QByteArray chosen;
    frmImagePicker picker(chosen);
    picker.SetDirPath(dir);
    armWatchdog(1000);
    picker.File1_Click(QFileInfo(file).fileName());
    disarmWatchdog();
    say(picker.findChild<QPushButton*>("cmdSelectImage")->isEnabled() ? "picker: usable" : "picker: refused");
    say(QStringLiteral("peak %1").arg(peakResidentKiB()));
    return 0;
}

// Runs one case in a child; its output, or why it did not end well.
QString runChild(const QString& kind, const QString& name, const QString& dir) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--case", kind, name, dir});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return "the child did not end";
    }
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    if (child.exitStatus() == QProcess::CrashExit)
        return output + QStringLiteral("\ncrashed or hung (watchdog) in the step after the last line");
    return output;
}

qint64 peakOf(const QString& output) {
    const qsizetype at = output.indexOf("peak ");
    return at < 0 ? -1 : output.mid(at + 5).section('\n', 0, 0).toLongLong();
}

QString caption(const QString& path, int id) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query(QStringLiteral("SELECT Caption FROM Tokens WHERE TokenID = %1").arg(id));
    rows.MoveFirst();
    return rows.EndOfRows() ? QString() : rows.Value("Caption").toString();
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT
private slots:
    void databases_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("saves");
        QTest::newRow("locked by another program") << "locked by another program" << false;
        QTest::newRow("locked while running") << "locked while running" << false;
        QTest::newRow("read-only file") << "read-only file" << false;
        QTest::newRow("read-only folder") << "read-only folder" << false;
        QTest::newRow("full disk") << "full disk" << false;
        QTest::newRow("deleted while running") << "deleted while running" << false;
        QTest::newRow("replaced while running") << "replaced while running" << false;
        QTest::newRow("50 MB picture") << "50 MB picture" << true;
        QTest::newRow("100,000 tokens") << "100,000 tokens" << true;
        QTest::newRow("parent cycle") << "parent cycle" << true;
        QTest::newRow("own parent") << "own parent" << true;
    }
    void databases() {
        QFETCH(QString, name);
        QFETCH(bool, saves);
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
        const QString path = dir.filePath("Tokens.db");
        TokenDbFixture::Create(path);
        QList<TokenDbFixture::Row> rows{{2, 1, "Tools"}, {3, 2, "Editor"}};
        if (name == "50 MB picture") {
            QByteArray noise(50 << 20, '\0');
            QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
            rows.append({4, 1, "Big", true, QByteArray("\x89PNG\r\n\x1a\n", 8) + noise});
        } else if (name == "100,000 tokens") {
            for (int id = 4; id < 100004; ++id)
                rows.append({id, id < 104 ? 1 : 4 + (id % 100), QStringLiteral("Token %1").arg(id)});
        } else if (name == "parent cycle") {
            rows += {{4, 5, "Ping"}, {5, 6, "Pong"}, {6, 4, "Pang"}};
        } else if (name == "own parent") {
            rows.append({4, 4, "Narcissus"});
        }
        TokenDbFixture::AddRows(path, rows);
        if (name == "read-only file")
            QFile::setPermissions(path,
                                  QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (name == "read-only folder") {
            QFile::setPermissions(path, QFileDevice::Permissions(0x6666));
            QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x5555));
        }
        const QByteArray hash = TokenDbFixture::FileHash(path);
        SqlConnection other(path);
        if (name == "locked by another program")
            other.Execute("BEGIN EXCLUSIVE");
        const QString output = runChild("database", name, dir.path());
        if (name == "locked by another program")
            other.Execute("ROLLBACK");
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
        qInfo("%s: %s", qPrintable(name), qPrintable(output.simplified()));
        QVERIFY2(output.contains("peak "), qPrintable(output));
        if (saves) {
            QVERIFY2(output.contains("edit saved"), qPrintable(output));
            QCOMPARE(caption(path, 1), QStringLiteral("Renamed"));
        } else {
            QVERIFY2(output.contains("message: ") && !output.contains("edit saved"), qPrintable(output));
            if (name == "deleted while running")
                QVERIFY(!QFile::exists(path));
            else
                QCOMPARE(TokenDbFixture::FileHash(path), hash);
        }
    }

    void pictures_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"png 30000 x 30000", "png bomb", "gif bomb", "truncated jpeg",
                                 "svg entities and outside files", "ico with bogus sizes"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void pictures() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        // An outside picture an SVG could pull in, which inflates as much as it may.
        QFile outside(dir.filePath("outside.png"));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.write(PngBomb(7000, 7000));
        outside.close();
        const QByteArray bytes = hostilePicture(name, dir.path());
        QFile file(dir.filePath(fileNameOf(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        TokenDbFixture::Create(dir.filePath("Tokens.db"));
        TokenDbFixture::AddRows(dir.filePath("Tokens.db"), {{2, 1, "Hostile", true, bytes}});
        const QString output = runChild("picture", name, dir.path());
        qInfo("%s: %s", qPrintable(name), qPrintable(output.simplified()));
        QVERIFY2(output.contains("source: image") && output.contains("drop: picture") &&
                     output.contains("picker: refused"),
                 qPrintable(output));
        QVERIFY2(peakOf(output) > 0 && peakOf(output) < 300 * 1024, qPrintable(output));
    }
};

// GCC 12's leak checker faults ("Tracer caught signal 11") reading the dynamic thread-local blocks
// of the parent once it has loaded SQLite and the picture plugins. The parent only prepares files
// and reads results; the children, which run every case, keep the leak check.
static bool gRunsACase = false;
extern "C" int __lsan_is_turned_off() {
    return gRunsACase ? 0 : 1;
}

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    gRunsACase = arguments.value(1) == "--case";
    if (gRunsACase)
        return arguments.value(2) == "database" ? runDatabaseCase(arguments.value(3), arguments.value(4))
                                                : runPictureCase(arguments.value(3), arguments.value(4));
    TestHostileFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostilefiles.moc"
