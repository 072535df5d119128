#include "MemoryUse.h"

#include <cstdlib> // defines __GLIBC__ with the GNU C library

#ifdef __GLIBC__
#include <malloc.h>
#endif

void ReturnFreedMemoryPromptly() {
#ifdef __GLIBC__
    // A fixed trim threshold (which also stops glibc from raising its thresholds as large blocks are
    // freed), and the worker threads share two heaps instead of one each.
    mallopt(M_ARENA_MAX, 2);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}
