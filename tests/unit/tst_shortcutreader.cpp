#include "platform/RuntimeError.h"
#include "platform/ShortcutReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// Writes shell-link files in the binary shortcut format: a 76-byte header, an optional LinkInfo
// structure with a local base path, and optional string data holding a relative path.
class ShortcutBuilder {
public:
    ShortcutBuilder& LocalBasePath(const QByteArray& path) {
        mLocalBasePath = path;
        return *this;
    }
    ShortcutBuilder& RelativePath(const QString& path) {
        mRelativePath = path;
        return *this;
    }
    QByteArray Bytes() const {
        const bool hasLinkInfo = !mLocalBasePath.isEmpty();
        const bool hasRelativePath = !mRelativePath.isEmpty();
        const quint32 flags = (hasLinkInfo ? 0x02u : 0u) | (hasRelativePath ? 0x08u : 0u) | 0x80u; // unicode
        QByteArray out = Header(flags);
        if (hasLinkInfo)
            out += LinkInfo();
        if (hasRelativePath) {
            out += Le16(quint16(mRelativePath.size()));
            for (const QChar c : mRelativePath)
                out += Le16(c.unicode());
        }
        return out + Le32(0); // terminal extra-data block
    }
    void WriteTo(const QString& path) const {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Bytes());
    }

private:
    static QByteArray Le16(quint16 v) {
        QByteArray b(2, '\0');
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray Le32(quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray Header(quint32 flags) {
        QByteArray h = Le32(0x4C);
        h += QByteArray::fromHex("0114020000000000c000000000000046"); // the shell-link class id
        h += Le32(flags);
        h += Le32(0x20);                  // file attributes: archive
        h += QByteArray(24, '\0');        // creation, access and write times
        h += Le32(0) + Le32(0) + Le32(1); // file size, icon index, show normally
        h += QByteArray(12, '\0');        // hot key and reserved fields
        return h;
    }
    QByteArray LinkInfo() const {
        constexpr quint32 headerSize = 0x1C;
        const QByteArray volumeId =
            Le32(0x11) + Le32(3) + Le32(0x1234ABCD) + Le32(0x10) + QByteArray(1, '\0');
        const QByteArray basePath = mLocalBasePath + '\0';
        const QByteArray suffix(1, '\0');
        const quint32 volumeOffset = headerSize;
        const quint32 baseOffset = volumeOffset + quint32(volumeId.size());
        const quint32 suffixOffset = baseOffset + quint32(basePath.size());
        const quint32 total = suffixOffset + quint32(suffix.size());
        return Le32(total) + Le32(headerSize) + Le32(1) + Le32(volumeOffset) + Le32(baseOffset) + Le32(0) +
               Le32(suffixOffset) + volumeId + basePath + suffix;
    }

    QByteArray mLocalBasePath;
    QString mRelativePath;
};

} // namespace

class TestShortcutReader : public QObject {
    Q_OBJECT
private slots:
    void resolvesTheTarget_data() {
        QTest::addColumn<QByteArray>("localBasePath");
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<QString>("expected"); // "<dir>" stands for the temporary folder
        QTest::newRow("local path") << QByteArray("C:\\Program Files\\Tool\\tool.exe") << QString()
                                    << "C:\\Program Files\\Tool\\tool.exe";
        QTest::newRow("local path wins") << QByteArray("/usr/bin/env") << "..\\other\\thing.exe"
                                         << "/usr/bin/env";
        QTest::newRow("relative path beside") << QByteArray() << ".\\editor.exe"
                                              << "<dir>/links/editor.exe";
        QTest::newRow("relative path above") << QByteArray() << "..\\pictures\\logo.png"
                                             << "<dir>/pictures/logo.png";
        QTest::newRow("relative unicode") << QByteArray() << QString::fromUtf8("Bilder\\Grüße.png")
                                          << QString::fromUtf8("<dir>/links/Bilder/Grüße.png");
        QTest::newRow("no target") << QByteArray() << QString() << QString();
    }
    void resolvesTheTarget() {
        QFETCH(QByteArray, localBasePath);
        QFETCH(QString, relativePath);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("links")));
        const QString link = dir.filePath(QStringLiteral("links/Tool.lnk"));
        ShortcutBuilder().LocalBasePath(localBasePath).RelativePath(relativePath).WriteTo(link);
        expected.replace(QStringLiteral("<dir>"), QDir(dir.path()).canonicalPath());
        const QString canonicalLink = QDir(dir.path()).canonicalPath() + QStringLiteral("/links/Tool.lnk");
        QCOMPARE(ResolveShortcut(canonicalLink), expected);
    }

    void badShortcutsAreReported_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << QByteArray() << int(ErrorNumber::FileNotFound);
        QTest::newRow("text") << QByteArray("[InternetShortcut]\nURL=http://localhost/\n") << 321;
        QTest::newRow("cut short") << ShortcutBuilder().LocalBasePath("C:\\x.exe").Bytes().left(90) << 321;
        // The link information claims 700 MB: refused before anything that large is allocated.
        QByteArray huge = ShortcutBuilder().LocalBasePath("C:\\x.exe").Bytes();
        qToLittleEndian<quint32>(0x2E70B05D, huge.data() + 0x4C);
        QTest::newRow("declares more than it holds") << huge << 321;
        // The local path and its suffix both start at the very end of the link information: an empty
        // string with no terminator, whose size liblnk reports wrapped round.
        QByteArray pastItsPart = ShortcutBuilder().LocalBasePath("C:\\x.exe").Bytes();
        const quint32 linkInfoEnd = qFromLittleEndian<quint32>(pastItsPart.constData() + 0x4C);
        for (const int offsetField : {0x5C, 0x64}) // local base path, common path suffix
            qToLittleEndian(linkInfoEnd, pastItsPart.data() + offsetField);
        QTest::newRow("path starts past its part") << pastItsPart << 321;
    }
    void badShortcutsAreReported() {
        QFETCH(QByteArray, content);
        QFETCH(int, number);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("Broken.lnk"));
        if (!content.isEmpty()) {
            QFile file(link);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        try {
            ResolveShortcut(link);
            QFAIL("no error");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), number);
            QVERIFY2(error.Description().contains(link), qPrintable(error.Description()));
        }
    }

    void symbolicLinksResolveToTheirTarget() {
        QTemporaryDir dir;
        const QString target = QDir(dir.path()).canonicalPath() + QStringLiteral("/program.sh");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString link = dir.filePath(QStringLiteral("link"));
        const QString linkToLink = dir.filePath(QStringLiteral("link to link"));
        QVERIFY(QFile::link(target, link));
        QVERIFY(QFile::link(link, linkToLink));
        QCOMPARE(ResolveSymbolicLink(link), target);
        QCOMPARE(ResolveSymbolicLink(linkToLink), target);
        QCOMPARE(ResolveSymbolicLink(target), target);

        const QString dangling = dir.filePath(QStringLiteral("dangling"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dangling));
        for (const QString& path : {dangling, dir.filePath(QStringLiteral("absent"))}) {
            try {
                ResolveSymbolicLink(path);
                QFAIL("no error");
            } catch (const RuntimeError& error) {
                QCOMPARE(error.Number(), int(ErrorNumber::FileNotFound));
                QVERIFY(error.Description().contains(path));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestShortcutReader)
#include "tst_shortcutreader.moc"
