#include "CarouselReference.h"
#include "carousel/CarouselRows.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <cmath>
#include <functional>

using namespace CarouselReference;

// Every allocation of this program is counted, to show that frames allocate nothing.
static std::atomic<long> gAllocations{0};
void* operator new(std::size_t size) {
    ++gAllocations;
    void* p = std::malloc(size ? size : 1);
    return p ? p : throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// A carousel of `count` disc pictures, tinted red; placeholders show `unused`.
struct Fixture {
    ImageList shared;
    cCarousel carousel{shared};
    std::shared_ptr<ImageCollection> images;
    QImage unused = DiscImage(16, 0);
    explicit Fixture(int count) : images(DiscCollection(count)) {
        carousel.SetImages(images);
        carousel.SetUnusedCapacityImage(unused);
        carousel.SetTintEffects(0x0000FF, 20, 40); // red: the colour's channels come out in their places
    }
    QString Key(int index) const { return index > 0 ? images->KeyAt(index - 1) : QString(); }
};

struct Move { // a row of the moves table
    char kind;
    int images, from, argument, direction, total, first, to;
};

using Setup = std::function<void(cCarousel&)>;

} // namespace

class TestCarousel : public QObject {
    Q_OBJECT
private slots:
    // From `from`: a move by a count ('r'; '0': with no frames per position), to an index ('i')
    // the shorter way (a tie forward) unless a direction is forced, or a build ('b' the first, 's' after
    // the last two images went). A move that would stop on a placeholder carries on to the next image;
    // without images every move is a refresh. `first`: the index the first frame heads for (the sign).
    void moves_data() {
        QTest::addColumn<Move>("m");
        QTest::newRow("forward past the placeholders") << Move{'r', 5, 5, 1, 0, 7, -5, 1};
        QTest::newRow("backward past the placeholders") << Move{'r', 5, 1, -1, 0, 7, 0, 5};
        QTest::newRow("full ring, no placeholders") << Move{'r', 11, 11, 1, 0, 1, 1, 1};
        QTest::newRow("no images") << Move{'r', 0, 0, -3, 0, 0, 0, 0};
        QTest::newRow("six") << Move{'r', 19, 1, 6, 0, 6, 2, 7};
        QTest::newRow("twenty back") << Move{'r', 19, 1, -20, 0, 20, 19, 19};
        QTest::newRow("hundred") << Move{'r', 19, 1, 100, 0, 100, 2, 6};
        QTest::newRow("no frames per position, taken as one") << Move{'0', 19, 1, 30, 0, 30, 2, 12};
        QTest::newRow("shorter way back") << Move{'i', 11, 2, 9, 0, 4, 1, 9};
        QTest::newRow("forced forward") << Move{'i', 11, 2, 9, 1, 7, 3, 9};
        QTest::newRow("forced back") << Move{'i', 11, 9, 2, -1, 7, 8, 2};
        QTest::newRow("tie goes forward") << Move{'i', 12, 1, 7, 0, 6, 2, 7};
        QTest::newRow("shorter way forward") << Move{'i', 12, 10, 2, 0, 4, 11, 2};
        QTest::newRow("same index is a refresh") << Move{'i', 12, 4, 4, 0, 0, 4, 4};
        QTest::newRow("first build with a key") << Move{'b', 6, 0, 3, 0, 0, 3, 3};
        QTest::newRow("first build without a key") << Move{'b', 3, 0, 0, 0, 1, 1, 1};
        QTest::newRow("build after the collection shrank") << Move{'s', 6, 6, 0, 0, 0, 4, 4};
    }
    void moves() {
        QFETCH(Move, m);
        Fixture f(m.images);
        f.carousel.SetMoveIncrements(m.kind == '0' ? 0 : 15);
        if (m.kind != 'b')
            f.carousel.Build(f.Key(m.from));
        for (int gone = 0; m.kind == 's' && gone < 2; ++gone)
            f.images->Remove(f.Key(f.images->Count()));
        QSignalSpy refreshed(&f.carousel, &cCarousel::Refreshed);
        std::vector<double> levels;
        std::vector<qsizetype> done; // the total, and the frames seen by then
        connect(&f.carousel, &cCarousel::Refreshed, this, [&] {
            levels.push_back(f.carousel.LastFrame().level);
            for (const CarouselSlot& s : f.carousel.Slots())
                QVERIFY(std::isfinite(s.Left) && std::isfinite(s.Top) && std::isfinite(s.Width));
        });
        connect(&f.carousel, &cCarousel::MoveComplete, this, [&](int n) { done = {n, refreshed.count()}; });
        if (m.kind == 'i')
            f.carousel.MoveToIndex(m.argument, m.direction);
        else if (m.kind == 'b' || m.kind == 's')
            f.carousel.Build(f.Key(m.argument));
        else
            f.carousel.MoveRelative(m.argument);
        QCOMPARE(f.carousel.CurrentIndex(), m.to);
        QCOMPARE(done, (std::vector<qsizetype>{m.total, refreshed.count()}));
        // Progress rises frame by frame to the whole move, in at most 120 frames (one for a refresh);
        // moves beyond twenty positions dim the carousel, never below a fifth, and end undimmed; the
        // orbit narrowed for a move is back to half the tilt. The shared image list holds only what the
        // ring shows (each step drops the image leaving it), placeholders the unused-capacity image.
        QVERIFY(refreshed.count() <= 120 && (m.total > 0 || refreshed.count() == 1));
        for (qsizetype i = 0; i < refreshed.count(); ++i)
            QVERIFY(refreshed[i][4] == m.total &&
                    (i == 0 || refreshed[i][3].toDouble() > refreshed[i - 1][3].toDouble()));
        QVERIFY(refreshed.first()[1] == m.first && refreshed.last()[3] == std::max(m.total, 1));
        QCOMPARE(refreshed.last()[2].toString(), m.to > 0 ? f.Key(m.to) : QStringLiteral("Dummy"));
        const double dimmest = *std::min_element(levels.begin(), levels.end());
        QVERIFY(dimmest > 0.19 && levels.back() >= 1 && (dimmest < 1) == (m.total > 20));
        QCOMPARE(f.carousel.VerticalRadius(), f.carousel.Tilt() / 2);
        QVERIFY(f.shared.Count() <= f.carousel.SlotCount());
        QVERIFY(m.images >= 11 || f.shared.Get(QStringLiteral("Dummy")).cacheKey() == f.unused.cacheKey());
    }

