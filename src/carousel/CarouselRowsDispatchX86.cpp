// Picks the row kernels on x86-64: AVX-512 or AVX2 when the processor has it, else SSE2, which
// every x86-64 processor has. The portable kernels are built too but not picked here.

#include "CarouselRows.h"

namespace CarouselRows {

// Beside the SSE2 kernels; nothing but this choice uses them directly.
const RowKernels& Sse2();

namespace {

int gWidthLimit = 512;

} // namespace

const RowKernels& Active() {
    static const bool hasAvx2 = Avx2() && __builtin_cpu_supports("avx2");
    static const bool hasAvx512 = hasAvx2 && Avx512() && __builtin_cpu_supports("avx512f") &&
                                  __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    if (gWidthLimit >= 512 && hasAvx512)
        return *Avx512();
    return gWidthLimit >= 256 && hasAvx2 ? *Avx2() : Sse2();
}

void LimitWidth(int bits) {
    gWidthLimit = bits;
}

} // namespace CarouselRows
