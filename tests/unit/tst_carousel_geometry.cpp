#include "CarouselReference.h"
#include "carousel/CarouselLayout.h"
#include "carousel/cCarousel.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>

using CarouselReference::SolidImage;

namespace {

// Solid, opaque, distinct colours: image i is (20 * i, 255 - 20 * i, 128).
std::shared_ptr<ImageCollection> SolidCollection(int count, int size = 128) {
    auto images = std::make_shared<ImageCollection>(KeyOrder::TextIgnoringCase);
    for (int i = 0; i < count; ++i)
        images->Set(QStringLiteral("Solid %1ID%2").arg(i, 2, 10, QChar('0')).arg(i + 2),
                    SolidImage(size, QColor(20 * i, 255 - 20 * i, 128)));
    return images;
}

QImage OpaqueOrbitImage() {
    return SolidImage(256, QColor(10, 20, 30));
}

struct Fixture {
    ImageList shared;
    cCarousel carousel{shared};
    std::shared_ptr<ImageCollection> images;
    explicit Fixture(std::shared_ptr<ImageCollection> collection) : images(std::move(collection)) {
        carousel.SetImages(images);
    }
};

double CentreY(const CarouselSlot& s) {
    return s.Top + s.Height / 2;
}
double CentreX(const CarouselSlot& s) {
    return s.Left + s.Width / 2;
}
QRectF Rect(const CarouselSlot& s) {
    return QRectF(s.Left, s.Top, s.Width, s.Height);
}

// A pixel inside slot `s` that no other visible slot covers, or (-1, -1).
QPoint ExclusivePixel(const cCarousel& c, int s) {
    const QRectF mine = Rect(c.Slot(s)).adjusted(2, 2, -2, -2);
    for (int y = int(mine.top()); y < mine.bottom(); y += 2)
        for (int x = int(mine.left()); x < mine.right(); x += 2) {
            bool free = true;
            for (int other = 1; other <= c.SlotCount() && free; ++other)
                if (other != s && c.Slot(other).Visible &&
                    Rect(c.Slot(other)).adjusted(-2, -2, 2, 2).contains(x, y))
                    free = false;
            if (free)
                return {x, y};
        }
    return {-1, -1};
}

} // namespace

class TestCarouselGeometry : public QObject {
    Q_OBJECT
private slots:
    void buffersAtTheDefaults() {
        Fixture f(SolidCollection(13));
        f.carousel.SetOrbitImageSurface(OpaqueOrbitImage());
        f.carousel.Build(f.images->KeyAt(6));
        cCarousel& c = f.carousel;
        QCOMPARE(c.OrbitBuffer().size(), QSize(205, 205));
        QCOMPARE(c.BufferHeight(), 314);
        QCOMPARE(c.OrbitImageTop(), 14.5);
        QCOMPARE(c.CentreX(), 360.0);
        QCOMPARE(c.CentreY(), 144.0);
        QCOMPARE(c.HorizontalRadius(), 294.0);
        QCOMPARE(c.VerticalRadius(), 90.0);
        QCOMPARE(c.MainLayerSize(), QSize(720, 410));
    }

