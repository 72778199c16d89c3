// The block's MIDI events, copied out of the host's list into fixed storage so that nothing reads
// the host's list after the call that handed it over. Events timed beyond the block are handled
// as the next block starts.
#pragma once

#include <array>
#include <cstdint>

#include "platform/vst2/aeffect.h"

namespace sorvella {

struct MidiEvent {
    std::int32_t deltaFrames = 0;
    std::uint8_t data[3] = {};
};

class MidiEventQueue {
  public:
    static constexpr std::int32_t kCapacity = 4096;

    // Appends the MIDI events of a host list in order, keeping the queue sorted by time (events
    // with equal times keep their order). Events beyond the capacity are dropped.
    void append(const vst2::VstEvents& events);
    void push(std::int32_t deltaFrames, std::uint8_t status, std::uint8_t data1,
              std::uint8_t data2);

    bool hasDue(std::int32_t position) const {
        return read_ < count_ && events_[static_cast<std::size_t>(read_)].deltaFrames <= position;
    }
    const MidiEvent& take() { return events_[static_cast<std::size_t>(read_++)]; }
    // The time of the next event, or limit when it lies at or beyond it.
    std::int32_t nextTime(std::int32_t limit) const {
        if (read_ >= count_) return limit;
        std::int32_t t = events_[static_cast<std::size_t>(read_)].deltaFrames;
        return t < limit ? t : limit;
    }
    // Drops the handled events; the rest fall due at the start of the next block.
    void finishBlock(std::int32_t frames);
    void clear() { count_ = read_ = 0; }
    std::int32_t size() const { return count_ - read_; }

  private:
    void insertSorted(const MidiEvent& event);

    std::array<MidiEvent, kCapacity> events_{};
    std::int32_t count_ = 0;
    std::int32_t read_ = 0;
};

}  // namespace sorvella
