#pragma once

#include "CarouselLayout.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <memory>

enum class CarouselLayer { Main, Reflection };

// How items are drawn in the current frame.
struct ItemLook {
    QColor tintColour = Qt::black; // opaque; each slot's Tint gives the strength
    double reflectionStrength = 0.08;
    double reflectionStretch = 0.6;
};

// The pixel work of the carousel: owns the main layer (the frame), the reflection layer and the
// per-item working images, and draws items, the orbit image and the frame's finishing passes.
class CarouselComposer {
public:
    CarouselComposer();
    ~CarouselComposer();

    // Creates the layers (both layerWidth x layerHeight, transparent) and the item resources for
    // items of imageWidth x imageHeight. Replaces everything made before.
    void Prepare(int layerWidth, int layerHeight, int imageWidth, int imageHeight);
    bool IsReady() const;

    const QImage& MainLayer() const;
    const QImage& ReflectionLayer() const;
    // The reflection mask: an item-sized image whose alpha fades from 0 at the top to 1 at the bottom.
    const QImage& ReflectionMask() const;

    void BeginFrame();
    void Clear(CarouselLayer layer);
    void SetMainOperator(QPainter::CompositionMode mode);
    // Draws one item (and its reflection when the strength is positive). `image` is the decoded
    // image filed under `key`; a null image draws nothing.
    void DrawItem(const QString& key, const QImage& image, const CarouselSlot& slot, const ItemLook& look);
    void DrawOrbit(const QImage& orbit, double left, double top, double opacity);
    // Puts the reflections under the frame and dims it when level < 1.
    void EndFrame(double reflectionStrength, double level);

private:
    struct State;
    std::unique_ptr<State> d;
};
