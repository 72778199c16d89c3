// Builds and reads the big-endian words of FX patch and bank files for the renderer's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sorvella::test {

inline std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
           (std::uint32_t{b.at(at + 2)} << 8) | std::uint32_t{b.at(at + 3)};
}

inline std::string textAt(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

// Appends words, floats and raw text, in file order.
class FxBytes {
  public:
    FxBytes& word(std::uint32_t w) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(w >> shift));
        return *this;
    }
    FxBytes& value(float v) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        return word(bits);
    }
    FxBytes& text(const std::string& t) {
        bytes.insert(bytes.end(), t.begin(), t.end());
        return *this;
    }
    // A fixed-size field: the text, then zeros.
    FxBytes& field(const std::string& t, std::size_t size) {
        text(t);
        bytes.insert(bytes.end(), size - t.size(), 0);
        return *this;
    }
    FxBytes& zeros(std::size_t n) {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
    FxBytes& append(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    std::vector<std::uint8_t> bytes;
};

// One FxCk record (or patch file) with the given values; its byte size excludes the first 8.
inline std::vector<std::uint8_t> fxProgramRecord(const std::string& name,
                                                 const std::vector<float>& values,
                                                 std::uint32_t fxId, std::uint32_t fxVersion) {
    FxBytes r;
    r.text("CcnK").word(48 + 4 * static_cast<std::uint32_t>(values.size())).text("FxCk").word(1);
    r.word(fxId).word(fxVersion).word(static_cast<std::uint32_t>(values.size()));
    r.field(name, 28);
    for (float v : values)
        r.value(v);
    return r.bytes;
}

}  // namespace sorvella::test
