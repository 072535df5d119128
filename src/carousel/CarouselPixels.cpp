#include "CarouselPixels.h"

#include "CarouselRows.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace CarouselPixels {

namespace {

using CarouselRows::Pixel;

// Source taps of one destination column (or row) of a bilinear stretch: source pixels `index` and
// `index + 1`, mixed by `weight` / 256 of the second; beyond either edge the edge pixel alone.
// Needs size >= 2.
struct Tap {
    int index, weight;
};

Tap BilinearTap(int pixel, double start, double scale, int size) {
    const double u = (pixel + 0.5 - start) * scale - 0.5;
    const int fixed = int(std::floor(u * 256));
    const int index = fixed >> 8;
    if (index < 0)
        return {0, 0};
    if (index >= size - 1)
        return {size - 2, 256};
    return {index, fixed & 255};
}

// Answers, for a non-decreasing table of source columns (one entry per destination column), which
// run of entries meets a range of source columns: one lookup per row instead of two searches.
class ColumnIndex {
public:
    void Build(const std::vector<int>& table, int count, int sourceWidth) {
        mFirstAtLeast.resize(size_t(sourceWidth) + 1);
        int i = 0;
        for (int column = 0; column <= sourceWidth; ++column) {
            while (i < count && table[i] < column)
                ++i;
            mFirstAtLeast[column] = i;
        }
    }
    // The entries i whose source columns t[i] ... t[i] + reach meet the columns first ... last;
    // empty (begin >= end) when none does.
    std::pair<int, int> Meeting(int first, int last, int reach) const {
        return {At(first - reach), At(last + 1)};
    }

private:
    int At(int column) const { return mFirstAtLeast[std::clamp(column, 0, int(mFirstAtLeast.size()) - 1)]; }
    std::vector<int> mFirstAtLeast; // per source column, the first entry at or beyond it
};

// Tables reused from call to call, so that no frame allocates.
struct Workspace {
    std::vector<int> first;             // bilinear taps of each destination column
    std::vector<std::uint64_t> weights; // and their weights, repeated in four 16-bit lanes
    std::vector<int> nearest;
    ColumnIndex columns; // of `first` or `nearest`, whichever the current call uses
    std::vector<Pixel> row;
};
Workspace& Scratch() {
    static Workspace workspace;
    return workspace;
}

inline Pixel* Line(QImage& image, int y) {
    return reinterpret_cast<Pixel*>(image.scanLine(y));
}
inline const Pixel* Line(const QImage& image, int y) {
    return reinterpret_cast<const Pixel*>(image.constScanLine(y));
}

std::pair<int, int> Union(const RowSpans& spans, int a, int b) {
    const auto& sa = spans[a];
    const auto& sb = spans[b];
    if (sa.first > sa.second)
        return sb;
    if (sb.first > sb.second)
        return sa;
    return {std::min(sa.first, sb.first), std::max(sa.second, sb.second)};
}

} // namespace

int OpacityUnits(double opacity) {
    return std::clamp(int(std::lround(opacity * 256)), 0, 256);
}

Look MakeLook(double opacity, double tint, double darken, const QColor& tintColour) {
    tint = std::clamp(tint, 0.0, 1.0);
    darken = std::clamp(darken, 0.0, 1.0);
    Look k;
    k.A = OpacityUnits(opacity);
    const double keep = (1 - darken) * k.A;
    k.M = int(std::lround((1 - tint) * keep));
    auto part = [&](int channel) {
        return std::min(int(std::lround(tint * channel / 255.0 * keep)), k.A - k.M);
    };
    k.Kr = part(tintColour.red());
    k.Kg = part(tintColour.green());
    k.Kb = part(tintColour.blue());
    return k;
}

Look Weakened(const Look& look, int factor255) {
    auto scaled = [&](int value) { return (value * factor255 + 127) / 255; };
    return {scaled(look.M), scaled(look.Kr), scaled(look.Kg), scaled(look.Kb), scaled(look.A)};
}

QRect CoveredPixels(const QRectF& target, const QRect& bounds) {
    const double left = std::min(target.left(), target.right());
    const double right = std::max(target.left(), target.right());
    const double top = std::min(target.top(), target.bottom());
    const double bottom = std::max(target.top(), target.bottom());
    if (!(right - left < 1e9 && bottom - top < 1e9))
        return {};
    const int x0 = int(std::floor(left - 0.5)) + 1, x1 = int(std::floor(right - 0.5));
    const int y0 = int(std::floor(top - 0.5)) + 1, y1 = int(std::floor(bottom - 0.5));
    return QRect(QPoint(x0, y0), QPoint(x1, y1)).intersected(bounds);
}

RowSpans FindRowSpans(const QImage& image) {
    RowSpans spans(size_t(std::max(image.height(), 0)), {0, -1});
    for (int y = 0; y < image.height(); ++y) {
        const Pixel* row = Line(image, y);
        int first = 0, last = image.width() - 1;
        while (first <= last && row[first] == 0)
            ++first;
        while (last >= first && row[last] == 0)
            --last;
        spans[y] = {first, last};
    }
    return spans;
}

