#include "engine/voice_params.h"

#include <algorithm>
#include <cmath>

namespace sorvella {

int osc2Semitones(float value) {
    const double s = std::trunc((static_cast<double>(value) - 0.5) * 96.0);
    if (std::isnan(s)) return 0;
    return static_cast<int>(std::clamp(s, -48.0, 48.0));
}

float osc2Ratio(int semitones, const float* noteFrequency) {
    if (noteFrequency == nullptr) return 1.0f;
    const int s = std::clamp(semitones, -48, 48);
    if (s >= 1) return noteFrequency[s] / noteFrequency[0];
    return noteFrequency[100 + s] / noteFrequency[100];
}

float noiseCutoff(float value, float invFs) {
    return (value * 0.9f + 0.1f) * 18000.0f * invFs;
}

}  // namespace sorvella