    // At rest the ring (with a hidden slot at either end) recedes: the rear pair mirror each other, items
    // shrink, rise and darken towards the back, the front item is neither tinted nor darkened and its
    // bottom is the frame's bottom, with the reflections below. Moving on with more images than places, the
    // items entering and leaving at the back fade only with fading on and shrink only with zooming on.
    void ringGeometry() {
        Fixture f(13);
        f.carousel.SetCapacity(-7); // capacities are odd and at least 3
        QCOMPARE(f.carousel.Capacity(), 3);
        f.carousel.SetCapacity(10); // taken as 11
        f.carousel.Build(f.Key(7));
        const cCarousel& c = f.carousel;
        const CarouselSlot &front = c.Slot(c.Centre()), &left = c.Slot(c.SlotCount() - 1), &right = c.Slot(2);
        QVERIFY(front.Top + front.Height == c.BufferHeight() && c.MainLayer().height() > c.BufferHeight());
        QVERIFY(front.Tint + front.Darken == 0 && c.SlotCount() == 13 && right.Visible && !c.Slot(1).Visible);
        QCOMPARE(left.Left + right.Left + right.Width, 2 * c.CentreX());
        QCOMPARE(QPointF(left.Width, left.Top), QPointF(right.Width, right.Top));
        for (int s = 2; s < c.Centre(); ++s) {
            const CarouselSlot &further = c.Slot(s), &nearer = c.Slot(s + 1);
            QVERIFY(further.Width < nearer.Width && further.Darken > nearer.Darken);
            QVERIFY(further.Top + further.Height < nearer.Top + nearer.Height);
        }
        const double rear = right.Width;
        for (bool zoom : {false, true}) {
            f.carousel.SetOverflowEffects(!zoom, zoom);
            QObject move;
            connect(&f.carousel, &cCarousel::Refreshed, &move, [&] {
                for (int s : {1, c.SlotCount() - 1})
                    QVERIFY(c.LastFrame().progress == 1 ||
                            ((c.Slot(s).Opacity < 1) != zoom && (c.Slot(s).Width < rear - 1) == zoom));
            });
            f.carousel.MoveRelative(1);
        }
        f.carousel.SetReflectionEffects(0, 60); // without reflections the frame ends with the front item
        f.carousel.Build({});
        QCOMPARE(c.MainLayer().height(), c.BufferHeight());
    }

