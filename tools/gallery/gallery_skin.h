// Stand-in artwork for the gallery: a knob film, two-state buttons and a panel, drawn with cairo,
// at scale 1 or with more pixels for a HiDPI frame.
#pragma once

#include <cstdint>

#include "toolkit/bitmap.h"

namespace sorvella::gallery {

// frames pictures of a knob of side pixels, the pointer sweeping the 270-degree arc from the
// lower left (frame 0) over the top to the lower right (the last frame); transparent corners.
CBitmap* makeKnobFilm(int32_t frames, int32_t side, double scale = 1.0);
// A button with a label: the upper half grey (off), the lower half red (on).
CBitmap* makeTwoStateButton(int32_t width, int32_t height, const char* label, double scale = 1.0);
// A background panel with a caption.
CBitmap* makePanel(int32_t width, int32_t height, const char* caption, double scale = 1.0);

}  // namespace sorvella::gallery
