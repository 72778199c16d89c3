#include "tools/gallery/gallery_skin.h"

#include <cairo.h>

#include <cmath>

#include "toolkit/font.h"

namespace sorvella::gallery {
namespace {

void caption(cairo_t* cr, const char* text, double size, double x, double y, double width,
             double height) {
    cairo_set_font_face(cr, embeddedFontFace());
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_move_to(cr, std::round(x + (width - extents.x_advance) / 2),
                  std::round(y + (height + extents.height) / 2));
    cairo_show_text(cr, text);
}

}  // namespace

CBitmap* makeKnobFilm(int32_t frames, int32_t side, double scale) {
    auto* film = new CBitmap(side, frames * side, scale);
    cairo_t* cr = cairo_create(film->surface());
    cairo_scale(cr, scale, scale);
    const double r = side / 2.0 - 2.0;
    for (int32_t i = 0; i < frames; ++i) {
        const double cx = side / 2.0;
        const double cy = i * side + side / 2.0;
        cairo_pattern_t* body = cairo_pattern_create_radial(cx - r / 3, cy - r / 3, 1, cx, cy, r);
        cairo_pattern_add_color_stop_rgb(body, 0, 0.55, 0.58, 0.62);
        cairo_pattern_add_color_stop_rgb(body, 1, 0.16, 0.18, 0.22);
        cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
        cairo_set_source(cr, body);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(body);
        cairo_set_source_rgb(cr, 0.08, 0.08, 0.1);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        const double degrees = 225.0 - 270.0 * i / (frames - 1);
        const double a = degrees * M_PI / 180.0;
        cairo_set_source_rgb(cr, 0.96, 0.82, 0.35);
        cairo_set_line_width(cr, 2.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, cx + 0.3 * r * std::cos(a), cy - 0.3 * r * std::sin(a));
        cairo_line_to(cr, cx + 0.85 * r * std::cos(a), cy - 0.85 * r * std::sin(a));
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    return film;
}

CBitmap* makeTwoStateButton(int32_t width, int32_t height, const char* label, double scale) {
    auto* button = new CBitmap(width, 2 * height, scale);
    cairo_t* cr = cairo_create(button->surface());
    cairo_scale(cr, scale, scale);
    for (int32_t state = 0; state < 2; ++state) {
        const double top = state * height;
        if (state == 0) {
            cairo_set_source_rgb(cr, 0.62, 0.63, 0.60);
        } else {
            cairo_set_source_rgb(cr, 0.78, 0.16, 0.14);
        }
        cairo_rectangle(cr, 0.5, top + 0.5, width - 1, height - 1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.15, 0.15, 0.13);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, state == 0 ? 0.1 : 1.0, state == 0 ? 0.1 : 1.0,
                             state == 0 ? 0.1 : 1.0);
        caption(cr, label, height * 0.6, 0, top, width, height);
    }
    cairo_destroy(cr);
    return button;
}

CBitmap* makePanel(int32_t width, int32_t height, const char* text, double scale) {
    auto* panel = new CBitmap(width, height, scale);
    cairo_t* cr = cairo_create(panel->surface());
    cairo_scale(cr, scale, scale);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(shade, 0, 0.27, 0.38, 0.50);
    cairo_pattern_add_color_stop_rgb(shade, 1, 0.16, 0.24, 0.33);
    cairo_set_source(cr, shade);
    cairo_paint(cr);
    cairo_pattern_destroy(shade);
    cairo_set_source_rgb(cr, 0.61, 0.70, 0.47);
    if (height > 150) {
        cairo_rectangle(cr, 8, height - 120, width - 16, 112);
        cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0.9, 0.92, 0.85);
    caption(cr, text, 14, 0, 4, width, 18);
    cairo_destroy(cr);
    return panel;
}

}  // namespace sorvella::gallery
