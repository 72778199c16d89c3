// Pieces the two page backgrounds and the credits panel share: the chassis, blue panels with
// engraved dividers and captions, olive areas with sunken screens, and the value windows.
#pragma once

#include <string_view>
#include <vector>

#include "tools/skin/painter.h"

namespace sorvella::skin {

struct Point {
    double x, y;
};

void paintChassis(const Painter& p, Box b);
void paintBluePanel(const Painter& p, Box b);
// An area given as a right-angled outline (clockwise corners), rounded at every corner.
void paintOliveArea(const Painter& p, const std::vector<Point>& outline);
// The screen a control draws on: sunken, light olive.
void paintScreen(const Painter& p, Box control);
// The window behind a value display (28 x 9) or a text field: the field colour, sunken.
void paintValueWindow(const Painter& p, Box display);
// An engraved vertical line on a blue panel.
void paintDivider(const Painter& p, double x, double top, double bottom);
// A section caption centred between left and right, with a rule on either side.
void paintSectionCaption(const Painter& p, std::string_view caption, double left, double right,
                         double baseline);
// The small caption under a knob or a pair of step buttons on a blue panel.
void paintKnobLabel(const Painter& p, std::string_view label, double centreX, double baseline);
// A small triangle pointing right, its left edge at x and centred on y.
void paintArrowMark(const Painter& p, double x, double y, Colour c);
// A caption on an olive area.
void paintOliveLabel(const Painter& p, std::string_view label, double x, double baseline,
                     Align align = Align::kLeft);

}  // namespace sorvella::skin
