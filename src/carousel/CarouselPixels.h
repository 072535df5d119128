#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <utility>
#include <vector>

// Pixel kernels of the carousel's frame composition, on premultiplied ARGB32 images. Each kernel
// does in one pass what would otherwise take several painter operations: sampling, tint,
// darkening, opacity and blending. They return the rectangle of destination pixels they touched.
namespace CarouselPixels {

// The per-pixel colour transform of an item: a tint colour laid over its opaque pixels, black laid
// over that, then the whole scaled by an opacity. In 1/256 units:
//   out colour = (colour * M + alpha * K[colour]) >> 8,   out alpha = (alpha * A) >> 8.
struct Look {
    int M = 256, Kr = 0, Kg = 0, Kb = 0, A = 256;
};
Look MakeLook(double opacity, double tint, double darken, const QColor& tintColour);
// The same look weakened by a further factor 0..255 (a row of the reflection mask).
Look Weakened(const Look& look, int factor255);

enum class Blend { Over, Atop };

// For each row of an image, the first and last column that is not fully transparent (first > last
// when the whole row is). Lets the kernels skip what would draw nothing.
using RowSpans = std::vector<std::pair<int, int>>;
RowSpans FindRowSpans(const QImage& image);

// Pixels whose centres lie inside `target` (left and top edges open, right and bottom closed),
// clipped to `bounds`.
QRect CoveredPixels(const QRectF& target, const QRect& bounds);

// Draws `src` stretched over `target` with bilinear sampling.
QRect DrawScaled(QImage& dst, const QImage& src, const QRectF& target, const Look& look, Blend blend,
                 const RowSpans* spans = nullptr);

// Draws `src` stretched over `target` and mirrored top to bottom, nearest-pixel sampling; each
// source row is first weakened by its entry in `rowFactors` (0..255).
QRect DrawMirrored(QImage& dst, const QImage& src, const std::vector<std::uint8_t>& rowFactors,
                   const QRectF& target, const Look& look, const RowSpans* spans = nullptr);

// Draws `src` unscaled with its top-left corner at `at`.
QRect DrawAt(QImage& dst, const QImage& src, const QPoint& at, const Look& look, Blend blend = Blend::Over,
             const RowSpans* spans = nullptr);

// Puts `src` (weakened to alpha256 / 256) under the pixels of `dst` inside `rect`, and leaves `src`
// transparent there: it moves from one layer to the other.
void MoveUnder(QImage& dst, QImage& src, const QRect& rect, int alpha256);

// Multiplies every channel inside `rect` by factor255 / 255.
void ScaleAlpha(QImage& image, const QRect& rect, int factor255);

// Painter opacity as the raster engine applies it: a fraction in 1/256 units.
int OpacityUnits(double opacity);

} // namespace CarouselPixels
