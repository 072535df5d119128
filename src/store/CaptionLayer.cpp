#include "CaptionLayer.h"

#include "platform/Imaging.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Curves of the outline are measured as chords at most this far from them.
constexpr double FlatteningTolerance = 0.1;

struct Segment {
    float ax, ay, bx, by;

    float SquaredDistance(float px, float py) const {
        const float dx = bx - ax, dy = by - ay;
        const float lengthSquared = dx * dx + dy * dy;
        float t = lengthSquared > 0 ? ((px - ax) * dx + (py - ay) * dy) / lengthSquared : 0;
        t = std::clamp(t, 0.0f, 1.0f);
        const float ex = ax + t * dx - px, ey = ay + t * dy - py;
        return ex * ex + ey * ey;
    }
};

// The squared distance of each pixel centre of the region to the nearest segment of the shape's
// outline where that is under `reach`, and reach² elsewhere (nothing farther shows). Each segment
// visits only the pixels within reach of it: far fewer measurements than each pixel measuring the
// segments of its neighbourhood.
std::vector<float> SquaredDistances(const QPainterPath& shape, const QRect& region, float reach) {
    const int width = region.width(), height = region.height();
    std::vector<float> field(std::size_t(width) * height, reach * reach);
    const QPointF origin = region.topLeft();
    const auto visit = [&](const QPointF& a, const QPointF& b) {
        const Segment segment{float(a.x()), float(a.y()), float(b.x()), float(b.y())};
        // Pixels whose centres (x + 0.5, y + 0.5) may lie within reach of the segment.
        const int x0 = std::max(0, int(std::floor(std::min(segment.ax, segment.bx) - reach - 0.5f)));
        const int x1 = std::min(width - 1, int(std::ceil(std::max(segment.ax, segment.bx) + reach)));
        const int y0 = std::max(0, int(std::floor(std::min(segment.ay, segment.by) - reach - 0.5f)));
        const int y1 = std::min(height - 1, int(std::ceil(std::max(segment.ay, segment.by) + reach)));
        for (int y = y0; y <= y1; ++y) {
            float* row = field.data() + std::size_t(y) * width;
            const float py = y + 0.5f;
            for (int x = x0; x <= x1; ++x)
                row[x] = std::min(row[x], segment.SquaredDistance(x + 0.5f, py));
        }
    };
    for (const QPolygonF& polyline : Imaging::FlattenPath(shape, FlatteningTolerance)) {
        for (qsizetype i = 0; i + 1 < polyline.size(); ++i)
            visit(polyline[i] - origin, polyline[i + 1] - origin);
        if (polyline.size() > 2 && polyline.front() != polyline.back())
            visit(polyline.back() - origin, polyline.front() - origin); // filled shapes close themselves
    }
    return field;
}

// The antialiased coverage (0 .. 255) of each pixel of the region by the shape.
QImage Coverage(const QPainterPath& shape, const QRect& region) {
    QImage mask(region.size(), QImage::Format_Alpha8);
    mask.fill(0);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-region.topLeft());
    painter.fillPath(shape, Qt::black);
    return mask;
}

// A colour as premultiplied fractions, composed with "over".
struct Premultiplied {
    float r = 0, g = 0, b = 0, a = 0;

    static Premultiplied Opaque(const QColor& colour) {
        return {float(colour.redF()), float(colour.greenF()), float(colour.blueF()), 1.0f};
    }
    void Over(const Premultiplied& colour, float alpha) {
        r = colour.r * alpha + r * (1 - alpha);
        g = colour.g * alpha + g * (1 - alpha);
        b = colour.b * alpha + b * (1 - alpha);
        a = alpha + a * (1 - alpha);
    }
    QRgb Pixel() const {
        auto byte = [](float v) { return int(std::clamp(v, 0.0f, 1.0f) * 255 + 0.5f); };
        return qRgba(byte(r), byte(g), byte(b), byte(a));
    }
};

// How much of a pixel whose centre lies `distance` from the outline a stroke of half-width
// `radius` covers.
float StrokeCoverage(float radius, float distance) {
    return std::clamp(radius - distance + 0.5f, 0.0f, 1.0f);
}

} // namespace

QRect CaptionRegion(const QPainterPath& shape, const CaptionStyle& style) {
    const double margin = std::max(style.haloWidth, style.outlineWidth) / 2 + 2;
    return shape.boundingRect().adjusted(-margin, -margin, margin, margin).toAlignedRect();
}

QImage CaptionLayer(const QPainterPath& shape, const QRect& region, const CaptionStyle& style) {
    QImage layer(region.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    if (region.isEmpty() || shape.isEmpty())
        return layer;
    const QImage coverage = Coverage(shape, region);
    const float haloRadius = float(style.haloWidth / 2), outlineRadius = float(style.outlineWidth / 2);
    const float reach = std::max(haloRadius, outlineRadius) + 0.5f;
    const std::vector<float> distances = SquaredDistances(shape, region, reach);
    const float nothingNear = reach * reach;
    const Premultiplied halo = Premultiplied::Opaque(style.halo),
                        outline = Premultiplied::Opaque(style.outline);
    const Premultiplied fill = Premultiplied::Opaque(style.fill);
    const float haloAlpha = float(style.halo.alphaF()), outlineAlpha = float(style.outline.alphaF());
    const float fillAlpha = float(style.fill.alphaF()) / 255.0f;
    for (int y = 0; y < region.height(); ++y) {
        const uchar* covered = coverage.constScanLine(y);
        const float* squared = distances.data() + std::size_t(y) * region.width();
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < region.width(); ++x) {
            if (squared[x] >= nothingNear && covered[x] == 0)
                continue; // neither a stroke nor the fill reaches it: it stays transparent
            const float distance = std::sqrt(squared[x]);
            Premultiplied pixel;
            pixel.Over(halo, haloAlpha * StrokeCoverage(haloRadius, distance));
            pixel.Over(outline, outlineAlpha * StrokeCoverage(outlineRadius, distance));
            pixel.Over(fill, fillAlpha * covered[x]);
            line[x] = pixel.Pixel();
        }
    }
    return layer;
}
