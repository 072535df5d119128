#include "platform/FileServices.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255;
    return count;
}

void WriteFile(const QString& path, const QByteArray& content, QFile::Permissions permissions = {}) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (permissions)
        QVERIFY(file.setPermissions(permissions));
}

} // namespace

class TestFileServices : public QObject {
    Q_OBJECT
private slots:
    void partsOfAPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("program") << "/home/ann/Notepad.exe"
                                 << "exe"
                                 << "Notepad.exe"
                                 << "/home/ann";
        QTest::newRow("shortcut with space") << "/home/ann/My Files.lnk"
                                             << "lnk"
                                             << "My Files.lnk"
                                             << "/home/ann";
        QTest::newRow("two dots") << "/srv/archive.tar.gz"
                                  << "gz"
                                  << "archive.tar.gz"
                                  << "/srv";
        QTest::newRow("no extension") << "/usr/bin/gimp"
                                      << ""
                                      << "gimp"
                                      << "/usr/bin";
        QTest::newRow("dot in the folder only") << "/home/ann/v1.2/run"
                                                << ""
                                                << "run"
                                                << "/home/ann/v1.2";
        QTest::newRow("hidden file") << "/home/ann/.profile"
                                     << "profile"
                                     << ".profile"
                                     << "/home/ann";
        QTest::newRow("trailing dot") << "/tmp/odd."
                                      << ""
                                      << "odd."
                                      << "/tmp";
        QTest::newRow("folder with slash") << "/home/ann/Pictures/"
                                           << ""
                                           << "Pictures"
                                           << "/home/ann";
        QTest::newRow("top level") << "/vmlinuz"
                                   << ""
                                   << "vmlinuz"
                                   << "/";
        QTest::newRow("bare name") << "notes.txt"
                                   << "txt"
                                   << "notes.txt"
                                   << "";
        QTest::newRow("root") << "/"
                              << ""
                              << ""
                              << "";
    }
    void partsOfAPath() {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QCOMPARE(FileServices::Extension(path), extension);
        QCOMPARE(FileServices::FileName(path), name);
        QCOMPARE(FileServices::Folder(path), folder);
    }

    void appDataFolderIsTheUsersDataFolder() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        QCOMPARE(FileServices::AppDataFolder(), dir.path());
        qunsetenv("XDG_DATA_HOME");
    }

    void readsWholeFiles() {
        QTemporaryDir dir;
        QByteArray content;
        for (int i = 0; i < 70000; ++i)
            content += char(i * 7);
        WriteFile(dir.filePath(QStringLiteral("data.bin")), content);
        const QByteArray bytes = FileServices::ReadAllBytes(dir.filePath(QStringLiteral("data.bin")));
        QCOMPARE(bytes, content);
        QVERIFY2(bytes.capacity() < 2 * content.size(), "a small file holds no room for the largest one");
        WriteFile(dir.filePath(QStringLiteral("empty")), {});
        QCOMPARE(FileServices::ReadAllBytes(dir.filePath(QStringLiteral("empty"))), QByteArray());
    }

    void readFailuresNameThePath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << "absent.png" << int(ErrorNumber::FileNotFound);
        QTest::newRow("folder") << "sub" << 75;
        QTest::newRow("unreadable") << "locked.png" << 75;
        QTest::newRow("a pipe") << "pipe" << 75;
        QTest::newRow("larger than the limit") << "huge.png" << 75;
    }
    void readFailuresNameThePath() {
        QFETCH(QString, name);
        QFETCH(int, number);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        WriteFile(dir.filePath(QStringLiteral("locked.png")), "x", QFile::WriteOwner);
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0600), 0);
        QFile huge(dir.filePath(QStringLiteral("huge.png")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(FileServices::MaxReadBytes + 1)); // sparse
        if (name == QLatin1String("locked.png") && QFile(dir.filePath(name)).open(QIODevice::ReadOnly))
            QSKIP("running with privileges that read any file");
        const QString path = dir.filePath(name);
        try {
            FileServices::ReadAllBytes(path);
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), number);
            QVERIFY2(error.Description().contains(path), qPrintable(error.Description()));
        }
    }

    void shellIconsAreUsablePictures_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("document") << "letter.txt";
        QTest::newRow("program") << "run.sh";
        QTest::newRow("folder") << "sub";
        QTest::newRow("missing") << "nothing-here.xyz";
    }
    void shellIconsAreUsablePictures() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        WriteFile(dir.filePath(QStringLiteral("letter.txt")), "Dear Ann");
        WriteFile(dir.filePath(QStringLiteral("run.sh")), "#!/bin/sh\n", QFile::ReadOwner | QFile::ExeOwner);
        const QImage icon = FileServices::ShellIcon(dir.filePath(name));
        QVERIFY(icon.width() >= 16 && icon.height() >= 16);
        QVERIFY(OpaquePixels(icon) > icon.width() * icon.height() / 10);
    }

    void drawnIconsTellKindsApart() {
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("run.sh")), "#!/bin/sh\n", QFile::ReadOwner | QFile::ExeOwner);
        WriteFile(dir.filePath(QStringLiteral("letter.txt")), "Dear Ann");
        const QImage folder = FileServices::GenericIcon(dir.path());
        const QImage program = FileServices::GenericIcon(dir.filePath(QStringLiteral("run.sh")));
        const QImage document = FileServices::GenericIcon(dir.filePath(QStringLiteral("letter.txt")));
        for (const QImage& icon : {folder, program, document}) {
            QVERIFY(icon.width() >= 48);
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)), 255);
        }
        QVERIFY(folder != program && program != document && folder != document);
        QCOMPARE(FileServices::GenericIcon(dir.filePath(QStringLiteral("missing"))), document);
    }
};

QTEST_MAIN(TestFileServices)
#include "tst_fileservices.moc"
