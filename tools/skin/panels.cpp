#include "tools/skin/panels.h"

#include <cmath>

#include "tools/skin/palette.h"

namespace sorvella::skin {

namespace pal = palette;

void paintChassis(const Painter& p, Box b) {
    p.fillVertical(b, 0, pal::kChassisTop, pal::kChassisBottom);
    // A fine brushed grain, barely visible, so the dark metal does not look flat.
    for (double y = b.y + 1.5; y < b.bottom(); y += 3) {
        const double shade = 0.018 + 0.012 * std::sin(y * 0.7);
        p.line(b.x, y, b.right(), y, rgb(255, 255, 255, shade));
    }
}

void paintBluePanel(const Painter& p, Box b) {
    p.fillRoundedRect({b.x + 0.5, b.y + 1.5, b.w, b.h}, 5, rgb(0, 0, 0, 0.45));
    p.fillRoundedRect(b, 5, pal::kBlueEdge);
    p.fillVertical(b.inset(1), 4, pal::kBlueTop, pal::kBlueBottom);
    p.line(b.x + 5, b.y + 1.5, b.right() - 5, b.y + 1.5, pal::kBlueHighlight);
}

namespace {

// The outline as a closed path whose corners are rounded with radius r, whether they turn
// outwards or inwards.
void outlinePath(cairo_t* cr, const std::vector<Point>& outline, double r) {
    const std::size_t n = outline.size();
    cairo_new_path(cr);
    for (std::size_t i = 0; i < n; ++i) {
        const Point prev = outline[(i + n - 1) % n], at = outline[i], next = outline[(i + 1) % n];
        const double inX = at.x - prev.x, inY = at.y - prev.y;
        const double outX = next.x - at.x, outY = next.y - at.y;
        const double inLength = std::hypot(inX, inY), outLength = std::hypot(outX, outY);
        const Point before{at.x - inX / inLength * r, at.y - inY / inLength * r};
        const Point after{at.x + outX / outLength * r, at.y + outY / outLength * r};
        if (i == 0)
            cairo_move_to(cr, before.x, before.y);
        else
            cairo_line_to(cr, before.x, before.y);
        // A quarter circle through the corner, drawn as a Bezier with the usual constant.
        const double k = 0.5523;
        cairo_curve_to(cr, before.x + (at.x - before.x) * k, before.y + (at.y - before.y) * k,
                       after.x + (at.x - after.x) * k, after.y + (at.y - after.y) * k, after.x,
                       after.y);
    }
    cairo_close_path(cr);
}

std::vector<Point> shrink(const std::vector<Point>& outline, double d) {
    // Moves each edge inwards by d; for a clockwise right-angled outline the inward side of an
    // edge is to its right in screen coordinates.
    const std::size_t n = outline.size();
    std::vector<Point> result(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point prev = outline[(i + n - 1) % n], at = outline[i], next = outline[(i + 1) % n];
        auto inward = [d](Point a, Point b) {
            const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
            return Point{-dy / length * d, dx / length * d};
        };
        const Point a = inward(prev, at), b = inward(at, next);
        result[i] = {at.x + a.x + b.x, at.y + a.y + b.y};
    }
    return result;
}

}  // namespace

void paintOliveArea(const Painter& p, const std::vector<Point>& outline) {
    cairo_t* cr = p.cr();
    double top = outline[0].y, bottom = outline[0].y;
    for (const Point& pt : outline) {
        top = std::fmin(top, pt.y);
        bottom = std::fmax(bottom, pt.y);
    }
    cairo_save(cr);
    cairo_translate(cr, 0.5, 1.5);
    outlinePath(cr, outline, 6);
    p.setColour(rgb(0, 0, 0, 0.45));
    cairo_fill(cr);
    cairo_restore(cr);

    outlinePath(cr, outline, 6);
    p.setColour(pal::kOliveEdge);
    cairo_fill(cr);
    const std::vector<Point> inner = shrink(outline, 1);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, top, 0, bottom);
    cairo_pattern_add_color_stop_rgb(fill, 0, pal::kOliveTop.r, pal::kOliveTop.g, pal::kOliveTop.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, pal::kOliveBottom.r, pal::kOliveBottom.g,
                                     pal::kOliveBottom.b);
    outlinePath(cr, inner, 5);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    // A light bevel just inside the edge.
    outlinePath(cr, shrink(outline, 1.5), 4.5);
    p.setColour(pal::kOliveHighlight);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void paintScreen(const Painter& p, Box control) {
    const Box frame{control.x - 2, control.y - 2, control.w + 4, control.h + 4};
    p.fillRoundedRect(frame, 3, rgb(215, 228, 185, 0.55));
    p.fillRoundedRect({frame.x, frame.y, frame.w, frame.h - 1}, 3, pal::kOliveEdge);
    p.fillVertical(control.inset(-1), 2, rgb(150, 170, 116), pal::kScreen);
    // Inner shadow under the top edge.
    p.line(control.x, control.y - 0.5, control.right(), control.y - 0.5, rgb(40, 48, 24, 0.45));
    p.line(control.x, control.y + 0.5, control.right(), control.y + 0.5, rgb(40, 48, 24, 0.15));
}

void paintValueWindow(const Painter& p, Box display) {
    p.sunkenWindow({display.x - 1, display.y - 1, display.w + 2, display.h + 2}, pal::kField,
                   pal::kWindowShadow, pal::kWindowLight, 1.5);
}

void paintDivider(const Painter& p, double x, double top, double bottom) {
    p.line(x - 0.5, top, x - 0.5, bottom, pal::kBlueGroove);
    p.line(x + 0.5, top, x + 0.5, bottom, pal::kBlueGrooveLight);
}

void paintSectionCaption(const Painter& p, std::string_view caption, double left, double right,
                         double baseline) {
    const TextStyle style{Face::kBold, 8.0, pal::kBlueCaption, 1.0};
    const double centre = std::round((left + right) / 2);
    const double width = p.text(caption, centre, baseline, style, Align::kCentre);
    const double y = baseline - 2.5;
    const Colour rule = rgb(255, 214, 140, 0.55);
    const double gap = 5;
    if (centre - width / 2 - gap > left + 8) p.line(left + 7, y, centre - width / 2 - gap, y, rule);
    if (centre + width / 2 + gap < right - 8)
        p.line(centre + width / 2 + gap, y, right - 7, y, rule);
}

void paintKnobLabel(const Painter& p, std::string_view label, double centreX, double baseline) {
    p.text(label, centreX, baseline, {Face::kBold, 7.0, pal::kBlueLabel}, Align::kCentre);
}

void paintArrowMark(const Painter& p, double x, double y, Colour c) {
    cairo_t* cr = p.cr();
    cairo_move_to(cr, x, y - 2.5);
    cairo_line_to(cr, x + 4, y);
    cairo_line_to(cr, x, y + 2.5);
    cairo_close_path(cr);
    p.setColour(c);
    cairo_fill(cr);
}

void paintOliveLabel(const Painter& p, std::string_view label, double x, double baseline,
                     Align align) {
    p.text(label, x, baseline, {Face::kBold, 7.0, pal::kInk}, align);
}

}  // namespace sorvella::skin
