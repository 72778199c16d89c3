// A formant set: the five centre frequencies, bandwidths and levels of one vowel slot, as stored
// with each program and edited in the formant editor.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/meta_param.h"
#include "engine/vowel_table.h"

namespace sorvella {

class MyFormantData : public MyMetaParam {
  public:
    static constexpr std::int32_t kVersion = 2;
    static constexpr std::int32_t kSerialisedSize = 3 * kFormantCount * 4;
    static constexpr float kDefaultFrequency = 600.0f;
    static constexpr float kDefaultBandwidth = 40.0f;
    static constexpr float kDefaultLevel = 0.0f;
    // The formant editor's limits; the vowel table lies within them.
    static constexpr float kMinFrequency = 50.0f;
    static constexpr float kMaxFrequency = 11025.0f;
    static constexpr float kMinBandwidth = 20.0f;
    static constexpr float kMaxBandwidth = 2000.0f;
    static constexpr float kMinLevel = -80.0f;
    static constexpr float kMaxLevel = 0.0f;

    explicit MyFormantData(std::string_view name);

    const std::string& name() const { return name_; }

    // Copies one row of the vowel table into the set.
    void loadVowel(const VowelRow& row);

    std::int32_t serialisedSize(std::int32_t version) const override;
    void write(ByteWriter& cursor) const override;
    // Refuses a truncated record or one holding a non-finite value.
    bool read(ByteReader& cursor, std::int32_t version) override;
    // False when a value lies beyond the editor's limits in a direction that could make the
    // sound dangerous: a level above 0 dB, a frequency outside its limits (folded towards DC
    // or out of hearing) or a bandwidth below them (ringing near instability). The instrument
    // never stores such a set, so a chunk holding one is refused.
    bool withinSafeLimits() const;

    std::array<float, kFormantCount> frequencies;  // Hz
    std::array<float, kFormantCount> bandwidths;   // Hz
    std::array<float, kFormantCount> levels;       // dB

  private:
    std::string name_;
};

}  // namespace sorvella
