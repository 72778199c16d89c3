// A four-tap chorus: two delay lines with cross-coupled feedback, each read by two taps whose
// delays are swept by sine oscillators around a base delay. Fully wet.
#pragma once

#include <array>

#include "engine/delay_line.h"

namespace sorvella {

inline constexpr int kChorusTaps = 4;

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

    // The same sequence over a run of samples; out may be in.
    void processBlock(const float* in, float* out, int count) {
        for (int n = 0; n < count; ++n)
            out[n] = process(in[n]);
    }

    float baseDelay() const { return baseDelay_; }
    std::size_t lineLength() const { return lineA_.size(); }
    float depth(int tap) const { return depth_[static_cast<std::size_t>(tap)]; }
    float oscillatorCoef(int tap) const { return k_[static_cast<std::size_t>(tap)]; }
    float oscillatorX(int tap) const { return oscX_[static_cast<std::size_t>(tap)]; }
    float oscillatorY(int tap) const { return oscY_[static_cast<std::size_t>(tap)]; }

  private:
    void boundDepths();

    ChorusConstants constants_;
    DelayLine lineA_;
    DelayLine lineB_;
    float baseDelay_ = 0.0f;
    std::array<float, kChorusTaps> k_{};
    std::array<float, kChorusTaps> oscX_{};
    std::array<float, kChorusTaps> oscY_{};
    std::array<float, kChorusTaps> wantedDepth_{};  // as set, before bounding to the lines
    std::array<float, kChorusTaps> depth_{};
    std::array<float, kChorusTaps> out_{};
};

}  // namespace sorvella
