// Curve records as plain fields, for building records the editing operations cannot reach and for
// comparing records field by field.
#pragma once

#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

#include "engine/byte_cursor.h"
#include "engine/env_data.h"

namespace sorvella::test {

struct CurveFields {
    std::int32_t pointCount = 0, loopStart = 0, loopLength = 0;
    std::vector<float> durations, levels, curves, startTimes, curveNorms;

    bool operator==(const CurveFields&) const = default;

    // Sets segment i's curve together with its norm, as the record keeps them.
    void setCurve(std::size_t i, float k) {
        curves[i] = k;
        curveNorms[i] = 1.0f / (std::exp2(k) - 1.0f);
    }
};

inline void PrintTo(const CurveFields& f, std::ostream* os) {
    *os << "points " << f.pointCount << " loop " << f.loopStart << "+" << f.loopLength;
    for (const auto* array : {&f.durations, &f.levels, &f.curves, &f.startTimes, &f.curveNorms}) {
        *os << " |";
        for (float v : *array)
            *os << ' ' << v;
    }
}

inline CurveFields fieldsOf(const MyEnvData& c) {
    const auto n = static_cast<std::size_t>(c.capacity());
    CurveFields f;
    f.pointCount = c.pointCount();
    f.loopStart = c.loopStart();
    f.loopLength = c.loopLength();
    f.durations.assign(c.durations(), c.durations() + n);
    f.levels.assign(c.levels(), c.levels() + n);
    f.curves.assign(c.curves(), c.curves() + n);
    f.startTimes.assign(c.startTimes(), c.startTimes() + n + 1);
    f.curveNorms.assign(c.curveNorms(), c.curveNorms() + n);
    return f;
}

inline std::vector<std::uint8_t> bytesOf(const CurveFields& f) {
    std::vector<std::uint8_t> bytes(12 +
                                    4 * (f.durations.size() + f.levels.size() + f.curves.size() +
                                         f.startTimes.size() + f.curveNorms.size()));
    ByteWriter w(bytes.data(), bytes.size());
    w.putInt(f.pointCount);
    w.putInt(f.loopStart);
    w.putInt(f.loopLength);
    for (const auto* array : {&f.durations, &f.levels, &f.curves, &f.startTimes, &f.curveNorms}) {
        for (float v : *array)
            w.putFloat(v);
    }
    return bytes;
}

inline bool readFields(MyEnvData& c, const CurveFields& f) {
    const auto bytes = bytesOf(f);
    ByteReader r(bytes.data(), bytes.size());
    return c.read(r, 2);
}

}  // namespace sorvella::test
