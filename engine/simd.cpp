#include "engine/simd.h"

#include <atomic>

namespace sorvella {

namespace {

std::atomic<bool> wideVectorsAllowed{true};

bool processorHasAvx2() {
#if SORVELLA_WIDE_VECTORS
    // Also checks that the system saves the 256-bit registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

// Found when the library loads, so that no audio thread ever waits on its first use.
const bool hasAvx2 = processorHasAvx2();

}  // namespace

bool wideVectorsAvailable() {
    return hasAvx2 && wideVectorsAllowed.load(std::memory_order_relaxed);
}

void allowWideVectors(bool allow) {
    wideVectorsAllowed.store(allow, std::memory_order_relaxed);
}

}  // namespace sorvella
