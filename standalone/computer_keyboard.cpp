#include "standalone/computer_keyboard.h"

namespace sorvella {

namespace {

constexpr std::uint32_t kKeyMinus = 12;
constexpr std::uint32_t kKeyEqual = 13;
constexpr std::int32_t kLowerC = 48;  // Z
constexpr std::int32_t kUpperC = 60;  // Q

struct KeyNote {
    std::uint32_t code;
    std::int32_t note;
};

constexpr KeyNote kKeys[] = {
    // Bottom rows: Z S X D C V G B H N J M , L . ; /
    {44, kLowerC + 0},
    {31, kLowerC + 1},
    {45, kLowerC + 2},
    {32, kLowerC + 3},
    {46, kLowerC + 4},
    {47, kLowerC + 5},
    {34, kLowerC + 6},
    {48, kLowerC + 7},
    {35, kLowerC + 8},
    {49, kLowerC + 9},
    {36, kLowerC + 10},
    {50, kLowerC + 11},
    {51, kLowerC + 12},
    {38, kLowerC + 13},
    {52, kLowerC + 14},
    {39, kLowerC + 15},
    {53, kLowerC + 16},
    // Top rows: Q 2 W 3 E R 5 T 6 Y 7 U I 9 O 0 P
    {16, kUpperC + 0},
    {3, kUpperC + 1},
    {17, kUpperC + 2},
    {4, kUpperC + 3},
    {18, kUpperC + 4},
    {19, kUpperC + 5},
    {6, kUpperC + 6},
    {20, kUpperC + 7},
    {7, kUpperC + 8},
    {21, kUpperC + 9},
    {8, kUpperC + 10},
    {22, kUpperC + 11},
    {23, kUpperC + 12},
    {10, kUpperC + 13},
    {24, kUpperC + 14},
    {11, kUpperC + 15},
    {25, kUpperC + 16},
};

}  // namespace

std::optional<std::int32_t> keyboardNote(std::uint32_t evdevCode) {
    for (const KeyNote& k : kKeys) {
        if (k.code == evdevCode) return k.note;
    }
    return std::nullopt;
}

bool isComputerKeyboardKey(std::uint32_t evdevCode) {
    return evdevCode == kKeyMinus || evdevCode == kKeyEqual || keyboardNote(evdevCode).has_value();
}

std::optional<ShortMessage> ComputerKeyboard::keyDown(std::uint32_t evdevCode,
                                                      std::uint8_t channel) {
    if (evdevCode == kKeyMinus || evdevCode == kKeyEqual) {
        const std::int32_t step = evdevCode == kKeyMinus ? -1 : 1;
        if (shift_ + step >= -kMaxShift && shift_ + step <= kMaxShift) shift_ += step;
        return std::nullopt;
    }
    const std::optional<std::int32_t> base = keyboardNote(evdevCode);
    if (!base || evdevCode >= kCodes || held_[evdevCode] >= 0) return std::nullopt;
    const std::int32_t note = *base + 12 * shift_;
    if (note < 0 || note > 127) return std::nullopt;
    held_[evdevCode] = static_cast<std::int16_t>(note);
    return ShortMessage{{static_cast<std::uint8_t>(0x90 | (channel & 0x0F)),
                         static_cast<std::uint8_t>(note), kVelocity}};
}

std::optional<ShortMessage> ComputerKeyboard::keyUp(std::uint32_t evdevCode, std::uint8_t channel) {
    if (evdevCode >= kCodes || held_[evdevCode] < 0) return std::nullopt;
    const auto note = static_cast<std::uint8_t>(held_[evdevCode]);
    held_[evdevCode] = -1;
    return ShortMessage{{static_cast<std::uint8_t>(0x80 | (channel & 0x0F)), note, 0}};
}

}  // namespace sorvella
