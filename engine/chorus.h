// A four-tap chorus: two delay lines with cross-coupled feedback, each read by two taps whose
// delays are swept by sine oscillators around a base delay. Fully wet.
#pragma once

#include <array>
#include <cstdint>

#include "engine/chorus_line.h"
#include "engine/delay_line.h"
#include "engine/lanes.h"

namespace sorvella {

inline constexpr int kChorusTaps = 4;

// The chorus equations over any lane type (F32x4, or the eight-lane types of lanes8.h with one
// unit in each half), lane by lane exactly the operations of ChorusUnit::process().
namespace chorus_lanes {

// The next sample's delays: x = x + k·y, y = y − k·x, d = y·depth + base. The delays are bounded
// to the line already; the bounds only keep memory safe should one ever stray (a NaN becomes 0).
template <class V>
SORVELLA_ALWAYS_INLINE V sweep(V& x, V& y, V k, V depth, V base, V longest) {
    x = x + k * y;
    y = y - k * x;
    const V d = y * depth + base;
    return min(max(d, V::zero()), longest);
}

// The read position: p = w − d, i = p − 0.5 rounded to nearest, f = p − i.
template <class V>
SORVELLA_ALWAYS_INLINE typename V::Int position(V w, V d, V& f) {
    const V p = w - d;
    const typename V::Int i = nearest(p - V::splat(0.5f));
    f = p - toFloat(i);
    return i;
}

// v = line[i] + (line[i + 1] − line[i])·f, from slot pairs (i, i + 1) of taps 0 and 1 in
// taps01 and of taps 2 and 3 in taps23.
template <class V>
SORVELLA_ALWAYS_INLINE V interpolate(V taps01, V taps23, V f) {
    const V lo = evens(taps01, taps23);
    const V hi = odds(taps01, taps23);
    return lo + (hi - lo) * f;
}

}  // namespace chorus_lanes

struct ChorusConstants {
    std::array<float, kChorusTaps> rateMultipliers;  // of the "Chorus Speed" angle per sample
    std::array<float, kChorusTaps> depthFactors;     // seconds of sweep at full "Chorus Depth"
};

// The oscillator-1 and oscillator-2 paths get slightly different rates and depths so that the
// two choruses never move together.
inline constexpr ChorusConstants kChorus1 = {{4.0f, 5.0f, 6.3f, 4.4f},
                                             {0.0012f, 0.0009f, 0.00087f, 0.0011f}};
inline constexpr ChorusConstants kChorus2 = {{4.2f, 5.3f, 6.1f, 3.9f},
                                             {0.0013f, 0.00091f, 0.00086f, 0.001f}};

class ChorusUnit {
  public:
    explicit ChorusUnit(const ChorusConstants& constants) : constants_(constants) { reset(); }

    // Re-creates both lines for the sample rate (allocates) and clears the state.
    void create(float fs);
    // Clears the lines and tap outputs and restarts the oscillators at x = 1, y = 0.
    void reset();
    // "Chorus Speed": the oscillators' phases are kept.
    void setSpeed(float value, float halfInvFs);
    // "Chorus Depth": the sweep of each tap in samples, bounded to what the lines can hold.
    void setDepth(float value, float fs);
    // Pulls the oscillators back onto the unit circle against rounding drift.
    void controlUpdate();
    // Clears the unit when its feedback has run away (see engine/runaway.h); true when it did.
    // What enters a line reaches the taps within the line's length.
    bool clearIfRunaway();

    float process(float x) {
        std::array<float, kChorusTaps> d;
        for (std::size_t i = 0; i < d.size(); ++i) {
            oscX_[i] = oscX_[i] + k_[i] * oscY_[i];
            oscY_[i] = oscY_[i] - k_[i] * oscX_[i];
            d[i] = oscY_[i] * depth_[i] + baseDelay_;
        }
        lineA_.write(x - 0.1f * out_[1] + 1e-24f);
        lineB_.write(x + 0.1f * out_[2] - 1e-24f);
        out_[0] = lineA_.readAt(d[0]);
        out_[1] = lineB_.readAt(d[1]);
        out_[2] = lineA_.readAt(d[2]);
        out_[3] = lineB_.readAt(d[3]);
        return (out_[0] + out_[1] + out_[2] + out_[3]) * 0.25f;
    }

