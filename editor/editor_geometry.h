// Pixel rectangles of the editor's layout and controls: left and top with a width and a height,
// containing the points left <= x < left + width and top <= y < top + height.
#pragma once

#include <cstdint>

namespace sorvella {

struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    std::int32_t right() const { return left + width; }
    std::int32_t bottom() const { return top + height; }
    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= left && x < right() && y >= top && y < bottom();
    }
    bool contains(PixelPoint p) const { return contains(p.x, p.y); }
    bool containsRect(const PixelRect& r) const {
        return r.left >= left && r.top >= top && r.right() <= right() && r.bottom() <= bottom();
    }
    bool operator==(const PixelRect&) const = default;
};

// A square of side `size` centred on a point, as the editors' handles are.
inline PixelRect squareAround(std::int32_t x, std::int32_t y, std::int32_t size) {
    return {x - size / 2, y - size / 2, size, size};
}

}  // namespace sorvella
