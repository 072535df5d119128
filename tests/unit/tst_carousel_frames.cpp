#include "CarouselReference.h"
#include "carousel/cCarousel.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace CarouselReference;

namespace {

QByteArray RingImage() {
    QImage image = Imaging::NewSurface(256, 256);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 220, 255, 180), 12));
    painter.drawEllipse(QRectF(20, 20, 216, 216));
    painter.end();
    return Imaging::EncodePng(image);
}

struct Fixture {
    ImageList shared;
    cCarousel carousel{shared};
    std::shared_ptr<ImageCollection> images;
    explicit Fixture(int count) : images(DiscCollection(count)) {
        carousel.SetOrbitImageBytes(RingImage());
        carousel.SetImages(images);
    }
};

// Per-channel tolerance of a fast frame against the painter rendering: rounding of fused passes.
constexpr int Tolerance = 5;

} // namespace

class TestCarouselFrames : public QObject {
    Q_OBJECT
private slots:
    // Every frame of a move, composed fast, matches the painter rendering of the same steps.
    void matchesReference_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("move");
        QTest::addColumn<std::function<void(cCarousel&)>>("configure");
        auto none = [](cCarousel&) {};
        QTest::newRow("refresh") << 13 << 0 << std::function<void(cCarousel&)>(none);
        QTest::newRow("forward one") << 13 << 1 << std::function<void(cCarousel&)>(none);
        QTest::newRow("back two") << 13 << -2 << std::function<void(cCarousel&)>(none);
        QTest::newRow("medium move") << 13 << 7 << std::function<void(cCarousel&)>(none);
        QTest::newRow("long move, dimmed") << 13 << 25 << std::function<void(cCarousel&)>(none);
        QTest::newRow("placeholders") << 4 << 2 << std::function<void(cCarousel&)>(none);
        QTest::newRow("overflow fade and zoom")
            << 12 << 1
            << std::function<void(cCarousel&)>([](cCarousel& c) { c.SetOverflowEffects(true, true); });
        QTest::newRow("overflow backwards")
            << 12 << -1
            << std::function<void(cCarousel&)>([](cCarousel& c) { c.SetOverflowEffects(true, false); });
        QTest::newRow("no reflections")
            << 13 << 1
            << std::function<void(cCarousel&)>([](cCarousel& c) { c.SetReflectionEffects(0, 60); });
        QTest::newRow("strong red tint") << 13 << 1 << std::function<void(cCarousel&)>([](cCarousel& c) {
            c.SetTintEffects(0x0000FF, 60, 30);
            c.SetReflectionEffects(40, 80);
        });
        QTest::newRow("faint orbit image")
            << 9 << -1 << std::function<void(cCarousel&)>([](cCarousel& c) { c.SetOrbitImageOpacity(35); });
        QTest::newRow("one increment per position")
            << 13 << 8 << std::function<void(cCarousel&)>([](cCarousel& c) { c.SetMoveIncrements(1); });
        QTest::newRow("small items, capacity 5")
            << 13 << 2 << std::function<void(cCarousel&)>([](cCarousel& c) {
                   c.SetImageSize(64, 48);
                   c.SetCapacity(5);
               });
    }
    void matchesReference() {
        QFETCH(int, images);
        QFETCH(int, move);
        QFETCH(std::function<void(cCarousel&)>, configure);
        Fixture f(images);
        configure(f.carousel);
        f.carousel.Build(f.images->KeyAt(images / 2));
        int frames = 0, pixelsOver = 0, unmatched = 0;
        Difference worst;
        connect(&f.carousel, &cCarousel::Refreshed, this, [&](const QImage& surface) {
            const Difference d = Compare(surface, ComposeLastFrame(f.carousel), Tolerance);
            ++frames;
            pixelsOver += d.pixelsOver;
            unmatched += d.unmatched;
            if (d.unmatched > 0 && worst.unmatched == 0)
                worst = d;
        });
        f.carousel.MoveRelative(move);
        QVERIFY(frames > 0);
        const QImage& frame = f.carousel.MainLayer();
        const QString report =
            QStringLiteral("%1 frames: %2 pixels over tolerance, %3 unmatched (first at %4,%5)")
                .arg(frames)
                .arg(pixelsOver)
                .arg(unmatched)
                .arg(worst.worst.x())
                .arg(worst.worst.y());
        QVERIFY2(unmatched == 0, qPrintable(report));
        // Boundary cases are rare: a few pixels per thousand at most.
        QVERIFY2(pixelsOver <= frames * frame.width() * frame.height() / 1000, qPrintable(report));
    }
};

QTEST_MAIN(TestCarouselFrames)
#include "tst_carousel_frames.moc"
