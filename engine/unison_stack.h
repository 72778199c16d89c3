// One sample of a stack of unison copies of a feedback-FM wavetable oscillator. The copies run
// side by side in lanes, yet every copy does exactly the scalar operations in the scalar
// order (no fused operations), and the copies are summed one after another from copy 0, so the
// result is bit for bit that of the plain loop over copies.
#pragma once

#include <cstdint>

#include "engine/lanes8.h"
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
[[gnu::always_inline]] inline F32x4 readTable(const float* t, F32x4 arg) {
    const F32x4 x = arg * F32x4::splat(8192.0f);
    const I32x4 i = nearest(x - F32x4::splat(0.5f));
    const F32x4 f = x - toFloat(i);
    const Indexes4 j = indexes(i & splatInt(kStackTableMask));
    const F32x4 t0 = F32x4::of(t[j.at[0]], t[j.at[1]], t[j.at[2]], t[j.at[3]]);
    const F32x4 t1 =
        F32x4::of(t[(j.at[0] + 1) & kStackTableMask], t[(j.at[1] + 1) & kStackTableMask],
                  t[(j.at[2] + 1) & kStackTableMask], t[(j.at[3] + 1) & kStackTableMask]);
    return t0 + (t1 - t0) * f;
}

// readTable on eight lanes, the low four from one stack's value/delta pairs and the high four
// from the other's: the difference comes from the pair, computed once by the same subtraction.
template <class V>
[[gnu::always_inline]] inline V readPairs(const WavePair* low, const WavePair* high, V arg) {
    const V x = arg * V::splat(8192.0f);
    const auto i = nearest(x - V::splat(0.5f));
    const V f = x - toFloat(i);
    const Indexes8 j = indexes(i & V::Int::splat(kStackTableMask));
    const V a = V::halves(F32x4::twoPairs(&low[j.at[0]].value, &low[j.at[1]].value),
                          F32x4::twoPairs(&high[j.at[4]].value, &high[j.at[5]].value));
    const V b = V::halves(F32x4::twoPairs(&low[j.at[2]].value, &low[j.at[3]].value),
                          F32x4::twoPairs(&high[j.at[6]].value, &high[j.at[7]].value));
    return evens(a, b) + odds(a, b) * f;
}

// phase − (phase − 0.5 rounded to nearest): the phase less its integer part.
template <class V>
[[gnu::always_inline]] inline V wrapped(V phase) {
    return phase - toFloat(nearest(phase - V::splat(0.5f)));
}

// Both stacks of a voice held in registers through a run: copies 4g..4g+3 of stack 1 in the low
// half of group g, of stack 2 in the high half. Loaded once, wrapped in place, stored back at the
// end, instead of a round trip through memory at every sample.
template <class V, int kCount>
struct BothStacks {
    static constexpr int kGroups = kCount > 4 ? 2 : 1;
    UnisonStack& st1;
    UnisonStack& st2;
    // Copies, so that the stores of a run cannot make the loop load them again.
    const StackWave w1;
    const StackWave w2;
    V phase[kGroups];
    V out[kGroups];
    V inc[kGroups];

    [[gnu::always_inline]] BothStacks(UnisonStack& one, UnisonStack& two, const StackWave& wave1,
                                      const StackWave& wave2)
        : st1(one), st2(two), w1(wave1), w2(wave2) {
        for (int g = 0; g < kGroups; ++g) {
            phase[g] = V::halves(F32x4::load(st1.phase + 4 * g), F32x4::load(st2.phase + 4 * g));
            out[g] = V::halves(F32x4::load(st1.out + 4 * g), F32x4::load(st2.out + 4 * g));
            inc[g] = V::halves(F32x4::load(st1.inc + 4 * g), F32x4::load(st2.inc + 4 * g));
        }
    }
    [[gnu::always_inline]] void store() const {
        for (int g = 0; g < kGroups; ++g) {
            phase[g].low().store(st1.phase + 4 * g);
            phase[g].high().store(st2.phase + 4 * g);
            out[g].low().store(st1.out + 4 * g);
            out[g].high().store(st2.out + 4 * g);
        }
    }
    // The same as wrapStack on both stacks.
    [[gnu::always_inline]] void wrap() {
        for (int g = 0; g < kGroups; ++g)
            phase[g] = wrapped(phase[g]);
    }
    // One sample of group g: out = read(arg) with arg = out·fm + phase where the stack has
    // feedback FM, else phase; then phase += inc. fm holds fm1 in the low half, fm2 in the high.
    template <bool kFb1, bool kFb2, bool kPairs>
    [[gnu::always_inline]] V step(int g, V fm) {
        V arg = phase[g];
        if constexpr (kFb1 && kFb2) {
            arg = out[g] * fm + phase[g];
        } else if constexpr (kFb1 || kFb2) {
            const V withFm = out[g] * fm + phase[g];
            arg = kFb1 ? V::halves(withFm.low(), arg.high()) : V::halves(arg.low(), withFm.high());
        }
        if constexpr (kPairs) {
            out[g] = readPairs(w1.pairs, w2.pairs, arg);
        } else {
            out[g] = V::halves(readTable(w1.table, arg.low()), readTable(w2.table, arg.high()));
        }
        phase[g] = phase[g] + inc[g];
        return out[g];
    }
};

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

// The sums of one sample's groups v[0..kGroups−1], stack 1 into sum1 and stack 2 into sum2.
template <int kCount, class V>
[[gnu::always_inline]] inline void sumOne(const V* v, float& sum1, float& sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    F32x4 s = sumPairLanes<kFirst>(F32x4::zero(), v[0].low(), v[0].high());
    if constexpr (kCount > 4) s = sumPairLanes<kCount - 4>(s, v[1].low(), v[1].high());
    sum1 = s.lane<0>();
    sum2 = s.lane<1>();
}

// s + row 0 + row 1 + … + row n−1 of four rows transposed so that each holds one copy over four
// consecutive samples: per sample, the same additions in the same order as sumOne.
template <int kCount, class V>
[[gnu::always_inline]] inline V sumColumns(V s, V r0, V r1, V r2, V r3) {
    transpose(r0, r1, r2, r3);
    s = s + r0;
    if constexpr (kCount > 1) s = s + r1;
    if constexpr (kCount > 2) s = s + r2;
    if constexpr (kCount > 3) s = s + r3;
    return s;
}

// The sums of four consecutive samples (v[sample][group]) into sum1[0..3] and sum2[0..3].
template <int kCount, class V>
[[gnu::always_inline]] inline void sumFour(const V (*v)[2], float* sum1, float* sum2) {
    constexpr int kFirst = kCount < 4 ? kCount : 4;
    V s = sumColumns<kFirst>(V::zero(), v[0][0], v[1][0], v[2][0], v[3][0]);
    if constexpr (kCount > 4) s = sumColumns<kCount - 4>(s, v[0][1], v[1][1], v[2][1], v[3][1]);
    s.low().store(sum1);
    s.high().store(sum2);
}

}  // namespace stack_detail

}  // namespace sorvella