    class Sweep;
    class Taps;
    class Piece;

    // The steps of two pieces of the same length with both units' taps side by side, unit 1 in
    // the low half of each eight-lane vector and unit 2 in the high half. The wide ones hold
    // them in 256-bit registers; only where wideVectorsAvailable().
    static void stepPair(Piece& first, Piece& second, int count);
    static void stepPairWide(Piece& first, Piece& second, int count);
    // Then finish() of both pieces, side by side the same way.
    static void finishPair(Piece& first, Piece& second, const float* in1, const float* in2,
                           float* out1, float* out2);
    static void finishPairWide(Piece& first, Piece& second, const float* in1, const float* in2,
                               float* out1, float* out2);

    // Two units side by side over the same run, so that their recursions overlap. Each output
    // may be its own input.
    static void processPair(ChorusUnit& one, ChorusUnit& two, const float* in1, const float* in2,
                            float* out1, float* out2, int count);

    float baseDelay() const { return baseDelay_; }
    std::size_t lineLength() const { return lineA_.size(); }
    float depth(int tap) const { return depth_[static_cast<std::size_t>(tap)]; }
    float oscillatorCoef(int tap) const { return k_[static_cast<std::size_t>(tap)]; }
    float oscillatorX(int tap) const { return oscX_[static_cast<std::size_t>(tap)]; }
    float oscillatorY(int tap) const { return oscY_[static_cast<std::size_t>(tap)]; }

  private:
    void boundDepths();

    template <class V>
    static void stepLanes(Piece& first, Piece& second, int count);
    // finish() for pieces that read ahead: one piece for F32x4, two side by side for the
    // eight-lane types.
    template <class V, bool kWhole>
    static void finishGroup(Piece* const* pieces, const float* const* in, float* const* out,
                            float (*inA)[kEffectsPiece], float (*inB)[kEffectsPiece], V& last1,
                            V& last2, int n);
    template <class V>
    static void finishAhead(Piece* const* pieces, const float* const* in, float* const* out);
    template <class V>
    static void finishPairLanes(Piece& first, Piece& second, const float* in1, const float* in2,
                                float* out1, float* out2);

    ChorusConstants constants_;
    ChorusLine lineA_;
    ChorusLine lineB_;
    float baseDelay_ = 0.0f;
    std::array<float, kChorusTaps> k_{};
    std::array<float, kChorusTaps> oscX_{};
    std::array<float, kChorusTaps> oscY_{};
    std::array<float, kChorusTaps> wantedDepth_{};  // as set, before bounding to the lines
    std::array<float, kChorusTaps> depth_{};
    std::array<float, kChorusTaps> out_{};
};

// The four tap oscillators over a run with their state in registers, side by side in lanes,
// each lane doing exactly the operations of process(). finish() hands the state back.
class ChorusUnit::Sweep {
  public:
    explicit Sweep(ChorusUnit& unit)
        : unit_(unit),
          x_(F32x4::load(unit.oscX_.data())),
          y_(F32x4::load(unit.oscY_.data())),
          k_(F32x4::load(unit.k_.data())),
          depth_(F32x4::load(unit.depth_.data())),
          base_(F32x4::splat(unit.baseDelay_)),
          longest_(F32x4::splat(static_cast<float>(unit.lineA_.size() - 1))) {}

    // The next sample's four delays.
    SORVELLA_ALWAYS_INLINE F32x4 step() {
        return chorus_lanes::sweep(x_, y_, k_, depth_, base_, longest_);
    }

    void finish() {
        x_.store(unit_.oscX_.data());
        y_.store(unit_.oscY_.data());
    }

  private:
    friend class ChorusUnit;

    ChorusUnit& unit_;
    F32x4 x_;
    F32x4 y_;
    F32x4 k_;
    F32x4 depth_;
    F32x4 base_;
    F32x4 longest_;
};

// The two lines with their write index in a register: taps 0 and 2 read line A, taps 1 and 3
// line B, each lane doing exactly the operations of readAt().
class ChorusUnit::Taps {
  public:
    explicit Taps(ChorusUnit& unit)
        : a_(unit.lineA_.data()),
          b_(unit.lineB_.data()),
          n_(static_cast<std::uint32_t>(unit.lineA_.size())),
          w_(static_cast<std::uint32_t>(unit.lineA_.writeIndex())),
          wf_(F32x4::splat(static_cast<float>(w_))) {}

