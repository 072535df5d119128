#include "platform/Imaging.h"
#include "store/TokenImageRenderer.h"

#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

constexpr std::uint32_t Yellow = 0x0000D0FF; // 0x00BBGGRR
constexpr std::uint32_t NavyBlue = 0x00602010;

TokenAppearance Look(double fillOpacity, std::uint32_t fillColour = 0x0000A000) {
    TokenAppearance look;
    look.FillColour = fillColour;
    look.FillOpacity = fillOpacity;
    look.TextColour = Yellow;
    look.TextOutlineColour = NavyBlue;
    return look;
}

QImage Solid(QColor colour, int size = 196) {
    QImage image = Imaging::NewSurface(size, size);
    image.fill(colour);
    return image;
}

double DistanceFromCentre(int x, int y, int size) {
    return std::hypot(x + 0.5 - size / 2.0, y + 0.5 - size / 2.0);
}

bool Differs(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 ||
           std::abs(qBlue(a) - qBlue(b)) > 8 || std::abs(qAlpha(a) - qAlpha(b)) > 8;
}

// The pixels where two images of the same size differ.
QList<QPoint> Changed(const QImage& a, const QImage& b) {
    QList<QPoint> changed;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (Differs(a.pixel(x, y), b.pixel(x, y)))
                changed.append(QPoint(x, y));
    return changed;
}

// The caption's pixels: what a caption adds to the same badge without one.
QList<QPoint> CaptionPixels(const QString& caption, int size, const TokenAppearance& look) {
    const QImage plain = TokenImageRenderer::ComposeTokenImage({}, 60, QString(), size, look);
    return Changed(TokenImageRenderer::ComposeTokenImage({}, 60, caption, size, look), plain);
}

bool HasColour(const QImage& image, const QList<QPoint>& points, QColor colour) {
    return std::any_of(points.begin(), points.end(),
                       [&](const QPoint& p) { return !Differs(image.pixel(p), colour.rgba()); });
}

} // namespace

class TestTokenImageRenderer : public QObject {
    Q_OBJECT
private slots:
    void theLensIsTheGlass() {
        QCOMPARE(TokenImageRenderer::Lens().size(), QSize(196, 196));
        QCOMPARE(qAlpha(TokenImageRenderer::Lens().pixel(0, 0)), 0);
    }

