// Helpers for the chunk and file tests: snapshots of an instrument's whole program state, edits
// that touch every part of a program, and a stand-in editor that records what it is told.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/my_vsti.h"
#include "engine/env_data.h"
#include "engine/formant_data.h"

namespace sorvella::testing {

inline std::vector<std::uint8_t> chunkBytes(MyVsti& instrument, bool isPreset) {
    void* data = nullptr;
    const std::int32_t size = instrument.getChunk(&data, isPreset);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
}

// Everything a chunk can change: all slots, the working program and the current program number.
inline std::vector<std::uint8_t> stateOf(MyVsti& instrument) {
    std::vector<std::uint8_t> state = chunkBytes(instrument, false);
    std::vector<std::uint8_t> preset = chunkBytes(instrument, true);
    state.insert(state.end(), preset.begin(), preset.end());
    return state;
}

// Gives the working program a name, values, a curve and a formant set unlike the defaults.
inline void editWorkingProgram(MyVsti& instrument, const char* name, float seed) {
    instrument.setProgramName(name);
    for (std::int32_t i = 0; i < kNumParams; ++i)
        instrument.setParameter(
            i, static_cast<float>((i * 37 + static_cast<int>(seed * 100)) % 97) / 96.0f);
    auto& curve = static_cast<MyEnvData&>(instrument.metaParameter(kCurveOsc2));
    curve.setLevel(0, 0.25f + seed / 8.0f);
    auto& formant = static_cast<MyFormantData&>(instrument.metaParameter(kFormant2End));
    formant.frequencies[2] = 1234.5f + seed;
    formant.levels[4] = -6.0f - seed;
}

inline void putWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t word) {
    bytes[at] = static_cast<std::uint8_t>(word >> 24);
    bytes[at + 1] = static_cast<std::uint8_t>(word >> 16);
    bytes[at + 2] = static_cast<std::uint8_t>(word >> 8);
    bytes[at + 3] = static_cast<std::uint8_t>(word);
}

inline std::uint32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

// An editor with an envelope view and a log of the program names it was shown.
class ViewEditor : public InstrumentEditor {
  public:
    bool getRect(vst2::ERect** rect) override {
        *rect = nullptr;
        return false;
    }
    bool open(void*) override { return true; }
    void close() override {}
    bool isReady() const override { return true; }
    void showProgramName(const char* name) override { shownNames.emplace_back(name); }
    void viewBlock(float& z, float& s) const override {
        z = zoom;
        s = scroll;
    }
    void setViewBlock(float z, float s) override {
        zoom = z;
        scroll = s;
        ++viewSets;
    }

    float zoom = 0.0f;
    float scroll = 0.0f;
    int viewSets = 0;
    std::vector<std::string> shownNames;
};

}  // namespace sorvella::testing
