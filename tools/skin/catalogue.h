// Every bitmap of the skin: resource number, size, layout and painter.
#pragma once

#include <functional>
#include <vector>

#include "tools/skin/painter.h"

namespace sorvella::skin {

enum class Layout {
    kSingle,     // one image
    kTwoStates,  // off or released above, on or pressed below
    kFilm,       // knob frames stacked from top to bottom
};

struct SkinBitmap {
    int number;
    int width, height;
    Layout layout;
    int frames;  // 1, 2, or the film's frame count
    // Paints frame or state `index` into `box` (the frame's own rectangle at 0, 0).
    std::function<void(const Painter&, Box box, int index)> paint;
};

const std::vector<SkinBitmap>& skinCatalogue();

// Renders a bitmap at an integer scale into a new ARGB image surface (owned by the caller).
cairo_surface_t* renderBitmap(const SkinBitmap& bitmap, const Fonts& fonts, int scale);

}  // namespace sorvella::skin
