// A contact sheet of the whole skin for review: every bitmap with its resource number and size,
// knob films as five of their frames, two-state images with both states side by side.
#pragma once

#include <utility>
#include <vector>

#include "tools/skin/catalogue.h"

namespace sorvella::skin {

// renders: each bitmap with its scale-1 image. Returns a new surface owned by the caller.
cairo_surface_t* paintContactSheet(
    const std::vector<std::pair<const SkinBitmap*, cairo_surface_t*>>& renders, const Fonts& fonts);

}  // namespace sorvella::skin
