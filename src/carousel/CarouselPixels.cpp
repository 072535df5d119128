#include "CarouselPixels.h"

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
struct Tap {
    int first, second, weight;
};

Tap BilinearTap(int pixel, double start, double scale, int size) {
    const double u = (pixel + 0.5 - start) * scale - 0.5;
    const int fixed = int(std::floor(u * 256));
    const int index = fixed >> 8;
    return {std::clamp(index, 0, size - 1), std::clamp(index + 1, 0, size - 1), fixed & 255};
}

// Scratch rows reused from call to call, so that no frame allocates.
struct Workspace {
    std::vector<Tap> columns;
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
    const int sw = src.width(), sh = src.height();
    const double sx = sw / target.width(), sy = sh / target.height();
    Workspace& ws = Scratch();
    ws.columns.resize(area.width());
    int lo = sw, hi = 0;
    for (int i = 0; i < area.width(); ++i) {
        ws.columns[i] = BilinearTap(area.left() + i, target.left(), sx, sw);
        lo = std::min(lo, ws.columns[i].first);
        hi = std::max(hi, ws.columns[i].second);
    }
    ws.row.resize(sw);
    Pixel* row = ws.row.data();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Tap v = BilinearTap(y, target.top(), sy, sh);
        const Pixel* upper = Line(src, v.first);
        const Pixel* lower = Line(src, v.second);
        const Pixel* blended = upper;
        if (v.weight != 0 && v.first != v.second) {
            for (int i = lo; i <= hi; ++i)
                row[i] = Lerp256(upper[i], lower[i], Pixel(v.weight));
            blended = row;
        }
        Pixel* out = Line(dst, y) + area.left();
        const Tap* taps = ws.columns.data();
        const int count = area.width();
        if (blend == Blend::Over) {
            for (int i = 0; i < count; ++i) {
                const Tap& t = taps[i];
                BlendOver(out[i], Apply(Lerp256(blended[t.first], blended[t.second], Pixel(t.weight)), look));
            }
        } else {
            for (int i = 0; i < count; ++i) {
                const Tap& t = taps[i];
                BlendAtop(out[i], Apply(Lerp256(blended[t.first], blended[t.second], Pixel(t.weight)), look));
            }
        }
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
        const Pixel* in = Line(src, sourceRow);
        Pixel* out = Line(dst, y) + area.left();
        const int* columns = ws.nearest.data();
        for (int i = 0; i < area.width(); ++i)
            BlendOver(out[i], Apply(in[columns[i]], k));
    }
    return area;
}

QRect DrawAt(QImage& dst, const QImage& src, const QPoint& at, const Look& look, Blend blend) {
    const QRect area = QRect(at, src.size()).intersected(dst.rect());
    if (area.isEmpty() || look.A <= 0)
        return {};
    const bool plain = look.M == 256 && look.A == 256;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Pixel* in = Line(src, y - at.y()) + (area.left() - at.x());
        Pixel* out = Line(dst, y) + area.left();
        for (int i = 0; i < area.width(); ++i) {
            const Pixel p = plain ? in[i] : Apply(in[i], look);
            if (blend == Blend::Over)
                BlendOver(out[i], p);
            else
                BlendAtop(out[i], p);
        }
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
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const Pixel* in = Line(src, y) + area.left();
        Pixel* out = Line(dst, y) + area.left();
        for (int i = 0; i < area.width(); ++i) {
            const Pixel d = out[i];
            const Pixel s = in[i];
            if (s == 0 || (d >> 24) == 255)
                continue;
            out[i] = d + ByteMul(Apply(s, k), 255 - (d >> 24));
        }
    }
}

void ScaleAlpha(QImage& image, const QRect& rect, int factor255) {
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        Pixel* out = Line(image, y) + area.left();
        for (int i = 0; i < area.width(); ++i)
            if (out[i] != 0)
                out[i] = ByteMul(out[i], Pixel(factor255));
    }
}

} // namespace CarouselPixels
