#include "platform/Imaging.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

// A picture with transparency, colour gradients and hard edges.
QImage DetailedPicture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x * y) & 0xFF, (x + 3 * y) % 256));
    return image.convertToFormat(Imaging::SurfaceFormat);
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage Opaque(QColor colour, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A 2 x 2 GIF of red pixels (Qt cannot write GIF files).
const QByteArray RedGif = QByteArray::fromHex("47494638396102000200f00000ff000000000021f90400000000002c"
                                              "00000000020002000002028451003b");

QByteArray Svg(int width, int height) {
    return QStringLiteral(
               "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
               "height=\"%2\"><rect x=\"0\" y=\"0\" width=\"%1\" height=\"%2\" fill=\"#ff0000\"/></svg>")
        .arg(width)
        .arg(height)
        .toUtf8();
}

qint64 AlphaSum(const QImage& image) {
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    return sum;
}

} // namespace

class TestImaging : public QObject {
    Q_OBJECT
private slots:
    void pngRoundTripKeepsEveryPixel() {
        const QImage original = DetailedPicture(37, 23);
        const QByteArray bytes = Imaging::EncodePng(original);
        QVERIFY(bytes.startsWith("\x89PNG"));
        QString error;
        const QImage decoded = Imaging::Decode(bytes, &error);
        QVERIFY2(!decoded.isNull(), qPrintable(error));
        QCOMPARE(decoded.format(), Imaging::SurfaceFormat);
        QCOMPARE(decoded, original);
    }