    // One sample's line inputs, at the write index.
    SORVELLA_ALWAYS_INLINE void write(float inA, float inB) {
        ChorusLine::store(a_, n_, w_, inA);
        ChorusLine::store(b_, n_, w_, inB);
    }

    // Moves past one sample's write.
    SORVELLA_ALWAYS_INLINE void advance() {
        if (++w_ == n_) {
            w_ = 0;
            wf_ = F32x4::zero();
        } else {
            wf_ = wf_ + F32x4::splat(1.0f);  // exact: indexes are far below 2^24
        }
    }

    // The four taps at delays d.
    SORVELLA_ALWAYS_INLINE F32x4 read(F32x4 d) const {
        F32x4 f;
        const I32x4 i = chorus_lanes::position(wf_, d, f);
        // A rounded read position i in -N..N-1 has its slots at i + N and i + N + 1.
        const I32x4 slot = i + splatInt(static_cast<std::int32_t>(n_));
        const F32x4 taps01 = F32x4::twoPairs(at(a_, slot.lane<0>()), at(b_, slot.lane<1>()));
        const F32x4 taps23 = F32x4::twoPairs(at(a_, slot.lane<2>()), at(b_, slot.lane<3>()));
        return chorus_lanes::interpolate(taps01, taps23, f);
    }

    std::uint32_t writeIndex() const { return w_; }

  private:
    friend class ChorusUnit;

    static const float* at(const float* line, std::int32_t s) {
        return line + static_cast<std::uint32_t>(s);
    }

    float* a_;
    float* b_;
    std::uint32_t n_;
    std::uint32_t w_;
    F32x4 wf_;  // w_ as a float in every lane
};

// The unit over a piece of at most kEffectsPiece samples. At any usual setting every tap reads
// hundreds of samples back, further than a piece is long, so no read of the piece can see a write
// of the piece: stepPair() sweeps and reads sample after sample, and finish() writes the whole
// piece into the lines at once. Should a delay come closer, finish() does the piece again in
// strict sample order, sweeping the delays again from the oscillators' state before the piece.
class ChorusUnit::Piece {
  public:
    Piece(ChorusUnit& unit, int count)
        : unit_(unit),
          count_(count),
          sweep_(unit),
          taps_(unit),
          shortest_(F32x4::splat(static_cast<float>(unit.lineA_.size()))) {}

    // After count steps: whether every read of the piece came from before it, so that the
    // piece can go into the lines at once.
    bool readsAhead() const;

    // After count steps: the piece's input into the lines and its output to out, which may be
    // in.
    void finish(const float* in, float* out);

  private:
    friend class ChorusUnit;

    // The end of finish() for a piece that reads ahead: the lines take the piece's inputs inA
    // and inB at once, and the unit its last tap outputs and oscillator state.
    void commit(const float* inA, const float* inB);

    ChorusUnit& unit_;
    int count_;
    Sweep sweep_;
    Taps taps_;
    F32x4 shortest_;
    F32x4 outs_[kEffectsPiece];
};

inline void ChorusUnit::processPair(ChorusUnit& one, ChorusUnit& two, const float* in1,
                                    const float* in2, float* out1, float* out2, int count) {
    for (int from = 0; from < count; from += kEffectsPiece) {
        const int m = count - from < kEffectsPiece ? count - from : kEffectsPiece;
        Piece first(one, m);
        Piece second(two, m);
#if SORVELLA_WIDE_VECTORS
        if (wideVectorsAvailable()) {
            stepPairWide(first, second, m);
            finishPairWide(first, second, in1 + from, in2 + from, out1 + from, out2 + from);
            continue;
        }
#endif
        stepPair(first, second, m);
        finishPair(first, second, in1 + from, in2 + from, out1 + from, out2 + from);
    }
}

}  // namespace sorvella
