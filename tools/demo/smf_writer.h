// A small Standard MIDI File writer: tracks of events at absolute ticks, encoded with delta
// times, optional running status and an end-of-track event.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvella {

void appendVlq(std::vector<std::uint8_t>& out, std::uint32_t value);

class SmfTrack {
  public:
    // Raw event bytes: a channel message, a meta event (FF type length data) or a SysEx event.
    // Events at the same tick keep the order they were added in.
    void add(std::uint64_t tick, std::vector<std::uint8_t> bytes);

    void noteOn(std::uint64_t tick, int channel, int key, int velocity);
    void noteOff(std::uint64_t tick, int channel, int key);
    void controller(std::uint64_t tick, int channel, int number, int value);
    void programChange(std::uint64_t tick, int channel, int program);
    // value 0..16383, 8192 is the centre
    void pitchBend(std::uint64_t tick, int channel, int value);
    void tempo(std::uint64_t tick, std::uint32_t microsPerQuarter);
    void meta(std::uint64_t tick, std::uint8_t type, const std::string& text);

    // The MTrk chunk. Running status is dropped after meta and SysEx events, as the format asks.
    std::vector<std::uint8_t> encode(bool runningStatus) const;

  private:
    struct Event {
        std::uint64_t tick;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Event> events_;
};

std::vector<std::uint8_t> encodeSmf(int format, int division, const std::vector<SmfTrack>& tracks,
                                    bool runningStatus = true);

}  // namespace sorvella
