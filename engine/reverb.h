// One channel of the stereo reverb: three delay lines in a feedback network whose outputs pass
// through one-pole damping filters before they are fed back and summed.
#pragma once

#include <array>
#include <cstdint>

#include "engine/delay_line.h"
#include "engine/simd.h"

namespace sorvella {

inline constexpr int kReverbLines = 3;

struct ReverbConstants {
    std::array<float, kReverbLines> lineTimes;      // seconds
    std::array<float, kReverbLines> cutoffFactors;  // of the "Reverb Length" cutoff
};

// Left and right differ in delays and damping so that their tails decorrelate.
inline constexpr ReverbConstants kReverbL = {{0.068f, 0.154f, 0.273f}, {0.93f, 0.99f, 0.97f}};
inline constexpr ReverbConstants kReverbR = {{0.061f, 0.152f, 0.277f}, {1.0f, 0.95f, 0.91f}};

class ReverbUnit {
  public:
    explicit ReverbUnit(const ReverbConstants& constants) : constants_(constants) {}

    // Re-creates the lines for the sample rate (allocates) and clears the state.
    void create(float fs);
    void reset();
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

    class Run;

    // The same sequence over a run of samples; out may be in.
    void processBlock(const float* in, float* out, int count);
    // Two units side by side over the same input, so that their recursions overlap.
    static void processPair(ReverbUnit& one, ReverbUnit& two, const float* in, float* out1,
                            float* out2, int count);

    std::size_t lineLength(int line) const { return lines_[static_cast<std::size_t>(line)].size(); }
    float filterK(int line) const { return k_[static_cast<std::size_t>(line)]; }
    float filterA(int line) const { return a_[static_cast<std::size_t>(line)]; }

  private:
    ReverbConstants constants_;
    std::array<DelayLine, kReverbLines> lines_;
    std::array<float, kReverbLines> k_{};
    std::array<float, kReverbLines> a_{1.0f, 1.0f, 1.0f};
    std::array<float, kReverbLines> s_{};
};

#if SORVELLA_SSE2

// The unit over a run of samples with its state in registers, the three lines' filters side by
// side in lanes 0..2 (lane 3 idles at zero coefficients), each lane doing exactly the operations
// of process(). finish() hands the state back.
class ReverbUnit::Run {
  public:
    explicit Run(ReverbUnit& unit)
        : unit_(unit),
          k_(_mm_setr_ps(unit.k_[0], unit.k_[1], unit.k_[2], 0.0f)),
          a_(_mm_setr_ps(unit.a_[0], unit.a_[1], unit.a_[2], 0.0f)),
          s_(_mm_setr_ps(unit.s_[0], unit.s_[1], unit.s_[2], 0.0f)),
          line0_(unit.lines_[0]),
          line1_(unit.lines_[1]),
          line2_(unit.lines_[2]) {}

    SORVELLA_ALWAYS_INLINE float step(float x) {
        // Line i is fed +s_i and -s_j for the others: a - b is a + (-b) exactly, so flipping
        // signs and adding in the same order gives process()'s values.
        const __m128 s0 = _mm_xor_ps(_mm_shuffle_ps(s_, s_, _MM_SHUFFLE(0, 0, 0, 0)),
                                     _mm_castsi128_ps(_mm_setr_epi32(0, kSign, kSign, 0)));
        const __m128 s1 = _mm_xor_ps(_mm_shuffle_ps(s_, s_, _MM_SHUFFLE(1, 1, 1, 1)),
                                     _mm_castsi128_ps(_mm_setr_epi32(kSign, 0, kSign, 0)));
        const __m128 s2 = _mm_xor_ps(_mm_shuffle_ps(s_, s_, _MM_SHUFFLE(2, 2, 2, 2)),
                                     _mm_castsi128_ps(_mm_setr_epi32(kSign, kSign, 0, 0)));
        const __m128 feed = _mm_add_ps(
            _mm_mul_ps(_mm_add_ps(_mm_add_ps(s0, s1), s2), _mm_set1_ps(-0.45f)), _mm_set1_ps(x));
        const float d0 = line0_.pass(simd::lane0(feed));
        const float d1 = line1_.pass(simd::lane1(feed));
        const float d2 = line2_.pass(simd::lane2(feed));
        const __m128 dv = _mm_setr_ps(d0, d1, d2, 0.0f);
        s_ = _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(k_, s_), dv), a_), _mm_set1_ps(1e-24f));
        return (simd::lane0(s_) + simd::lane1(s_)) + simd::lane2(s_);
    }

    void finish() {
        alignas(16) float s[4];
        _mm_store_ps(s, s_);
        for (std::size_t i = 0; i < kReverbLines; ++i)
            unit_.s_[i] = s[i];
        line0_.finish();
        line1_.finish();
        line2_.finish();
    }

  private:
    static constexpr std::int32_t kSign = INT32_MIN;

    // A line's write and read with its indexes in registers; the read index is always one
    // ahead of the write index, so after the write it is the write index.
    class Line {
      public:
        explicit Line(DelayLine& line)
            : line_(line), data_(line.data()), n_(line.size()), w_(line.writeIndex()) {}

        SORVELLA_ALWAYS_INLINE float pass(float v) {
            data_[w_] = v;
            if (++w_ == n_) w_ = 0;
            return data_[w_];
        }

        void finish() { line_.setIndexes(w_, w_ + 1 == n_ ? 0 : w_ + 1); }

      private:
        DelayLine& line_;
        float* data_;
        std::size_t n_;
        std::size_t w_;
    };

    ReverbUnit& unit_;
    __m128 k_;
    __m128 a_;
    __m128 s_;
    Line line0_;
    Line line1_;
    Line line2_;
};

#else

class ReverbUnit::Run {
  public:
    explicit Run(ReverbUnit& unit) : unit_(unit) {}
    SORVELLA_ALWAYS_INLINE float step(float x) { return unit_.process(x); }
    void finish() {}

  private:
    ReverbUnit& unit_;
};

#endif

inline void ReverbUnit::processBlock(const float* in, float* out, int count) {
    Run run(*this);
    for (int n = 0; n < count; ++n)
        out[n] = run.step(in[n]);
    run.finish();
}

inline void ReverbUnit::processPair(ReverbUnit& one, ReverbUnit& two, const float* in, float* out1,
                                    float* out2, int count) {
    Run run1(one);
    Run run2(two);
    for (int n = 0; n < count; ++n) {
        const float x = in[n];
        out1[n] = run1.step(x);
        out2[n] = run2.step(x);
    }
    run1.finish();
    run2.finish();
}

}  // namespace sorvella