    void slotsAtRest() {
        Fixture f(SolidCollection(13));
        f.carousel.Build(f.images->KeyAt(6));
        const cCarousel& c = f.carousel;
        const CarouselSlot& front = c.Slot(c.Centre());
        QCOMPARE(front.Left, 280.0);
        QCOMPARE(front.Top, 154.0);
        QCOMPARE(front.Width, 160.0);
        QCOMPARE(front.Height, 160.0);
        QCOMPARE(front.Top + front.Height, 314.0);
        QCOMPARE(front.Tint, 0.0);
        QCOMPARE(front.Darken, 0.0);
        QCOMPARE(front.Key, f.images->KeyAt(6));
        // The rear-most items stand half a slot either side of the back: the next index on the right.
        const CarouselSlot& rearRight = c.Slot(2);
        const CarouselSlot& rearLeft = c.Slot(c.SlotCount() - 1);
        for (const CarouselSlot* rear : {&rearRight, &rearLeft}) {
            QVERIFY(rear->Visible);
            QVERIFY(qAbs(CentreY(*rear) - 57.65) < 0.005);
            QVERIFY(qAbs(rear->Width / 128 - 0.853) < 0.0005);
            QCOMPARE(rear->Tint, 0.2);
            QVERIFY(rear->Darken > 0.39 && rear->Darken < 0.4);
        }
        const double angle =
            std::atan2((360 - CentreX(rearLeft)) / 294, (144 - CentreY(rearLeft)) / 90) * 180 / M_PI;
        QVERIFY(qAbs(angle - 16.36) < 0.01);
        QVERIFY(qAbs(CentreX(rearRight) - 360 - (360 - CentreX(rearLeft))) < 1e-9);
        QCOMPARE(rearRight.Key, f.images->KeyAt(11)); // index 7 + centre - 2 = 12
        // Slots further round are hidden at rest: the two ends of the ring.
        QVERIFY(!c.Slot(1).Visible);
        QVERIFY(!c.Slot(c.SlotCount()).Visible || c.ImageCount() > c.Capacity());
    }

    void noReflectionsNoReflectionHeight() {
        Fixture f(SolidCollection(3));
        f.carousel.SetReflectionEffects(0, 60);
        f.carousel.Build(QString());
        QCOMPARE(f.carousel.MainLayerSize(), QSize(720, 314));
        // The frame ends with the front item's bottom row.
        const QImage& frame = f.carousel.MainLayer();
        QCOMPARE(qAlpha(frame.pixel(360, 313)), 255);
        QCOMPARE(qAlpha(frame.pixel(279, 313)), 0);
        QCOMPARE(qAlpha(frame.pixel(440, 313)), 0);
    }

    // One solid image at the front: it covers exactly its slot, and its reflection hangs below it,
    // as wide as the item, fading downwards.
    void frontItemPixels() {
        Fixture f(SolidCollection(1));
        f.carousel.Build(QString());
        const QImage& frame = f.carousel.MainLayer();
        const QRgb colour = qRgba(0, 255, 128, 255);
        for (int y = 150; y < 318; ++y)
            for (int x = 276; x < 444; ++x) {
                const bool inside = x >= 280 && x < 440 && y >= 154 && y < 314;
                if (inside)
                    QCOMPARE(frame.pixel(x, y), colour);
                else if (y < 314)
                    QCOMPARE(qAlpha(frame.pixel(x, y)), 0);
            }
        int previous = 255;
        for (int y = 314; y < 410; ++y) {
            const QRgb below = frame.pixel(360, y);
            QVERIFY2(qAlpha(below) <= previous, qPrintable(QString("row %1").arg(y)));
            previous = qAlpha(below);
            QCOMPARE(qRed(below), 0);
            QVERIFY(qAlpha(frame.pixel(279, y)) == 0 && qAlpha(frame.pixel(440, y)) == 0);
        }
        QVERIFY(qAlpha(frame.pixel(360, 314)) >= 17 && qAlpha(frame.pixel(360, 314)) <= 21); // 8 % of opaque
        QVERIFY(qAlpha(frame.pixel(360, 360)) >= 8 && qAlpha(frame.pixel(360, 360)) <= 12);  // half-way
        QVERIFY(qAlpha(frame.pixel(360, 409)) <= 1);
    }

