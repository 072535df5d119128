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

// The outline's segments filed by the square cells of a grid: each cell keeps the segments that
// touch it or its eight neighbours, so that a pixel only measures the segments of its own cell.
class SegmentGrid {
public:
    SegmentGrid(const QPainterPath& shape, const QRect& region, float cellSize)
        : mCell(std::max(cellSize, 1.0f)), mColumns(int(std::ceil(region.width() / mCell)) + 1),
          mRows(int(std::ceil(region.height() / mCell)) + 1), mCells(std::size_t(mColumns) * mRows) {
        const QPointF origin = region.topLeft();
        for (const QPolygonF& polyline : Imaging::FlattenPath(shape, FlatteningTolerance)) {
            for (qsizetype i = 0; i + 1 < polyline.size(); ++i)
                Add(polyline[i] - origin, polyline[i + 1] - origin);
            if (polyline.size() > 2 && polyline.front() != polyline.back())
                Add(polyline.back() - origin, polyline.front() - origin); // filled shapes close themselves
        }
    }

    // The segments within one cell of (x, y).
    const std::vector<Segment>& Near(float x, float y) const {
        return mCells[std::size_t(Clamp(int(y / mCell), mRows)) * mColumns + Clamp(int(x / mCell), mColumns)];
    }

private:
    void Add(const QPointF& a, const QPointF& b) {
        const Segment segment{float(a.x()), float(a.y()), float(b.x()), float(b.y())};
        const int c0 = Clamp(int(std::min(a.x(), b.x()) / mCell) - 1, mColumns);
        const int c1 = Clamp(int(std::max(a.x(), b.x()) / mCell) + 1, mColumns);
        const int r0 = Clamp(int(std::min(a.y(), b.y()) / mCell) - 1, mRows);
        const int r1 = Clamp(int(std::max(a.y(), b.y()) / mCell) + 1, mRows);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                mCells[std::size_t(r) * mColumns + c].push_back(segment);
    }
    static int Clamp(int value, int count) { return std::clamp(value, 0, count - 1); }

    float mCell;
    int mColumns, mRows;
    std::vector<std::vector<Segment>> mCells;
};

// The distance from (x, y) to the nearest of the segments; `limit` when none is nearer.
float Distance(const std::vector<Segment>& segments, float x, float y, float limit) {
    float best = limit * limit;
    for (const Segment& segment : segments)
        best = std::min(best, segment.SquaredDistance(x, y));
    return std::sqrt(best);
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
    const SegmentGrid grid(shape, region, reach);
    const Premultiplied halo = Premultiplied::Opaque(style.halo),
                        outline = Premultiplied::Opaque(style.outline);
    const Premultiplied fill = Premultiplied::Opaque(style.fill);
    const float haloAlpha = float(style.halo.alphaF()), outlineAlpha = float(style.outline.alphaF());
    const float fillAlpha = float(style.fill.alphaF()) / 255.0f;
    for (int y = 0; y < region.height(); ++y) {
        const uchar* covered = coverage.constScanLine(y);
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < region.width(); ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const std::vector<Segment>& near = grid.Near(px, py);
            if (near.empty() && covered[x] == 0)
                continue;
            const float distance = Distance(near, px, py, reach);
            Premultiplied pixel;
            pixel.Over(halo, haloAlpha * StrokeCoverage(haloRadius, distance));
            pixel.Over(outline, outlineAlpha * StrokeCoverage(outlineRadius, distance));
            pixel.Over(fill, fillAlpha * covered[x]);
            line[x] = pixel.Pixel();
        }
    }
    return layer;
}
