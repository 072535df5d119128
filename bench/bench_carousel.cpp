#include "BenchRunner.h"

#include "carousel/CarouselRows.h"
#include "carousel/cCarousel.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A token-like picture: a shaded disc of the given hue on a transparent ground.
QImage DiscImage(int size, int hue) {
    QImage image = Imaging::NewSurface(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient gradient(size * 0.4, size * 0.35, size * 0.6);
    gradient.setColorAt(0, QColor::fromHsv(hue, 80, 255));
    gradient.setColorAt(1, QColor::fromHsv(hue, 255, 160));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, size - 8, size - 8));
    painter.end();
    return image;
}

QImage OrbitImage() {
    QImage image = Imaging::NewSurface(256, 256);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 220, 255, 180), 10));
    painter.drawEllipse(QRectF(20, 20, 216, 216));
    painter.end();
    return image;
}

// The carousel at a device pixel ratio, its pictures made at the resolution it shows them at.
struct Carousel {
    ImageList images;
    cCarousel carousel{images};
    explicit Carousel(double ratio = 1) {
        auto collection = std::make_shared<ImageCollection>(KeyOrder::TextIgnoringCase);
        for (int i = 0; i < 13; ++i)
            collection->Set(QStringLiteral("Token %1ID%2").arg(QChar('A' + i)).arg(i + 2),
                            DiscImage(qRound(128 * ratio), i * 27));
        carousel.SetPixelRatio(ratio);
        carousel.SetOrbitImageSurface(OrbitImage());
        carousel.SetImages(collection);
        carousel.Build(collection->KeyAt(6));
    }
};

// The time of each frame of one-position moves: the interval between two Refreshed events of the
// same step is exactly one composition (steps begin with loading images, which is left out).
std::vector<double> FrameTimes(Carousel& c, int frames) {
    std::vector<double> samples;
    QElapsedTimer clock;
    double previousProgress = 0;
    QObject::connect(&c.carousel, &cCarousel::Refreshed,
                     [&](const QImage&, double, const QString&, double progress, int) {
                         const bool sameStep = progress > previousProgress &&
                                               std::floor(progress - 1e-9) == std::floor(previousProgress);
                         if (sameStep && previousProgress > 0)
                             samples.push_back(clock.nsecsElapsed() / 1e6);
                         previousProgress = progress;
                         clock.start();
                     });
    c.carousel.MoveRelative(3); // warm-up
    samples.clear();
    while (int(samples.size()) < frames) {
        previousProgress = 0;
        c.carousel.MoveRelative(1);
    }
    QObject::disconnect(&c.carousel, nullptr, nullptr, nullptr);
    samples.resize(frames);
    return samples;
}

// Frame composition, and next to it the copy floor: what merely copying the two frame-sized layers
// costs on this machine, to put the figure in proportion.
void BenchFrame(BenchContext& context) {
    Carousel c;
    const std::vector<double> compose = FrameTimes(c, 300);
    const QSize size = c.carousel.MainLayerSize();
    QImage main = Imaging::NewSurface(size.width(), size.height());
    QImage reflection = Imaging::NewSurface(size.width(), size.height());
    QImage target(size, Imaging::SurfaceFormat);
    const std::vector<double> copy = MeasureMilliseconds(50, 300, [&] {
        std::memcpy(target.bits(), main.constBits(), size_t(main.sizeInBytes()));
        std::memcpy(target.bits(), reflection.constBits(), size_t(reflection.sizeInBytes()));
    });
    // Each frame's time over the median copy floor.
    std::vector<double> sortedCopy = copy;
    std::sort(sortedCopy.begin(), sortedCopy.end());
    const double copyFloor = std::max(sortedCopy[sortedCopy.size() / 2], 1e-6);
    std::vector<double> ratio;
    for (double sample : compose)
        ratio.push_back(sample / copyFloor);
    context.Report(QStringLiteral("frame.compose"), QStringLiteral("ms"), compose);
    context.Report(QStringLiteral("frame.copy_floor"), QStringLiteral("ms"), copy);
    context.Report(QStringLiteral("frame.compose_ratio"), QStringLiteral("x"), ratio);
}

// The same frames on narrower row kernels: SSE2, which processors without AVX2 use, and AVX2, which
// those without AVX-512 use.
void BenchFrameNarrower(BenchContext& context, int bits, const char* figure) {
    CarouselRows::LimitWidth(bits);
    Carousel c;
    context.Report(QLatin1String(figure), QStringLiteral("ms"), FrameTimes(c, 300));
    CarouselRows::LimitWidth(512);
}

// The same frames at a device pixel ratio of 2: four times the pixels.
void BenchFrameDpr2(BenchContext& context) {
    Carousel c(2);
    context.Report(QStringLiteral("frame.compose.dpr2"), QStringLiteral("ms"), FrameTimes(c, 300));
}

void BenchMoves(BenchContext& context) {
    Carousel c;
    context.Report(QStringLiteral("move.one_position"), QStringLiteral("ms"),
                   MeasureMilliseconds(3, 30, [&] { c.carousel.MoveRelative(1); }));
    context.Report(QStringLiteral("move.hundred"), QStringLiteral("ms"),
                   MeasureMilliseconds(1, 10, [&] { c.carousel.MoveRelative(100); }));
}

BenchRegistration frameRegistration({"frame.compose", "frame.copy_floor", "frame.compose_ratio"}, BenchFrame);
BenchRegistration sse2Registration({"frame.compose.sse2"},
                                   [](BenchContext& c) { BenchFrameNarrower(c, 128, "frame.compose.sse2"); });
BenchRegistration avx2Registration({"frame.compose.avx2"},
                                   [](BenchContext& c) { BenchFrameNarrower(c, 256, "frame.compose.avx2"); });
BenchRegistration dpr2Registration({"frame.compose.dpr2"}, BenchFrameDpr2);
BenchRegistration moveRegistration({"move.one_position", "move.hundred"}, BenchMoves);

} // namespace
