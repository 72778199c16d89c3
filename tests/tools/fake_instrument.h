// The fake instrument's state and call log, shared by its source files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/vst2/aeffect.h"

namespace fake {

constexpr int kParams = 4;
constexpr int kPrograms = 3;
constexpr int kMaxEvents = 4096;
constexpr int kNameBytes = vst2::kVstMaxProgNameLen + 1;

struct FakeInstrument {
    vst2::AEffect effect{};
    vst2::HostCallback host = nullptr;
    std::FILE* log = nullptr;
    float params[kPrograms][kParams] = {};
    char names[kPrograms][kNameBytes] = {};
    int program = 0;
    bool held[16][128] = {};
    int heldCount = 0;
    std::int64_t framesDone = 0;
    vst2::VstMidiEvent events[kMaxEvents];
    int eventCount = 0;
    bool chunks = true;
    bool slow = false;
    std::vector<std::uint8_t> chunk[2];  // the last bank (0) and preset (1) chunk received
};

inline FakeInstrument* self(vst2::AEffect* e) {
    return static_cast<FakeInstrument*>(e->object);
}

// One line in the call log.
void say(FakeInstrument* f, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Programs with their default names and values, and chunk support unless
// FAKE_INSTRUMENT_NO_CHUNKS is set.
void setUpPrograms(FakeInstrument* f);

// Program names, chunks, the vendor string and the tuning request. Sets answer and returns true
// when the opcode is one of these.
bool presetRequest(FakeInstrument* f, std::int32_t opcode, std::int32_t index, vst2::intptr value,
                   void* ptr, vst2::intptr& answer);

}  // namespace fake
