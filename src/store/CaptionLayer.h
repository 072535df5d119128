#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRect>

#include <vector>

// A filled shape with two round-joined outlines under it, drawn as one layer: what stroking the
// shape's outline with a wide pen (the halo), then a narrower pen (the outline), then filling it
// gives when the fill is opaque. Inside the shape the strokes are hidden by the fill, and outside it
// a round-joined, round-capped stroke of width w covers exactly the points within w / 2 of the
// shape. So the layer is computed from one coverage mask and the distance of each pixel to the
// shape, several times faster than stroking a path of many small curves.
struct CaptionStyle {
    QColor halo;
    double haloWidth = 0;
    QColor outline;
    double outlineWidth = 0;
    QColor fill; // opaque
};

// The pixels of `region` (in the path's coordinates): transparent where nothing is drawn.
QImage CaptionLayer(const QPainterPath& shape, const QRect& region, const CaptionStyle& style);

// The region that holds the shape and its outlines.
QRect CaptionRegion(const QPainterPath& shape, const CaptionStyle& style);

// How much the halo, the outline and the fill cover each pixel of a region (0 .. 255, row by row).
// Coverages of shapes drawn side by side combine by their maximum, exactly so for the strokes, which
// cover what lies within reach of any of the shapes.
struct CaptionCoverage {
    QRect region;
    std::vector<uchar> halo, outline, fill;
};
// Nothing covered anywhere in the region.
CaptionCoverage BlankCaptionCoverage(const QRect& region);
CaptionCoverage CaptionCoverageOf(const QPainterPath& shape, const QRect& region, double haloWidth,
                                  double outlineWidth);

// The pixels of coverage drawn in the style's colours.
QImage CaptionPixels(const CaptionCoverage& coverage, const CaptionStyle& style);