    // Every frame of a move, composed fast, matches the painter rendering of the same step; between two
    // frames of one step nothing is allocated; a frame the owner keeps stays as it was.
    void matchesReference_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("move");
        QTest::addColumn<Setup>("setup");
        QTest::newRow("refresh") << 13 << 0 << Setup([](cCarousel&) {});
        QTest::newRow("back two") << 13 << -2 << Setup([](cCarousel&) {});
        QTest::newRow("long move, dimmed") << 13 << 25 << Setup([](cCarousel&) {});
        QTest::newRow("SSE2, long") << 13 << -22 << Setup([](cCarousel&) { CarouselRows::LimitWidth(128); });
        QTest::newRow("AVX2, long") << 13 << 21 << Setup([](cCarousel&) { CarouselRows::LimitWidth(256); });
        QTest::newRow("overflow") << 12 << 1 << Setup([](cCarousel& c) { c.SetOverflowEffects(true, true); });
        QTest::newRow("faint orbit") << 9 << -1 << Setup([](cCarousel& c) { c.SetOrbitImageOpacity(35); });
        QTest::newRow("no room for the orbit image")
            << 5 << 2 << Setup([](cCarousel& c) { c.SetWidth(400), c.SetImageSize(256, 256); });
        // Pictures made at the resolution they are shown at, as the token manager makes them.
        QTest::newRow("ratio 1.5, strong red tint") << 13 << -1 << Setup([](cCarousel& c) {
            c.SetPixelRatio(1.5), c.SetImages(DiscCollection(13, 192));
            c.SetTintEffects(0x0000FF, 60, 30), c.SetReflectionEffects(40, 80);
        });
    }
    void matchesReference() {
        QFETCH(int, images);
        QFETCH(int, move);
        QFETCH(Setup, setup);
        Fixture f(images);
        f.carousel.SetOrbitImageSurface(DiscImage(256, 200));
        setup(f.carousel);
        f.carousel.Build(f.Key(images / 2));
        int frames = 0, pixelsOver = 0, unmatched = 0;
        long allocated = 0, drawn = 0; // allocations while drawing the frames of a step after its first
        double previous = 0;
        connect(&f.carousel, &cCarousel::Refreshed, this,
                [&](const QImage& frame, double, const QString&, double p) {
                    if (std::ceil(p) == std::ceil(previous))
                        allocated += gAllocations - drawn;
                    const Difference d = Compare(frame, ComposeLastFrame(f.carousel), 5);
                    frames += 1, pixelsOver += d.pixelsOver, unmatched += d.unmatched, previous = p;
                    drawn = gAllocations;
                });
        f.carousel.MoveRelative(move);
        const QImage frame = f.carousel.MainLayer();
        const QString report =
            QString::asprintf("%d frames, %d over, %d unmatched", frames, pixelsOver, unmatched);
        // Scaled to device pixels, the nearest-pixel reflections can pick the other source pixel where a
        // row boundary and a column boundary meet: a stray pixel now and then. Boundary cases are rare.
        QVERIFY2(f.carousel.PixelRatio() == 1 ? unmatched == 0 : unmatched <= frames, qPrintable(report));
        QVERIFY2(pixelsOver <= frames * frame.width() * frame.height() / 1000, qPrintable(report));
        QCOMPARE(allocated, 0L);
        // The logical frame, to within the device pixel its sides are rounded up to.
        const QSizeF excess = frame.deviceIndependentSize() - QSizeF(f.carousel.MainLayerSize());
        QVERIFY(excess.width() >= 0 && excess.width() < 1 && excess.height() >= 0 && excess.height() < 1);
        const size_t hash = qHashBits(frame.constBits(), frame.sizeInBytes());
        f.carousel.MoveRelative(1);
        QCOMPARE(qHashBits(frame.constBits(), frame.sizeInBytes()), hash);
    }
    void cleanup() { CarouselRows::LimitWidth(512); }

    // Bending along the upper half of a circle: a straight stroke 5 below the guide follows the circle
    // 5 inside it from the left end to the right end, so bent text reads left to right, upright.
    void bentStrokesFollowTheArc() {
        QPainterPath arc, line(QPointF(0, 5));
        arc.arcMoveTo(QRectF(-100, -100, 200, 200), 180);
        arc.arcTo(QRectF(-100, -100, 200, 200), 180, -180);
        const Imaging::BendGuide guide(arc);
        line.lineTo(guide.Length(), 5);
        const QList<QPolygonF> bent = guide.Bend(line, 1.0).toSubpathPolygons();
        QVERIFY(bent.size() == 1 && bent[0].size() > 20);
        for (const QPointF& p : bent[0])
            QVERIFY2(std::abs(std::hypot(p.x(), p.y()) - 95) < 0.05, qPrintable(QString::number(p.x())));
        QVERIFY(bent[0].first().x() < -94 && bent[0].last().x() > 94);
    }
};

QTEST_MAIN(TestCarousel)
#include "tst_carousel.moc"
