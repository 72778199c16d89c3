// Both stacks of a voice in one 256-bit register per group of four copies: oscillator 1's copies
// in the low half, oscillator 2's in the high half. Every lane does exactly the operations of the
// four-lane code in unison_stack.h (no fused multiply-adds), so the samples are the same bit for
// bit; the wider registers only halve the instructions. Compiled for AVX2 function by function
// and chosen at run time, so the library still runs on any x86-64 processor.
#pragma once

#include "engine/simd.h"
#include "engine/unison_stack.h"

#if SORVELLA_WIDE_VECTORS
#define SORVELLA_WIDE [[gnu::target("avx2"), gnu::always_inline]] inline
#endif

namespace sorvella {

#if SORVELLA_WIDE_VECTORS

namespace stack_detail {

// Copies 4g..4g+3 of both stacks, each half reading its own wave: out = read(arg).
template <int kGroups>
struct WideStacks {
    UnisonStack& st1;
    UnisonStack& st2;
    const WavePair* pairs1;
    const WavePair* pairs2;
    __m256 phase[kGroups];
    __m256 out[kGroups];
    __m256 inc[kGroups];

    [[gnu::target("avx2")]] WideStacks(UnisonStack& a, UnisonStack& b, const WavePair* p1,
                                       const WavePair* p2)
        : st1(a), st2(b), pairs1(p1), pairs2(p2) {
        for (int g = 0; g < kGroups; ++g) {
            phase[g] = join(st1.phase + 4 * g, st2.phase + 4 * g);
            out[g] = join(st1.out + 4 * g, st2.out + 4 * g);
            inc[g] = join(st1.inc + 4 * g, st2.inc + 4 * g);
        }
    }

    [[gnu::target("avx2")]] void store() const {
        for (int g = 0; g < kGroups; ++g) {
            _mm_store_ps(st1.phase + 4 * g, _mm256_castps256_ps128(phase[g]));
            _mm_store_ps(st2.phase + 4 * g, _mm256_extractf128_ps(phase[g], 1));
            _mm_store_ps(st1.out + 4 * g, _mm256_castps256_ps128(out[g]));
            _mm_store_ps(st2.out + 4 * g, _mm256_extractf128_ps(out[g], 1));
        }
    }

    // The same as wrapStack on both stacks.
    SORVELLA_WIDE void wrap() {
        for (int g = 0; g < kGroups; ++g) {
            const __m256i i = _mm256_cvtps_epi32(_mm256_sub_ps(phase[g], _mm256_set1_ps(0.5f)));
            phase[g] = _mm256_sub_ps(phase[g], _mm256_cvtepi32_ps(i));
        }
    }

    // One sample of group g; fm holds fm1 in the low half and fm2 in the high half, and
    // feedback selects, per half, whether the stack's argument takes its last output.
    template <bool kFb1, bool kFb2>
    SORVELLA_WIDE __m256 step(int g, __m256 fm) {
        __m256 arg = phase[g];
        if constexpr (kFb1 && kFb2) {
            arg = _mm256_add_ps(_mm256_mul_ps(out[g], fm), phase[g]);
        } else if constexpr (kFb1 || kFb2) {
            const __m256 withFm = _mm256_add_ps(_mm256_mul_ps(out[g], fm), phase[g]);
            arg = _mm256_blend_ps(phase[g], withFm, kFb1 ? 0x0F : 0xF0);
        }
        out[g] = read(arg);
        phase[g] = _mm256_add_ps(phase[g], inc[g]);
        return out[g];
    }

  private:
    [[gnu::target("avx2")]] static __m256 join(const float* low, const float* high) {
        return simd::joined(_mm_load_ps(low), _mm_load_ps(high));
    }

    // readLanes on eight lanes: the low four from pairs1, the high four from pairs2.
    SORVELLA_WIDE __m256 read(__m256 arg) const {
        const __m256 x = _mm256_mul_ps(arg, _mm256_set1_ps(8192.0f));
        const __m256i i = _mm256_cvtps_epi32(_mm256_sub_ps(x, _mm256_set1_ps(0.5f)));
        const __m256 f = _mm256_sub_ps(x, _mm256_cvtepi32_ps(i));
        const simd::EightIndexes j =
            simd::eightIndexes(_mm256_and_si256(i, _mm256_set1_epi32(kStackTableMask)));
        const __m128 p01 = pairOf(pairs1, j.at[0], j.at[1]);
        const __m128 p23 = pairOf(pairs1, j.at[2], j.at[3]);
        const __m128 p45 = pairOf(pairs2, j.at[4], j.at[5]);
        const __m128 p67 = pairOf(pairs2, j.at[6], j.at[7]);
        const __m256 a = simd::joined(p01, p45);
        const __m256 b = simd::joined(p23, p67);
        const __m256 t0 = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 delta = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
        return _mm256_add_ps(t0, _mm256_mul_ps(delta, f));
    }

    // Entries j and k: value, delta, value, delta.
    SORVELLA_WIDE static __m128 pairOf(const WavePair* p, std::uint32_t j, std::uint32_t k) {
        return _mm_loadh_pi(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p + j))),
                            reinterpret_cast<const __m64*>(p + k));
    }
};

// The group's lanes of one sample as the four-lane code keeps them.
[[gnu::target("avx2")]] inline void splitStacks(const __m256* v, int groups, StackLanes& l) {
    l.a.v = _mm256_castps256_ps128(v[0]);
    l.b.v = _mm256_extractf128_ps(v[0], 1);
    if (groups > 1) {
        l.c.v = _mm256_castps256_ps128(v[1]);
        l.d.v = _mm256_extractf128_ps(v[1], 1);
    } else {
        l.c = l.d = F32x4::zero();
    }
}

// sumColumns on both halves at once: s + row 0 + row 1 + … of four samples transposed.
template <int kCount>
SORVELLA_WIDE __m256 sumWideColumns(__m256 s, __m256 r0, __m256 r1, __m256 r2, __m256 r3) {
    const __m256 t0 = _mm256_unpacklo_ps(r0, r1);
    const __m256 t1 = _mm256_unpacklo_ps(r2, r3);
    const __m256 t2 = _mm256_unpackhi_ps(r0, r1);
    const __m256 t3 = _mm256_unpackhi_ps(r2, r3);
    s = _mm256_add_ps(s, _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0)));
    if constexpr (kCount > 1)
        s = _mm256_add_ps(s, _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2)));
    if constexpr (kCount > 2)
        s = _mm256_add_ps(s, _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0)));
    if constexpr (kCount > 3)
        s = _mm256_add_ps(s, _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2)));
    return s;
}

// The sums of four consecutive samples (v[sample][group]) into sum1[0..3] and sum2[0..3].
template <int kCount>
SORVELLA_WIDE void sumWide4(const __m256 (*v)[2], float* sum1, float* sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    __m256 s = sumWideColumns<kFirst>(_mm256_setzero_ps(), v[0][0], v[1][0], v[2][0], v[3][0]);
    if constexpr (kCount > 4) {
        s = sumWideColumns<kCount - 4>(s, v[0][1], v[1][1], v[2][1], v[3][1]);
    }
    _mm_storeu_ps(sum1, _mm256_castps256_ps128(s));
    _mm_storeu_ps(sum2, _mm256_extractf128_ps(s, 1));
}

}  // namespace stack_detail

#endif

}  // namespace sorvella
