#include "standalone/app_icon.h"

#include <cairo.h>

#include <cmath>

namespace sorvella {

namespace {

// Three resonance peaks of a sung vowel over a falling slope, 0..1 across and up.
double formantCurve(double x) {
    const double peaks[][3] = {{0.18, 0.055, 0.85}, {0.45, 0.07, 0.6}, {0.72, 0.06, 0.42}};
    double y = 0.12 * (1.0 - x);
    for (const auto& p : peaks) {
        const double d = (x - p[0]) / p[1];
        y += p[2] / (1.0 + d * d);
    }
    return y;
}

void roundedSquare(cairo_t* cr, double inset, double size, double radius) {
    const double a = inset;
    const double b = size - inset;
    cairo_new_sub_path(cr);
    cairo_arc(cr, b - radius, a + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, b - radius, b - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, a + radius, b - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, a + radius, a + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

}  // namespace

cairo_surface_t* paintAppIcon(int size) {
    const double s = size;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);

    roundedSquare(cr, s * 0.04, s, s * 0.16);
    cairo_pattern_t* panel = cairo_pattern_create_linear(0, 0, 0, s);
    cairo_pattern_add_color_stop_rgb(panel, 0.0, 0.25, 0.38, 0.55);
    cairo_pattern_add_color_stop_rgb(panel, 1.0, 0.13, 0.21, 0.32);
    cairo_set_source(cr, panel);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(panel);
    cairo_set_source_rgb(cr, 0.07, 0.09, 0.12);
    cairo_set_line_width(cr, s * 0.03);
    cairo_stroke(cr);

    // The curve inside an olive screen.
    const double left = s * 0.16;
    const double right = s * 0.84;
    const double bottom = s * 0.80;
    const double height = s * 0.56;
    cairo_rectangle(cr, left - s * 0.04, bottom - height - s * 0.04, right - left + s * 0.08,
                    height + s * 0.08);
    cairo_set_source_rgb(cr, 0.50, 0.55, 0.36);
    cairo_fill(cr);
    cairo_move_to(cr, left, bottom);
    for (int i = 0; i <= 200; ++i) {
        const double x = i / 200.0;
        cairo_line_to(cr, left + x * (right - left), bottom - height * formantCurve(x));
    }
    cairo_line_to(cr, right, bottom);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.78, 0.85, 0.56);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.96, 0.98, 0.86);
    cairo_set_line_width(cr, s * 0.02);
    cairo_stroke(cr);

    cairo_destroy(cr);
    return surface;
}

}  // namespace sorvella
