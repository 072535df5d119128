#pragma once

#include "carousel/cCarousel.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <memory>

// A plain painter rendering of the carousel's frames, one painter operation per drawing step, kept
// beside the fast composition to compare its frames with. Also the pictures the carousel tests use.
namespace CarouselReference {

// Composes the carousel's most recent frame again from its state and frame arguments.
QImage ComposeLastFrame(cCarousel& carousel);

// How two frames differ. Sampling positions that fall within rounding error of a pixel boundary
// may pick the neighbouring source pixel, so a pixel also counts as matching when it is within
// the tolerance of a reference pixel next to it; only pixels matching nothing nearby are "unmatched".
struct Difference {
    int largest = 0;    // largest difference of one channel at the same position
    int pixelsOver = 0; // pixels with a channel differing by more than the tolerance
    int unmatched = 0;  // pixels matching no reference pixel in their 3 x 3 neighbourhood
    QPoint worst;       // where the largest unmatched (else largest) difference is
};
Difference Compare(const QImage& fast, const QImage& reference, int tolerance);

// PNG bytes: a shaded disc of the given hue on a transparent ground, or a solid square.
QImage DiscImage(int size, int hue);
QImage SolidImage(int size, const QColor& colour);

// A collection of `count` disc images under keys "Item <nn>ID<n>" in key order.
std::shared_ptr<ImageCollection> DiscCollection(int count, int size = 128);

} // namespace CarouselReference