    // White items: the front one is white, the rear ones darkened and tinted (black at 20 %).
    void backIsDarkerThanFront() {
        auto images = std::make_shared<ImageCollection>(KeyOrder::TextIgnoringCase);
        for (int i = 0; i < 11; ++i)
            images->Set(QStringLiteral("White%1ID%2").arg(i).arg(i + 2), SolidImage(128, Qt::white));
        Fixture f(images);
        f.carousel.Build(images->KeyAt(5));
        const cCarousel& c = f.carousel;
        const QImage& frame = c.MainLayer();
        QCOMPARE(frame.pixel(360, 234), qRgba(255, 255, 255, 255));
        for (int s : {2, c.SlotCount() - 1}) {
            const QPoint p = ExclusivePixel(c, s);
            const CarouselSlot& slot = c.Slot(s);
            const int expected = int(255 * (1 - slot.Tint) * (1 - slot.Darken));
            QVERIFY(p.x() >= 0);
            QVERIFY2(qAbs(qRed(frame.pixel(p)) - expected) <= 3,
                     qPrintable(QString::number(qRed(frame.pixel(p)))));
            QCOMPARE(qAlpha(frame.pixel(p)), 255);
        }
        // Depth order of brightness along the right-hand side, front to back.
        int previous = 256;
        for (int s = c.Centre() - 1; s >= 2; --s) {
            const int red = qRed(frame.pixel(int(CentreX(c.Slot(s))), int(c.Slot(s).Top + 3)));
            QVERIFY(red < previous);
            previous = red;
        }
    }

    // Twelve images on eleven places: during a forward step the leaving item stays at the rear left
    // and the entering one at the rear right, fading (or shrinking) out and in.
    void overflowEffects_data() {
        QTest::addColumn<bool>("fade");
        QTest::addColumn<bool>("zoom");
        QTest::newRow("fade") << true << false;
        QTest::newRow("zoom") << false << true;
        QTest::newRow("both") << true << true;
        QTest::newRow("neither") << false << false;
    }
    void overflowEffects() {
        QFETCH(bool, fade);
        QFETCH(bool, zoom);
        Fixture f(SolidCollection(12));
        f.carousel.SetOverflowEffects(fade, zoom);
        f.carousel.Build(f.images->KeyAt(5));
        cCarousel& c = f.carousel;
        int checked = 0;
        connect(&c, &cCarousel::Refreshed, this,
                [&](const QImage& frame, double, const QString&, double progress) {
                    if (qAbs(progress - 8.0 / 15) > 1e-9)
                        return;
                    const CarouselSlot& leaving = c.Slot(c.SlotCount() - 1);
                    const CarouselSlot& entering = c.Slot(1);
                    QVERIFY(leaving.Visible && entering.Visible);
                    QVERIFY(qAbs(CentreY(leaving) - 57.65) < 0.005 && CentreX(leaving) < 300);
                    QVERIFY(qAbs(CentreY(entering) - 57.65) < 0.005 && CentreX(entering) > 420);
                    QCOMPARE(leaving.Opacity, fade ? 1 - progress : 1.0);
                    QCOMPARE(entering.Opacity, fade ? progress : 1.0);
                    QVERIFY(qAbs(leaving.Width / 128 - 0.853 * (zoom ? 1 - progress : 1)) < 0.001);
                    QVERIFY(qAbs(entering.Width / 128 - 0.853 * (zoom ? progress : 1)) < 0.001);
                    for (const auto& [s, opacity] :
                         {std::pair{c.SlotCount() - 1, leaving.Opacity}, {1, entering.Opacity}}) {
                        const QPoint p = ExclusivePixel(c, s);
                        QVERIFY(p.x() >= 0);
                        QVERIFY2(qAbs(qAlpha(frame.pixel(p)) - opacity * 255) <= 2,
                                 qPrintable(QString::number(qAlpha(frame.pixel(p)))));
                    }
                    ++checked;
                });
        c.MoveRelative(1);
        QCOMPARE(checked, 1);
    }

