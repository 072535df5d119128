#include "desktop/modShellExecute.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
void writeFile(const QString& path, const QByteArray& content, bool executable) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    QVERIFY(file.setPermissions(permissions));
}

// A script that records its working folder, its argument count and its arguments, one per line, in
// `marker` (written under another name first, so a reader never sees half of it).
QByteArray probeScript(const QString& marker) {
    return QStringLiteral(
               "#!/bin/sh\n"
               "{ pwd; echo \"$#\"; for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done; }"
               " > '%1.part'\n"
               "mv '%1.part' '%1'\n")
        .arg(marker)
        .toUtf8();
}

QStringList waitForMarker(const QString& marker) {
    QFile file(marker);
    if (!QTest::qWaitFor([&] { return file.exists(); }, 20000))
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const QByteArray& value) : mName(name), mOld(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvironmentOverride() { qputenv(mName, mOld); }

private:
    const char* mName;
    QByteArray mOld;
};
} // namespace

class TestShellExecute : public QObject {
    Q_OBJECT
    QTemporaryDir mDir;
    QList<QUrl> mOpened;
    bool mOpenerAnswer = true;

    QString path(const QString& name) const { return mDir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(mDir.isValid());
        QVERIFY(QDir(mDir.path()).mkpath("home"));
        QVERIFY(QDir(mDir.path()).mkpath("a folder"));
        writeFile(path("notes.txt"), "plain words\n", false);
        writeFile(path("home/todo.txt"), "home words\n", false);
        writeFile(path("marked.txt"), "a document on a drive where every file is executable\n", true);
        writeFile(path("blob"), QByteArray("\x01\x02\x03\xff\xfe\x00\x10\x80", 8), false);
        writeFile(path("script-not-executable.sh"), "#!/bin/sh\nexit 0\n", false);
        writeFile(path("broken-interpreter"), "#!/nonexistent/interpreter\n", true);
        SetUrlOpener([this](const QUrl& url) {
            mOpened << url;
            return mOpenerAnswer;
        });
    }
    void cleanupTestCase() { SetUrlOpener({}); }
    void init() {
        mOpened.clear();
        mOpenerAnswer = true;
    }

    // Parameters become plain arguments: nothing in them is run, expanded or redirected by a shell.
    void programGetsPlainArgumentsInItsFolder_data() {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QString() << QStringList{};
        QTest::newRow("quoted words") << R"("two words" plain --name="Jane Doe")"
                                      << QStringList{"two words", "plain", "--name=Jane Doe"};
        QTest::newRow("literal quotes") << R"("say """hi""" now")" << QStringList{R"(say "hi" now)"};
        QTest::newRow("command separator") << "first; rm -rf x" << QStringList{"first;", "rm", "-rf", "x"};
        QTest::newRow("substitution and redirection")
            << "$(touch pwned) `touch pwned` $HOME > out && echo *"
            << QStringList{"$(touch", "pwned)", "`touch", "pwned`", "$HOME", ">", "out", "&&", "echo", "*"};
    }
    void programGetsPlainArgumentsInItsFolder() {
        QFETCH(QString, parameters);
        QFETCH(QStringList, arguments);
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath("app folder"));
        const QString folder = scratch.filePath("app folder");
        const QString marker = scratch.filePath("marker.txt");
        writeFile(folder + "/my tool", probeScript(marker), true);
        writeFile(folder + "/x", "must survive\n", false);

