// Notes from the computer keyboard: by physical key, with octave keys, held keys not repeating
// and each release ending the note its press started.
#include <gtest/gtest.h>

#include "standalone/computer_keyboard.h"

namespace sorvella {
namespace {

constexpr std::uint32_t kZ = 44, kS = 31, kQ = 16, kP = 25, kMinus = 12, kEqual = 13, kF = 33;

std::array<std::uint8_t, 3> bytes(const std::optional<ShortMessage>& m) {
    return m ? m->bytes : std::array<std::uint8_t, 3>{};
}

TEST(ComputerKeyboard, KeysPlayNotesByPosition) {
    ComputerKeyboard keys;
    using B = std::array<std::uint8_t, 3>;
    EXPECT_EQ(bytes(keys.keyDown(kZ, 2)), (B{0x92, 48, 100}));
    EXPECT_FALSE(keys.keyDown(kZ, 2)) << "a repeated key does not strike again";
    EXPECT_EQ(bytes(keys.keyDown(kS, 0)), (B{0x90, 49, 100}));
    EXPECT_FALSE(keys.keyDown(kEqual, 0));
    EXPECT_EQ(bytes(keys.keyDown(kQ, 0)), (B{0x90, 72, 100}));
    EXPECT_EQ(bytes(keys.keyUp(kZ, 2)), (B{0x82, 48, 0})) << "the note it started";
    EXPECT_FALSE(keys.keyUp(kZ, 2));
    EXPECT_FALSE(keys.keyDown(kF, 0)) << "F is not a piano key";
    EXPECT_FALSE(isComputerKeyboardKey(kF));
    EXPECT_TRUE(isComputerKeyboardKey(kMinus));

    for (int i = 0; i < 10; ++i)
        keys.keyDown(kEqual, 0);
    EXPECT_EQ(keys.octaveShift(), ComputerKeyboard::kMaxShift);
    EXPECT_EQ(bytes(keys.keyDown(kP, 0)), (B{0x90, 76 + 48, 100}));
    for (int i = 0; i < 10; ++i)
        keys.keyDown(kMinus, 0);
    EXPECT_EQ(keys.octaveShift(), -ComputerKeyboard::kMaxShift);
    EXPECT_EQ(bytes(keys.keyDown(kZ, 0)), (B{0x90, 0, 100}));
}

}  // namespace
}  // namespace sorvella
