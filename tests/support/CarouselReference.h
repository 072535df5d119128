#pragma once

#include "carousel/cCarousel.h"

#include <QImage>
#include <memory>

// A plain painter rendering of the carousel's frames, one painter operation per drawing step, kept
// beside the fast composition to compare its frames with; and the pictures the carousel tests use.
namespace CarouselReference {

// Composes the carousel's most recent frame again from its state and frame arguments.
QImage ComposeLastFrame(cCarousel& carousel);

// How a frame differs from the reference. A sampling position within rounding error of a pixel
// boundary may pick the neighbouring source pixel, so a pixel off by more than the tolerance still
// matches when a reference pixel next to it is within the tolerance.
struct Difference {
    int pixelsOver = 0; // pixels with a channel differing by more than the tolerance
    int unmatched = 0;  // of those, the ones matching no reference pixel in their 3 x 3 neighbourhood
};
Difference Compare(const QImage& fast, const QImage& reference, int tolerance);

// A shaded disc of the given hue on a transparent ground.
QImage DiscImage(int size, int hue);

// `count` disc images under keys "Item <nn>ID<n>", in key order.
std::shared_ptr<ImageCollection> DiscCollection(int count, int size = 128);

} // namespace CarouselReference
