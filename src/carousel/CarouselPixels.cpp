#include "CarouselPixels.h"

#include "CarouselSimd.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace CarouselPixels {

namespace {

using Pixel = std::uint32_t;

// Multiplies all four channels by a / 255, rounded.
inline Pixel ByteMul(Pixel x, Pixel a) {
    Pixel t = (x & 0xff00ff) * a;
    t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return x | t;
}

// x * (256 - w) / 256 + y * w / 256 on all four channels.
inline Pixel Lerp256(Pixel x, Pixel y, Pixel w) {
    const Pixel iw = 256 - w;
    const Pixel rb = (((x & 0xff00ff) * iw + (y & 0xff00ff) * w) >> 8) & 0xff00ff;
    const Pixel ag = (((x >> 8) & 0xff00ff) * iw + ((y >> 8) & 0xff00ff) * w) & 0xff00ff00;
    return rb | ag;
}

inline Pixel Apply(Pixel p, const Look& k) {
    const Pixel a = p >> 24;
    const Pixel rb =
        (((p & 0xff00ff) * Pixel(k.M) + a * ((Pixel(k.Kr) << 16) | Pixel(k.Kb))) >> 8) & 0xff00ff;
    const Pixel g = (((p >> 8) & 0xff) * Pixel(k.M) + a * Pixel(k.Kg)) >> 8;
    const Pixel alpha = (a * Pixel(k.A)) >> 8;
    return rb | (g << 8) | (alpha << 24);
}

inline void BlendOver(Pixel& d, Pixel s) {
    const Pixel sa = s >> 24;
    if (sa == 255)
        d = s;
    else if (s != 0)
        d = s + ByteMul(d, 255 - sa);
}

inline void BlendAtop(Pixel& d, Pixel s) {
    if (s == 0)
        return;
    d = ByteMul(s, d >> 24) + ByteMul(d, 255 - (s >> 24));
}

// Source taps and weight of one destination column (or row) of a bilinear stretch.
// The two source pixels are `index` and `index + 1`, mixed by `weight` / 256 of the second;
// beyond either edge the edge pixel is used alone. Needs size >= 2.
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

// Scratch rows reused from call to call, so that no frame allocates.
struct Workspace {
    std::vector<int> first;             // bilinear taps of each destination column
    std::vector<std::uint64_t> weights; // and their weights, repeated in four 16-bit lanes
    std::vector<int> nearest;
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

using namespace CarouselSimd;

__m128i MFactors(const Look& k) {
    return Factors(k.M, k.M, k.M, k.A);
}
__m128i KFactors(const Look& k) {
    return Factors(k.Kb, k.Kg, k.Kr, 0);
}

// Blends two transformed source pixels onto out[0..1].
template <Blend B> inline void BlendPair(Pixel* out, __m128i source) {
    if (IsZero(source))
        return;
    const __m128i destination = WidenPair(out);
    StorePair(out, B == Blend::Over ? Over(source, destination) : Atop(source, destination));
}

template <Blend B> inline void BlendOne(Pixel& out, Pixel source) {
    if (B == Blend::Over)
        BlendOver(out, source);
    else
        BlendAtop(out, source);
}

// One destination row of a bilinear stretch: `row` is the source row already blended vertically.
template <Blend B>
void StretchRow(Pixel* out, const Pixel* row, const Workspace& ws, int count, const Look& look) {
    const __m128i m = MFactors(look), k = KFactors(look), zero = _mm_setzero_si128();
    const int* first = ws.first.data();
    int i = 0;
    for (; i + 1 < count; i += 2) {
        // Both taps of a column are neighbours: one 64-bit load each, then [a0 a1 | b0 b1].
        const __m128i q0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[i]));
        const __m128i q1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[i + 1]));
        const __m128i taps = _mm_shuffle_epi32(_mm_unpacklo_epi64(q0, q1), _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&ws.weights[i]));
        const __m128i mixed = LerpWide(_mm_unpacklo_epi8(taps, zero), _mm_unpackhi_epi8(taps, zero), w);
        BlendPair<B>(out + i, ApplyWide(mixed, m, k));
    }
    for (; i < count; ++i)
        BlendOne<B>(out[i],
                    Apply(Lerp256(row[first[i]], row[first[i] + 1], Pixel(ws.weights[i] & 0xffff)), look));
}

// Blends two source rows with the weight of the lower one (0..255) into `row`, columns lo..hi.
void BlendRows(Pixel* row, const Pixel* upper, const Pixel* lower, int weight, int lo, int hi) {
    const __m128i w = _mm_set1_epi16(short(weight));
    const __m128i zero = _mm_setzero_si128();
    int i = lo;
    for (; i + 3 <= hi; i += 4) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i));
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i));
        const __m128i low = LerpWide(_mm_unpacklo_epi8(u, zero), _mm_unpacklo_epi8(l, zero), w);
        const __m128i high = LerpWide(_mm_unpackhi_epi8(u, zero), _mm_unpackhi_epi8(l, zero), w);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_packus_epi16(low, high));
    }
    for (; i <= hi; ++i)
        row[i] = Lerp256(upper[i], lower[i], Pixel(weight));
}

