#include "CarouselComposer.h"

#include "platform/Imaging.h"

#include <QLinearGradient>
#include <algorithm>

struct CarouselComposer::State {
    QImage main, reflection, scratch, mask;
    int imageWidth = 0, imageHeight = 0;
    QPainter mainPainter, reflectionPainter;
};

CarouselComposer::CarouselComposer() : d(std::make_unique<State>()) {}
CarouselComposer::~CarouselComposer() = default;

namespace {
QImage MakeMask(int width, int height) {
    QImage mask = Imaging::NewSurface(width, height);
    if (mask.isNull())
        return mask;
    QLinearGradient gradient(width, 0, width, height);
    for (const auto& stop : CarouselLayout::ReflectionMaskStops())
        gradient.setColorAt(stop.position, QColor(0, 0, 0, int(std::lround(stop.opacity * 255))));
    QPainter painter(&mask);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(mask.rect(), gradient);
    return mask;
}

void ClearImage(QPainter& painter, const QImage& image) {
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(image.rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}
} // namespace

void CarouselComposer::Prepare(int layerWidth, int layerHeight, int imageWidth, int imageHeight) {
    d->main = Imaging::NewSurface(layerWidth, layerHeight);
    d->reflection = Imaging::NewSurface(layerWidth, layerHeight);
    d->scratch = Imaging::NewSurface(imageWidth, imageHeight);
    d->mask = MakeMask(imageWidth, imageHeight);
    d->imageWidth = imageWidth;
    d->imageHeight = imageHeight;
}

bool CarouselComposer::IsReady() const {
    return !d->main.isNull() && !d->scratch.isNull();
}
const QImage& CarouselComposer::MainLayer() const {
    return d->main;
}
const QImage& CarouselComposer::ReflectionLayer() const {
    return d->reflection;
}
const QImage& CarouselComposer::ReflectionMask() const {
    return d->mask;
}

void CarouselComposer::BeginFrame() {
    d->mainPainter.begin(&d->main);
    d->reflectionPainter.begin(&d->reflection);
}

void CarouselComposer::Clear(CarouselLayer layer) {
    if (layer == CarouselLayer::Main)
        ClearImage(d->mainPainter, d->main);
    else
        ClearImage(d->reflectionPainter, d->reflection);
}

void CarouselComposer::SetMainOperator(QPainter::CompositionMode mode) {
    d->mainPainter.setCompositionMode(mode);
}

void CarouselComposer::DrawItem(const QString&, const QImage& image, const CarouselSlot& slot,
                                const ItemLook& look) {
    QPainter scratch(&d->scratch);
    ClearImage(scratch, d->scratch);
    scratch.setRenderHint(QPainter::SmoothPixmapTransform, true);
    scratch.drawImage(QRectF(0, 0, d->imageWidth, d->imageHeight), image);
    scratch.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QColor tint = look.tintColour;
    tint.setAlphaF(float(std::clamp(slot.Tint, 0.0, 1.0)));
    scratch.fillRect(d->scratch.rect(), tint);
    scratch.fillRect(d->scratch.rect(),
                     QColor(0, 0, 0, int(std::lround(std::clamp(slot.Darken, 0.0, 1.0) * 255))));

    QPainter& main = d->mainPainter;
    main.setRenderHint(QPainter::SmoothPixmapTransform, true);
    main.setOpacity(slot.Opacity);
    main.drawImage(QRectF(slot.Left, slot.Top, slot.Width, slot.Height), d->scratch);
    main.setOpacity(1);

    if (look.reflectionStrength <= 0)
        return;
    scratch.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    scratch.drawImage(0, 0, d->mask);
    scratch.end();
    const double top = slot.Top + slot.Height;
    const double height = look.reflectionStretch * slot.Height;
    QPainter& refl = d->reflectionPainter;
    refl.save();
    refl.setRenderHint(QPainter::SmoothPixmapTransform, false);
    refl.setOpacity(slot.Opacity);
    refl.translate(0, 2 * top + height);
    refl.scale(1, -1);
    refl.drawImage(QRectF(slot.Left, top, slot.Width, height), d->scratch);
    refl.restore();
}

void CarouselComposer::DrawOrbit(const QImage& orbit, double left, double top, double opacity) {
    QPainter& main = d->mainPainter;
    main.setRenderHint(QPainter::SmoothPixmapTransform, true);
    main.setOpacity(opacity);
    main.drawImage(QPointF(left, top), orbit);
    main.setOpacity(1);
}

void CarouselComposer::EndFrame(double reflectionStrength, double level) {
    d->reflectionPainter.end();
    QPainter& main = d->mainPainter;
    if (reflectionStrength > 0) {
        main.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        main.setRenderHint(QPainter::SmoothPixmapTransform, false);
        main.setOpacity(reflectionStrength);
        main.drawImage(0, 0, d->reflection);
        main.setOpacity(1);
    }
    if (level < 1) {
        main.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        main.setOpacity(std::max(level, 0.1));
        main.fillRect(d->main.rect(), Qt::black);
        main.setOpacity(1);
    }
    main.end();
}
