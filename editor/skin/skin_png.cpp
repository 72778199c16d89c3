#include "editor/skin/skin_png.h"

#include "skin_entry.h"

namespace sorvella {

std::span<const std::uint8_t> skinPng(int resourceNumber, int scale) {
    using skin_detail::kSkinEntries;
    for (int i = 0; i < skin_detail::kSkinEntryCount; ++i) {
        const skin_detail::SkinEntry& e = kSkinEntries[i];
        if (e.resourceNumber == resourceNumber && e.scale == scale)
            return {e.begin, static_cast<std::size_t>(e.end - e.begin)};
    }
    return {};
}

std::span<const int> skinResourceNumbers() {
    return {skin_detail::kSkinNumbers, static_cast<std::size_t>(skin_detail::kSkinNumberCount)};
}

}  // namespace sorvella
