#include "CarouselReference.h"
#include "carousel/CarouselRows.h"
#include "carousel/cCarousel.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <string_view>
#include <vector>

using namespace CarouselReference;

// Every allocation of this test program is counted, to show what the frames allocate.
static std::atomic<long> gAllocations{0};
void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

QImage RingImage() {
    QImage image = Imaging::NewSurface(256, 256);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 220, 255, 180), 12));
    painter.drawEllipse(QRectF(20, 20, 216, 216));
    painter.end();
    return image;
}

// A carousel of disc pictures composed at `ratio`, its pictures made at the resolution it shows
// them at (as the token manager makes them).
struct Fixture {
    ImageList shared;
    cCarousel carousel{shared};
    std::shared_ptr<ImageCollection> images;
    explicit Fixture(int count, double ratio = 1) : images(DiscCollection(count, qRound(128 * ratio))) {
        carousel.SetPixelRatio(ratio);
        carousel.SetOrbitImageSurface(RingImage());
        carousel.SetImages(images);
    }
};

// The fine detail of a picture: the squared steps between neighbouring pixels, summed. Enlarging
// a picture spreads each step over several pixels and so lowers it.
double Detail(const QImage& image) {
    double sum = 0;
    for (int y = 0; y + 1 < image.height(); ++y)
        for (int x = 0; x + 1 < image.width(); ++x) {
            const QRgb p = image.pixel(x, y), right = image.pixel(x + 1, y), below = image.pixel(x, y + 1);
            for (QRgb q : {right, below}) {
                const int d[] = {qAlpha(p) - qAlpha(q), qRed(p) - qRed(q), qGreen(p) - qGreen(q),
                                 qBlue(p) - qBlue(q)};
                for (int v : d)
                    sum += double(v) * v;
            }
        }
    return sum;
}

// Per-channel tolerance of a fast frame against the painter rendering: rounding of fused passes.
constexpr int Tolerance = 5;

} // namespace

