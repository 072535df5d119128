#pragma once

#include "CarouselLayout.h"
#include "CarouselPixels.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>
#include <array>
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
// image key, the item image prepared at item size. Geometry comes in logical pixels; the layers and
// the prepared items are `pixelRatio` times as many device pixels each way, so that a frame shown on a
// screen of that ratio is drawn 1:1, not enlarged. The layers carry the ratio as their device pixel
// ratio. Only the pixels drawn in a frame are cleared
// and composited: each layer remembers the rectangles it was drawn in. The main layer is two
// images used in turn, so that an owner keeping a copy of one frame (QImage shares its pixels)
// does not make the next frame copy the whole buffer before drawing.
class CarouselComposer {
public:
    // Creates the layers (both layerWidth x layerHeight logical pixels, transparent) and the reflection
    // mask for items of imageWidth x imageHeight, at `pixelRatio`. Replaces everything made before.
    void Prepare(int layerWidth, int layerHeight, int imageWidth, int imageHeight, double pixelRatio = 1.0);
    double PixelRatio() const { return mRatio; }
    // The device pixels an extent of `logical` pixels takes at the ratio (at least one).
    static int DevicePixels(double logical, double pixelRatio);
    bool IsReady() const { return !mFrames[0].isNull() && mImageWidth > 0 && mImageHeight > 0; }

    const QImage& MainLayer() const { return mFrames[mFront]; }
    // An item-sized image (in device pixels) whose alpha fades from 0 at the top to 1 at the bottom.
    const QImage& ReflectionMask() const { return mMask; }

    // Makes the item image for `key` ready (stretched to item size), unless it already is for
    // this very image. Keeps only the keys in `keep` afterwards when RetainItems is called.
    void PrepareItem(const QString& key, const QImage& image);
    void RetainItems(const std::vector<CarouselSlot>& slotList);

    // Clears what an earlier frame drew on the layer; for the main layer this first turns to the
    // other image of the pair, and the operator becomes "over".
    void Clear(CarouselLayer layer);
    void SetMainBlend(CarouselPixels::Blend blend) { mMainBlend = blend; }
    // Draws one item and, when the strength is positive, its reflection. A null image draws nothing.
    void DrawItem(const QString& key, const QImage& image, const CarouselSlot& slot, const ItemLook& look);
    // Draws the orbit image, already at device resolution, unscaled with its top-left corner at the
    // logical position (left, top).
    void DrawOrbit(const QImage& orbit, double left, double top, double opacity);
    // Puts the reflections under the frame and dims it when level < 1.
    void FinishFrame(double reflectionStrength, double level);

private:
    struct PreparedItem {
        qint64 source = 0;
        QImage image;
        CarouselPixels::RowSpans spans;
    };
    const PreparedItem& Prepared(const QString& key, const QImage& image);

    QImage& Main() { return mFrames[mFront]; }
    std::vector<QRect>& MainDirty() { return mFrameDirty[mFront]; }

    std::array<QImage, 2> mFrames;
    std::array<std::vector<QRect>, 2> mFrameDirty;
    int mFront = 0;
    QImage mReflection, mMask;
    std::vector<std::uint8_t> mMaskRows;
    int mImageWidth = 0, mImageHeight = 0; // device pixels
    double mRatio = 1.0;
    QHash<QString, PreparedItem> mItems;
    std::vector<QRect> mReflectionDirty;
    CarouselPixels::Blend mMainBlend = CarouselPixels::Blend::Over;
    // The orbit image resampled once at its fractional position, drawn at whole pixels.
    QImage mOrbitShifted;
    CarouselPixels::RowSpans mOrbitSpans;
    qint64 mOrbitSource = 0;
    QPointF mOrbitPosition{-1, -1};
    QPoint mOrbitPixel;
};