QRect DrawScaled(QImage& dst, const QImage& src, const QRectF& target, const Look& look, Blend blend,
                 const RowSpans* spans) {
    // An unstretched image lands on whole pixels, unfiltered, as the raster engine draws it.
    if (target.width() == src.width() && target.height() == src.height())
        return DrawAt(dst, src,
                      QPoint(int(std::floor(target.left() + 0.5)), int(std::floor(target.top() + 0.5))), look,
                      blend);
    const QRect area = CoveredPixels(target, dst.rect());
    if (area.isEmpty() || src.isNull() || look.A == 0)
        return {};
    if (src.width() < 2 || src.height() < 2) // too small to filter: widen it first
        return DrawScaled(dst, src.scaled(std::max(src.width(), 2), std::max(src.height(), 2)), target, look,
                          blend);
    if (spans && int(spans->size()) != src.height())
        spans = nullptr;
    const int sw = src.width(), sh = src.height();
    const double sx = sw / target.width(), sy = sh / target.height();
    Workspace& ws = Scratch();
    const int count = area.width();
    ws.first.resize(count);
    ws.weights.resize(count + 4);
    for (int i = 0; i < count; ++i) {
        const Tap t = BilinearTap(area.left() + i, target.left(), sx, sw);
        ws.first[i] = t.index;
        ws.weights[i] = std::uint64_t(t.weight) * 0x0001000100010001ULL;
    }
    if (spans)
        ws.columns.Build(ws.first, count, sw);
    ws.row.resize(sw);
    const CarouselRows::RowKernels& rows = CarouselRows::Active();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Tap v = BilinearTap(y, target.top(), sy, sh);
        const bool mixed = v.weight != 0 && v.weight != 256;
        const int single = v.weight == 256 ? v.index + 1 : v.index;
        int begin = 0, end = count;
        if (spans) {
            const auto [first, last] = mixed ? Union(*spans, v.index, v.index + 1) : (*spans)[single];
            std::tie(begin, end) = ws.columns.Meeting(first, last, 1);
            if (begin >= end)
                continue;
        }
        const Pixel* source = Line(src, single);
        if (mixed) {
            rows.mixRows(ws.row.data(), source, Line(src, v.index + 1), v.weight, ws.first[begin],
                         ws.first[end - 1] + 1);
            source = ws.row.data();
        }
        rows.stretch(Line(dst, y) + area.left() + begin, source, ws.first.data() + begin,
                     ws.weights.data() + begin, end - begin, look, blend);
    }
    return area;
}

QRect DrawMirrored(QImage& dst, const QImage& src, const std::vector<std::uint8_t>& rowFactors,
                   const QRectF& target, const Look& look, const RowSpans* spans) {
    const QRect area = CoveredPixels(target, dst.rect());
    if (area.isEmpty() || src.isNull() || look.A == 0)
        return {};
    const int sw = src.width(), sh = src.height();
    if (spans && int(spans->size()) != sh)
        spans = nullptr;
    // Nearest-pixel sampling in 16.16 fixed point, stepping from the first column, as the raster
    // engine does: the same source pixel is picked where a sample lands on a pixel boundary.
    const double mx = 1 / (target.width() / sw), my = -1 / (target.height() / sh);
    const double dx = -target.left() * mx, dy = -(target.top() + target.height()) * my;
    const int stepX = int(mx * 65536);
    int fx = int(((area.left() + 0.5) * mx + dx) * 65536);
    Workspace& ws = Scratch();
    ws.nearest.resize(area.width());
    for (int i = 0; i < area.width(); ++i, fx += stepX)
        ws.nearest[i] = std::clamp(fx >> 16, 0, sw - 1);
    if (spans)
        ws.columns.Build(ws.nearest, area.width(), sw);
    const CarouselRows::RowKernels& rows = CarouselRows::Active();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sourceRow = std::clamp(int(((y + 0.5) * my + dy) * 65536) >> 16, 0, sh - 1);
        const int factor = sourceRow < int(rowFactors.size()) ? rowFactors[sourceRow] : 255;
        const Look k = Weakened(look, factor);
        if (k.A == 0)
            continue;
        int begin = 0, end = area.width();
        if (spans) {
            const auto [first, last] = (*spans)[sourceRow];
            std::tie(begin, end) = ws.columns.Meeting(first, last, 0);
            if (begin >= end)
                continue;
        }
        rows.map(Line(dst, y) + area.left() + begin, Line(src, sourceRow), ws.nearest.data() + begin,
                 end - begin, k, Blend::Over);
    }
    return area;
}

QRect DrawAt(QImage& dst, const QImage& src, const QPoint& at, const Look& look, Blend blend,
             const RowSpans* spans) {
    const QRect area = QRect(at, src.size()).intersected(dst.rect());
    if (area.isEmpty() || look.A <= 0)
        return {};
    if (spans && int(spans->size()) != src.height())
        spans = nullptr;
    const CarouselRows::RowKernels& rows = CarouselRows::Active();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sourceRow = y - at.y();
        int first = area.left() - at.x(), last = area.right() - at.x();
        if (spans) {
            first = std::max(first, (*spans)[sourceRow].first);
            last = std::min(last, (*spans)[sourceRow].second);
        }
        if (first <= last)
            rows.map(Line(dst, y) + at.x() + first, Line(src, sourceRow) + first, nullptr, last - first + 1,
                     look, blend);
    }
    return area;
}

void MoveUnder(QImage& dst, QImage& src, const QRect& rect, int alpha256) {
    const QRect area = rect.intersected(dst.rect()).intersected(src.rect());
    const CarouselRows::RowKernels& rows = CarouselRows::Active();
    for (int y = area.top(); y <= area.bottom(); ++y)
        rows.under(Line(dst, y) + area.left(), Line(src, y) + area.left(), area.width(), alpha256);
}

void ScaleAlpha(QImage& image, const QRect& rect, int factor255) {
    const QRect area = rect.intersected(image.rect());
    const CarouselRows::RowKernels& rows = CarouselRows::Active();
    for (int y = area.top(); y <= area.bottom(); ++y)
        rows.scale(Line(image, y) + area.left(), area.width(), factor255);
}

} // namespace CarouselPixels
