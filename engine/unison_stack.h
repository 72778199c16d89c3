// One sample of a stack of unison copies of a feedback-FM wavetable oscillator. The copies run
// side by side in SSE2 lanes, yet every copy does exactly the scalar operations in the scalar
// order (no fused operations), and the copies are summed one after another from copy 0, so the
// result is bit for bit that of the plain loop over copies.
#pragma once

#include <cstdint>

#include "engine/simd.h"
#include "engine/wave_pairs.h"

namespace sorvella {

struct UnisonStack {
    static constexpr int kLanes = 8;
    alignas(16) float phase[kLanes];
    alignas(16) float out[kLanes];  // last output of each copy, fed back as FM
    alignas(16) float inc[kLanes];
};

// What a stack reads: its wave table and, when available, the same table as value/delta pairs.
struct StackWave {
    const float* table;
    const WavePair* pairs;  // may be null
};

constexpr std::int32_t kStackTableMask = 8191;

// x − 0.5 rounded to nearest under the current (round-to-nearest) mode, as the processor's
// 32-bit conversion does it.
inline std::int32_t roundDown(float x) {
#if SORVELLA_SSE2
    return _mm_cvtss_si32(_mm_set_ss(x - 0.5f));
#else
    return static_cast<std::int32_t>(__builtin_lrintf(x - 0.5f));
#endif
}

// The interpolated read of an 8192-entry table at p table cycles; the index wraps by masking.
inline float readStackTable(const float* table, float p) {
    const float x = p * 8192.0f;
    const std::int32_t i = roundDown(x);
    const float f = x - static_cast<float>(i);
    const float t0 = table[i & kStackTableMask];
    return t0 + (table[(i + 1) & kStackTableMask] - t0) * f;
}

namespace stack_detail {

#if SORVELLA_SSE2

// Reads four lanes at once: the same x, i, f and interpolation as readStackTable, lane by lane.
template <bool kPairs>
[[gnu::always_inline]] inline __m128 readLanes(const StackWave& wave, __m128 arg) {
    const __m128 x = _mm_mul_ps(arg, _mm_set1_ps(8192.0f));
    const __m128i i = _mm_cvtps_epi32(_mm_sub_ps(x, _mm_set1_ps(0.5f)));
    const __m128 f = _mm_sub_ps(x, _mm_cvtepi32_ps(i));
    const __m128i i0 = _mm_and_si128(i, _mm_set1_epi32(kStackTableMask));
    const auto lo = static_cast<std::uint64_t>(_mm_cvtsi128_si64(i0));
    const auto hi = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(i0, i0)));
    const auto j0 = static_cast<std::uint32_t>(lo);
    const auto j1 = static_cast<std::uint32_t>(lo >> 32);
    const auto j2 = static_cast<std::uint32_t>(hi);
    const auto j3 = static_cast<std::uint32_t>(hi >> 32);
    if constexpr (kPairs) {
        const WavePair* p = wave.pairs;
        const __m128 p01 =
            _mm_loadh_pi(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p + j0))),
                         reinterpret_cast<const __m64*>(p + j1));
        const __m128 p23 =
            _mm_loadh_pi(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p + j2))),
                         reinterpret_cast<const __m64*>(p + j3));
        const __m128 t0 = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 delta = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(3, 1, 3, 1));
        return _mm_add_ps(t0, _mm_mul_ps(delta, f));
    } else {
        const float* t = wave.table;
        const __m128 t0 = _mm_setr_ps(t[j0], t[j1], t[j2], t[j3]);
        const __m128 t1 = _mm_setr_ps(t[(j0 + 1) & kStackTableMask], t[(j1 + 1) & kStackTableMask],
                                      t[(j2 + 1) & kStackTableMask], t[(j3 + 1) & kStackTableMask]);
        return _mm_add_ps(t0, _mm_mul_ps(_mm_sub_ps(t1, t0), f));
    }
}

// Copies first..first+3 of one stack: out = read(out·fm + phase); phase += inc.
template <bool kFeedback, bool kPairs>
[[gnu::always_inline]] inline __m128 stepLanes(const StackWave& wave, UnisonStack& st, int first,
                                               float fm) {
    const __m128 phase = _mm_load_ps(st.phase + first);
    __m128 arg = phase;
    if constexpr (kFeedback) {
        arg = _mm_add_ps(_mm_mul_ps(_mm_load_ps(st.out + first), _mm_set1_ps(fm)), phase);
    }
    const __m128 out = readLanes<kPairs>(wave, arg);
    _mm_store_ps(st.out + first, out);
    _mm_store_ps(st.phase + first, _mm_add_ps(phase, _mm_load_ps(st.inc + first)));
    return out;
}

