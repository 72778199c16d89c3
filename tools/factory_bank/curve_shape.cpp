#include "tools/factory_bank/curve_shape.h"

namespace sorvella::factory {

bool shapeCurve(MyEnvData& curve, std::initializer_list<CurvePoint> points, std::int32_t loopStart,
                std::int32_t loopLength) {
    const auto count = static_cast<std::int32_t>(points.size());
    if (count < 1 || count > curve.capacity()) return false;
    while (curve.pointCount() > count)
        curve.removePoint(curve.pointCount() - 1);
    while (curve.pointCount() < count) {
        if (!curve.insertPoint(curve.startTimes()[curve.pointCount()] + 1.0f, 0.0f)) return false;
    }
    std::int32_t i = 0;
    for (const CurvePoint& p : points) {
        curve.setDuration(i, p.ms);
        curve.setLevel(i, p.level);
        ++i;
    }
    // Bends last: a handle is placed between the levels on either side of its segment.
    i = 0;
    float previous = 0.0f;
    for (const CurvePoint& p : points) {
        curve.setCurveFromHandle(i, previous + p.middle * (p.level - previous));
        previous = p.level;
        ++i;
    }
    return curve.setLoop(loopStart, loopLength);
}

}  // namespace sorvella::factory
