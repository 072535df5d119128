#pragma once

#include "CarouselLayout.h"
#include "CarouselPixels.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

enum class CarouselLayer { Main, Reflection };

// How items are drawn in the current frame.
struct ItemLook {
    QColor tintColour = Qt::black; // opaque; each slot's Tint gives the strength
    double reflectionStrength = 0.08;
    double reflectionStretch = 0.6;
};

// The pixel work of the carousel. Owns the main layer (the frame), the reflection layer and, per
// image key, the item image prepared at item size. Only the pixels drawn in a frame are cleared
// and composited in the next: each layer remembers the rectangles it was drawn in.
class CarouselComposer {
public:
    // Creates the layers (both layerWidth x layerHeight, transparent) and the reflection mask for
    // items of imageWidth x imageHeight. Replaces everything made before.
    void Prepare(int layerWidth, int layerHeight, int imageWidth, int imageHeight);
    bool IsReady() const { return !mMain.isNull() && mImageWidth > 0 && mImageHeight > 0; }

    const QImage& MainLayer() const { return mMain; }
    // An item-sized image whose alpha fades from 0 at the top to 1 at the bottom.
    const QImage& ReflectionMask() const { return mMask; }

    // Makes the item image for `key` ready (stretched to item size), unless it already is for
    // this very image. Keeps only the keys in `keep` afterwards when RetainItems is called.
    void PrepareItem(const QString& key, const QImage& image);
    void RetainItems(const std::vector<CarouselSlot>& slotList);

    // Clears what the previous frame drew on the layer; the main layer's operator becomes "over".
    void Clear(CarouselLayer layer);
    void SetMainBlend(CarouselPixels::Blend blend) { mMainBlend = blend; }
    // Draws one item and, when the strength is positive, its reflection. A null image draws nothing.
    void DrawItem(const QString& key, const QImage& image, const CarouselSlot& slot, const ItemLook& look);
    void DrawOrbit(const QImage& orbit, double left, double top, double opacity);
    // Puts the reflections under the frame and dims it when level < 1.
    void FinishFrame(double reflectionStrength, double level);

private:
    struct PreparedItem {
        qint64 source = 0;
        QImage image;
    };
    const QImage& Prepared(const QString& key, const QImage& image);

    QImage mMain, mReflection, mMask;
    std::vector<std::uint8_t> mMaskRows;
    int mImageWidth = 0, mImageHeight = 0;
    QHash<QString, PreparedItem> mItems;
    std::vector<QRect> mMainDirty, mReflectionDirty;
    CarouselPixels::Blend mMainBlend = CarouselPixels::Blend::Over;
    // The orbit image resampled once at its fractional position, drawn at whole pixels.
    QImage mOrbitShifted;
    qint64 mOrbitSource = 0;
    QPointF mOrbitPosition{-1, -1};
    QPoint mOrbitPixel;
};
