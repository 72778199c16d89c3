// The editor's skin: its bitmaps as PNG files (with alpha) embedded in the binary, looked up by
// resource number. Each exists at scale 1 (the sizes the editor's layout is made for) and at
// scale 2 (twice as wide and high, for high-density screens; other scales such as 1.5 are drawn
// from the scale-2 image).
#pragma once

#include <cstdint>
#include <span>

namespace sorvella {

// The PNG file of a bitmap, or an empty span when there is no bitmap of that number or scale.
std::span<const std::uint8_t> skinPng(int resourceNumber, int scale);

// Every resource number there is a bitmap for, in ascending order: the editor's 22 and the
// standalone program's SETUP (149) and WAV (150) buttons.
std::span<const int> skinResourceNumbers();

}  // namespace sorvella
