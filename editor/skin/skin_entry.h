// The table the build generates from the painted skin (skin_files.cpp.in).
#pragma once

#include <cstdint>

namespace sorvella::skin_detail {

struct SkinEntry {
    int resourceNumber;
    int scale;
    const std::uint8_t* begin;
    const std::uint8_t* end;
};

extern const SkinEntry kSkinEntries[];
extern const int kSkinEntryCount;
// The resource numbers, ascending.
extern const int kSkinNumbers[];
extern const int kSkinNumberCount;

}  // namespace sorvella::skin_detail
