#include "TestSupport.h"
#include "WavImage.h"
#include "platform/ProgramFiles.h"
#include "platform/Resources.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QTest>
#include <cmath>

// The compiled-in sounds and pictures, the private font and the files that lie beside the program.
class TestResources : public QObject {
    Q_OBJECT
private slots:
    void sounds_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("dataBytes");
        QTest::addColumn<int>("wholeSize");
        QTest::addColumn<int>("extensionSize"); // -1: the 16-byte format chunk
        QTest::addColumn<QList<QByteArray>>("chunkIds");
        QTest::addColumn<int>("listSize"); // whole LIST chunk, header included; 0 without one
        const QList<QByteArray> plain{"fmt ", "fact", "data"};
        const QList<QByteArray> listed{"fmt ", "fact", "LIST", "data"};
        QTest::newRow("BEEP") << "BEEP" << 1 << 8000 << 8 << 1600 << 1658 << 0 << plain << 0;
        QTest::newRow("CLICK") << "CLICK" << 1 << 8000 << 8 << 1577 << 1744 << 0 << listed << 108;
        QTest::newRow("STEP") << "STEP" << 2 << 44100 << 16 << 6640 << 6752 << -1 << listed << 56;
        QTest::newRow("SLIDE") << "SLIDE" << 1 << 22050 << 8 << 16669 << 16728 << 0 << plain << 0;
        QTest::newRow("LOCK") << "LOCK" << 1 << 8000 << 8 << 11 << 70 << 0 << plain << 0;
    }
    void sounds() {
        QFETCH(QString, name);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, dataBytes);
        QFETCH(int, wholeSize);
        QFETCH(int, extensionSize);
        QFETCH(QList<QByteArray>, chunkIds);
        QFETCH(int, listSize);

        const QByteArray image = LoadResource("SOUND", name);
        QCOMPARE(image.size(), wholeSize);
        WavImage::Info wav;
        QString error;
        QVERIFY2(WavImage::Parse(image, wav, &error), qPrintable(error));
        QCOMPARE(wav.riffSize, quint32(wholeSize - 8));
        QCOMPARE(wav.end, qsizetype(wholeSize)); // every chunk accounted for, pad bytes included
        QList<QByteArray> ids;
        for (const auto& chunk : wav.chunks) {
            ids.append(chunk.id);
            if (chunk.id == "LIST") {
                QCOMPARE(int(chunk.size) + 8, listSize);
                QCOMPARE(image.mid(chunk.offset + 8, 4), QByteArray("INFO"));
            }
        }
        QCOMPARE(ids, chunkIds);

        QCOMPARE(wav.formatTag, quint16(1));
        QCOMPARE(int(wav.channels), channels);
        QCOMPARE(int(wav.sampleRate), rate);
        QCOMPARE(int(wav.bitsPerSample), bits);
        QCOMPARE(int(wav.blockAlign), channels * bits / 8);
        QCOMPARE(int(wav.byteRate), rate * channels * bits / 8);
        QCOMPARE(wav.extensionSize, extensionSize);
        QCOMPARE(int(wav.data.size()), dataBytes);
        QCOMPARE(wav.factFrames, qint64(dataBytes / wav.blockAlign));

        const char silence = bits == 8 ? char(128) : char(0);
        QVERIFY2(wav.data.count(silence) < wav.data.size(), "the sound is silent");
    }

    void missingResourceIsAnError() {
        QVERIFY_THROWS_EXCEPTION(RuntimeError, LoadResource("SOUND", "NO_SUCH_SOUND"));
    }

    void pictures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("side");
        QTest::newRow("APP_ICON") << "APP_ICON" << 48;
        QTest::newRow("LENS") << "LENS" << 196;
        QTest::newRow("NO_DROP") << "NO_DROP" << 32;
        QTest::newRow("OK_DROP") << "OK_DROP" << 32;
    }
    void pictures() {
        QFETCH(QString, name);
        QFETCH(int, side);
        const QByteArray bytes = LoadResource("CUSTOM", name);
        QVERIFY(bytes.startsWith("\x89PNG"));
        const QImage image = QImage::fromData(bytes, "PNG");
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(side, side));
        QVERIFY(image.hasAlphaChannel());
        // Something is drawn, and the picture does not fill its corners (a shape, not a square).
        QVERIFY(qAlpha(image.pixel(side / 2, side / 2)) > 0 || name == "LENS");
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(side - 1, side - 1)), 0);
    }

    // The lens lies over every token image: nothing may show outside its circle of diameter 166,
    // and its middle must stay mostly clear so the token's picture shows through.
    void lensIsClearOutsideItsCircle() {
        const QImage lens = QImage::fromData(LoadResource("CUSTOM", "LENS"), "PNG");
        const double centre = 98.0, radius = 83.0;
        int drawnOutside = 0, glossy = 0;
        double middleAlpha = 0;
        int middlePixels = 0;
        for (int y = 0; y < lens.height(); ++y) {
            for (int x = 0; x < lens.width(); ++x) {
                const int alpha = qAlpha(lens.pixel(x, y));
                // Distance from the circle's centre to the nearest point of this pixel's square.
                const double dx = std::max(std::abs(x + 0.5 - centre) - 0.5, 0.0);
                const double dy = std::max(std::abs(y + 0.5 - centre) - 0.5, 0.0);
                const double nearest = std::hypot(dx, dy);
                if (nearest >= radius && alpha != 0)
                    ++drawnOutside;
                if (alpha > 64)
                    ++glossy;
                if (std::hypot(x + 0.5 - centre, y + 0.5 - centre) < 40) {
                    middleAlpha += alpha / 255.0;
                    ++middlePixels;
                }
            }
        }
        QCOMPARE(drawnOutside, 0);
        QVERIFY2(glossy > 500, "the lens has no visible gloss");
        QVERIFY2(middleAlpha / middlePixels < 0.25, "the lens hides the token's picture");
    }

    void glyphFontHasTheZoomSigns() {
        const QString path = TestSupport::SourcePath("resources/fonts/TessaroGlyphs.ttf");
        const int id = QFontDatabase::addApplicationFont(path);
        QVERIFY2(id >= 0, qPrintable(path));
        QVERIFY(QFontDatabase::applicationFontFamilies(id).contains("TessaroGlyphs"));

        const QRawFont raw = QRawFont::fromFont(QFont("TessaroGlyphs", 20));
        QCOMPARE(raw.familyName(), QString("TessaroGlyphs"));
        for (QChar c : {QChar('-'), QChar('+'), QChar(' ')})
            QVERIFY2(raw.supportsCharacter(c), qPrintable(QString("missing '%1'").arg(c)));

        const QRectF minus = GlyphBounds(raw, '-');
        const QRectF plus = GlyphBounds(raw, '+');
        QVERIFY(!minus.isEmpty());
        QVERIFY(plus.height() > 2 * minus.height());
        // Both signs sit on the same centre line, so the two buttons look alike.
        QVERIFY(std::abs(minus.center().y() - plus.center().y()) < 0.5);
        QVERIFY(std::abs(plus.width() - plus.height()) < 0.5);
    }

    // The help page and the font are copied beside the program, unchanged, and found there.
    void filesBesideTheProgram_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("font") << "resources/fonts/TessaroGlyphs.ttf";
        QTest::newRow("help") << "resources/help/Tessaro Help.html";
    }
    void filesBesideTheProgram() {
        QFETCH(QString, source);
        const QString besideProgram =
            QFileInfo(TestSupport::ExecutablePath()).dir().filePath(QFileInfo(source).fileName());
        QFile copy(besideProgram), original(TestSupport::SourcePath(source));
        QVERIFY2(copy.open(QIODevice::ReadOnly), qPrintable(besideProgram));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll() == original.readAll());
        const QString programFolder = QFileInfo(TestSupport::ExecutablePath()).absolutePath();
        QCOMPARE(ProgramFiles::DataFolderFor(programFolder), programFolder);
    }

private:
    static QRectF GlyphBounds(const QRawFont& font, char c) {
        const QList<quint32> glyphs = font.glyphIndexesForString(QString(QChar(c)));
        return glyphs.isEmpty() ? QRectF() : font.pathForGlyph(glyphs.first()).boundingRect();
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
