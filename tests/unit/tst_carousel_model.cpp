#include "CarouselReference.h"
#include "carousel/cCarousel.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"

#include <QSignalSpy>
#include <QTest>
#include <climits>

using CarouselReference::DiscCollection;
using CarouselReference::SolidImage;

namespace {

struct Fixture {
    ImageList shared;
    cCarousel carousel{shared};
    std::shared_ptr<ImageCollection> images;
    explicit Fixture(int count, int capacity = 11) : images(DiscCollection(count, 32)) {
        carousel.SetImageSize(32, 32);
        carousel.SetWidth(400);
        carousel.SetCapacity(capacity);
        carousel.SetImages(images);
    }
    // Builds with the image at 1-based index `index` in front (0: keep the current index).
    void BuildAt(int index) { carousel.Build(index > 0 ? images->KeyAt(index - 1) : QString()); }
};

// The Refreshed events of one move, in order.
struct Frame {
    double index;
    QString key;
    double progress;
    int total;
};
std::vector<Frame> Frames(const QSignalSpy& spy) {
    std::vector<Frame> frames;
    for (const QList<QVariant>& args : spy)
        frames.push_back({args[1].toDouble(), args[2].toString(), args[3].toDouble(), args[4].toInt()});
    return frames;
}

} // namespace

class TestCarouselModel : public QObject {
    Q_OBJECT
private slots:
    void capacity_data() {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("capacity");
        QTest::newRow("odd stays") << 11 << 11;
        QTest::newRow("even goes up") << 10 << 11;
        QTest::newRow("four") << 4 << 5;
        QTest::newRow("two") << 2 << 3;
        QTest::newRow("one") << 1 << 3;
        QTest::newRow("zero") << 0 << 3;
        QTest::newRow("negative") << -7 << 3;
    }
    void capacity() {
        QFETCH(int, requested);
        QFETCH(int, capacity);
        Fixture f(0);
        f.carousel.SetCapacity(requested);
        QCOMPARE(f.carousel.Capacity(), capacity);
        QCOMPARE(f.carousel.SlotCount(), capacity + 2);
        QCOMPARE(int(f.carousel.Slots().size()), capacity + 2);
        QCOMPARE(f.carousel.Centre(), (capacity + 3) / 2);
        QCOMPARE(f.carousel.AnglePerSlot(), 360.0 / capacity);
    }

    void capacityOverflowIsReported() {
        Fixture f(0);
        try {
            f.carousel.SetCapacity(INT_MAX);
            QFAIL("no overflow raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.Number(), 6);
            QCOMPARE(e.Description(), QStringLiteral("Overflow"));
        }
        QCOMPARE(f.carousel.Capacity(), 11);
    }

    // Moves that would stop on a placeholder carry on to the nearest image in their direction.
    void constraintToUsedCapacity_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("to");
        QTest::newRow("forward past the placeholders") << 5 << 5 << 1 << 7 << 1;
        QTest::newRow("backward past the placeholders") << 5 << 1 << -1 << 7 << 5;
        QTest::newRow("inside the images") << 5 << 2 << 2 << 2 << 4;
        QTest::newRow("three forward from the fourth") << 5 << 4 << 3 << 8 << 1;
        QTest::newRow("full ring, no placeholders") << 11 << 11 << 1 << 1 << 1;
    }
    void constraintToUsedCapacity() {
        QFETCH(int, images);
        QFETCH(int, from);
        QFETCH(int, move);
        QFETCH(int, total);
        QFETCH(int, to);
        Fixture f(images);
        f.BuildAt(from);
        QCOMPARE(f.carousel.CurrentIndex(), from);
        QSignalSpy refreshed(&f.carousel, &cCarousel::Refreshed);
        QSignalSpy complete(&f.carousel, &cCarousel::MoveComplete);
        f.carousel.MoveRelative(move);
        QCOMPARE(complete.count(), 1);
        QCOMPARE(complete[0][0].toInt(), total);
        for (const Frame& frame : Frames(refreshed))
            QCOMPARE(frame.total, total);
        QCOMPARE(f.carousel.CurrentIndex(), to);
        QCOMPARE(Frames(refreshed).back().index, double(to));
        QCOMPARE(Frames(refreshed).back().key, f.images->KeyAt(to - 1));
    }

