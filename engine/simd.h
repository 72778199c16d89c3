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

#include <cstdint>
#else
#define SORVELLA_WIDE_VECTORS 0
#endif

#if SORVELLA_WIDE_VECTORS
namespace sorvella::simd {

// The eight lanes of v as unsigned integers, for table and line indexes. They go out through
// memory, two to a 64-bit load: the processor moves vector lanes into integer registers through
// one narrow path, which limited the wide read loops, while it has load ports to spare. The empty
// asm keeps the compiler from turning the loads back into such moves.
struct EightIndexes {
    std::uint32_t at[8];
};

[[gnu::target("avx2"), gnu::always_inline]] inline EightIndexes eightIndexes(__m256i v) {
    alignas(32) std::uint64_t q[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(q), v);
    asm("" : "+m"(q));
    return {{static_cast<std::uint32_t>(q[0]), static_cast<std::uint32_t>(q[0] >> 32),
             static_cast<std::uint32_t>(q[1]), static_cast<std::uint32_t>(q[1] >> 32),
             static_cast<std::uint32_t>(q[2]), static_cast<std::uint32_t>(q[2] >> 32),
             static_cast<std::uint32_t>(q[3]), static_cast<std::uint32_t>(q[3] >> 32)}};
}

// low in lanes 0..3, high in lanes 4..7.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 joined(__m128 low, __m128 high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

// A mask of the first k lanes (all for k >= 8), for the last samples of a run.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i firstLanes(int k) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// Rows r[0..7] become columns: afterwards r[j] holds what was lane j of every row.
[[gnu::target("avx2"), gnu::always_inline]] inline void transpose8(__m256* r) {
    const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]);
    const __m256 t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]);
    const __m256 t3 = _mm256_unpackhi_ps(r[2], r[3]);
    const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]);
    const __m256 t5 = _mm256_unpackhi_ps(r[4], r[5]);
    const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]);
    const __m256 t7 = _mm256_unpackhi_ps(r[6], r[7]);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

}  // namespace sorvella::simd
#endif

#if SORVELLA_SSE2
namespace sorvella::simd {

inline float lane0(__m128 v) {
    return _mm_cvtss_f32(v);
}
inline float lane1(__m128 v) {
    return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)));
}
inline float lane2(__m128 v) {
    return _mm_cvtss_f32(_mm_movehl_ps(v, v));
}
inline float lane3(__m128 v) {
    return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)));
}

// Lanes added one by one in lane order, as a scalar loop over them would.
inline float sumInOrder(__m128 v) {
    return ((lane0(v) + lane1(v)) + lane2(v)) + lane3(v);
}

}  // namespace sorvella::simd
#endif
