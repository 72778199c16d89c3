// One channel of the stereo reverb: three delay lines in a feedback network whose outputs pass
// through one-pole damping filters before they are fed back and summed.
#pragma once

#include <array>
#include <cstdint>

#include "engine/delay_line.h"
#include "engine/lanes.h"

namespace sorvella {

inline constexpr int kReverbLines = 3;

struct ReverbConstants {
    std::array<float, kReverbLines> lineTimes;      // seconds
    std::array<float, kReverbLines> cutoffFactors;  // of the "Reverb Length" cutoff
};

// Left and right differ in delays and damping so that their tails decorrelate.
inline constexpr ReverbConstants kReverbL = {{0.068f, 0.154f, 0.273f}, {0.93f, 0.99f, 0.97f}};
inline constexpr ReverbConstants kReverbR = {{0.061f, 0.152f, 0.277f}, {1.0f, 0.95f, 0.91f}};

// The reverb's equations over any lane type, lane by lane exactly the operations of
// ReverbUnit::process().
namespace reverb_lanes {

// The damping filters side by side: s = (k·s + d)·a + 1e−24.
template <class V>
SORVELLA_ALWAYS_INLINE V damp(V k, V s, V d, V a) {
    return (k * s + d) * a + V::splat(1e-24f);
}

// The lines' feeds less the input, from the filter states b0, b1, b2 before a sample: line i is
// fed +s_i and -s_j for the others, summed in filter order, times the feedback gain. s1 - s0 is
// -s0 + s1 exactly, and -(s0 + s1) is -s0 + -s1, so these are process()'s values.
template <class V>
SORVELLA_ALWAYS_INLINE void feeds(V b0, V b1, V b2, V& f0, V& f1, V& f2) {
    const V gain = V::splat(-0.45f);
    f0 = (b0 - b1 - b2) * gain;
    f1 = (b1 - b0 - b2) * gain;
    f2 = (b2 - (b0 + b1)) * gain;
}

}  // namespace reverb_lanes

class ReverbUnit {
  public:
    explicit ReverbUnit(const ReverbConstants& constants) : constants_(constants) {}

    // Re-creates the lines for the sample rate (allocates) and clears the state.
    void create(float fs);
    void reset();
    // Clears the lines and filters when the network has run away (see engine/runaway.h); true
    // when it did. What enters a line reaches the filters within one line's length.
    bool clearIfRunaway();
    // "Reverb Length": the damping filters' cutoffs.
    void setLength(float value, float halfInvFs);

    float process(float x) {
        lines_[0].write((s_[0] - s_[1] - s_[2]) * -0.45f + x);
        const float d0 = lines_[0].read();
        lines_[1].write((-s_[0] + s_[1] - s_[2]) * -0.45f + x);
        const float d1 = lines_[1].read();
        lines_[2].write((-s_[0] - s_[1] + s_[2]) * -0.45f + x);
        const float d2 = lines_[2].read();
        s_[0] = (k_[0] * s_[0] + d0) * a_[0] + 1e-24f;
        s_[1] = (k_[1] * s_[1] + d1) * a_[1] + 1e-24f;
        s_[2] = (k_[2] * s_[2] + d2) * a_[2] + 1e-24f;
        return s_[0] + s_[1] + s_[2];
    }

    class Piece;
    class WidePair;

    std::size_t lineLength(int line) const { return lines_[static_cast<std::size_t>(line)].size(); }
    float filterK(int line) const { return k_[static_cast<std::size_t>(line)]; }
    float filterA(int line) const { return a_[static_cast<std::size_t>(line)]; }

  private:
    // For a run whose reads were all taken before it (shorter than every line): s[i][n] is line
    // i's filter state before sample n, for n = 0..count. Writes the run's feeds into the lines
    // and puts out the sums of the states after each sample.
    void writeFromStates(const float* const* s, const float* in, float* out, int count);

    ReverbConstants constants_;
    std::array<DelayLine, kReverbLines> lines_;
    std::array<float, kReverbLines> k_{};
    std::array<float, kReverbLines> a_{1.0f, 1.0f, 1.0f};
    std::array<float, kReverbLines> s_{};
};

// The unit over a piece of at most kEffectsPiece samples. When the piece is shorter than every
// line, its reads all come from before it: the damping filters can run first, sample after
// sample from reads taken in advance (step(), three filters side by side in lanes 0..2 doing
// exactly the operations of process()), and finish() then forms the feeds from the filter
// states and the input and writes them into the lines at once. A longer piece, possible only at
// a sample rate of a few hundred hertz, goes through process() sample by sample in finish().
class ReverbUnit::Piece {
  public:
    Piece(ReverbUnit& unit, int count);

    // Whether step() is to be called for each sample before finish().
    bool batched() const { return batched_; }

    // The three filters' next states.
    SORVELLA_ALWAYS_INLINE void step(int n) {
        const F32x4 d = F32x4::of(reads_[0][n], reads_[1][n], reads_[2][n], 0.0f);
        s_ = reverb_lanes::damp(k_, s_, d, a_);
        states_[0][n + 1] = s_.lane<0>();
        states_[1][n + 1] = s_.lane<1>();
        states_[2][n + 1] = s_.lane<2>();
    }

    // The piece's input in, its output to out (which may be in).
    void finish(const float* in, float* out);

  private:
    ReverbUnit& unit_;
    int count_;
    bool batched_;
    F32x4 k_;
    F32x4 a_;
    F32x4 s_;
    // Per line: its reads, and its filter's states before each sample and after the last (then
    // padding to a whole group of four).
    alignas(16) float reads_[kReverbLines][kEffectsPiece];
    alignas(16) float states_[kReverbLines][kEffectsPiece + 4];
};

}  // namespace sorvella