    void unconstrainedMovesStopOnPlaceholders() {
        Fixture f(5);
        f.carousel.SetConstrainToUsedCapacity(false);
        f.BuildAt(5);
        QSignalSpy refreshed(&f.carousel, &cCarousel::Refreshed);
        f.carousel.MoveRelative(1);
        QCOMPARE(f.carousel.CurrentIndex(), -5); // ring 1 - 6 ... 5: after 5 comes the first placeholder
        QCOMPARE(Frames(refreshed).back().key, QStringLiteral("Dummy"));
    }

    void withoutImagesEveryMoveIsARefresh_data() {
        QTest::addColumn<int>("move");
        QTest::newRow("none") << 0;
        QTest::newRow("one forward") << 1;
        QTest::newRow("three back") << -3;
        QTest::newRow("long") << 40;
    }
    void withoutImagesEveryMoveIsARefresh() {
        QFETCH(int, move);
        Fixture f(0);
        f.BuildAt(0);
        QSignalSpy refreshed(&f.carousel, &cCarousel::Refreshed);
        QSignalSpy complete(&f.carousel, &cCarousel::MoveComplete);
        f.carousel.MoveRelative(move);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(complete.count(), 1);
        QCOMPARE(complete[0][0].toInt(), 0);
        QCOMPARE(Frames(refreshed)[0].key, QStringLiteral("Dummy"));
        QCOMPARE(f.carousel.CurrentIndex(), 0);
    }

    void buildWithKeyPutsItInFront() {
        Fixture f(6);
        f.carousel.Build(f.images->KeyAt(2));
        QCOMPARE(f.carousel.CurrentIndex(), 3);
        QCOMPARE(f.carousel.ImageCount(), 6);
        QCOMPARE(f.carousel.Unused(), 5);
        QCOMPARE(f.carousel.Slot(f.carousel.Centre()).Key, f.images->KeyAt(2));
    }

    void buildWithoutKeyCutsTheIndexWhenTheCollectionShrank() {
        Fixture f(6);
        f.BuildAt(6);
        f.images->Remove(f.images->KeyAt(5));
        f.images->Remove(f.images->KeyAt(4));
        f.BuildAt(0);
        QCOMPARE(f.carousel.ImageCount(), 4);
        QCOMPARE(f.carousel.CurrentIndex(), 4);
    }

    // From construction an empty key keeps index 0, which the constraint turns into a move onto 1.
    void firstBuildWithoutKeyLandsOnTheFirstImage() {
        Fixture f(3);
        QSignalSpy complete(&f.carousel, &cCarousel::MoveComplete);
        f.BuildAt(0);
        QCOMPARE(f.carousel.CurrentIndex(), 1);
        QCOMPARE(complete[0][0].toInt(), 1);
    }

