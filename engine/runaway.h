// The guard against recursions that run away. Every recursion of the instrument is stable for
// fixed coefficients, but a resonator handed new coefficients while it keeps its state (a vowel
// morph automated back and forth) can grow without end, and a non-finite value that reaches a
// feedback loop stays in it for good. At the end of each run every recursive unit checks its
// state against this level, far above anything a stable unit reaches from any input the
// instrument accepts, and clears itself when the level is passed. Below it no sample changes.
#pragma once

namespace sorvella {

inline constexpr float kRunawayLevel = 0x1p60f;

// True beyond the level either way, and for Inf and NaN.
inline bool isRunaway(float state) {
    return !(state >= -kRunawayLevel && state <= kRunawayLevel);
}

}  // namespace sorvella
