// Gaussian-like blur of premultiplied ARGB surfaces: three box blurs horizontally, then three
// vertically. Every channel, alpha included, is averaged with the same weights, which is exact for
// premultiplied pixels; beyond the edges the surface counts as transparent, so a shape's blur
// fades out instead of smearing its border colour.
#include "Imaging.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace Imaging {

namespace {

constexpr int BoxPasses = 3;
// Widest box: 255 * width + width / 2 must stay below 2^16.
constexpr int MaxBoxWidth = 255;
// The blur amount that needs boxes of MaxBoxWidth.
constexpr double MaxRadius = 250.0;

// Half-widths of three boxes whose repeated application approximates a gaussian of `sigma`.
std::array<int, BoxPasses> BoxRadii(double sigma) {
    const double n = BoxPasses;
    int lower = int(std::floor(std::sqrt(12.0 * sigma * sigma / n + 1.0)));
    if (lower % 2 == 0)
        --lower;
    lower = std::max(lower, 1);
    const int upper = lower + 2;
    const double ideal =
        (12.0 * sigma * sigma - n * lower * lower - 4.0 * n * lower - 3.0 * n) / (-4.0 * lower - 4.0);
    const int lowerCount = int(std::lround(ideal));
    std::array<int, BoxPasses> radii{};
    for (int i = 0; i < BoxPasses; ++i)
        radii[i] = std::min(((i < lowerCount ? lower : upper) - 1) / 2, (MaxBoxWidth - 1) / 2);
    return radii;
}

// Writes one row of averages and slides the window: the row `entering` joins the sums, `leaving` goes.
// The average is (sum + width / 2) * (2^16 / width) / 2^16 in 16-bit lanes; fixed-size chunks and
// unaliased pointers let the compiler vectorise it (a multiply-high on eight lanes at once). Kept out
// of line: once inlined, GCC loses sight of the 16-bit reciprocal and widens to 32-bit multiplies.
[[gnu::noinline]] void AverageAndSlide(std::uint8_t* __restrict result, std::uint16_t* __restrict sum,
                                       const std::uint8_t* __restrict entering,
                                       const std::uint8_t* __restrict leaving, int count,
                                       std::uint16_t reciprocal, std::uint16_t halfWidth) {
    constexpr int chunk = 16;
    const int chunked = count - count % chunk;
#define TESSARO_AVERAGE_AND_SLIDE(k)                                                                         \
    const std::uint16_t biased = std::uint16_t(sum[k] + halfWidth);                                          \
    result[k] = std::uint8_t((std::uint32_t(biased) * reciprocal) >> 16);                                    \
    sum[k] = std::uint16_t(sum[k] + entering[k] - leaving[k])
    for (int j = 0; j < chunked; j += chunk) {
        for (int k = j; k < j + chunk; ++k) {
            TESSARO_AVERAGE_AND_SLIDE(k);
        }
    }
    for (int k = chunked; k < count; ++k) {
        TESSARO_AVERAGE_AND_SLIDE(k);
    }
#undef TESSARO_AVERAGE_AND_SLIDE
}

// One vertical box pass. Every byte of a row (any channel of any pixel) is averaged with the bytes
// above and below it, so the loops run over whole rows of independent lanes. Horizontal passes run
// on the transposed surface.
void VerticalBoxPass(const std::uint8_t* source, std::uint8_t* target, int rows, int rowBytes, int radius,
                     std::vector<std::uint16_t>& sums, const std::vector<std::uint8_t>& zeros) {
    if (radius == 0) {
        std::copy_n(source, std::ptrdiff_t(rows) * rowBytes, target);
        return;
    }
    const int width = 2 * radius + 1; // at most MaxBoxWidth, so sums stay below 2^16
    const auto reciprocal = std::uint16_t(65536 / width);
    std::fill(sums.begin(), sums.end(), std::uint16_t(0));
    for (int row = 0; row <= radius && row < rows; ++row) {
        const std::uint8_t* in = source + std::ptrdiff_t(row) * rowBytes;
        for (int j = 0; j < rowBytes; ++j)
            sums[j] = std::uint16_t(sums[j] + in[j]);
    }
    for (int row = 0; row < rows; ++row) {
        const int entering = row + radius + 1;
        const int leaving = row - radius;
        const std::uint8_t* in =
            entering < rows ? source + std::ptrdiff_t(entering) * rowBytes : zeros.data();
        const std::uint8_t* out = leaving >= 0 ? source + std::ptrdiff_t(leaving) * rowBytes : zeros.data();
        AverageAndSlide(target + std::ptrdiff_t(row) * rowBytes, sums.data(), in, out, rowBytes, reciprocal,
                        std::uint16_t(width / 2));
    }
}

void Transpose(const std::uint32_t* source, int width, int height, int sourceStride, std::uint32_t* target) {
    constexpr int block = 16;
    for (int y0 = 0; y0 < height; y0 += block)
        for (int x0 = 0; x0 < width; x0 += block)
            for (int y = y0; y < std::min(y0 + block, height); ++y)
                for (int x = x0; x < std::min(x0 + block, width); ++x)
                    target[std::ptrdiff_t(x) * height + y] = source[std::ptrdiff_t(y) * sourceStride + x];
}

} // namespace

void Blur(QImage& image, double radius) {
    if (image.isNull() || !(radius > 0))
        return;
    if (image.format() != SurfaceFormat)
        image.convertTo(SurfaceFormat);
    const int width = image.width();
    const int height = image.height();
    const int stride = int(image.bytesPerLine() / 4);
    auto* pixels = reinterpret_cast<std::uint32_t*>(image.bits());
    // The visible spread of a gaussian is about two standard deviations: sigma = radius / 2.
    const std::array<int, BoxPasses> radii = BoxRadii(std::min(radius, MaxRadius) / 2.0);
    std::vector<std::uint32_t> first(std::size_t(width) * height), second(first.size());
    std::vector<std::uint16_t> sums(std::size_t(std::max(width, height)) * 4);
    const std::vector<std::uint8_t> zeros(sums.size(), 0);
    auto bytes = [](std::vector<std::uint32_t>& buffer) {
        return reinterpret_cast<std::uint8_t*>(buffer.data());
    };

    // Horizontal passes on the transposed surface: `width` rows of `height` pixels.
    Transpose(pixels, width, height, stride, first.data());
    VerticalBoxPass(bytes(first), bytes(second), width, height * 4, radii[0], sums, zeros);
    VerticalBoxPass(bytes(second), bytes(first), width, height * 4, radii[1], sums, zeros);
    VerticalBoxPass(bytes(first), bytes(second), width, height * 4, radii[2], sums, zeros);
    Transpose(second.data(), height, width, height, first.data());
    // Vertical passes, the last one straight into the surface.
    VerticalBoxPass(bytes(first), bytes(second), height, width * 4, radii[0], sums, zeros);
    VerticalBoxPass(bytes(second), bytes(first), height, width * 4, radii[1], sums, zeros);
    if (stride == width) {
        VerticalBoxPass(bytes(first), reinterpret_cast<std::uint8_t*>(pixels), height, width * 4, radii[2],
                        sums, zeros);
        return;
    }
    VerticalBoxPass(bytes(first), bytes(second), height, width * 4, radii[2], sums, zeros);
    for (int y = 0; y < height; ++y)
        std::copy_n(second.data() + std::ptrdiff_t(y) * width, width, pixels + std::ptrdiff_t(y) * stride);
}

} // namespace Imaging
