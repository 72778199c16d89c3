// One sample of a stack of unison copies of a feedback-FM wavetable oscillator. The copies run
// side by side in lanes, yet every copy does exactly the scalar operations in the scalar
// order (no fused operations), and the copies are summed one after another from copy 0, so the
// result is bit for bit that of the plain loop over copies.
#pragma once

#include <cstdint>

#include "engine/lanes.h"
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

namespace stack_detail {

// Reads four lanes at once: x = arg·8192, i = x − 0.5 rounded to nearest, f = x − i, and the
// interpolation t[i] + (t[i + 1] − t[i])·f with the index masked into the table, lane by lane.
// With the value/delta pairs the difference comes from the pair, computed once by the same
// subtraction.
template <bool kPairs>
[[gnu::always_inline]] inline F32x4 readLanes(const StackWave& wave, F32x4 arg) {
    const F32x4 x = arg * F32x4::splat(8192.0f);
    const I32x4 i = nearest(x - F32x4::splat(0.5f));
    const F32x4 f = x - toFloat(i);
    const Indexes4 j = indexes(i & splatInt(kStackTableMask));
    if constexpr (kPairs) {
        const float* p = &wave.pairs->value;
        const F32x4 p01 = F32x4::twoPairs(p + 2 * j.at[0], p + 2 * j.at[1]);
        const F32x4 p23 = F32x4::twoPairs(p + 2 * j.at[2], p + 2 * j.at[3]);
        return evens(p01, p23) + odds(p01, p23) * f;
    } else {
        const float* t = wave.table;
        const F32x4 t0 = F32x4::of(t[j.at[0]], t[j.at[1]], t[j.at[2]], t[j.at[3]]);
        const F32x4 t1 =
            F32x4::of(t[(j.at[0] + 1) & kStackTableMask], t[(j.at[1] + 1) & kStackTableMask],
                      t[(j.at[2] + 1) & kStackTableMask], t[(j.at[3] + 1) & kStackTableMask]);
        return t0 + (t1 - t0) * f;
    }
}

// Copies first..first+3 of one stack: out = read(out·fm + phase); phase += inc.
template <bool kFeedback, bool kPairs>
[[gnu::always_inline]] inline F32x4 stepLanes(const StackWave& wave, UnisonStack& st, int first,
                                              float fm) {
    const F32x4 phase = F32x4::load(st.phase + first);
    F32x4 arg = phase;
    if constexpr (kFeedback) arg = F32x4::load(st.out + first) * F32x4::splat(fm) + phase;
    const F32x4 out = readLanes<kPairs>(wave, arg);
    out.store(st.out + first);
    (phase + F32x4::load(st.inc + first)).store(st.phase + first);
    return out;
}

// The sums of two stacks side by side: lane 0 runs s1 + a0 + a1 + …, lane 1 runs s2 + b0 + b1 + ….
template <int kCount>
[[gnu::always_inline]] inline F32x4 sumPairLanes(F32x4 s, F32x4 a, F32x4 b) {
    const F32x4 lo = zipLow(a, b);
    s = s + lo;
    if constexpr (kCount > 1) s = s + highHalves(lo, lo);
    if constexpr (kCount > 2) {
        const F32x4 hi = zipHigh(a, b);
        s = s + hi;
        if constexpr (kCount > 3) s = s + highHalves(hi, hi);
    }
    return s;
}

// s + row 0 + row 1 + … + row n−1 of four rows transposed so that each holds one copy over four
// consecutive samples: per sample, the same additions in the same order as sumPairLanes.
template <int kCount>
[[gnu::always_inline]] inline F32x4 sumColumns(F32x4 s, F32x4 r0, F32x4 r1, F32x4 r2, F32x4 r3) {
    transpose(r0, r1, r2, r3);
    s = s + r0;
    if constexpr (kCount > 1) s = s + r1;
    if constexpr (kCount > 2) s = s + r2;
    if constexpr (kCount > 3) s = s + r3;
    return s;
}

// One sample of two stacks kept as lanes (osc1 and osc2 copies 0..3, then 4..7), to be summed
// four samples at a time.
struct StackLanes {
    F32x4 a;
    F32x4 b;
    F32x4 c;
    F32x4 d;
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
        l.c = l.d = F32x4::zero();
    }
    return l;
}

