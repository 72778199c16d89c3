// One channel of the stereo reverb: three delay lines in a feedback network whose outputs pass
// through one-pole damping filters before they are fed back and summed.
#pragma once

#include <array>

#include "engine/delay_line.h"

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

    // The same sequence over a run of samples; out may be in.
    void processBlock(const float* in, float* out, int count) {
        for (int n = 0; n < count; ++n)
            out[n] = process(in[n]);
    }

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

}  // namespace sorvella