        QVERIFY(QDir::currentPath() != folder);
        QCOMPARE(ShellOpen(folder + "/my tool", parameters), ShellResult::Success);
        const QStringList lines = waitForMarker(marker);
        QVERIFY2(lines.size() >= 2, "the program did not run");
        QCOMPARE(canonical(lines[0]), canonical(folder));
        QCOMPARE(lines.mid(2), arguments);
        QCOMPARE(lines[1].toInt(), arguments.size());
        QVERIFY(QFile::exists(folder + "/x"));
        QVERIFY(!QFile::exists(folder + "/pwned"));
        QVERIFY(!QFile::exists(folder + "/out"));
        QVERIFY(mOpened.isEmpty());
    }

    void programOnPathRunsInHomeFolder() {
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath("bin") && QDir(scratch.path()).mkpath("home"));
        const QString marker = scratch.filePath("marker.txt");
        writeFile(scratch.filePath("bin/tessaro-probe-tool"), probeScript(marker), true);
        EnvironmentOverride home("HOME", scratch.filePath("home").toUtf8());
        EnvironmentOverride pathVariable("PATH", scratch.filePath("bin").toUtf8() + ':' + qgetenv("PATH"));

        QCOMPARE(ShellOpen("tessaro-probe-tool", R"("one arg" two)"), ShellResult::Success);
        const QStringList lines = waitForMarker(marker);
        QVERIFY2(lines.size() >= 2, "the program did not run");
        QCOMPARE(canonical(lines[0]), canonical(scratch.filePath("home")));
        QCOMPARE(lines.mid(2), (QStringList{"one arg", "two"}));
    }

    // Documents, folders and URLs go to the desktop's opener; nothing is started directly.
    void desktopItemsGoToTheOpener_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QUrl>("opened");
        QTest::newRow("document") << path("notes.txt") << QUrl::fromLocalFile(path("notes.txt"));
        QTest::newRow("executable-marked document")
            << path("marked.txt") << QUrl::fromLocalFile(path("marked.txt"));
        QTest::newRow("folder") << path("a folder") << QUrl::fromLocalFile(path("a folder"));
        QTest::newRow("surrounding blanks")
            << "  " + path("notes.txt") + " " << QUrl::fromLocalFile(path("notes.txt"));
        QTest::newRow("file URL") << QUrl::fromLocalFile(path("a folder")).toString()
                                  << QUrl::fromLocalFile(path("a folder"));
        QTest::newRow("web URL") << "https://example.org/a page?q=1"
                                 << QUrl("https://example.org/a%20page?q=1");
        QTest::newRow("mail URL") << "mailto:someone@example.org" << QUrl("mailto:someone@example.org");
        QTest::newRow("home folder") << "~/todo.txt" << QUrl::fromLocalFile(path("home/todo.txt"));
    }
    void desktopItemsGoToTheOpener() {
        QFETCH(QString, item);
        QFETCH(QUrl, opened);
        EnvironmentOverride home("HOME", path("home").toUtf8());
        QCOMPARE(ShellOpen(item, "ignored --parameters"), ShellResult::Success);
        QCOMPARE(mOpened, QList<QUrl>{opened});
    }

    void openerRefusalIsNoAssociation() {
        mOpenerAnswer = false;
        QCOMPARE(ShellOpen(path("notes.txt"), QString()), ShellResult::NoAssociation);
        QCOMPARE(mOpened.size(), 1);
    }

    void failures_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("result");
        QTest::newRow("empty") << QString() << ShellResult::FileNotFound;
        QTest::newRow("missing file") << path("absent.txt") << ShellResult::FileNotFound;
        QTest::newRow("missing folder") << path("no such folder/tool") << ShellResult::PathNotFound;
        QTest::newRow("name not on PATH") << "tessaro-no-such-program" << ShellResult::FileNotFound;
        QTest::newRow("unknown content") << path("blob") << ShellResult::NoAssociation;
        QTest::newRow("script not executable")
            << path("script-not-executable.sh") << ShellResult::AccessDenied;
        QTest::newRow("missing interpreter") << path("broken-interpreter") << ShellResult::BadFormat;
        QTest::newRow("device") << "/dev/null" << ShellResult::NoAssociation;
    }
    void failures() {
        QFETCH(QString, item);
        QFETCH(int, result);
        const int code = ShellOpen(item, "a b");
        QCOMPARE(code, result);
        QVERIFY(code <= 32);
        QVERIFY(mOpened.isEmpty());
        QVERIFY(!ShellOpenErrorText(code).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestShellExecute)
#include "tst_shellexecute.moc"