// The sums of one sample.
template <int kCount>
[[gnu::always_inline]] inline void sumStacks1(const StackLanes& l, float& sum1, float& sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    F32x4 s = sumPairLanes<kFirst>(F32x4::zero(), l.a, l.b);
    if constexpr (kCount > 4) s = sumPairLanes<kCount - 4>(s, l.c, l.d);
    sum1 = s.lane<0>();
    sum2 = s.lane<1>();
}

// The sums of four consecutive samples into sum1[0..3] and sum2[0..3].
template <int kCount>
[[gnu::always_inline]] inline void sumStacks4(const StackLanes* l, float* sum1, float* sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    F32x4 s1 = sumColumns<kFirst>(F32x4::zero(), l[0].a, l[1].a, l[2].a, l[3].a);
    F32x4 s2 = sumColumns<kFirst>(F32x4::zero(), l[0].b, l[1].b, l[2].b, l[3].b);
    if constexpr (kCount > 4) {
        s1 = sumColumns<kCount - 4>(s1, l[0].c, l[1].c, l[2].c, l[3].c);
        s2 = sumColumns<kCount - 4>(s2, l[0].d, l[1].d, l[2].d, l[3].d);
    }
    s1.store(sum1);
    s2.store(sum2);
}

// phase − (phase − 0.5 rounded to nearest): the phase less its integer part.
[[gnu::always_inline]] inline F32x4 wrapped(F32x4 phase) {
    return phase - toFloat(nearest(phase - F32x4::splat(0.5f)));
}

// A stack's phases and outputs held in registers through a run of samples: loaded once, wrapped
// in place, stored back at the end, instead of a round trip through memory at every sample.
template <int kCount>
struct HeldStack {
    static constexpr int kGroups = kCount > 4 ? 2 : 1;
    UnisonStack& st;
    F32x4 phase[kGroups];
    F32x4 out[kGroups];

    explicit HeldStack(UnisonStack& stack) : st(stack) {
        for (int g = 0; g < kGroups; ++g) {
            phase[g] = F32x4::load(st.phase + 4 * g);
            out[g] = F32x4::load(st.out + 4 * g);
        }
    }
    void store() const {
        for (int g = 0; g < kGroups; ++g) {
            phase[g].store(st.phase + 4 * g);
            out[g].store(st.out + 4 * g);
        }
    }
    // The same as wrapStack.
    void wrap() {
        for (int g = 0; g < kGroups; ++g)
            phase[g] = wrapped(phase[g]);
    }
    // The same as stepLanes.
    template <bool kFeedback, bool kPairs>
    [[gnu::always_inline]] F32x4 step(const StackWave& wave, int g, float fm) {
        F32x4 arg = phase[g];
        if constexpr (kFeedback) arg = out[g] * F32x4::splat(fm) + phase[g];
        out[g] = readLanes<kPairs>(wave, arg);
        phase[g] = phase[g] + F32x4::load(st.inc + 4 * g);
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
        l.c = l.d = F32x4::zero();
    }
    return l;
}

}  // namespace stack_detail

// phase −= its integer part, for the copies 0..count−1 (and the rest of their lane group).
inline void wrapStack(UnisonStack& st, int count) {
    for (int first = 0; first < count; first += 4)
        stack_detail::wrapped(F32x4::load(st.phase + first)).store(st.phase + first);
}

// The interpolated read of an 8192-entry table at p table cycles, as every lane reads.
inline float readStackTable(const float* table, float p) {
    return stack_detail::readLanes<false>({table, nullptr}, F32x4::splat(p)).lane<0>();
}

}  // namespace sorvella
