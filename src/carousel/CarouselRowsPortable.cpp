// The row kernels in plain C++, one pixel at a time, for processors without a vector version. Every
// pixel goes through the scalar forms the vector kernels use for their last pixels, which compute
// what the vector bodies compute, so the results are the same bit for bit.

#include "CarouselRows.h"

namespace CarouselRows {

namespace {

template <Blend B>
void StretchRow(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
                const Look& look) {
    for (int i = 0; i < count; ++i) {
        // The weight is the low 16-bit lane; the vector kernels read all four copies of it.
        const Pixel weight = Pixel(weights[i] & 0xffff);
        Scalar::Blend(out[i], Scalar::Apply(Scalar::Lerp256(row[first[i]], row[first[i] + 1], weight), look),
                      B);
    }
}

void Stretch(Pixel* out, const Pixel* row, const int* first, const std::uint64_t* weights, int count,
             const Look& look, Blend blend) {
    if (blend == Blend::Over)
        StretchRow<Blend::Over>(out, row, first, weights, count, look);
    else
        StretchRow<Blend::Atop>(out, row, first, weights, count, look);
}

template <Blend B> void MapRow(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look) {
    if (columns)
        for (int i = 0; i < count; ++i)
            Scalar::Blend(out[i], Scalar::Apply(in[columns[i]], look), B);
    else
        for (int i = 0; i < count; ++i)
            Scalar::Blend(out[i], Scalar::Apply(in[i], look), B);
}

void Map(Pixel* out, const Pixel* in, const int* columns, int count, const Look& look, Blend blend) {
    if (blend == Blend::Over)
        MapRow<Blend::Over>(out, in, columns, count, look);
    else
        MapRow<Blend::Atop>(out, in, columns, count, look);
}

// `hi` is the last pixel mixed, not one past it.
void MixRows(Pixel* row, const Pixel* upper, const Pixel* lower, int weight, int lo, int hi) {
    for (int i = lo; i <= hi; ++i)
        row[i] = Scalar::Lerp256(upper[i], lower[i], Pixel(weight));
}

void Under(Pixel* out, Pixel* in, int count, int alpha256) {
    const Look k{alpha256, 0, 0, 0, alpha256};
    for (int i = 0; i < count; ++i) {
        Scalar::Under(out[i], in[i], k);
        in[i] = 0;
    }
}

void Scale(Pixel* out, int count, int factor255) {
    for (int i = 0; i < count; ++i)
        out[i] = Scalar::ByteMul(out[i], Pixel(factor255));
}

const RowKernels Kernels{Stretch, Map, MixRows, Under, Scale, "portable"};

} // namespace

const RowKernels& Portable() {
    return Kernels;
}

} // namespace CarouselRows
