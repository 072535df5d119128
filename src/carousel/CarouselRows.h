#pragma once

#include "CarouselPixels.h"

#include <cstdint>

// The innermost loops of the pixel kernels, one destination row each. Every build has a portable
// version in plain C++; x86-64 builds add an SSE2 version (always available there) and an AVX2
// version (twice as wide) chosen when the processor has it. All give the same pixels.
namespace CarouselRows {

using Pixel = std::uint32_t;
using CarouselPixels::Blend;
using CarouselPixels::Look;

struct RowKernels {
    // Bilinear stretch: destination column i mixes row[first[i]] and row[first[i] + 1] by the
    // weight in the low 16 bits of weights[i] (which repeats it in all four 16-bit lanes).
    void (*stretch)(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
                    const Look& look, Blend blend);
    // Destination column i from in[columns[i]], or from in[i] when `columns` is null.
    void (*map)(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look, Blend blend);
    // row[i] = upper[i] mixed with lower[i] by weight / 256, for i = lo ... hi.
    void (*mixRows)(Pixel* row, const Pixel* upper, const Pixel* lower, int weight, int lo, int hi);
    // Puts in[i] (weakened to alpha256 / 256) under out[i] and leaves in[i] transparent.
    void (*under)(Pixel* out, Pixel* in, int count, int alpha256);
    // Multiplies out[i] by factor255 / 255.
    void (*scale)(Pixel* out, int count, int factor255);
    const char* name;
};

// One pixel at a time, on any processor.
const RowKernels& Portable();
// Null when the build has no AVX2 (AVX-512) version (always off x86).
const RowKernels* Avx2();
const RowKernels* Avx512();
// The kernels in use. On x86: the widest the processor supports within the limit (AVX-512, AVX2,
// else SSE2). Elsewhere: the portable ones.
const RowKernels& Active();
// The widest vectors, in bits, Active() may pick: 512 (the default), 256 or 128. Without a choice
// it does nothing.
void LimitWidth(int bits);

// Scalar forms: the portable kernels, and the vector versions for their last odd pixels. They
// compute what the vector forms compute, bit for bit, for any pixels, given looks with A <= 256 and
// M + K <= 256 per channel (as MakeLook and Weakened make them), weights 0..256 and factors 0..255.
namespace Scalar {

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

// x + y on all four channels, each sum capped at 255 as the vector kernels' packing caps it. Sums
// above 255 come only from pixels brighter than their alpha (a weakened look can leave a colour one
// unit above its alpha); a plain add would carry them into the next channel.
inline Pixel AddSaturated(Pixel x, Pixel y) {
    Pixel rb = (x & 0xff00ff) + (y & 0xff00ff);
    Pixel ag = ((x >> 8) & 0xff00ff) + ((y >> 8) & 0xff00ff);
    rb = (rb | (0x1000100 - ((rb >> 8) & 0x10001))) & 0xff00ff;
    ag = (ag | (0x1000100 - ((ag >> 8) & 0x10001))) & 0xff00ff;
    return rb | (ag << 8);
}

inline void Blend(Pixel& d, Pixel s, CarouselPixels::Blend blend) {
    if (s == 0)
        return;
    if (blend == CarouselPixels::Blend::Atop)
        d = AddSaturated(ByteMul(s, d >> 24), ByteMul(d, 255 - (s >> 24)));
    else if ((s >> 24) == 255)
        d = s;
    else
        d = AddSaturated(s, ByteMul(d, 255 - (s >> 24)));
}

inline void Under(Pixel& d, Pixel s, const Look& k) {
    if (s != 0)
        d = AddSaturated(d, ByteMul(Apply(s, k), 255 - (d >> 24)));
}

} // namespace Scalar
} // namespace CarouselRows
