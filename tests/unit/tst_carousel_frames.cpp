#include "CarouselReference.h"
#include "carousel/CarouselRows.h"
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
        QTest::addColumn<bool>("widest");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("move");
        QTest::addColumn<std::function<void(cCarousel&)>>("configure");
        auto none = [](cCarousel&) {};
        // Each case runs on the widest row kernels the processor has and on the SSE2 ones.
        auto row = [](const char* name, int images, int move, std::function<void(cCarousel&)> configure) {
            for (bool widest : {true, false})
                QTest::addRow("%s, %s", name, widest ? "widest" : "sse2")
                    << widest << images << move << configure;
        };
        row("refresh", 13, 0, none);
        row("forward one", 13, 1, none);
        row("back two", 13, -2, none);
        row("medium move", 13, 7, none);
        row("long move, dimmed", 13, 25, none);
        row("placeholders", 4, 2, none);
        row("overflow fade and zoom", 12, 1, [](cCarousel& c) { c.SetOverflowEffects(true, true); });
        row("overflow backwards", 12, -1, [](cCarousel& c) { c.SetOverflowEffects(true, false); });
        row("no reflections", 13, 1, [](cCarousel& c) { c.SetReflectionEffects(0, 60); });
        row("strong red tint", 13, 1, [](cCarousel& c) {
            c.SetTintEffects(0x0000FF, 60, 30);
            c.SetReflectionEffects(40, 80);
        });
        row("faint orbit image", 9, -1, [](cCarousel& c) { c.SetOrbitImageOpacity(35); });
        row("one increment per position", 13, 8, [](cCarousel& c) { c.SetMoveIncrements(1); });
        row("small items, capacity 5", 13, 2, [](cCarousel& c) {
            c.SetImageSize(64, 48);
            c.SetCapacity(5);
        });
        row("front item at its own size", 13, 1, [](cCarousel& c) { c.SetForeItemScale(100); });
    }
    void matchesReference() {
        QFETCH(bool, widest);
        QFETCH(int, images);
        QFETCH(int, move);
        QFETCH(std::function<void(cCarousel&)>, configure);
        CarouselRows::UseWidest(widest);
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
    void cleanup() { CarouselRows::UseWidest(true); }

    // An owner may keep the frames it is handed: kept frames never change afterwards, and the
    // frames after them are still complete.
    void keptFramesStayAsTheyWere() {
        Fixture f(13);
        f.carousel.Build(f.images->KeyAt(3));
        std::vector<QImage> kept, snapshots;
        int unmatched = 0;
        connect(&f.carousel, &cCarousel::Refreshed, this, [&](const QImage& surface) {
            kept.push_back(surface);
            snapshots.push_back(surface.copy());
            unmatched += Compare(surface, ComposeLastFrame(f.carousel), Tolerance).unmatched;
        });
        f.carousel.MoveRelative(2);
        f.carousel.MoveRelative(-1);
        QCOMPARE(int(kept.size()), 45);
        QCOMPARE(unmatched, 0);
        for (size_t i = 0; i < kept.size(); ++i)
            QVERIFY(kept[i] == snapshots[i]);
    }
};

QTEST_MAIN(TestCarouselFrames)
#include "tst_carousel_frames.moc"
