// Reads back the fields of a WAV file for the renderer's tests.
#pragma once

#include <cstdint>
#include <vector>

namespace sorvella::test {

inline std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | (std::uint32_t{b.at(at + 1)} << 8);
}
inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return le16(b, at) | (le16(b, at + 2) << 16);
}
inline std::int32_t pcm16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int16_t>(le16(b, at));
}

}  // namespace sorvella::test
