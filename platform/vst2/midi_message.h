// One three-byte MIDI message as a VST 2 event, and the one-entry event list that hands it over.
#pragma once

#include <cstdint>

#include "platform/vst2/aeffect.h"

namespace vst2 {

// byteSize is documented both ways: hosts send sizeof(VstMidiEvent), and some expect the 24
// bytes after the type and size fields.
inline VstMidiEvent midiMessage(std::int32_t delta, std::uint8_t status, std::uint8_t data1,
                                std::uint8_t data2, std::int32_t byteSize = sizeof(VstMidiEvent)) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = byteSize;
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

// A list of one event. It points into itself, so it is never copied or moved.
struct OneEventList {
    explicit OneEventList(const VstMidiEvent& message) : event(message) {
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&event);
    }
    OneEventList(const OneEventList&) = delete;
    OneEventList& operator=(const OneEventList&) = delete;

    VstMidiEvent event;
    VstEvents list{};
};

}  // namespace vst2
