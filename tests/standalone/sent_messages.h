// A MIDI output that keeps what is sent to it, for the tests of the output port and of the
// instrument's MIDI out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "standalone/midi_ports.h"

namespace sorvella {

class SentMessages final : public MidiSender {
  public:
    explicit SentMessages(std::vector<std::vector<std::uint8_t>>& sent) : sent_(sent) {}
    void send(const std::uint8_t* message, std::size_t size) override {
        sent_.emplace_back(message, message + size);
    }

  private:
    std::vector<std::vector<std::uint8_t>>& sent_;
};

}  // namespace sorvella
