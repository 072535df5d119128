// The row kernels where there are no vector versions: the portable ones, always.

#include "CarouselRows.h"

namespace CarouselRows {

const RowKernels* Avx2() {
    return nullptr;
}

const RowKernels* Avx512() {
    return nullptr;
}

const RowKernels& Active() {
    return Portable();
}

// Only one kind of kernels: nothing to choose.
void LimitWidth(int) {}

} // namespace CarouselRows
