#include "standalone/midi_input_lists.h"

#include <chrono>
#include <cstring>

#include "standalone/device_setup.h"

namespace sorvella {

std::int64_t midiClockMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int32_t midiEventOffset(std::int64_t arrivalMs, std::int64_t listStartMs,
                             std::int32_t samplesPerMs, std::int32_t blockFrames) {
    if (blockFrames <= 1) return 0;
    const std::int64_t offset = (arrivalMs - listStartMs) * samplesPerMs;
    if (offset >= blockFrames) return blockFrames - 1;
    if (offset <= 0) return 1;
    return static_cast<std::int32_t>(offset);
}

bool acceptedMidiInput(std::uint8_t status, std::int32_t inputChannel) {
    if (inputChannel != kAllChannels && (status & 0x0F) != inputChannel) return false;
    switch (status & 0xF0) {
        case 0x80:
        case 0x90:
        case 0xB0:
        case 0xC0:
        case 0xE0:
            return true;
        default:
            return false;
    }
}

MidiInputLists::MidiInputLists(std::int32_t inputChannel, std::int32_t sampleRate,
                               std::int32_t blockFrames)
    : inputChannel_(inputChannel),
      samplesPerMs_(sampleRate > 0 ? sampleRate / 1000 : 0),
      blockFrames_(blockFrames) {
    for (List& list : lists_) {
        vst2::VstEvent** slots = list.head.events;
        for (std::size_t i = 0; i < kCapacity; ++i)
            slots[i] = reinterpret_cast<vst2::VstEvent*>(&list.records[i]);
    }
}

void MidiInputLists::receive(const std::uint8_t* message, std::size_t size,
                             std::int64_t arrivalMs) {
    if (!message || size == 0 || !acceptedMidiInput(message[0], inputChannel_)) return;
    // Program change carries one data byte, the other accepted kinds two.
    const std::size_t needed = (message[0] & 0xF0) == 0xC0 ? 2 : 3;
    if (size < needed) return;

    std::lock_guard guard(lock_);
    List& list = lists_[current_];
    if (list.head.numEvents >= kCapacity) return;
    vst2::VstMidiEvent& e = list.records[static_cast<std::size_t>(list.head.numEvents)];
    e = vst2::VstMidiEvent{};
    e.type = vst2::kVstMidiType;
    e.byteSize = 24;
    e.deltaFrames = midiEventOffset(arrivalMs, list.head.reserved, samplesPerMs_, blockFrames_);
    e.midiData[0] = static_cast<char>(message[0]);
    e.midiData[1] = static_cast<char>(message[1] & 0x7F);
    e.midiData[2] = needed == 3 ? static_cast<char>(message[2] & 0x7F) : 0;
    ++list.head.numEvents;
}

void MidiInputLists::swapLists(std::int64_t nowMs) {
    current_ = 1 - current_;
    lists_[current_].head.numEvents = 0;
    lists_[current_].head.reserved = static_cast<vst2::intptr>(nowMs);
}

}  // namespace sorvella
