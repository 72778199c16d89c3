// The two event lists between the MIDI input and the audio thread. The MIDI callback appends
// each accepted message to the current list, stamped on arrival with a monotonic millisecond
// clock; once per audio block the audio thread hands the current list to the instrument and makes
// the other list current, stamped with the time of the swap. An event then plays in the next
// block at the frame that matches its distance from that stamp: one block of delay, no jitter.
// Both sides hold the lock (lock()) while they touch the lists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "platform/vst2/aeffect.h"

namespace sorvella {

// Milliseconds on the monotonic clock that stamps messages and lists.
std::int64_t midiClockMilliseconds();

// The frame within the block of an event that arrived arrivalMs on the clock, in a list made
// current at listStartMs: (arrival - start) x samplesPerMs, held to 1 .. blockFrames - 1, so an
// event never lands on frame 0 and a late one lands on the last frame.
std::int32_t midiEventOffset(std::int64_t arrivalMs, std::int64_t listStartMs,
                             std::int32_t samplesPerMs, std::int32_t blockFrames);

// Whether a message with this status byte reaches the instrument: note off and on, control and
// program change, pitch bend, on the input channel (kAllChannels: any).
bool acceptedMidiInput(std::uint8_t status, std::int32_t inputChannel);

class MidiInputLists {
  public:
    static constexpr std::int32_t kCapacity = 4096;

    // samplesPerMs: the sample rate / 1000 in whole samples (44 at 44100 Hz).
    MidiInputLists(std::int32_t inputChannel, std::int32_t sampleRate, std::int32_t blockFrames);
    MidiInputLists(const MidiInputLists&) = delete;
    MidiInputLists& operator=(const MidiInputLists&) = delete;

    std::mutex& lock() { return lock_; }

    // MIDI thread: takes the lock itself. Messages that are not accepted, are shorter than their
    // kind, or arrive when the list is full are dropped.
    void receive(const std::uint8_t* message, std::size_t size, std::int64_t arrivalMs);

    // Audio thread, under the lock: the list being filled, and the swap that follows handing it
    // over. The handed-over list stays untouched until the swap after next.
    vst2::VstEvents* currentList() {
        return reinterpret_cast<vst2::VstEvents*>(&lists_[current_].head);
    }
    void swapLists(std::int64_t nowMs);

  private:
    // The VST 2 event list with room for all its pointers; the start time sits in the reserved
    // word.
    struct EventPointers {
        std::int32_t numEvents;
        vst2::intptr reserved;
        vst2::VstEvent* events[kCapacity];
    };
    static_assert(offsetof(EventPointers, events) == offsetof(vst2::VstEvents, events));
    struct List {
        EventPointers head;
        std::array<vst2::VstMidiEvent, kCapacity> records;
    };

    std::mutex lock_;
    std::int32_t inputChannel_;
    std::int32_t samplesPerMs_;
    std::int32_t blockFrames_;
    std::size_t current_ = 0;
    std::array<List, 2> lists_{};
};

}  // namespace sorvella
