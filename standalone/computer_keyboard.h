// The computer keyboard as a piano keyboard, by physical key position (Linux evdev key codes, an
// X key code less 8), so that every layout plays the same shape: the bottom letter row from Z
// plays an octave with the row above it as the black keys, the top letter row from Q the octave
// above with the number row as the black keys; "-" and "=" move both rows an octave down or up.
// A note ends on the key's release even when the octave moved meanwhile, and a key the system
// repeats while held does not strike again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace sorvella {

struct ShortMessage {
    std::array<std::uint8_t, 3> bytes{};
};

class ComputerKeyboard {
  public:
    static constexpr std::uint8_t kVelocity = 100;
    static constexpr std::int32_t kMaxShift = 4;  // octaves either way

    // The message a key press or release sends on channel (0..15), if any.
    std::optional<ShortMessage> keyDown(std::uint32_t evdevCode, std::uint8_t channel);
    std::optional<ShortMessage> keyUp(std::uint32_t evdevCode, std::uint8_t channel);
    std::int32_t octaveShift() const { return shift_; }

  private:
    static constexpr std::size_t kCodes = 64;
    // The note each held key started, or -1.
    std::array<std::int16_t, kCodes> held_ = [] {
        std::array<std::int16_t, kCodes> none{};
        none.fill(-1);
        return none;
    }();
    std::int32_t shift_ = 0;
};

// The note of a key at no octave shift, or none for keys that play nothing.
std::optional<std::int32_t> keyboardNote(std::uint32_t evdevCode);
// Whether the key plays a note or moves the octave.
bool isComputerKeyboardKey(std::uint32_t evdevCode);

}  // namespace sorvella