    void orbitImage() {
        Fixture f(SolidCollection(13));
        f.carousel.SetOrbitImageSurface(OpaqueOrbitImage());
        f.carousel.Build(f.images->KeyAt(6));
        QCOMPARE(f.carousel.MainLayer().pixel(360, 150), qRgba(10, 20, 30, 255));
        // Without opacity no orbit image is drawn, and its top keeps its value even when the
        // layout changes.
        f.carousel.SetOrbitImageOpacity(0);
        f.carousel.Build(QString());
        QCOMPARE(qAlpha(f.carousel.MainLayer().pixel(360, 150)), 0);
        f.carousel.SetTilt(120);
        f.carousel.Build(QString());
        QCOMPARE(f.carousel.OrbitImageTop(), 14.5);
        QCOMPARE(f.carousel.BufferHeight(), 254);
    }

    // No room for an orbit image: none is drawn, and building and moving still work.
    void noRoomForTheOrbitImage() {
        Fixture f(SolidCollection(5, 256));
        f.carousel.SetWidth(400);
        f.carousel.SetImageSize(256, 256);
        f.carousel.SetOrbitImageSurface(OpaqueOrbitImage());
        QVERIFY(f.carousel.OrbitBuffer().isNull());
        QSignalSpy complete(&f.carousel, &cCarousel::MoveComplete);
        f.carousel.Build(f.images->KeyAt(0));
        f.carousel.MoveRelative(2);
        QCOMPARE(complete.count(), 2);
        QVERIFY(f.carousel.OrbitBuffer().isNull());
        QCOMPARE(f.carousel.MainLayerSize().width(), 400);
    }

    void wrapIndex_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("ring");
        QTest::addColumn<int>("unused");
        QTest::addColumn<int>("expected");
        QTest::newRow("forward") << 3 << 2 << 11 << 0 << 5;
        QTest::newRow("wraps to the start") << 10 << 3 << 11 << 0 << 2;
        QTest::newRow("backward wraps to the end") << 1 << -1 << 11 << 0 << 11;
        QTest::newRow("many turns") << 1 << 100 << 13 << 0 << 10;
        QTest::newRow("into the placeholders") << 5 << 1 << 11 << 6 << -5;
        QTest::newRow("placeholders back to the images") << 0 << 1 << 11 << 6 << 1;
        QTest::newRow("back into the placeholders") << 1 << -1 << 11 << 6 << 0;
        QTest::newRow("backward from the first placeholder") << -5 << -1 << 11 << 6 << 5;
        QTest::newRow("empty ring keeps the index") << 4 << 7 << 0 << 0 << 4;
    }
    void wrapIndex() {
        QFETCH(int, index);
        QFETCH(int, offset);
        QFETCH(int, ring);
        QFETCH(int, unused);
        QFETCH(int, expected);
        QCOMPARE(CarouselLayout::WrapIndex(index, offset, ring, unused), expected);
    }

    void orbitBufferSize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("image");
        QTest::addColumn<int>("size");
        QTest::newRow("defaults: 1.6 image widths") << 720 << 128 << 205;
        QTest::newRow("narrow: what is left") << 500 << 128 << 180;
        QTest::newRow("no room") << 400 << 256 << -240;
    }
    void orbitBufferSize() {
        QFETCH(int, width);
        QFETCH(int, image);
        QFETCH(int, size);
        QCOMPARE(CarouselLayout::OrbitBufferSize(width, image), size);
    }

    // An orbit image taller than the orbit lifts the buffer height; the front item still touches
    // the bottom and the orbit image the top.
    void tallOrbitImageSetsTheHeight() {
        CarouselLayout::BufferInput in;
        in.baseVerticalRadius = 10;
        in.orbitHeight = 205;
        const CarouselLayout::BufferGeometry g = CarouselLayout::ComputeBufferGeometry(in);
        QCOMPARE(g.bufferHeight, 285);
        QCOMPARE(g.orbitImageTop, 0.0);
        QCOMPARE(g.centreY, 285 - 80 - 10.0);
        QCOMPARE(g.layerHeight, 285 + 96);
    }
};

QTEST_MAIN(TestCarouselGeometry)
#include "tst_carousel_geometry.moc"
