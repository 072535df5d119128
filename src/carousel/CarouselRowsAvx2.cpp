// The AVX2 row kernels: four premultiplied pixels at a time, held as sixteen 16-bit channels.
// Only this file is compiled for AVX2 (every include comes first); Active() uses it only on
// processors that have it.

#include "CarouselRows.h"

#include <immintrin.h>

#pragma GCC target("avx2")

namespace CarouselRows {

namespace {

using Wide = __m256i;

inline Wide Widen4(const Pixel* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
inline Wide Widen4(Pixel a, Pixel b, Pixel c, Pixel d) {
    return _mm256_cvtepu8_epi16(_mm_set_epi32(int(d), int(c), int(b), int(a)));
}

inline void Store4(Pixel* p, Wide wide) {
    const Wide packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(wide, wide), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(packed));
}

inline Wide Alphas(Wide w) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(w, _MM_SHUFFLE(3, 3, 3, 3)),
                                  _MM_SHUFFLE(3, 3, 3, 3));
}

inline Wide Lerp(Wide x, Wide y, Wide w) {
    const Wide iw = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(x, iw), _mm256_mullo_epi16(y, w)), 8);
}

inline Wide Mul255(Wide x, Wide a) {
    const Wide t = _mm256_mullo_epi16(x, a);
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), _mm256_set1_epi16(128)), 8);
}

inline Wide ApplyLook(Wide w, Wide m, Wide k) {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(w, m), _mm256_mullo_epi16(Alphas(w), k)), 8);
}

inline Wide Factors(int blue, int green, int red, int alpha) {
    const __m128i two = _mm_set_epi16(short(alpha), short(red), short(green), short(blue), short(alpha),
                                      short(red), short(green), short(blue));
    return _mm256_broadcastsi128_si256(two);
}

inline Wide MFactors(const Look& k) {
    return Factors(k.M, k.M, k.M, k.A);
}
inline Wide KFactors(const Look& k) {
    return Factors(k.Kb, k.Kg, k.Kr, 0);
}

inline bool IsClear(const __m128i& packed) {
    return _mm_testz_si128(packed, packed);
}

// Over a clear destination the source lands as it is, and an opaque source hides the destination;
// atop a clear destination nothing changes. Both short cuts give the full formula's pixels.
template <Blend B> inline void Blend4(Pixel* out, Wide source) {
    if (_mm256_testz_si256(source, source))
        return;
    const __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
    const Wide inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), Alphas(source));
    if (IsClear(packed)) {
        if (B == Blend::Over)
            Store4(out, source);
        return;
    }
    if (B == Blend::Over && _mm256_testz_si256(inverse, inverse)) {
        Store4(out, source);
        return;
    }
    const Wide d = _mm256_cvtepu8_epi16(packed);
    if (B == Blend::Over)
        Store4(out, _mm256_add_epi16(source, Mul255(d, inverse)));
    else
        Store4(out, _mm256_add_epi16(Mul255(source, Alphas(d)), Mul255(d, inverse)));
}

template <Blend B>
void StretchRow(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
                const Look& look) {
    const Wide m = MFactors(look), k = KFactors(look);
    int i = 0;
    for (; i + 3 < count; i += 4) {
        // Each column's two taps are neighbours: [a b] per 64-bit load, regrouped as a0..a3, b0..b3.
        auto pair = [&](int c) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[c])); };
        const __m128i s01 =
            _mm_shuffle_epi32(_mm_unpacklo_epi64(pair(i), pair(i + 1)), _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i s23 =
            _mm_shuffle_epi32(_mm_unpacklo_epi64(pair(i + 2), pair(i + 3)), _MM_SHUFFLE(3, 1, 2, 0));
        const Wide a = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(s01, s23));
        const Wide b = _mm256_cvtepu8_epi16(_mm_unpackhi_epi64(s01, s23));
        const Wide w = _mm256_loadu_si256(reinterpret_cast<const Wide*>(weights + i));
        Blend4<B>(out + i, ApplyLook(Lerp(a, b, w), m, k));
    }
    for (; i < count; ++i)
        Scalar::Blend(
            out[i],
            Scalar::Apply(Scalar::Lerp256(row[first[i]], row[first[i] + 1], Pixel(weights[i] & 0xffff)),
                          look),
            B);
}

void Stretch(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
             const Look& look, Blend blend) {
    if (blend == Blend::Over)
        StretchRow<Blend::Over>(out, row, first, weights, count, look);
    else
        StretchRow<Blend::Atop>(out, row, first, weights, count, look);
}

template <Blend B> void MapRow(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look) {
    const Wide m = MFactors(look), k = KFactors(look);
    int i = 0;
    for (; i + 3 < count; i += 4) {
        const Wide source =
            columns ? Widen4(in[columns[i]], in[columns[i + 1]], in[columns[i + 2]], in[columns[i + 3]])
                    : Widen4(in + i);
        Blend4<B>(out + i, ApplyLook(source, m, k));
    }
    for (; i < count; ++i)
        Scalar::Blend(out[i], Scalar::Apply(in[columns ? columns[i] : i], look), B);
}

void Map(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look, Blend blend) {
    if (blend == Blend::Over)
        MapRow<Blend::Over>(out, in, columns, count, look);
    else
        MapRow<Blend::Atop>(out, in, columns, count, look);
}

void MixRows(Pixel* row, const Pixel* upper, const Pixel* lower, int weight, int lo, int hi) {
    const Wide w = _mm256_set1_epi16(short(weight));
    int i = lo;
    for (; i + 3 <= hi; i += 4)
        Store4(row + i, Lerp(Widen4(upper + i), Widen4(lower + i), w));
    for (; i <= hi; ++i)
        row[i] = Scalar::Lerp256(upper[i], lower[i], Pixel(weight));
}

void Under(Pixel* out, Pixel* in, int count, int alpha256) {
    const Look k{alpha256, 0, 0, 0, alpha256};
    const Wide m = MFactors(k), none = _mm256_setzero_si256();
    int i = 0;
    for (; i + 3 < count; i += 4) {
        const Wide source = Widen4(in + i);
        if (_mm256_testz_si256(source, source))
            continue;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(in + i), _mm_setzero_si128());
        // Under a clear destination the source shows as it is; under an opaque one, not at all.
        const __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
        if (IsClear(packed)) {
            Store4(out + i, ApplyLook(source, m, none));
            continue;
        }
        const Wide destination = _mm256_cvtepu8_epi16(packed);
        const Wide inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), Alphas(destination));
        if (_mm256_testz_si256(inverse, inverse))
            continue;
        Store4(out + i, _mm256_add_epi16(destination, Mul255(ApplyLook(source, m, none), inverse)));
    }
    for (; i < count; ++i) {
        Scalar::Under(out[i], in[i], k);
        in[i] = 0;
    }
}

void Scale(Pixel* out, int count, int factor255) {
    const Wide factor = _mm256_set1_epi16(short(factor255));
    int i = 0;
    for (; i + 3 < count; i += 4)
        Store4(out + i, Mul255(Widen4(out + i), factor));
    for (; i < count; ++i)
        out[i] = Scalar::ByteMul(out[i], Pixel(factor255));
}

const RowKernels Kernels{Stretch, Map, MixRows, Under, Scale, "avx2"};

} // namespace

const RowKernels* Avx2() {
    return &Kernels;
}

} // namespace CarouselRows
