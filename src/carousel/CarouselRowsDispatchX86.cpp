// Picks the row kernels on x86-64: AVX2 when the processor has it, else SSE2, which every x86-64
// processor has. The portable kernels are built too but not picked here.

#include "CarouselRows.h"

namespace CarouselRows {

// Beside the SSE2 kernels; nothing but this choice uses them directly.
const RowKernels& Sse2();

namespace {

bool gWidest = true;

} // namespace

const RowKernels& Active() {
    static const bool hasAvx2 = Avx2() && __builtin_cpu_supports("avx2");
    return gWidest && hasAvx2 ? *Avx2() : Sse2();
}

void UseWidest(bool widest) {
    gWidest = widest;
}

} // namespace CarouselRows
