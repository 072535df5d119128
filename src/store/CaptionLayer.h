#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRect>

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
