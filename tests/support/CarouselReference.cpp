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

struct Frame {
    cCarousel& carousel;
    std::vector<CarouselSlot> slotList;
    QImage main, reflection, scratch, mask;
    QPainter mainPainter, reflectionPainter;
    int imageWidth, imageHeight; // device pixels
    double strength, stretch;
    double ratio;
    QColor tint;

    CarouselSlot& Slot(int s) { return slotList[s - 1]; }
};

void ClearLayer(QPainter& painter, const QImage& image) {
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(image.rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QImage Mask(int width, int height) {
    QImage mask = Imaging::NewSurface(width, height);
    QLinearGradient gradient(width, 0, width, height);
    for (const auto& stop : CarouselLayout::ReflectionMaskStops())
        gradient.setColorAt(stop.position, QColor(0, 0, 0, int(std::lround(stop.opacity * 255))));
    QPainter painter(&mask);
    painter.fillRect(mask.rect(), gradient);
    return mask;
}

void DrawSlot(Frame& f, int s) {
    const CarouselSlot& slot = f.Slot(s);
    if (!slot.Visible)
        return;
    const QImage image = f.carousel.SharedImages().Get(slot.Key);
    QPainter scratch(&f.scratch);
    ClearLayer(scratch, f.scratch);
    scratch.setRenderHint(QPainter::SmoothPixmapTransform, true);
    scratch.drawImage(QRectF(0, 0, f.imageWidth, f.imageHeight), image);
    scratch.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QColor tint = f.tint;
    tint.setAlphaF(float(slot.Tint));
    scratch.fillRect(f.scratch.rect(), tint);
    scratch.fillRect(f.scratch.rect(), QColor(0, 0, 0, int(std::lround(slot.Darken * 255))));

    f.mainPainter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    f.mainPainter.setOpacity(slot.Opacity);
    f.mainPainter.drawImage(QRectF(slot.Left, slot.Top, slot.Width, slot.Height), f.scratch);
    f.mainPainter.setOpacity(1);
    if (f.strength <= 0)
        return;
    scratch.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    scratch.drawImage(0, 0, f.mask);
    scratch.end();
    // Mirrored: the image's bottom row lands next to the item's bottom edge.
    const double top = slot.Top + slot.Height, height = f.stretch * slot.Height;
    QPainter& reflection = f.reflectionPainter;
    reflection.save();
    reflection.setOpacity(slot.Opacity);
    reflection.translate(0, 2 * top + height);
    reflection.scale(1, -1);
    reflection.drawImage(QRectF(slot.Left, top, slot.Width, height), f.scratch);
    reflection.restore();
}

void DrawOrbitImage(Frame& f) {
    cCarousel& c = f.carousel;
    const QImage& orbit = c.OrbitBuffer();
    if (c.OrbitImageOpacity() <= 0 || orbit.isNull())
        return;
    // The orbit buffer is at device resolution already: drawn unscaled at its device position.
    f.mainPainter.save();
    f.mainPainter.resetTransform();
    f.mainPainter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    f.mainPainter.setOpacity(c.OrbitImageOpacity() / 100);
    f.mainPainter.drawImage(QPointF((c.Width() - c.OrbitSize()) * 0.5 * f.ratio, c.OrbitImageTop() * f.ratio),
                            orbit);
    f.mainPainter.restore();
}

void DrawFrame(Frame& f, int sign, double progress) {
    const int centre = f.carousel.Centre(), count = f.carousel.SlotCount();
    for (int i = 1; i <= centre - 1; ++i) {
        DrawSlot(f, sign == 1 ? count + 1 - i : i);
        if (i == centre / 2 + 1)
            DrawOrbitImage(f);
        DrawSlot(f, sign == 1 ? i : count + 1 - i);
    }
    f.Slot(centre).Visible = true;
    f.Slot(centre - sign).Visible = true;
    DrawSlot(f, centre);
    if (sign == 0)
        return;
    DrawSlot(f, centre - sign);
    f.Slot(centre).Opacity = 1 - progress;
    f.mainPainter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    DrawSlot(f, centre);
}

std::vector<CarouselSlot> LaidOutSlots(cCarousel& c) {
    const cCarousel::FrameArguments& a = c.LastFrame();
    CarouselLayout::OrbitState o;
    o.slotCount = c.SlotCount();
    o.centre = c.Centre();
    o.anglePerSlot = c.AnglePerSlot();
    o.angleOffset = c.AngleOffset();
    o.centreX = c.CentreX();
    o.centreY = c.CentreY();
    o.horizontalRadius = c.HorizontalRadius();
    o.verticalRadius = c.VerticalRadius();
    o.imageWidth = c.ImageSize();
    o.imageHeight = c.ImageHeight();
    o.foreScale = c.ForeItemScale() / 100;
    o.rearScale = c.RearItemScale() / 100;
    o.tintStrength = c.TintStrength() / 100;
    o.depthDarkening = c.DepthDarkenPercent() / 100;
    o.overflow = c.ImageCount() > c.Capacity();
    o.overflowFade = c.OverflowFade();
    o.overflowZoom = c.OverflowZoom();
    std::vector<CarouselSlot> slotList = c.Slots();
    CarouselLayout::LayoutSlots(o, {a.sign, a.growIncoming, a.shrinkOutgoing, a.progress}, slotList);
    return slotList;
}

} // namespace

QImage ComposeLastFrame(cCarousel& c) {
    const cCarousel::FrameArguments& a = c.LastFrame();
    const QSize size = c.MainLayer().size();
    const double ratio = c.PixelRatio();
    const int imageWidth = std::max(1, int(std::lround(c.ImageSize() * ratio)));
    const int imageHeight = std::max(1, int(std::lround(c.ImageHeight() * ratio)));
    Frame f{c,
            LaidOutSlots(c),
            Imaging::NewSurface(size.width(), size.height()),
            Imaging::NewSurface(size.width(), size.height()),
            Imaging::NewSurface(imageWidth, imageHeight),
            Mask(imageWidth, imageHeight),
            {},
            {},
            imageWidth,
            imageHeight,
            c.ReflectionStrength() / 100,
            c.ReflectionStretch() / 100,
            ratio,
            Imaging::ColourFromBgr(c.TintColour())};
    f.mainPainter.begin(&f.main);
    f.reflectionPainter.begin(&f.reflection);
    ClearLayer(f.reflectionPainter, f.reflection);
    ClearLayer(f.mainPainter, f.main);
    // Slots are laid out in logical pixels; the layers have `ratio` device pixels to each.
    f.mainPainter.scale(ratio, ratio);
    f.reflectionPainter.scale(ratio, ratio);
    DrawFrame(f, a.sign, a.progress);
    f.reflectionPainter.end();
    f.mainPainter.resetTransform();
    if (f.strength > 0) {
        f.mainPainter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        f.mainPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        f.mainPainter.setOpacity(f.strength);
        f.mainPainter.drawImage(0, 0, f.reflection);
        f.mainPainter.setOpacity(1);
    }
    if (a.level < 1) {
        f.mainPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        f.mainPainter.fillRect(f.main.rect(),
                               QColor(0, 0, 0, int(std::lround(std::max(a.level, 0.1) * 255))));
    }
    f.mainPainter.end();
    return f.main;
}

namespace {
int ChannelDifference(QRgb a, QRgb b) {
    return std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                     std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

bool MatchesNearby(const QImage& reference, int x, int y, QRgb value, int tolerance) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (reference.rect().contains(nx, ny) &&
                ChannelDifference(value, reinterpret_cast<const QRgb*>(reference.constScanLine(ny))[nx]) <=
                    tolerance)
                return true;
        }
    return false;
}
} // namespace

Difference Compare(const QImage& fast, const QImage& reference, int tolerance) {
    Difference d;
    if (fast.size() != reference.size()) {
        d.largest = 256;
        d.pixelsOver = d.unmatched = 1;
        return d;
    }
    bool worstUnmatched = false;
    for (int y = 0; y < fast.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(fast.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(reference.constScanLine(y));
        for (int x = 0; x < fast.width(); ++x) {
            const int diff = ChannelDifference(pa[x], pb[x]);
            if (diff <= tolerance)
                continue;
            ++d.pixelsOver;
            const bool unmatched = !MatchesNearby(reference, x, y, pa[x], tolerance);
            d.unmatched += unmatched;
            if ((unmatched && !worstUnmatched) || (unmatched == worstUnmatched && diff > d.largest)) {
                d.largest = diff;
                d.worst = QPoint(x, y);
                worstUnmatched = unmatched;
            }
        }
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

QImage SolidImage(int size, const QColor& colour) {
    QImage image = Imaging::NewSurface(size, size);
    image.fill(colour);
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
