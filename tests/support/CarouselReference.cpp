#include "CarouselReference.h"

#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace CarouselReference {

namespace {

QImage Surface(QSize size) {
    return Imaging::NewSurface(size.width(), size.height());
}

// The frame being drawn: its slots as the carousel laid them out, its layers at device resolution,
// and an item-sized scratch image and reflection mask (transparent at the top, opaque at the bottom).
struct Frame {
    cCarousel& c;
    std::vector<CarouselSlot> laidOut = c.Slots(); // laidOut[s - 1] is slot s
    QImage main = Surface(c.MainLayer().size()), reflection = Surface(main.size());
    QImage scratch = Surface(QSize(c.ImageSize(), c.ImageHeight()) * c.PixelRatio()),
           mask = Surface(scratch.size());
    QPainter mainPainter{&main}, reflectionPainter{&reflection};

    CarouselSlot& Slot(int s) { return laidOut[s - 1]; }
};

void DrawSlot(Frame& f, int s) {
    const CarouselSlot& slot = f.Slot(s);
    if (!slot.Visible)
        return;
    // The item at its size, tinted, then darkened.
    f.scratch.fill(Qt::transparent);
    QPainter scratch(&f.scratch);
    scratch.setRenderHint(QPainter::SmoothPixmapTransform, true);
    scratch.drawImage(QRectF(f.scratch.rect()), f.c.SharedImages().Get(slot.Key));
    scratch.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QColor tint = Imaging::ColourFromBgr(f.c.TintColour());
    tint.setAlphaF(float(slot.Tint));
    scratch.fillRect(f.scratch.rect(), tint);
    scratch.fillRect(f.scratch.rect(), QColor(0, 0, 0, int(std::lround(slot.Darken * 255))));
    f.mainPainter.setOpacity(slot.Opacity);
    f.mainPainter.drawImage(QRectF(slot.Left, slot.Top, slot.Width, slot.Height), f.scratch);
    if (f.c.ReflectionStrength() <= 0)
        return;
    scratch.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    scratch.drawImage(0, 0, f.mask);
    scratch.end();
    // Mirrored: the image's bottom row lands next to the item's bottom edge.
    const double top = slot.Top + slot.Height, height = f.c.ReflectionStretch() / 100 * slot.Height;
    f.reflectionPainter.save();
    f.reflectionPainter.setOpacity(slot.Opacity);
    f.reflectionPainter.translate(0, 2 * top + height);
    f.reflectionPainter.scale(1, -1);
    f.reflectionPainter.drawImage(QRectF(slot.Left, top, slot.Width, height), f.scratch);
    f.reflectionPainter.restore();
}

void DrawOrbitImage(Frame& f) {
    if (f.c.OrbitImageOpacity() <= 0 || f.c.OrbitBuffer().isNull())
        return;
    // The orbit buffer is at device resolution already: drawn unscaled at its device position.
    f.mainPainter.save();
    f.mainPainter.resetTransform();
    f.mainPainter.setOpacity(f.c.OrbitImageOpacity() / 100);
    const QPointF at((f.c.Width() - f.c.OrbitSize()) * 0.5, f.c.OrbitImageTop());
    f.mainPainter.drawImage(at * f.c.PixelRatio(), f.c.OrbitBuffer());
    f.mainPainter.restore();
}

// Back to front, the two sides in turn, the orbit image half-way; the front item and the incoming
// one last, and while they change, the outgoing one over the incoming one, fading.
void DrawFrame(Frame& f, int sign, double progress) {
    const int centre = f.c.Centre(), count = f.c.SlotCount();
    f.Slot(centre).Visible = f.Slot(centre - sign).Visible = false;
    for (int i = 1; i <= centre - 1; ++i) {
        DrawSlot(f, sign == 1 ? count + 1 - i : i);
        if (i == centre / 2 + 1)
            DrawOrbitImage(f);
        DrawSlot(f, sign == 1 ? i : count + 1 - i);
    }
    f.Slot(centre).Visible = f.Slot(centre - sign).Visible = true;
    f.Slot(centre).Opacity = 1;
    DrawSlot(f, centre);
    if (sign == 0)
        return;
    DrawSlot(f, centre - sign);
    f.Slot(centre).Opacity = 1 - progress;
    f.mainPainter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    DrawSlot(f, centre);
}

QRgb At(const QImage& image, int x, int y) {
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
}

} // namespace

QImage ComposeLastFrame(cCarousel& c) {
    Frame f{c};
    QLinearGradient fade(0, 0, 0, f.mask.height());
    fade.setColorAt(0, Qt::transparent);
    fade.setColorAt(1, Qt::black);
    QPainter(&f.mask).fillRect(f.mask.rect(), fade);
    // Slots are laid out in logical pixels; the layers have PixelRatio() device pixels to each.
    f.mainPainter.scale(c.PixelRatio(), c.PixelRatio());
    f.mainPainter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    f.reflectionPainter.scale(c.PixelRatio(), c.PixelRatio()); // the reflections take the nearest pixel
    DrawFrame(f, c.LastFrame().sign, c.LastFrame().progress);
    f.reflectionPainter.end();
    f.mainPainter.resetTransform();
    f.mainPainter.setCompositionMode(
        QPainter::CompositionMode_DestinationOver); // reflections under the items
    f.mainPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    f.mainPainter.setOpacity(c.ReflectionStrength() / 100);
    f.mainPainter.drawImage(0, 0, f.reflection);
    f.mainPainter.setOpacity(1);
    if (c.LastFrame().level < 1) { // dimmed
        f.mainPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        f.mainPainter.fillRect(f.main.rect(),
                               QColor(0, 0, 0, int(std::lround(std::max(c.LastFrame().level, 0.1) * 255))));
    }
    f.mainPainter.end();
    return f.main;
}

Difference Compare(const QImage& fast, const QImage& reference, int tolerance) {
    if (fast.size() != reference.size())
        return {1, 1};
    auto near = [tolerance](QRgb a, QRgb b) {
        return std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                         std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}) <= tolerance;
    };
    Difference d;
    for (int y = 0; y < fast.height(); ++y)
        for (int x = 0; x < fast.width(); ++x) {
            const QRgb p = At(fast, x, y);
            if (near(p, At(reference, x, y)))
                continue;
            ++d.pixelsOver;
            bool matched = false;
            for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, fast.height() - 1); ++ny)
                for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, fast.width() - 1); ++nx)
                    matched = matched || near(p, At(reference, nx, ny));
            d.unmatched += !matched;
        }
    return d;
}

QImage DiscImage(int size, int hue) {
    QImage image = Imaging::NewSurface(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient gradient(size * 0.4, size * 0.35, size * 0.6);
    gradient.setColorAt(0, QColor::fromHsv(hue, 80, 255));
    gradient.setColorAt(1, QColor::fromHsv(hue, 255, 160, 200));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, size - 8, size - 8));
    painter.end();
    return image;
}

std::shared_ptr<ImageCollection> DiscCollection(int count, int size) {
    auto images = std::make_shared<ImageCollection>(KeyOrder::TextIgnoringCase);
    for (int i = 0; i < count; ++i)
        images->Set(QStringLiteral("Item %1ID%2").arg(i, 2, 10, QChar('0')).arg(i + 2),
                    DiscImage(size, (i * 37) % 360));
    return images;
}

} // namespace CarouselReference
