// Writes an envelope curve from a list of points the way the curve editor would: point count,
// durations, levels, handle bends and the sustain loop.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "engine/env_data.h"

namespace sorvella::factory {

struct CurvePoint {
    float ms;      // duration of the segment that ends at this point
    float level;   // 0..1
    float middle;  // how far towards its level the segment has come halfway through; 0.5 = even
};

// The loop covers segments loopStart .. loopStart + loopLength - 1 and repeats while the key is
// held; the segments after it are the release. Returns false when the curve cannot take the
// points or the loop.
bool shapeCurve(MyEnvData& curve, std::initializer_list<CurvePoint> points, std::int32_t loopStart,
                std::int32_t loopLength);

}  // namespace sorvella::factory