class TestCarouselFrames : public QObject {
    Q_OBJECT
private slots:
    // Every frame of a move, composed fast, matches the painter rendering of the same steps; at a
    // device pixel ratio above 1 the frames also hold the finer detail an enlarged frame of ratio 1
    // lacks.
    void matchesReference_data() {
        QTest::addColumn<bool>("widest");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("move");
        QTest::addColumn<std::function<void(cCarousel&)>>("configure");
        QTest::addColumn<double>("ratio");
        auto none = [](cCarousel&) {};
        // Each case runs on the widest row kernels the processor has and on the SSE2 ones.
        auto row = [](const char* name, int images, int move, std::function<void(cCarousel&)> configure,
                      double ratio = 1) {
            for (bool widest : {true, false})
                QTest::addRow("%s, %s", name, widest ? "widest" : "sse2")
                    << widest << images << move << configure << ratio;
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
        row("many places", 40, 3, [](cCarousel& c) {
            c.SetCapacity(35);
            c.SetImageSize(48, 48);
        });
        row("ratio 2, refresh", 13, 0, none, 2);
        row("ratio 2, long move, dimmed", 13, 22, none, 2);
        row(
            "ratio 1.5, strong red tint", 13, -1,
            [](cCarousel& c) {
                c.SetTintEffects(0x0000FF, 60, 30);
                c.SetReflectionEffects(40, 80);
            },
            1.5);
        row("ratio 1.25, back two", 13, -2, none, 1.25);
    }
    void matchesReference() {
        QFETCH(bool, widest);
        QFETCH(int, images);
        QFETCH(int, move);
        QFETCH(std::function<void(cCarousel&)>, configure);
        QFETCH(double, ratio);
        CarouselRows::UseWidest(widest);
        Fixture f(images, ratio);
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
        // Scaled to device pixels, the nearest-pixel reflections can pick the other source pixel
        // where a row boundary and a column boundary meet: a stray pixel now and then.
        QVERIFY2(ratio == 1 ? unmatched == 0 : unmatched <= frames, qPrintable(report));
        // Boundary cases are rare: a few pixels per thousand at most.
        QVERIFY2(pixelsOver <= frames * frame.width() * frame.height() / 1000, qPrintable(report));
        if (ratio == 1)
            return;
        // The same logical frame (to within the device pixel its sides are rounded up to), and the
        // frame of ratio 1 enlarged to its size.
        const QSizeF excess = frame.deviceIndependentSize() - QSizeF(f.carousel.MainLayerSize());
        QVERIFY(excess.width() >= 0 && excess.width() < 1 && excess.height() >= 0 && excess.height() < 1);
        Fixture plain(images);
        configure(plain.carousel);
        plain.carousel.Build(plain.images->KeyAt(images / 2));
        plain.carousel.MoveRelative(move);
        QCOMPARE(plain.carousel.MainLayerSize(), f.carousel.MainLayerSize());
        const QImage enlarged =
            plain.carousel.MainLayer().scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double gain = Detail(frame) / Detail(enlarged);
        QVERIFY2(gain > 1 + (ratio - 1) / 2, qPrintable(QString::number(gain)));
    }
    void cleanup() { CarouselRows::UseWidest(true); }

    // The portable row kernels draw exactly what the x86 ones draw: all five, on the same random
    // rows (any pixels, even colours above their alpha), lengths that leave odd pixels after the
    // vector steps, edge weights and factors.
    void portableKernelsMatchX86Ones_data() {
        using CarouselPixels::MakeLook;
        QTest::addColumn<int>("count");
        QTest::addColumn<CarouselPixels::Look>("look");
        QTest::addColumn<CarouselPixels::Blend>("blend");
        const std::pair<const char*, CarouselPixels::Look> looks[] = {
            {"plain", {}},
            {"dimmed red tint", MakeLook(0.7, 0.6, 0.3, Qt::red)},
            // Weakened by 1/255 the white tint's M + K ends one above A: colours come out above alpha.
            {"weakened white tint", CarouselPixels::Weakened(MakeLook(1, 0.5, 0, Qt::white), 1)},
            {"transparent", MakeLook(0, 0, 0, Qt::white)},
        };
        for (int count : {1, 2, 3, 4, 5, 6, 7, 9, 33})
            for (const auto& [name, look] : looks)
                for (auto blend : {CarouselPixels::Blend::Over, CarouselPixels::Blend::Atop})
                    QTest::addRow("%d, %s, %s", count, name,
                                  blend == CarouselPixels::Blend::Over ? "over" : "atop")
                        << count << look << blend;
    }
    void portableKernelsMatchX86Ones() {
        using CarouselRows::Pixel;
        QFETCH(int, count);
        QFETCH(CarouselPixels::Look, look);
        QFETCH(CarouselPixels::Blend, blend);
        QRandomGenerator random{quint32(count)}; // the same rows for every look and blend
        auto pixels = [&](int n) {
            std::vector<Pixel> row(n);
            for (Pixel& p : row) {
                const quint32 kind = random.bounded(4);
                p = kind == 0 ? 0 : kind == 1 ? random.generate() | 0xff000000 : random.generate();
            }
            return row;
        };
        const std::vector<Pixel> upper = pixels(count + 1), lower = pixels(count + 1), under = pixels(count);
        std::vector<int> first(count), columns(count);
        std::vector<std::uint64_t> weights(count);
        const int edges[] = {0, 255, 256};
        for (int i = 0; i < count; ++i) {
            first[i] = random.bounded(count);
            columns[i] = random.bounded(count + 1);
            const int weight = i % 4 < 3 ? edges[i % 4] : random.bounded(257);
            weights[i] = std::uint64_t(weight) * 0x0001000100010001ULL;
        }
        // Each kernel's row drawn over a copy of `under`, labelled for the failure message.
        auto draw = [&](const CarouselRows::RowKernels& k) {
            std::vector<std::pair<QString, std::vector<Pixel>>> rows;
            auto pass = [&](const QString& label, const std::function<void(Pixel*)>& kernel) {
                rows.emplace_back(label, under);
                kernel(rows.back().second.data());
            };
            pass(QStringLiteral("stretch"), [&](Pixel* row) {
                k.stretch(row, upper.data(), first.data(), weights.data(), count, look, blend);
            });
            pass(QStringLiteral("map, columns"),
                 [&](Pixel* row) { k.map(row, upper.data(), columns.data(), count, look, blend); });
            pass(QStringLiteral("map"),
                 [&](Pixel* row) { k.map(row, upper.data(), nullptr, count, look, blend); });
            for (int weight : {0, 1, 128, 255, 256})
                for (int lo : {0, count / 3})
                    pass(QStringLiteral("mixRows %1 from %2").arg(weight).arg(lo), [&](Pixel* row) {
                        k.mixRows(row, upper.data(), lower.data(), weight, lo, count - 1);
                    });
            for (int alpha : {0, 1, 255, 256})
                pass(QStringLiteral("under %1").arg(alpha),
                     [&](Pixel* row) { k.under(row, upper.data(), count, alpha); });
            for (int factor : {0, 1, 254, 255})
                pass(QStringLiteral("scale %1").arg(factor),
                     [&](Pixel* row) { k.scale(row, count, factor); });
            return rows;
        };
        const auto portable = draw(CarouselRows::Portable());
        for (bool widest : {false, true}) {
            CarouselRows::UseWidest(widest);
            const CarouselRows::RowKernels& x86 = CarouselRows::Active();
            if (std::string_view(x86.name) == "portable")
                QSKIP("This build has only the portable kernels.");
            const auto drawn = draw(x86);
            for (size_t i = 0; i < drawn.size(); ++i)
                QVERIFY2(drawn[i].second == portable[i].second,
                         qPrintable(x86.name + (": " + drawn[i].first)));
        }
    }

    // Frames only draw: between two frames of the same step nothing is allocated (images are
    // decoded and prepared when a step begins).
    void framesAllocateNothing() {
        Fixture f(13);
        f.carousel.SetOverflowEffects(true, true);
        f.carousel.Build(f.images->KeyAt(3));
        long before = 0, during = 0;
        int frames = 0;
        double previous = 0;
        connect(&f.carousel, &cCarousel::Refreshed, this,
                [&](const QImage&, double, const QString&, double progress) {
                    const bool sameStep =
                        std::floor(progress - 1e-9) == std::floor(previous - 1e-9) && previous > 0;
                    if (sameStep) {
                        during += gAllocations - before;
                        ++frames;
                    }
                    previous = progress;
                    before = gAllocations;
                });
        f.carousel.MoveRelative(1); // the first move sizes the reusable tables
        previous = 0;
        during = frames = 0;
        f.carousel.MoveRelative(3);
        previous = 0;
        f.carousel.MoveRelative(-25);
        QVERIFY(frames > 100);
        QVERIFY(before > 0); // the counting works
        QCOMPARE(during, 0L);
    }

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
