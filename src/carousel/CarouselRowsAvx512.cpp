// The AVX-512 row kernels: eight premultiplied pixels at a time, held as thirty-two 16-bit channels;
// a row's last pixels (fewer than eight) through masked loads and stores. Only this file is compiled for
// AVX-512 (every include comes first); Active() uses it only on processors that have it.

#include "CarouselRows.h"

#include <immintrin.h>

#pragma GCC target("avx2,avx512f,avx512bw,avx512vl")

namespace CarouselRows {

namespace {

using Wide = __m512i;

// Eight pixels, or the first of them the mask picks (zero in the others): the last pixels of a row
// go through the same vector code as the rest.
using Lanes = __mmask8;
constexpr Lanes All = 0xFF;
inline Lanes First(int count) {
    return Lanes(count >= 8 ? 0xFF : (1u << count) - 1);
}

inline __m256i Load8(const Pixel* p, Lanes lanes) {
    return lanes == All ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
                        : _mm256_maskz_loadu_epi32(lanes, p);
}

inline Wide Widen8(const Pixel* p, Lanes lanes) {
    return _mm512_cvtepu8_epi16(Load8(p, lanes));
}

inline void Store8(Pixel* p, Wide wide, Lanes lanes) {
    // Every channel lies within 0..510 here, so unsigned saturation caps it as packing would. (The
    // zero-masked forms here and below give GCC's headers no undefined vector to warn about.)
    const __m256i packed = _mm512_maskz_cvtusepi16_epi8(~__mmask32(0), wide);
    if (lanes == All)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), packed);
    else
        _mm256_mask_storeu_epi32(p, lanes, packed);
}

inline bool IsZero(Wide w) {
    return _mm512_test_epi64_mask(w, w) == 0;
}

inline bool IsClear(__m256i packed) {
    return _mm256_testz_si256(packed, packed);
}

inline Wide Alphas(Wide w) {
    return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(w, _MM_SHUFFLE(3, 3, 3, 3)),
                                  _MM_SHUFFLE(3, 3, 3, 3));
}

inline Wide Lerp(Wide x, Wide y, Wide w) {
    const Wide iw = _mm512_sub_epi16(_mm512_set1_epi16(256), w);
    return _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(x, iw), _mm512_mullo_epi16(y, w)), 8);
}

inline Wide Mul255(Wide x, Wide a) {
    const Wide t = _mm512_mullo_epi16(x, a);
    return _mm512_srli_epi16(
        _mm512_add_epi16(_mm512_add_epi16(t, _mm512_srli_epi16(t, 8)), _mm512_set1_epi16(128)), 8);
}

inline Wide ApplyLook(Wide w, Wide m, Wide k) {
    return _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(w, m), _mm512_mullo_epi16(Alphas(w), k)), 8);
}

inline Wide Factors(int blue, int green, int red, int alpha) {
    const __m128i two = _mm_set_epi16(short(alpha), short(red), short(green), short(blue), short(alpha),
                                      short(red), short(green), short(blue));
    return _mm512_maskz_broadcast_i32x4(~__mmask16(0), two);
}

inline Wide MFactors(const Look& k) {
    return Factors(k.M, k.M, k.M, k.A);
}
inline Wide KFactors(const Look& k) {
    return Factors(k.Kb, k.Kg, k.Kr, 0);
}

// Over a clear destination the source lands as it is, and an opaque source hides the destination;
// atop a clear destination nothing changes. Both short cuts give the full formula's pixels.
template <Blend B> inline void Blend8(Pixel* out, Wide source, Lanes lanes) {
    if (IsZero(source))
        return;
    const __m256i packed = Load8(out, lanes);
    const Wide inverse = _mm512_sub_epi16(_mm512_set1_epi16(255), Alphas(source));
    if (IsClear(packed)) {
        if (B == Blend::Over)
            Store8(out, source, lanes);
        return;
    }
    if (B == Blend::Over && IsZero(inverse)) {
        Store8(out, source, lanes);
        return;
    }
    const Wide d = _mm512_cvtepu8_epi16(packed);
    if (B == Blend::Over)
        Store8(out, _mm512_add_epi16(source, Mul255(d, inverse)), lanes);
    else
        Store8(out, _mm512_add_epi16(Mul255(source, Alphas(d)), Mul255(d, inverse)), lanes);
}

// Calls body(i, columns, lanes) for each run of eight entries, where columns points at the run's
// eight column indices: the table's own for whole runs, for the last a copy padded with column 0 (a
// pixel every row has), so that no lane reads beyond the row.
template <typename Body> inline void ForEachRun(const int* table, int count, Body body) {
    int i = 0;
    for (; i + 8 <= count; i += 8)
        body(i, table + i, All);
    if (i < count) {
        int padded[8] = {};
        for (int c = 0; c < count - i; ++c)
            padded[c] = table[i + c];
        body(i, padded, First(count - i));
    }
}