// The sums of two stacks side by side: lane 0 runs s1 + a0 + a1 + …, lane 1 runs s2 + b0 + b1 + ….
template <int kCount>
[[gnu::always_inline]] inline __m128 sumPairLanes(__m128 s, __m128 a, __m128 b) {
    const __m128 lo = _mm_unpacklo_ps(a, b);
    s = _mm_add_ps(s, lo);
    if constexpr (kCount > 1) s = _mm_add_ps(s, _mm_movehl_ps(lo, lo));
    if constexpr (kCount > 2) {
        const __m128 hi = _mm_unpackhi_ps(a, b);
        s = _mm_add_ps(s, hi);
        if constexpr (kCount > 3) s = _mm_add_ps(s, _mm_movehl_ps(hi, hi));
    }
    return s;
}

// s + row 0 + row 1 + … + row n−1 of four rows transposed so that each holds one copy over four
// consecutive samples: per sample, the same additions in the same order as sumLanes.
template <int kCount>
[[gnu::always_inline]] inline __m128 sumColumns(__m128 s, __m128 r0, __m128 r1, __m128 r2,
                                                __m128 r3) {
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    s = _mm_add_ps(s, r0);
    if constexpr (kCount > 1) s = _mm_add_ps(s, r1);
    if constexpr (kCount > 2) s = _mm_add_ps(s, r2);
    if constexpr (kCount > 3) s = _mm_add_ps(s, r3);
    return s;
}

// One sample of two stacks kept as lanes (osc1 and osc2 copies 0..3, then 4..7), to be summed
// four samples at a time.
struct StackLanes {
    __m128 a;
    __m128 b;
    __m128 c;
    __m128 d;
};

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline StackLanes stepStacks(const StackWave& w1, UnisonStack& st1,
                                                    float fm1, const StackWave& w2,
                                                    UnisonStack& st2, float fm2) {
    StackLanes l;
    l.a = stepLanes<kFb1, kPairs>(w1, st1, 0, fm1);
    l.b = stepLanes<kFb2, kPairs>(w2, st2, 0, fm2);
    if constexpr (kCount > 4) {
        l.c = stepLanes<kFb1, kPairs>(w1, st1, 4, fm1);
        l.d = stepLanes<kFb2, kPairs>(w2, st2, 4, fm2);
    } else {
        l.c = l.d = _mm_setzero_ps();
    }
    return l;
}

// The sums of one sample.
template <int kCount>
[[gnu::always_inline]] inline void sumStacks1(const StackLanes& l, float& sum1, float& sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    __m128 s = sumPairLanes<kFirst>(_mm_setzero_ps(), l.a, l.b);
    if constexpr (kCount > 4) s = sumPairLanes<kCount - 4>(s, l.c, l.d);
    sum1 = _mm_cvtss_f32(s);
    sum2 = _mm_cvtss_f32(_mm_shuffle_ps(s, s, 1));
}

// The sums of four consecutive samples into sum1[0..3] and sum2[0..3].
template <int kCount>
[[gnu::always_inline]] inline void sumStacks4(const StackLanes* l, float* sum1, float* sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    __m128 s1 = sumColumns<kFirst>(_mm_setzero_ps(), l[0].a, l[1].a, l[2].a, l[3].a);
    __m128 s2 = sumColumns<kFirst>(_mm_setzero_ps(), l[0].b, l[1].b, l[2].b, l[3].b);
    if constexpr (kCount > 4) {
        s1 = sumColumns<kCount - 4>(s1, l[0].c, l[1].c, l[2].c, l[3].c);
        s2 = sumColumns<kCount - 4>(s2, l[0].d, l[1].d, l[2].d, l[3].d);
    }
    _mm_storeu_ps(sum1, s1);
    _mm_storeu_ps(sum2, s2);
}

// A stack's phases and outputs held in registers through a run of samples: loaded once, wrapped
// in place, stored back at the end, instead of a round trip through memory at every sample.
template <int kCount>
struct HeldStack {
    static constexpr int kGroups = kCount > 4 ? 2 : 1;
    UnisonStack& st;
    __m128 phase[kGroups];
    __m128 out[kGroups];