    void onlyTheCircleRemains_data() {
        QTest::addColumn<int>("size");
        for (int size : {48, 128, 196, 250})
            QTest::addRow("%d", size) << size;
    }
    void onlyTheCircleRemains() {
        QFETCH(int, size);
        const QImage image =
            TokenImageRenderer::ComposeTokenImage(Solid(Qt::red), 100, QString(), size, Look(1.0));
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(image.format(), Imaging::SurfaceFormat);
        const double radius = 166.0 / 196.0 * size / 2;
        const double edge = 1.5 * std::max(1.0, size / 196.0); // antialiasing, widened by enlarging
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double distance = DistanceFromCentre(x, y, size);
                if (distance > radius + edge)
                    QCOMPARE(qAlpha(image.pixel(x, y)), 0);
                else if (distance < radius - edge)
                    QVERIFY(qAlpha(image.pixel(x, y)) >= 250); // bilinear enlarging rounds down a little
            }
        }
        const QImage captioned = TokenImageRenderer::ComposeTokenImage(
            Solid(Qt::red), 100, QStringLiteral("Corner"), size, Look(1.0));
        for (const QPoint& corner :
             {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
            QCOMPARE(qAlpha(captioned.pixel(corner)), 0);
    }

    void noFillLeavesPictureAndLens() {
        const QImage bare = TokenImageRenderer::ComposeTokenImage({}, 60, QString(), 196, Look(0.0));
        const QImage& lens = TokenImageRenderer::Lens();
        for (const QPoint& p : {QPoint(98, 30), QPoint(30, 98), QPoint(98, 170), QPoint(98, 98)})
            QVERIFY2(!Differs(bare.pixel(p), lens.pixel(p)), qPrintable(QString::number(bare.pixel(p), 16)));

        const QImage pictured =
            TokenImageRenderer::ComposeTokenImage(Solid(Qt::red), 60, QString(), 196, Look(0.0));
        QImage expected = Solid(Qt::red, 1);
        QPainter(&expected).drawImage(QPoint(0, 0), lens.copy(98, 98, 1, 1));
        QVERIFY(!Differs(pictured.pixel(98, 98), expected.pixel(0, 0)));
        QVERIFY(!Differs(pictured.pixel(98, 30), lens.pixel(98, 30))); // no green from the fill colour
    }

    void pictureSitsAtItsIconScale_data() {
        QTest::addColumn<double>("iconScale");
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("first"); // where the picture begins on the design canvas
        QTest::newRow("60 at 196") << 60.0 << 196 << 39.2;
        QTest::newRow("60 at 98") << 60.0 << 98 << 39.2;
        QTest::newRow("30 at 196") << 30.0 << 196 << 68.6;
        QTest::newRow("100 at 196") << 100.0 << 196 << 0.0;
    }
    void pictureSitsAtItsIconScale() {
        QFETCH(double, iconScale);
        QFETCH(int, size);
        QFETCH(double, first);
        const QImage bare = TokenImageRenderer::ComposeTokenImage({}, iconScale, QString(), size, Look(0.0));
        const QImage pictured =
            TokenImageRenderer::ComposeTokenImage(Solid(Qt::magenta), iconScale, QString(), size, Look(0.0));
        const double scale = size / 196.0;
        const double begin = first * scale, end = (196 - first) * scale;
        const double radius = 83 * scale;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const bool inside = x + 0.5 > begin + 1 && x + 0.5 < end - 1 && y + 0.5 > begin + 1 &&
                                    y + 0.5 < end - 1 && DistanceFromCentre(x, y, size) < radius - 1;
                const bool outside = x + 0.5 < begin - 1 || x + 0.5 > end + 1 || y + 0.5 < begin - 1 ||
                                     y + 0.5 > end + 1 || DistanceFromCentre(x, y, size) > radius + 1;
                if (inside)
                    QVERIFY2(Differs(pictured.pixel(x, y), bare.pixel(x, y)),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                else if (outside)
                    QVERIFY2(!Differs(pictured.pixel(x, y), bare.pixel(x, y)),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }

    void captionLiesOnTheUpperRim_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("caption");
        QTest::newRow("short, 128") << 128 << "Games";
        QTest::newRow("short, 120") << 120 << "Tessaro";
        QTest::newRow("short, 250") << 250 << "Web Browser";
        QTest::newRow("too long, 128") << 128 << "A caption far too long for the upper half of the circle";
    }
    void captionLiesOnTheUpperRim() {
        QFETCH(int, size);
        QFETCH(QString, caption);
        const TokenAppearance look = Look(0.5);
        const QList<QPoint> pixels = CaptionPixels(caption, size, look);
        QVERIFY(pixels.size() > 50);
        const double fontSize = size / 12.0;
        const double arcRadius = (size - fontSize) / 2;
        const double halo = size / 56.0;
        int left = size, right = 0;
        double sumX = 0;
        for (const QPoint& p : pixels) {
            const double distance = DistanceFromCentre(p.x(), p.y(), size);
            QVERIFY2(distance < arcRadius + halo + 1.5 && distance > arcRadius - 1.3 * fontSize - halo - 1.5,
                     qPrintable(QStringLiteral("%1,%2 at %3").arg(p.x()).arg(p.y()).arg(distance)));
            QVERIFY2(p.y() + 0.5 < size / 2.0 + halo + 1,
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            sumX += p.x() + 0.5;
        }
        // Centred at the top; a long caption is squeezed to the whole half circle.
        QVERIFY(std::abs(sumX / pixels.size() - size / 2.0) < size * 0.05);
        if (caption.size() > 20)
            QVERIFY(left < size * 0.12 && right > size * 0.88);
        else
            QVERIFY(left > size * 0.12 && right < size * 0.88);
        const QImage image = TokenImageRenderer::ComposeTokenImage({}, 60, caption, size, look);
        QVERIFY(HasColour(image, pixels, Imaging::ColourFromBgr(look.TextColour)));
        QVERIFY(HasColour(image, pixels, Imaging::ColourFromBgr(look.TextOutlineColour)));
    }

    void captionIsUpright() {
        // "T" alone: its bar (the top of the letter) is the outer, wider part.
        const QList<QPoint> pixels = CaptionPixels(QStringLiteral("T"), 196, Look(0.0));
        int outerLeft = 196, outerRight = 0, innerLeft = 196, innerRight = 0, top = 196, bottom = 0;
        for (const QPoint& p : pixels) {
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
        for (const QPoint& p : pixels) {
            if (p.y() <= top + 3) {
                outerLeft = std::min(outerLeft, p.x());
                outerRight = std::max(outerRight, p.x());
            } else if (p.y() >= bottom - 3) {
                innerLeft = std::min(innerLeft, p.x());
                innerRight = std::max(innerRight, p.x());
            }
        }
        const double fontSize = 196 / 12.0;
        QVERIFY2(
            (outerRight - outerLeft) - (innerRight - innerLeft) > 0.25 * fontSize,
            qPrintable(
                QStringLiteral("bar %1, stem %2").arg(outerRight - outerLeft).arg(innerRight - innerLeft)));
    }

    void anEmptyCaptionDrawsNothing() {
        QVERIFY(TokenImageRenderer::CaptionPath(QString(), 128).isEmpty());
        QVERIFY(CaptionPixels(QString(), 128, Look(0.5)).isEmpty());
        QVERIFY(CaptionPixels(QStringLiteral("   "), 128, Look(0.5)).isEmpty());
        QImage surface = Imaging::NewSurface(128, 128);
        {
            QPainter painter(&surface);
            TokenImageRenderer::DrawCaption(painter, QPainterPath(), 128, Look(0.5));
        }
        QCOMPARE(surface, Imaging::NewSurface(128, 128));
    }

    void orbitImageGlowsInTheTextColour() {
        QImage picture = Imaging::NewSurface(196, 196);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setBrush(QColor(30, 60, 200));
            painter.setPen(Qt::NoPen);
            painter.drawRoundedRect(QRectF(0, 0, 196, 196), 30, 30);
        }
        const QImage orbit = TokenImageRenderer::ComposeOrbitImage(picture, Yellow);
        QCOMPARE(orbit.size(), QSize(216, 216));
        QCOMPARE(orbit.format(), Imaging::SurfaceFormat);
        QCOMPARE(orbit.pixel(108, 108), picture.pixel(98, 98));
        const QColor text = Imaging::ColourFromBgr(Yellow);
        for (const QPoint& p : {QPoint(108, 4), QPoint(4, 108), QPoint(211, 108), QPoint(108, 211)}) {
            const QRgb glow = qUnpremultiply(orbit.pixel(p));
            QVERIFY2(qAlpha(glow) > 60, qPrintable(QString::number(glow, 16)));
            QVERIFY2(std::abs(qRed(glow) - text.red()) < 12 && std::abs(qGreen(glow) - text.green()) < 12 &&
                         std::abs(qBlue(glow) - text.blue()) < 12,
                     qPrintable(QString::number(glow, 16)));
        }
        // The glow fades outwards.
        QVERIFY(qAlpha(orbit.pixel(108, 1)) < qAlpha(orbit.pixel(108, 8)));
        QCOMPARE(TokenImageRenderer::ComposeOrbitImage(QImage(), Yellow).size(), QSize(20, 20));
    }
};

QTEST_MAIN(TestTokenImageRenderer)
#include "tst_tokenimagerenderer.moc"
