#include "engine/formant_data.h"

#include <cmath>

namespace sorvella {

MyFormantData::MyFormantData(std::string_view name) : MyMetaParam(kVersion), name_(name) {
    frequencies.fill(kDefaultFrequency);
    bandwidths.fill(kDefaultBandwidth);
    levels.fill(kDefaultLevel);
}

void MyFormantData::loadVowel(const VowelRow& row) {
    frequencies = row.frequencies;
    levels = row.levels;
    bandwidths = row.bandwidths;
}

std::int32_t MyFormantData::serialisedSize(std::int32_t) const {
    return kSerialisedSize;
}

void MyFormantData::write(ByteWriter& cursor) const {
    for (float f : frequencies)
        cursor.putFloat(f);
    for (float b : bandwidths)
        cursor.putFloat(b);
    for (float l : levels)
        cursor.putFloat(l);
}

bool MyFormantData::read(ByteReader& cursor, std::int32_t) {
    std::array<float, kFormantCount> f;
    std::array<float, kFormantCount> b;
    std::array<float, kFormantCount> l;
    for (float& v : f)
        v = cursor.getFloat();
    for (float& v : b)
        v = cursor.getFloat();
    for (float& v : l)
        v = cursor.getFloat();
    if (cursor.underflowed()) return false;
    for (int k = 0; k < kFormantCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (!std::isfinite(f[i]) || !std::isfinite(b[i]) || !std::isfinite(l[i])) return false;
    }
    frequencies = f;
    bandwidths = b;
    levels = l;
    return true;
}

bool MyFormantData::withinSafeLimits() const {
    for (float f : frequencies) {
        if (!(f >= kMinFrequency && f <= kMaxFrequency)) return false;
    }
    for (float b : bandwidths) {
        if (!(b >= kMinBandwidth)) return false;
    }
    for (float l : levels) {
        if (!(l <= kMaxLevel)) return false;
    }
    return true;
}

}  // namespace sorvella
