#pragma once

// SSE2 helpers of the pixel kernels: two premultiplied ARGB32 pixels held as eight 16-bit
// channels (blue, green, red, alpha of the first pixel, then of the second).

#include <cstdint>
#include <emmintrin.h>

namespace CarouselSimd {

using Pixel = std::uint32_t;

inline __m128i Widen(Pixel first, Pixel second) {
    return _mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(second), int(first)), _mm_setzero_si128());
}

inline __m128i WidenPair(const Pixel* pixels) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels)), _mm_setzero_si128());
}

inline void StorePair(Pixel* pixels, __m128i wide) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(wide, wide));
}

// Each pixel's alpha in all four of its channels.
inline __m128i Alphas(__m128i wide) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

// x * (256 - w) / 256 + y * w / 256, channels of 0..255 and weights of 0..256.
inline __m128i LerpWide(__m128i x, __m128i y, __m128i w) {
    const __m128i iw = _mm_sub_epi16(_mm_set1_epi16(256), w);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(x, iw), _mm_mullo_epi16(y, w)), 8);
}

// x * a / 255, rounded like the scalar kernels: (t + (t >> 8) + 128) >> 8 with t = x * a.
inline __m128i Mul255(__m128i x, __m128i a) {
    const __m128i t = _mm_mullo_epi16(x, a);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(128)), 8);
}

inline bool IsZero(__m128i wide) {
    return _mm_movemask_epi8(_mm_cmpeq_epi16(wide, _mm_setzero_si128())) == 0xFFFF;
}

// The look's factors as channel vectors (blue, green, red, alpha; twice).
inline __m128i Factors(int blue, int green, int red, int alpha) {
    return _mm_set_epi16(short(alpha), short(red), short(green), short(blue), short(alpha), short(red),
                         short(green), short(blue));
}

// The colour transform: (channel * m + alpha * k) >> 8 with per-channel m and k.
inline __m128i ApplyWide(__m128i wide, __m128i m, __m128i k) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(wide, m), _mm_mullo_epi16(Alphas(wide), k)), 8);
}

inline __m128i Over(__m128i source, __m128i destination) {
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), Alphas(source));
    return _mm_add_epi16(source, Mul255(destination, inverse));
}

inline __m128i Atop(__m128i source, __m128i destination) {
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), Alphas(source));
    return _mm_add_epi16(Mul255(source, Alphas(destination)), Mul255(destination, inverse));
}

} // namespace CarouselSimd
