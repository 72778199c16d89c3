// The skin's colours. The ink and field colours are the ones the editor's own controls draw with
// (value displays, vowel menus, program name), so the artwork around them is keyed to them.
#pragma once

#include "tools/skin/painter.h"

namespace sorvella::skin::palette {

// Shared with the editor's controls.
constexpr Colour kInk = rgb(50, 52, 35);
constexpr Colour kField = rgb(155, 178, 121);

// The dark chassis the panels sit on.
constexpr Colour kChassisTop = rgb(40, 46, 56);
constexpr Colour kChassisBottom = rgb(22, 26, 33);
constexpr Colour kChassisText = rgb(170, 182, 196);

// Blue panels.
constexpr Colour kBlueTop = rgb(72, 106, 144);
constexpr Colour kBlueBottom = rgb(48, 76, 108);
constexpr Colour kBlueEdge = rgb(18, 28, 42);
constexpr Colour kBlueHighlight = rgb(150, 185, 220, 0.55);
constexpr Colour kBlueGroove = rgb(30, 48, 70);
constexpr Colour kBlueGrooveLight = rgb(110, 145, 182, 0.6);
constexpr Colour kBlueLabel = rgb(226, 234, 244);
constexpr Colour kBlueCaption = rgb(255, 214, 140);

// Olive areas and the screens inside them.
constexpr Colour kOliveTop = rgb(142, 160, 104);
constexpr Colour kOliveBottom = rgb(118, 136, 86);
constexpr Colour kOliveEdge = rgb(52, 60, 34);
constexpr Colour kOliveHighlight = rgb(220, 232, 180, 0.28);
constexpr Colour kScreen = rgb(166, 186, 132);
constexpr Colour kScreenGrid = rgb(101, 104, 69, 0.35);
constexpr Colour kWindowShadow = rgb(30, 36, 20, 0.85);
constexpr Colour kWindowLight = rgb(215, 228, 185, 0.7);

// Buttons: grey when off or released, red when on or pressed.
constexpr Colour kGreyTop = rgb(200, 203, 207);
constexpr Colour kGreyBottom = rgb(142, 146, 152);
constexpr Colour kGreyEdge = rgb(40, 43, 48);
constexpr Colour kGreyText = rgb(34, 36, 40);
constexpr Colour kRedTop = rgb(236, 70, 52);
constexpr Colour kRedBottom = rgb(168, 28, 20);
constexpr Colour kRedEdge = rgb(70, 10, 6);
constexpr Colour kRedText = rgb(255, 246, 238);

// Knobs.
constexpr Colour kCapRim = rgb(128, 134, 144);
constexpr Colour kCapTop = rgb(84, 89, 98);
constexpr Colour kCapBottom = rgb(30, 33, 39);
constexpr Colour kPointer = rgb(250, 250, 246);
constexpr Colour kArcOnBlue = rgb(255, 190, 90);
constexpr Colour kTrackOnBlue = rgb(22, 34, 50, 0.8);
constexpr Colour kArcOnOlive = rgb(176, 40, 26);
constexpr Colour kTrackOnOlive = rgb(58, 66, 38, 0.55);

}  // namespace sorvella::skin::palette
