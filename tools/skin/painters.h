// The painters of the skin's bitmaps. Each paints one frame or state into the box at 0, 0 of the
// context; the catalogue places and clips the frames.
#pragma once

#include <string_view>

#include "tools/skin/painter.h"

namespace sorvella::skin {

void paintMainPage(const Painter& p);
void paintFormantPage(const Painter& p);
void paintCreditsPanel(const Painter& p);

enum class KnobKind { kBluePanel, kOliveSmall, kOliveLarge };
// value 0..1 turns the pointer over the 270-degree arc from the lower left to the lower right.
void paintKnob(const Painter& p, KnobKind kind, Box frame, double value);

// Two-state images: the off (released) state is grey, the on (pressed) state red.
void paintCaptionButton(const Painter& p, Box b, std::string_view caption, bool on);
void paintDigitButton(const Painter& p, Box b, int digit, bool on);
void paintArrowButton(const Painter& p, Box b, bool up, bool on);
void paintCloseButton(const Painter& p, Box b, bool on);
void paintLamp(const Painter& p, Box b, bool on);

}  // namespace sorvella::skin
