// The SSE2 row kernels: two premultiplied pixels at a time. SSE2 is part of x86-64, so these need
// no check of the processor.

#include "CarouselRows.h"
#include "CarouselSimd.h"

namespace CarouselRows {

namespace {

using namespace CarouselSimd;

__m128i MFactors(const Look& k) {
    return Factors(k.M, k.M, k.M, k.A);
}
__m128i KFactors(const Look& k) {
    return Factors(k.Kb, k.Kg, k.Kr, 0);
}

// Blends two transformed source pixels onto out[0..1]. Over a clear destination the source lands as
// it is; atop one nothing changes (the full formula's pixels either way).
template <Blend B> inline void BlendPair(Pixel* out, __m128i source) {
    if (IsZero(source))
        return;
    const __m128i destination = WidenPair(out);
    if (IsZero(destination)) {
        if (B == Blend::Over)
            StorePair(out, source);
        return;
    }
    StorePair(out, B == Blend::Over ? Over(source, destination) : Atop(source, destination));
}

template <Blend B>
void StretchRow(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
                const Look& look) {
    const __m128i m = MFactors(look), k = KFactors(look), zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 1 < count; i += 2) {
        // Both taps of a column are neighbours: one 64-bit load each, then [a0 a1 | b0 b1].
        const __m128i q0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[i]));
        const __m128i q1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[i + 1]));
        const __m128i taps = _mm_shuffle_epi32(_mm_unpacklo_epi64(q0, q1), _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + i));
        const __m128i mixed = LerpWide(_mm_unpacklo_epi8(taps, zero), _mm_unpackhi_epi8(taps, zero), w);
        BlendPair<B>(out + i, ApplyWide(mixed, m, k));
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
    const __m128i m = MFactors(look), k = KFactors(look);
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const __m128i source = columns ? Widen(in[columns[i]], in[columns[i + 1]]) : WidenPair(in + i);
        BlendPair<B>(out + i, ApplyWide(source, m, k));
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
        row[i] = Scalar::Lerp256(upper[i], lower[i], Pixel(weight));
}

void Under(Pixel* out, Pixel* in, int count, int alpha256) {
    const Look k{alpha256, 0, 0, 0, alpha256};
    const __m128i m = MFactors(k), none = _mm_setzero_si128();
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const __m128i source = WidenPair(in + i);
        if (IsZero(source))
            continue;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(in + i), _mm_setzero_si128());
        const __m128i destination = WidenPair(out + i);
        if (IsZero(destination)) { // under a clear destination the source shows as it is
            StorePair(out + i, ApplyWide(source, m, none));
            continue;
        }
        const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), Alphas(destination));
        StorePair(out + i, _mm_add_epi16(destination, Mul255(ApplyWide(source, m, none), inverse)));
    }
    for (; i < count; ++i) {
        Scalar::Under(out[i], in[i], k);
        in[i] = 0;
    }
}

void Scale(Pixel* out, int count, int factor255) {
    const __m128i factor = _mm_set1_epi16(short(factor255));
    int i = 0;
    for (; i + 1 < count; i += 2)
        StorePair(out + i, Mul255(WidenPair(out + i), factor));
    for (; i < count; ++i)
        out[i] = Scalar::ByteMul(out[i], Pixel(factor255));
}

const RowKernels Kernels{Stretch, Map, MixRows, Under, Scale, "sse2"};

} // namespace

const RowKernels& Sse2() {
    return Kernels;
}

} // namespace CarouselRows
