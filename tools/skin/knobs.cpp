#include <algorithm>
#include <cmath>

#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace sorvella::skin {

namespace {

// Screen angle (radians, clockwise from the positive x axis) of a knob value: 0 points to the
// lower left, 0.5 straight up, 1 to the lower right.
double pointerAngle(double value) {
    return (135.0 + 270.0 * value) * M_PI / 180.0;
}

void fillCircle(cairo_t* cr, double x, double y, double r, cairo_pattern_t* source) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_set_source(cr, source);
    cairo_fill(cr);
}

cairo_pattern_t* linear(double y0, double y1, Colour top, Colour bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    return p;
}

}  // namespace

void paintKnob(const Painter& p, KnobKind kind, Box frame, double value) {
    namespace pal = palette;
    cairo_t* cr = p.cr();
    // All sizes follow the frame: the small films are 34 pixels high, the large one 44.
    const double s = std::min(frame.w, frame.h) / 34.0;
    const double cx = frame.centreX(), cy = frame.centreY();
    const double ringRadius = 14.4 * s, ringWidth = 2.3 * s;
    const double capRadius = 10.4 * s;
    const bool onBlue = kind == KnobKind::kBluePanel;

    // The scale ring: a dark track over the whole arc and the lit part up to the value.
    const double start = pointerAngle(0.0), end = pointerAngle(1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_width(cr, ringWidth);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, ringRadius, start, end);
    p.setColour(onBlue ? pal::kTrackOnBlue : pal::kTrackOnOlive);
    cairo_stroke(cr);
    if (value > 0.0) {
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, ringRadius, start, pointerAngle(value));
        p.setColour(onBlue ? pal::kArcOnBlue : pal::kArcOnOlive);
        cairo_stroke(cr);
    }
    // End stops of the scale: short ticks just outside the ring at the minimum and maximum.
    for (double a : {start, end}) {
        const double r0 = ringRadius - ringWidth / 2, r1 = ringRadius + ringWidth / 2 + 0.6 * s;
        p.line(cx + r0 * std::cos(a), cy + r0 * std::sin(a), cx + r1 * std::cos(a),
               cy + r1 * std::sin(a), onBlue ? pal::kBlueLabel : pal::kInk, 1.0 * s);
    }

    // The cap: a soft shadow, a bright rim and a darker brushed face.
    cairo_pattern_t* shadow = cairo_pattern_create_radial(cx, cy + 1.2 * s, capRadius * 0.8, cx,
                                                          cy + 1.2 * s, capRadius + 1.8 * s);
    cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0.0);
    fillCircle(cr, cx, cy + 1.2 * s, capRadius + 1.8 * s, shadow);
    cairo_pattern_destroy(shadow);

    cairo_pattern_t* rim = linear(cy - capRadius, cy + capRadius, pal::kCapRim, rgb(40, 43, 50));
    fillCircle(cr, cx, cy, capRadius, rim);
    cairo_pattern_destroy(rim);
    const double faceRadius = capRadius - 1.3 * s;
    cairo_pattern_t* face = linear(cy - faceRadius, cy + faceRadius, pal::kCapTop, pal::kCapBottom);
    fillCircle(cr, cx, cy, faceRadius, face);
    cairo_pattern_destroy(face);
    // A faint sheen on the upper half of the face.
    cairo_pattern_t* sheen = cairo_pattern_create_radial(cx, cy - faceRadius * 0.6, 0, cx,
                                                         cy - faceRadius * 0.6, faceRadius);
    cairo_pattern_add_color_stop_rgba(sheen, 0, 1, 1, 1, 0.18);
    cairo_pattern_add_color_stop_rgba(sheen, 1, 1, 1, 1, 0.0);
    fillCircle(cr, cx, cy, faceRadius, sheen);
    cairo_pattern_destroy(sheen);

    // The pointer, from near the centre to just inside the rim.
    const double a = pointerAngle(value);
    const double r0 = capRadius * 0.3, r1 = capRadius * 0.86;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 2.0 * s);
    cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
    cairo_line_to(cr, cx + r1 * std::cos(a), cy + r1 * std::sin(a));
    p.setColour(pal::kPointer);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

}  // namespace sorvella::skin