    void decodesEachFormat_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("centre");
        QTest::newRow("png") << Encoded(Opaque(Qt::blue, 8, 6), "PNG") << QSize(8, 6) << QColor(Qt::blue);
        QTest::newRow("jpeg") << Encoded(Opaque(Qt::green, 16, 16), "JPEG") << QSize(16, 16)
                              << QColor(Qt::green);
        QTest::newRow("bmp") << Encoded(Opaque(Qt::yellow, 5, 7), "BMP") << QSize(5, 7) << QColor(Qt::yellow);
        QTest::newRow("ico") << Encoded(Opaque(Qt::cyan, 32, 32), "ICO") << QSize(32, 32) << QColor(Qt::cyan);
        QTest::newRow("gif") << RedGif << QSize(2, 2) << QColor(Qt::red);
        QTest::newRow("gif with bytes after its trailer")
            << RedGif + QByteArray("\r\nleft over by the writer") << QSize(2, 2) << QColor(Qt::red);
        QTest::newRow("svg") << Svg(40, 30) << QSize(40, 30) << QColor(Qt::red);
        // Larger pictures come scaled down to fit 1024 x 1024, in proportion.
        QTest::newRow("wide jpeg") << Encoded(Opaque(Qt::green, 4096, 2048), "JPEG") << QSize(1024, 512)
                                   << QColor(Qt::green);
        QTest::newRow("large png") << Encoded(Opaque(Qt::blue, 1200, 1200), "PNG") << QSize(1024, 1024)
                                   << QColor(Qt::blue);
        QTest::newRow("tall svg") << Svg(1000, 4000) << QSize(256, 1024) << QColor(Qt::red);
    }
    void decodesEachFormat() {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QColor, centre);
        QString error;
        const QImage image = Imaging::Decode(bytes, &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.format(), Imaging::SurfaceFormat);
        QCOMPARE(image.size(), size);
        const QColor pixel = image.pixelColor(size.width() / 2, size.height() / 2);
        QVERIFY2(std::abs(pixel.red() - centre.red()) < 8 && std::abs(pixel.green() - centre.green()) < 8 &&
                     std::abs(pixel.blue() - centre.blue()) < 8 && pixel.alpha() == 255,
                 qPrintable(pixel.name(QColor::HexArgb)));
    }

    void badDataFailsWithAReason_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray png = Imaging::EncodePng(DetailedPicture(64, 64));
        const QByteArray jpeg = Encoded(DetailedPicture(64, 64), "JPEG");
        const QByteArray bmp = Encoded(DetailedPicture(64, 64), "BMP");
        QTest::newRow("garbage") << QByteArray("this is not a picture at all, just some text\n") << "";
        QTest::newRow("png signature only") << png.left(8) << "";
        QTest::newRow("truncated png") << png.left(png.size() / 2) << "";
        QTest::newRow("truncated jpeg") << jpeg.left(jpeg.size() * 9 / 10) << "truncated";
        QTest::newRow("truncated bmp") << bmp.left(bmp.size() - 100) << "truncated";
        QTest::newRow("truncated gif") << RedGif.chopped(1) << "truncated";
        QTest::newRow("gif cut inside its image") << RedGif.chopped(4) << "truncated";
        QTest::newRow("broken svg") << QByteArray(
                                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\"><rect")
                                    << "";
        QTest::newRow("huge svg") << Svg(100000, 100000) << "too large";
    }
    void badDataFailsWithAReason() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QString error;
        const QImage image = Imaging::Decode(bytes, &error);
        QVERIFY(image.isNull());
        QVERIFY(!error.isEmpty());
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void theEmptyImageDrawsNothing() {
        QVERIFY(Imaging::EmptyImageBytes().isEmpty());
        QCOMPARE(Imaging::EncodePng(QImage()), Imaging::EmptyImageBytes());
        QString error;
        const QImage empty = Imaging::Decode(Imaging::EmptyImageBytes(), &error);
        QVERIFY(empty.isNull());
        QVERIFY(!error.isEmpty());
        QImage surface = Imaging::NewSurface(20, 20);
        const QImage before = surface;
        {
            QPainter painter(&surface);
            painter.drawImage(QRectF(0, 0, 20, 20), empty);
            painter.drawImage(QPointF(3, 3), empty);
        }
        QCOMPARE(surface, before);
    }

    void decodeFileReportsAMissingFile() {
        QString error;
        QVERIFY(Imaging::DecodeFile(QStringLiteral("/nonexistent/picture.png"), &error).isNull());
        QVERIFY2(error.contains(QStringLiteral("/nonexistent/picture.png")), qPrintable(error));
    }

    void blurSpreadsAlphaAndKeepsColour_data() {
        QTest::addColumn<double>("radius");
        QTest::newRow("3") << 3.0;
        QTest::newRow("10") << 10.0;
        QTest::newRow("15") << 15.0;
    }
    void blurSpreadsAlphaAndKeepsColour() {
        QFETCH(double, radius);
        QImage image = Imaging::NewSurface(140, 120);
        QPainter(&image).fillRect(QRect(60, 50, 20, 20), Qt::red);
        const qint64 alphaBefore = AlphaSum(image);
        Imaging::Blur(image, radius);
        QCOMPARE(image.size(), QSize(140, 120));
        QCOMPARE(image.format(), Imaging::SurfaceFormat);
        const int near = int(std::ceil(radius / 2));
        QVERIFY(qAlpha(image.pixel(60 - near, 60)) > 0);
        QVERIFY(qAlpha(image.pixel(70, 50 - near)) > 0);
        const int far = int(2 * radius) + 2;
        QCOMPARE(qAlpha(image.pixel(60 - far, 60)), 0);
        QCOMPARE(qAlpha(image.pixel(70, 69 + far)), 0);
        QVERIFY(qAlpha(image.pixel(70, 60)) > 128);
        // Symmetric about the square's centre, and nothing lost or gained.
        for (int d = 1; d < far; ++d)
            QCOMPARE(qAlpha(image.pixel(60 - d, 60)), qAlpha(image.pixel(79 + d, 60)));
        QVERIFY(std::abs(AlphaSum(image) - alphaBefore) < alphaBefore / 100);
        // Premultiplied pixels stay valid, and the faded border stays red rather than darkening.
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                QVERIFY(qRed(pixel) <= qAlpha(pixel) && qGreen(pixel) == 0 && qBlue(pixel) == 0);
                if (qAlpha(pixel) >= 16)
                    QVERIFY2(qRed(qUnpremultiply(pixel)) >= 240, qPrintable(QString::number(pixel, 16)));
            }
        }
    }

    void blurOfNothingChangesNothing() {
        QImage image = DetailedPicture(30, 30);
        const QImage before = image.copy();
        Imaging::Blur(image, 0);
        QCOMPARE(image, before);
        QImage null;
        Imaging::Blur(null, 10);
        QVERIFY(null.isNull());
    }

    void colourValuesAreBlueGreenRed() {
        const QColor colour = Imaging::ColourFromBgr(0x00FF8040, 0.5);
        QCOMPARE(colour.red(), 0x40);
        QCOMPARE(colour.green(), 0x80);
        QCOMPARE(colour.blue(), 0xFF);
        QCOMPARE(colour.alpha(), 128);
        QCOMPARE(Imaging::BgrFromColour(colour), std::uint32_t(0x00FF8040));
        QCOMPARE(Imaging::ColourFromBgr(0x123456, 7.0).alpha(), 255);
        QCOMPARE(Imaging::ColourFromBgr(0x123456, -1.0).alpha(), 0);
        QCOMPARE(Imaging::BgrFromColour(QColor::fromHsv(0, 255, 255)), std::uint32_t(0x0000FF));
    }
};

QTEST_GUILESS_MAIN(TestImaging)
#include "tst_imaging.moc"