// One destination row from a source row through a column table (or contiguously when null).
template <Blend B> void MapRow(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look) {
    const __m128i m = MFactors(look), k = KFactors(look);
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const __m128i source = columns ? Widen(in[columns[i]], in[columns[i + 1]]) : WidenPair(in + i);
        BlendPair<B>(out + i, ApplyWide(source, m, k));
    }
    for (; i < count; ++i)
        BlendOne<B>(out[i], Apply(in[columns ? columns[i] : i], look));
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

QRect DrawScaled(QImage& dst, const QImage& src, const QRectF& target, const Look& look, Blend blend) {
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
    const int sw = src.width(), sh = src.height();
    const double sx = sw / target.width(), sy = sh / target.height();
    Workspace& ws = Scratch();
    const int count = area.width();
    ws.first.resize(count);
    ws.weights.resize(count + 1);
    int lo = sw, hi = 0;
    for (int i = 0; i < count; ++i) {
        const Tap t = BilinearTap(area.left() + i, target.left(), sx, sw);
        ws.first[i] = t.index;
        ws.weights[i] = std::uint64_t(t.weight) * 0x0001000100010001ULL;
        lo = std::min(lo, t.index);
        hi = std::max(hi, t.index + 1);
    }
    ws.row.resize(sw);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Tap v = BilinearTap(y, target.top(), sy, sh);
        const Pixel* blended = Line(src, v.weight == 256 ? v.index + 1 : v.index);
        if (v.weight != 0 && v.weight != 256) {
            BlendRows(ws.row.data(), blended, Line(src, v.index + 1), v.weight, lo, hi);
            blended = ws.row.data();
        }
        Pixel* out = Line(dst, y) + area.left();
        if (blend == Blend::Over)
            StretchRow<Blend::Over>(out, blended, ws, count, look);
        else
            StretchRow<Blend::Atop>(out, blended, ws, count, look);
    }
    return area;
}

QRect DrawMirrored(QImage& dst, const QImage& src, const std::vector<std::uint8_t>& rowFactors,
                   const QRectF& target, const Look& look) {
    const QRect area = CoveredPixels(target, dst.rect());
    if (area.isEmpty() || src.isNull() || look.A == 0)
        return {};
    const int sw = src.width(), sh = src.height();
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
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sourceRow = std::clamp(int(((y + 0.5) * my + dy) * 65536) >> 16, 0, sh - 1);
        const int factor = sourceRow < int(rowFactors.size()) ? rowFactors[sourceRow] : 255;
        const Look k = Weakened(look, factor);
        if (k.A == 0)
            continue;
        MapRow<Blend::Over>(Line(dst, y) + area.left(), Line(src, sourceRow), ws.nearest.data(), area.width(),
                            k);
    }
    return area;
}

QRect DrawAt(QImage& dst, const QImage& src, const QPoint& at, const Look& look, Blend blend) {
    const QRect area = QRect(at, src.size()).intersected(dst.rect());
    if (area.isEmpty() || look.A <= 0)
        return {};
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Pixel* in = Line(src, y - at.y()) + (area.left() - at.x());
        Pixel* out = Line(dst, y) + area.left();
        if (blend == Blend::Over)
            MapRow<Blend::Over>(out, in, nullptr, area.width(), look);
        else
            MapRow<Blend::Atop>(out, in, nullptr, area.width(), look);
    }
    return area;
}

void Clear(QImage& image, const QRect& rect) {
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::memset(Line(image, y) + area.left(), 0, size_t(area.width()) * sizeof(Pixel));
}

void CompositeUnder(QImage& dst, const QImage& src, const QRect& rect, int alpha256) {
    const QRect area = rect.intersected(dst.rect()).intersected(src.rect());
    const Look k{alpha256, 0, 0, 0, alpha256};
    const __m128i m = MFactors(k), none = _mm_setzero_si128();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Pixel* in = Line(src, y) + area.left();
        Pixel* out = Line(dst, y) + area.left();
        const int count = area.width();
        int i = 0;
        for (; i + 1 < count; i += 2) {
            const __m128i source = WidenPair(in + i);
            if (IsZero(source))
                continue;
            const __m128i destination = WidenPair(out + i);
            const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), Alphas(destination));
            StorePair(out + i, _mm_add_epi16(destination, Mul255(ApplyWide(source, m, none), inverse)));
        }
        for (; i < count; ++i)
            if (in[i] != 0)
                out[i] += ByteMul(Apply(in[i], k), 255 - (out[i] >> 24));
    }
}

void ScaleAlpha(QImage& image, const QRect& rect, int factor255) {
    const QRect area = rect.intersected(image.rect());
    const __m128i factor = _mm_set1_epi16(short(factor255));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        Pixel* out = Line(image, y) + area.left();
        int i = 0;
        for (; i + 1 < area.width(); i += 2)
            StorePair(out + i, Mul255(WidenPair(out + i), factor));
        for (; i < area.width(); ++i)
            out[i] = ByteMul(out[i], Pixel(factor255));
    }
}

} // namespace CarouselPixels