    explicit HeldStack(UnisonStack& stack) : st(stack) {
        for (int g = 0; g < kGroups; ++g) {
            phase[g] = _mm_load_ps(st.phase + 4 * g);
            out[g] = _mm_load_ps(st.out + 4 * g);
        }
    }
    void store() const {
        for (int g = 0; g < kGroups; ++g) {
            _mm_store_ps(st.phase + 4 * g, phase[g]);
            _mm_store_ps(st.out + 4 * g, out[g]);
        }
    }
    // The same as wrapStack.
    void wrap() {
        for (int g = 0; g < kGroups; ++g) {
            const __m128i i = _mm_cvtps_epi32(_mm_sub_ps(phase[g], _mm_set1_ps(0.5f)));
            phase[g] = _mm_sub_ps(phase[g], _mm_cvtepi32_ps(i));
        }
    }
    // The same as stepLanes.
    template <bool kFeedback, bool kPairs>
    [[gnu::always_inline]] __m128 step(const StackWave& wave, int g, float fm) {
        __m128 arg = phase[g];
        if constexpr (kFeedback) arg = _mm_add_ps(_mm_mul_ps(out[g], _mm_set1_ps(fm)), phase[g]);
        out[g] = readLanes<kPairs>(wave, arg);
        phase[g] = _mm_add_ps(phase[g], _mm_load_ps(st.inc + 4 * g));
        return out[g];
    }
};

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline StackLanes stepHeld(const StackWave& w1, HeldStack<kCount>& h1,
                                                  float fm1, const StackWave& w2,
                                                  HeldStack<kCount>& h2, float fm2) {
    StackLanes l;
    l.a = h1.template step<kFb1, kPairs>(w1, 0, fm1);
    l.b = h2.template step<kFb2, kPairs>(w2, 0, fm2);
    if constexpr (kCount > 4) {
        l.c = h1.template step<kFb1, kPairs>(w1, 1, fm1);
        l.d = h2.template step<kFb2, kPairs>(w2, 1, fm2);
    } else {
        l.c = l.d = _mm_setzero_ps();
    }
    return l;
}

#else

template <int kCount, bool kFeedback, bool kPairs>
[[gnu::always_inline]] inline float stackSample(const StackWave& wave, UnisonStack& st, float fm) {
    float s = 0.0f;
    for (int k = 0; k < kCount; ++k) {
        st.out[k] = readStackTable(wave.table, st.out[k] * fm + st.phase[k]);
        s += st.out[k];
        st.phase[k] += st.inc[k];
    }
    return s;
}

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
[[gnu::always_inline]] inline void stackPair(const StackWave& w1, UnisonStack& st1, float fm1,
                                             const StackWave& w2, UnisonStack& st2, float fm2,
                                             float& sum1, float& sum2) {
    sum1 = stackSample<kCount, kFb1, kPairs>(w1, st1, fm1);
    sum2 = stackSample<kCount, kFb2, kPairs>(w2, st2, fm2);
}

struct StackLanes {
    float sum1;
    float sum2;
};

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
inline StackLanes stepStacks(const StackWave& w1, UnisonStack& st1, float fm1, const StackWave& w2,
                             UnisonStack& st2, float fm2) {
    StackLanes l;
    stackPair<kCount, kFb1, kFb2, kPairs>(w1, st1, fm1, w2, st2, fm2, l.sum1, l.sum2);
    return l;
}

template <int kCount>
inline void sumStacks1(const StackLanes& l, float& sum1, float& sum2) {
    sum1 = l.sum1;
    sum2 = l.sum2;
}

template <int kCount>
inline void sumStacks4(const StackLanes* l, float* sum1, float* sum2) {
    for (int i = 0; i < 4; ++i) {
        sum1[i] = l[i].sum1;
        sum2[i] = l[i].sum2;
    }
}

template <int kCount>
struct HeldStack {
    UnisonStack& st;
    explicit HeldStack(UnisonStack& stack) : st(stack) {}
    void store() const {}
    void wrap() {
        for (int k = 0; k < kCount; ++k)
            st.phase[k] -= static_cast<float>(roundDown(st.phase[k]));
    }
};

template <int kCount, bool kFb1, bool kFb2, bool kPairs>
inline StackLanes stepHeld(const StackWave& w1, HeldStack<kCount>& h1, float fm1,
                           const StackWave& w2, HeldStack<kCount>& h2, float fm2) {
    return stepStacks<kCount, kFb1, kFb2, kPairs>(w1, h1.st, fm1, w2, h2.st, fm2);
}

#endif

}  // namespace stack_detail

// phase −= its integer part, for the copies 0..count−1 (and the rest of their lane group).
inline void wrapStack(UnisonStack& st, int count) {
#if SORVELLA_SSE2
    for (int first = 0; first < count; first += 4) {
        const __m128 p = _mm_load_ps(st.phase + first);
        const __m128i i = _mm_cvtps_epi32(_mm_sub_ps(p, _mm_set1_ps(0.5f)));
        _mm_store_ps(st.phase + first, _mm_sub_ps(p, _mm_cvtepi32_ps(i)));
    }
#else
    for (int k = 0; k < count; ++k)
        st.phase[k] -= static_cast<float>(roundDown(st.phase[k]));
#endif
}

}  // namespace sorvella