// Four columns' taps (neighbours, one 64-bit load each) regrouped as [a0 a1 a2 a3] and [b0 b1 b2 b3].
inline void Taps4(const Pixel* row, const int* first, __m128i& a, __m128i& b) {
    auto pair = [&](int c) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[c])); };
    const __m128i s01 = _mm_shuffle_epi32(_mm_unpacklo_epi64(pair(0), pair(1)), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i s23 = _mm_shuffle_epi32(_mm_unpacklo_epi64(pair(2), pair(3)), _MM_SHUFFLE(3, 1, 2, 0));
    a = _mm_unpacklo_epi64(s01, s23);
    b = _mm_unpackhi_epi64(s01, s23);
}

inline __m256i Join(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

template <Blend B>
void StretchRow(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
                const Look& look) {
    const Wide m = MFactors(look), k = KFactors(look);
    ForEachRun(first, count, [&](int i, const int* columns, Lanes lanes) {
        __m128i a0, b0, a1, b1;
        Taps4(row, columns, a0, b0);
        Taps4(row, columns + 4, a1, b1);
        const Wide a = _mm512_cvtepu8_epi16(Join(a0, a1)), b = _mm512_cvtepu8_epi16(Join(b0, b1));
        const Wide w = _mm512_maskz_loadu_epi64(lanes, weights + i);
        Blend8<B>(out + i, ApplyLook(Lerp(a, b, w), m, k), lanes);
    });
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
    auto blend = [&](int i, __m256i pixels, Lanes lanes) {
        Blend8<B>(out + i, ApplyLook(_mm512_cvtepu8_epi16(pixels), m, k), lanes);
    };
    if (!columns) {
        for (int i = 0; i < count; i += 8)
            blend(i, Load8(in + i, First(count - i)), First(count - i));
        return;
    }
    ForEachRun(columns, count, [&](int i, const int* c, Lanes lanes) {
        blend(i,
              _mm256_setr_epi32(int(in[c[0]]), int(in[c[1]]), int(in[c[2]]), int(in[c[3]]), int(in[c[4]]),
                                int(in[c[5]]), int(in[c[6]]), int(in[c[7]])),
              lanes);
    });
}

void Map(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look, Blend blend) {
    if (blend == Blend::Over)
        MapRow<Blend::Over>(out, in, columns, count, look);
    else
        MapRow<Blend::Atop>(out, in, columns, count, look);
}

void MixRows(Pixel* row, const Pixel* upper, const Pixel* lower, int weight, int lo, int hi) {
    const Wide w = _mm512_set1_epi16(short(weight));
    for (int i = lo; i <= hi; i += 8) {
        const Lanes lanes = First(hi - i + 1);
        Store8(row + i, Lerp(Widen8(upper + i, lanes), Widen8(lower + i, lanes), w), lanes);
    }
}

void Under(Pixel* out, Pixel* in, int count, int alpha256) {
    const Look k{alpha256, 0, 0, 0, alpha256};
    const Wide m = MFactors(k), none = _mm512_setzero_si512();
    for (int i = 0; i < count; i += 8) {
        const Lanes lanes = First(count - i);
        const __m256i source = Load8(in + i, lanes);
        if (IsClear(source))
            continue;
        Store8(in + i, none, lanes);
        // Under a clear destination the source shows as it is; under an opaque one, not at all.
        const __m256i packed = Load8(out + i, lanes);
        const Wide look = ApplyLook(_mm512_cvtepu8_epi16(source), m, none);
        if (IsClear(packed)) {
            Store8(out + i, look, lanes);
            continue;
        }
        const Wide destination = _mm512_cvtepu8_epi16(packed);
        const Wide inverse = _mm512_sub_epi16(_mm512_set1_epi16(255), Alphas(destination));
        if (!IsZero(inverse))
            Store8(out + i, _mm512_add_epi16(destination, Mul255(look, inverse)), lanes);
    }
}

void Scale(Pixel* out, int count, int factor255) {
    const Wide factor = _mm512_set1_epi16(short(factor255));
    for (int i = 0; i < count; i += 8) {
        const Lanes lanes = First(count - i);
        Store8(out + i, Mul255(Widen8(out + i, lanes), factor), lanes);
    }
}

const RowKernels Kernels{Stretch, Map, MixRows, Under, Scale, "avx512"};

} // namespace

const RowKernels* Avx512() {
    return &Kernels;
}

} // namespace CarouselRows