    void moveToIndex_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("firstStep"); // index after the first step: the move's sign
        QTest::addColumn<int>("total");
        QTest::newRow("shorter way back") << 11 << 2 << 9 << 0 << 1 << 4;
        QTest::newRow("forced forward") << 11 << 2 << 9 << 1 << 3 << 7;
        QTest::newRow("forced back") << 11 << 2 << 9 << -1 << 1 << 4;
        QTest::newRow("tie goes forward") << 12 << 1 << 7 << 0 << 2 << 6;
        QTest::newRow("shorter way forward") << 12 << 10 << 2 << 0 << 11 << 4;
        QTest::newRow("same index is a refresh") << 12 << 4 << 4 << 0 << 4 << 0;
    }
    void moveToIndex() {
        QFETCH(int, images);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, direction);
        QFETCH(int, firstStep);
        QFETCH(int, total);
        Fixture f(images);
        f.BuildAt(from);
        QSignalSpy refreshed(&f.carousel, &cCarousel::Refreshed);
        QSignalSpy complete(&f.carousel, &cCarousel::MoveComplete);
        f.carousel.MoveToIndex(to, direction);
        QCOMPARE(complete[0][0].toInt(), total);
        QCOMPARE(Frames(refreshed).front().index, double(firstStep));
        QCOMPARE(f.carousel.CurrentIndex(), to);
    }

    void moveToKey() {
        Fixture f(12);
        f.BuildAt(1);
        f.carousel.MoveToKey(f.images->KeyAt(8), -1);
        QCOMPARE(f.carousel.CurrentIndex(), 9);
    }

    void refreshComposesOneFrameThenCompletes() {
        Fixture f(7);
        f.BuildAt(4);
        QStringList order;
        QList<QList<QVariant>> refreshed;
        connect(&f.carousel, &cCarousel::Refreshed, this,
                [&](const QImage& surface, double index, const QString& key, double progress, int total) {
                    QVERIFY(!surface.isNull());
                    order << "Refreshed";
                    refreshed.append({index, key, progress, total});
                });
        connect(&f.carousel, &cCarousel::MoveComplete, this,
                [&](int count) { order << QString("MoveComplete %1").arg(count); });
        f.carousel.Refresh();
        QCOMPARE(order, (QStringList{"Refreshed", "MoveComplete 0"}));
        QCOMPARE(refreshed[0], (QList<QVariant>{4.0, f.images->KeyAt(3), 1.0, 0}));
    }

    // Frames per move: 15 per position up to five positions, 15 + 5 per middle position + 15 up to
    // twenty, and 84 in twenty steps beyond.
    void framesPerMove_data() {
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("frames");
        QTest::newRow("one") << 1 << 15;
        QTest::newRow("five") << 5 << 75;
        QTest::newRow("six") << 6 << 15 + 4 * 5 + 15;
        QTest::newRow("twenty back") << -20 << 15 + 18 * 5 + 15;
        QTest::newRow("twenty-one") << 21 << 84;
        QTest::newRow("hundred") << 100 << 84;
    }
    void framesPerMove() {
        QFETCH(int, move);
        QFETCH(int, frames);
        Fixture f(13);
        f.BuildAt(1);
        QSignalSpy refreshed(&f.carousel, &cCarousel::Refreshed);
        f.carousel.MoveRelative(move);
        QCOMPARE(refreshed.count(), frames);
        // Progress grows frame by frame and ends on the whole move.
        const std::vector<Frame> seen = Frames(refreshed);
        for (size_t i = 1; i < seen.size(); ++i)
            QVERIFY(seen[i].progress > seen[i - 1].progress);
        QCOMPARE(seen.back().progress, double(std::abs(move)));
    }

    void hundredPositionsJumpAndDim() {
        Fixture f(13);
        f.BuildAt(1);
        std::vector<Frame> seen;
        std::vector<double> levels;
        connect(&f.carousel, &cCarousel::Refreshed, this,
                [&](const QImage&, double index, const QString& key, double progress, int total) {
                    seen.push_back({index, key, progress, total});
                    levels.push_back(f.carousel.LastFrame().level);
                });
        f.carousel.MoveRelative(100);
        QCOMPARE(int(seen.size()), 84);
        // Nine steps (15 + 8 x 3 frames), then the contents jump to 90 positions.
        QCOMPARE(seen[38].progress, 9.0);
        QCOMPARE(seen[39].progress, 89 + 1.0 / 3);
        QCOMPARE(seen[38].index, 10.0);
        QCOMPARE(seen[39].index, double(((1 + 90 - 1) % 13) + 1));
        QVERIFY(qAbs(levels[38] - 0.2) < 1e-9);
        QVERIFY(*std::min_element(levels.begin(), levels.end()) > 0.19);
        QVERIFY(levels.back() >= 1);
        QCOMPARE(f.carousel.CurrentIndex(), ((1 + 100 - 1) % 13) + 1);
        for (const Frame& frame : seen)
            QCOMPARE(frame.total, 100);
        // The orbit narrows for the move and returns to its size.
        QCOMPARE(f.carousel.VerticalRadius(), f.carousel.Tilt() / 2);
    }

    // A tilt below one is taken as one; the image size is the width it is given.
    void tiltOfAtLeastOneAndImageSizeByWidth() {
        Fixture f(0);
        f.carousel.SetTilt(0.4);
        QCOMPARE(f.carousel.Tilt(), 1.0);
        f.carousel.SetImageSize(96, 80);
        QCOMPARE(f.carousel.ImageSize(), 96);
    }

    // Decoded images are shared and cached by key; empty entries show the missing image and
    // placeholders the unused-capacity image.
    void sharedImageList() {
        Fixture f(3);
        f.images->Set(f.images->KeyAt(1), QImage());
        f.carousel.SetMissingImage(SolidImage(8, Qt::red));
        f.carousel.SetUnusedCapacityImage(SolidImage(8, Qt::blue));
        f.BuildAt(1);
        QCOMPARE(f.shared.Get(f.images->KeyAt(1)).pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(f.shared.Get(QStringLiteral("Dummy")).pixelColor(0, 0), QColor(Qt::blue));
        QVERIFY(f.shared.Exists(f.images->KeyAt(0)));
        // An entry already cached is not decoded again.
        const qint64 cached = f.shared.Get(f.images->KeyAt(0)).cacheKey();
        f.carousel.MoveRelative(1);
        QCOMPARE(f.shared.Get(f.images->KeyAt(0)).cacheKey(), cached);
    }

    // A forward step first drops the image of the last slot from the shared list, a backward or
    // null step that of the first; what is still shown is loaded again.
    void stepsEvictTheLeavingImage() {
        Fixture f(13);
        f.BuildAt(7);
        const QString last = f.carousel.Slot(f.carousel.SlotCount()).Key;
        f.shared.Add(last, QImage(1, 1, Imaging::SurfaceFormat)); // mark it
        f.carousel.MoveRelative(1);
        QVERIFY(f.shared.Get(last).size() != QSize(1, 1)); // evicted, then decoded again
    }

    // Sums and products beyond 32 bits raise run-time error 6 and leave the index alone.
    void overflowIsReported_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("move");
        QTest::addColumn<bool>("toIndex");
        QTest::newRow("size of the smallest move") << 11 << INT_MIN << false;
        QTest::newRow("carried past the placeholders") << 5 << INT_MAX << false;
        QTest::newRow("distance to an index") << 11 << INT_MIN << true;
    }
    void overflowIsReported() {
        QFETCH(int, images);
        QFETCH(int, move);
        QFETCH(bool, toIndex);
        Fixture f(images);
        f.BuildAt(5);
        try {
            if (toIndex)
                f.carousel.MoveToIndex(move, 0);
            else
                f.carousel.MoveRelative(move);
            QFAIL("no overflow raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.Number(), 6);
        }
        QCOMPARE(f.carousel.CurrentIndex(), 5);
    }

    // Fewer than one frame per position acts as one; one frame per position keeps the orbit
    // (and every slot's place) finite through long moves.
    void smallestIncrements_data() {
        QTest::addColumn<int>("increments");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("frames");
        QTest::newRow("zero, one position") << 0 << 1 << 1;
        QTest::newRow("negative, one position") << -4 << -1 << 1;
        QTest::newRow("one, medium") << 1 << 8 << 1 + 6 * 4 + 1;
        QTest::newRow("one, long") << 1 << 30 << 1 + 18 * 2 + 1;
    }
    void smallestIncrements() {
        QFETCH(int, increments);
        QFETCH(int, move);
        QFETCH(int, frames);
        Fixture f(13);
        f.carousel.SetMoveIncrements(increments);
        f.BuildAt(1);
        int seen = 0;
        connect(&f.carousel, &cCarousel::Refreshed, this, [&] {
            ++seen;
            for (const CarouselSlot& slot : f.carousel.Slots())
                QVERIFY(std::isfinite(slot.Left) && std::isfinite(slot.Top) && std::isfinite(slot.Width));
        });
        f.carousel.MoveRelative(move);
        QCOMPARE(seen, frames);
    }
};

QTEST_MAIN(TestCarouselModel)
#include "tst_carousel_model.moc"
