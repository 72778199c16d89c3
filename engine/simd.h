// The one place that decides which vector registers the engine's run kernels use:
//   x86-64   SSE2 (the baseline), and 256-bit AVX2 kernels chosen at run time where the processor
//            has them (SORVELLA_WIDE_VECTORS);
//   aarch64  NEON;
//   others   plain arrays, as does every target built with SORVELLA_PLAIN_LANES (the build
//            option SORVELLA_PLAIN_PATH).
// Every path does the same single-precision operations in the same order, so the samples are the
// same bit for bit whichever one runs.
#pragma once

#if defined(__SSE2__) && defined(__x86_64__) && !defined(SORVELLA_PLAIN_LANES)
#define SORVELLA_SSE2 1
#include <emmintrin.h>
#else
#define SORVELLA_SSE2 0
#endif

#if defined(__ARM_NEON) && defined(__aarch64__) && !defined(SORVELLA_PLAIN_LANES)
#define SORVELLA_NEON 1
#include <arm_neon.h>
#else
#define SORVELLA_NEON 0
#endif

// A unit's per-sample step is inlined into every run loop that calls it, so that the unit's
// state stays in registers across the run.
#if defined(__GNUC__)
#define SORVELLA_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define SORVELLA_ALWAYS_INLINE inline
#endif

namespace sorvella {

// Whether the units and voices may take their AVX2 paths from now on: true when the processor
// and the system support AVX2, unless turned off (the tests run both paths). The wide paths do
// exactly the operations of the four-lane ones, so the samples are the same either way.
bool wideVectorsAvailable();
void allowWideVectors(bool allow);

}  // namespace sorvella

#if SORVELLA_SSE2 && defined(__GNUC__)
#define SORVELLA_WIDE_VECTORS 1
#include <immintrin.h>

#else
#define SORVELLA_WIDE_VECTORS 0
#endif
