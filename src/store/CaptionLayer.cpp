#include "CaptionLayer.h"

#include "platform/Imaging.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Curves of the outline are measured as chords at most this far from them.
constexpr double FlatteningTolerance = 0.1;

// The squared distances of the pixel centres (x0 + 0.5 .. x1 + 0.5, py) to the segment a-b, each
// kept in row[x] where smaller. The division is done once per segment, so the loop vectorises.
void NearerOnRow(float* row, int x0, int x1, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float lengthSquared = dx * dx + dy * dy;
    const float inverse = lengthSquared > 0 ? 1.0f / lengthSquared : 0.0f;
    const float wy = py - ay;
    for (int x = x0; x <= x1; ++x) {
        const float wx = float(x) + 0.5f - ax;
        const float t = std::clamp((wx * dx + wy * dy) * inverse, 0.0f, 1.0f);
        const float ex = wx - t * dx, ey = wy - t * dy;
        row[x] = std::min(row[x], ex * ex + ey * ey);
    }
}

// The squared distance of each pixel centre of the region to the nearest segment of the shape's
// outline where that is under `reach`, and reach² elsewhere (nothing farther shows). Each segment
// visits only the pixels within reach of it: far fewer measurements than each pixel measuring the
// segments of its neighbourhood.
std::vector<float> SquaredDistances(const QPainterPath& shape, const QRect& region, float reach) {
    const int width = region.width(), height = region.height();
    std::vector<float> field(std::size_t(width) * height, reach * reach);
    const QPointF origin = region.topLeft();
    const auto visit = [&](const QPointF& a, const QPointF& b) {
        const float ax = float(a.x()), ay = float(a.y()), bx = float(b.x()), by = float(b.y());
        // Pixels whose centres (x + 0.5, y + 0.5) may lie within reach of the segment.
        const int x0 = std::max(0, int(std::floor(std::min(ax, bx) - reach - 0.5f)));
        const int x1 = std::min(width - 1, int(std::ceil(std::max(ax, bx) + reach)));
        const int y0 = std::max(0, int(std::floor(std::min(ay, by) - reach - 0.5f)));
        const int y1 = std::min(height - 1, int(std::ceil(std::max(ay, by) + reach)));
        for (int y = y0; y <= y1; ++y)
            NearerOnRow(field.data() + std::size_t(y) * width, x0, x1, float(y) + 0.5f, ax, ay, bx, by);
    };
    for (const QPolygonF& polyline : Imaging::FlattenPath(shape, FlatteningTolerance)) {
        for (qsizetype i = 0; i + 1 < polyline.size(); ++i)
            visit(polyline[i] - origin, polyline[i + 1] - origin);
        if (polyline.size() > 2 && polyline.front() != polyline.back())
            visit(polyline.back() - origin, polyline.front() - origin); // filled shapes close themselves
    }
    return field;
}

// The antialiased coverage of each pixel of the region by the shape, as its alpha. Painted on the
// raster engine's own format: on others it hands long fills to a thread pool and waits for them.
QImage Coverage(const QPainterPath& shape, const QRect& region) {
    QImage mask(region.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
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

CaptionCoverage BlankCaptionCoverage(const QRect& region) {
    CaptionCoverage planes;
    planes.region = region;
    const std::size_t size = std::size_t(std::max(region.width(), 0)) * std::max(region.height(), 0);
    planes.halo.assign(size, 0);
    planes.outline.assign(size, 0);
    planes.fill.assign(size, 0);
    return planes;
}

CaptionCoverage CaptionCoverageOf(const QPainterPath& shape, const QRect& region, double haloWidth,
                                  double outlineWidth) {
    CaptionCoverage planes = BlankCaptionCoverage(region);
    if (region.isEmpty() || shape.isEmpty())
        return planes;
    const QImage coverage = Coverage(shape, region);
    const float haloRadius = float(haloWidth / 2), outlineRadius = float(outlineWidth / 2);
    const float reach = std::max(haloRadius, outlineRadius) + 0.5f;
    const std::vector<float> distances = SquaredDistances(shape, region, reach);
    const float nothingNear = reach * reach;
    const auto byte = [](float fraction) { return uchar(fraction * 255 + 0.5f); };
    for (int y = 0; y < region.height(); ++y) {
        const auto* covered = reinterpret_cast<const QRgb*>(coverage.constScanLine(y));
        const std::size_t row = std::size_t(y) * region.width();
        for (int x = 0; x < region.width(); ++x) {
            planes.fill[row + x] = uchar(qAlpha(covered[x]));
            const float squared = distances[row + x];
            if (squared >= nothingNear)
                continue; // no stroke reaches it
            const float distance = std::sqrt(squared);
            planes.halo[row + x] = byte(StrokeCoverage(haloRadius, distance));
            planes.outline[row + x] = byte(StrokeCoverage(outlineRadius, distance));
        }
    }
    return planes;
}

QImage CaptionPixels(const CaptionCoverage& planes, const CaptionStyle& style) {
    const QRect& region = planes.region;
    QImage layer(region.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    const Premultiplied halo = Premultiplied::Opaque(style.halo),
                        outline = Premultiplied::Opaque(style.outline);
    const Premultiplied fill = Premultiplied::Opaque(style.fill);
    const float haloAlpha = float(style.halo.alphaF()) / 255.0f,
                outlineAlpha = float(style.outline.alphaF()) / 255.0f;
    const float fillAlpha = float(style.fill.alphaF()) / 255.0f;
    for (int y = 0; y < region.height(); ++y) {
        const std::size_t row = std::size_t(y) * region.width();
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < region.width(); ++x) {
            const std::size_t at = row + x;
            if ((planes.halo[at] | planes.outline[at] | planes.fill[at]) == 0)
                continue; // neither a stroke nor the fill reaches it: it stays transparent
            Premultiplied pixel;
            pixel.Over(halo, haloAlpha * planes.halo[at]);
            pixel.Over(outline, outlineAlpha * planes.outline[at]);
            pixel.Over(fill, fillAlpha * planes.fill[at]);
            line[x] = pixel.Pixel();
        }
    }
    return layer;
}

QImage CaptionLayer(const QPainterPath& shape, const QRect& region, const CaptionStyle& style) {
    return CaptionPixels(CaptionCoverageOf(shape, region, style.haloWidth, style.outlineWidth), style);
}
