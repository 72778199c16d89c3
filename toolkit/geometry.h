// Points, rectangles and colours of the toolkit. Rectangles are half-open: a point is inside when
// left <= x < right and top <= y < bottom. A view's rectangle is in its parent's coordinates.
#pragma once

#include <algorithm>
#include <cstdint>

namespace sorvella {

struct CPoint {
    int32_t h = 0;
    int32_t v = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int32_t x, int32_t y) : h(x), v(y) {}
    CPoint& offset(int32_t dx, int32_t dy) {
        h += dx;
        v += dy;
        return *this;
    }
    bool operator==(const CPoint&) const = default;
};

struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b)
        : left(l), top(t), right(r), bottom(b) {}
    static CRect fromSize(int32_t x, int32_t y, int32_t width, int32_t height) {
        return {x, y, x + width, y + height};
    }

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    CPoint topLeft() const { return {left, top}; }

    CRect& offset(int32_t dx, int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& moveTo(int32_t x, int32_t y) { return offset(x - left, y - top); }
    bool pointInside(const CPoint& p) const {
        return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
    }
    bool intersects(const CRect& r) const {
        return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
    }
    CRect intersection(const CRect& r) const {
        CRect out(std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
                  std::min(bottom, r.bottom));
        if (out.isEmpty()) return {};
        return out;
    }
    CRect united(const CRect& r) const {
        if (isEmpty()) return r;
        if (r.isEmpty()) return *this;
        return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
                std::max(bottom, r.bottom)};
    }
    bool operator==(const CRect&) const = default;
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;
    bool operator==(const CColor&) const = default;
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kGreyCColor{127, 127, 127, 255};
inline constexpr CColor kRedCColor{255, 0, 0, 255};
inline constexpr CColor kTransparentCColor{0, 0, 0, 0};

// Mouse buttons and modifier keys, as one bit set. "Exactly the left button" compares the whole
// set with kLButton, so a held modifier makes it false.
enum CButtonState : int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
};
inline constexpr int32_t kButtonMask = kLButton | kMButton | kRButton;

}  // namespace sorvella
