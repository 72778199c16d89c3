// One quiet instrument for the chunk and file fuzz targets, reset to its initial bank before
// each input so that every input is judged on its own, and the checks every load must pass.
#pragma once

#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/my_vsti.h"
#include "engine/env_data.h"
#include "engine/formant_data.h"
#include "platform/error_box.h"
#include "platform/vst2/midi_message.h"

namespace sorvella::fuzz {

inline vst2::intptr quietHost(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr,
                              void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// A private folder for the whole process, removed at exit.
inline const char* scratchFolder() {
    static char folder[] = "/tmp/sorvella-fuzz-XXXXXX";
    static const bool made = [] {
        if (!::mkdtemp(folder)) __builtin_trap();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return true;
    }();
    return made ? folder : nullptr;
}

// The chunk as getChunk stores it (the working program into its slot first), or else as
// buildChunk serialises everything as it stands.
inline std::vector<std::uint8_t> chunkOf(MyVsti& instrument, bool isPreset, bool stored = true) {
    void* data = nullptr;
    const std::int32_t size =
        stored ? instrument.getChunk(&data, isPreset) : instrument.buildChunk(&data, isPreset);
    if (size <= 0 || !data) __builtin_trap();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
}

class FuzzInstrument {
  public:
    FuzzInstrument() {
        // Never the user's settings: a private, empty configuration folder.
        ::setenv("XDG_CONFIG_HOME", scratchFolder(), 1);
        setErrorPresenter([](const ErrorBox&) {});
        instrument_ = new MyVsti(&quietHost);
        initialBank_ = chunkOf(*instrument_, false);
    }

    // The instrument as it was first built, on program 2.
    MyVsti& fresh() {
        std::vector<std::uint8_t> bank = initialBank_;
        if (instrument_->setChunk(bank.data(), static_cast<std::int32_t>(bank.size()), false) != 1)
            __builtin_trap();
        instrument_->setProgram(2);
        return *instrument_;
    }

  private:
    MyVsti* instrument_;  // lives for the whole process
    std::vector<std::uint8_t> initialBank_;
};

inline FuzzInstrument& fuzzInstrument() {
    static FuzzInstrument instance;
    return instance;
}

// Everything a load may change, serialised as it stands (without storing the working program).
inline std::vector<std::uint8_t> stateOf(MyVsti& instrument) {
    std::vector<std::uint8_t> state = chunkOf(instrument, false, false);
    std::vector<std::uint8_t> preset = chunkOf(instrument, true, false);
    state.insert(state.end(), preset.begin(), preset.end());
    state.push_back(static_cast<std::uint8_t>(instrument.getProgram()));
    return state;
}

// What a successful load left must be playable and must store and load again unchanged.
inline void checkLoaded(MyVsti& instrument) {
    for (std::int32_t i = 0; i < kNumParams; ++i) {
        const float v = instrument.getParameter(i);
        if (!std::isfinite(v)) __builtin_trap();
    }
    for (std::int32_t m = kCurveOsc1; m <= kCurveNoise; ++m) {
        const auto& curve = static_cast<const MyEnvData&>(instrument.metaParameter(m));
        if (curve.pointCount() < 0 || curve.pointCount() > curve.capacity()) __builtin_trap();
        if (curve.loopEnd() > curve.pointCount()) __builtin_trap();
    }
    for (bool isPreset : {true, false}) {
        std::vector<std::uint8_t> stored = chunkOf(instrument, isPreset);
        std::vector<std::uint8_t> copy = stored;
        if (instrument.setChunk(copy.data(), static_cast<std::int32_t>(copy.size()), isPreset) != 1)
            __builtin_trap();
        if (chunkOf(instrument, isPreset) != stored) __builtin_trap();
    }

    // A note on the loaded program sounds without a non-finite sample.
    vst2::OneEventList note(vst2::midiMessage(0, 0x90, 60, 100));
    instrument.processEvents(&note.list);
    float left[256];
    float right[256];
    float* outputs[2] = {left, right};
    for (int block = 0; block < 4; ++block) {
        instrument.processReplacing(nullptr, outputs, 256);
        for (int i = 0; i < 256; ++i) {
            if (!std::isfinite(left[i]) || !std::isfinite(right[i])) __builtin_trap();
        }
    }
}

}  // namespace sorvella::fuzz
