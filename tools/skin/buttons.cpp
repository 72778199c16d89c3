#include <cmath>
#include <string>

#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace sorvella::skin {

namespace {

// The body every button shares: an outlined rounded key, grey and raised when off, red and
// pressed in (lit from below, shifted half a pixel) when on.
void paintKey(const Painter& p, Box b, bool on, double radius) {
    namespace pal = palette;
    p.fillRoundedRect(b, radius + 0.5, on ? pal::kRedEdge : pal::kGreyEdge);
    const Box body = b.inset(1);
    p.fillVertical(body, radius, on ? pal::kRedBottom : pal::kGreyTop,
                   on ? pal::kRedTop : pal::kGreyBottom);
    // A highlight line along the lit edge: the top when raised, the bottom when pressed.
    const double y = on ? body.bottom() - 0.5 : body.y + 0.5;
    p.line(body.x + radius * 0.5, y, body.right() - radius * 0.5, y,
           on ? rgb(255, 150, 130, 0.8) : rgb(255, 255, 255, 0.75));
}

}  // namespace

void paintCaptionButton(const Painter& p, Box b, std::string_view caption, bool on) {
    paintKey(p, b, on, 2.5);
    TextStyle style{Face::kBold, 8.0, on ? palette::kRedText : palette::kGreyText, 0.7};
    Box label = b;
    if (on) label.y += 0.5;
    p.textIn(caption, label, style);
}

void paintDigitButton(const Painter& p, Box b, int digit, bool on) {
    paintKey(p, b, on, 2.0);
    TextStyle style{Face::kBold, 10.0, on ? palette::kRedText : palette::kGreyText};
    Box label = b;
    if (on) label.y += 0.5;
    p.textIn(std::to_string(digit), label, style);
}

void paintArrowButton(const Painter& p, Box b, bool up, bool on) {
    paintKey(p, b, on, 1.5);
    cairo_t* cr = p.cr();
    const double cx = b.centreX(), cy = b.centreY() + (on ? 0.5 : 0.0);
    const double half = 2.6, rise = up ? -1.6 : 1.6;
    cairo_move_to(cr, cx - half, cy - rise);
    cairo_line_to(cr, cx + half, cy - rise);
    cairo_line_to(cr, cx, cy + rise);
    cairo_close_path(cr);
    p.setColour(on ? palette::kRedText : palette::kGreyText);
    cairo_fill(cr);
}

void paintCloseButton(const Painter& p, Box b, bool on) {
    paintKey(p, b, on, 1.5);
    const double cx = b.centreX(), cy = b.centreY() + (on ? 0.5 : 0.0), d = 2.2;
    cairo_set_line_cap(p.cr(), CAIRO_LINE_CAP_ROUND);
    const Colour ink = on ? palette::kRedText : palette::kGreyText;
    p.line(cx - d, cy - d, cx + d, cy + d, ink, 1.4);
    p.line(cx - d, cy + d, cx + d, cy - d, ink, 1.4);
}

void paintLamp(const Painter& p, Box b, bool on) {
    cairo_t* cr = p.cr();
    const double cx = b.centreX(), cy = b.centreY(), r = std::fmin(b.w, b.h) / 2 - 0.5;
    // Bezel.
    cairo_pattern_t* bezel = cairo_pattern_create_linear(0, cy - r, 0, cy + r);
    cairo_pattern_add_color_stop_rgb(bezel, 0, 0.12, 0.13, 0.15);
    cairo_pattern_add_color_stop_rgb(bezel, 1, 0.62, 0.65, 0.70);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, bezel);
    cairo_fill(cr);
    cairo_pattern_destroy(bezel);
    // Lens: deep red and dark when off, glowing red when lit.
    const double lens = r - 1.2;
    cairo_pattern_t* glass =
        cairo_pattern_create_radial(cx - lens * 0.3, cy - lens * 0.35, 0, cx, cy, lens);
    if (on) {
        cairo_pattern_add_color_stop_rgb(glass, 0, 1.0, 0.86, 0.78);
        cairo_pattern_add_color_stop_rgb(glass, 0.35, 1.0, 0.28, 0.18);
        cairo_pattern_add_color_stop_rgb(glass, 1, 0.72, 0.06, 0.03);
    } else {
        cairo_pattern_add_color_stop_rgb(glass, 0, 0.45, 0.22, 0.20);
        cairo_pattern_add_color_stop_rgb(glass, 0.4, 0.28, 0.07, 0.05);
        cairo_pattern_add_color_stop_rgb(glass, 1, 0.14, 0.03, 0.02);
    }
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, lens, 0, 2 * M_PI);
    cairo_set_source(cr, glass);
    cairo_fill(cr);
    cairo_pattern_destroy(glass);
}

}  // namespace sorvella::skin
