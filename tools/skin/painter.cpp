#include "tools/skin/painter.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <string>

namespace sorvella::skin {

namespace {

const cairo_user_data_key_t kFaceKey{};

void releaseFace(void* face) {
    FT_Done_Face(static_cast<FT_Face>(face));
}

}  // namespace

Fonts::~Fonts() {
    for (cairo_font_face_t*& face : faces_) {
        if (face) cairo_font_face_destroy(face);
        face = nullptr;
    }
    if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

bool Fonts::load(const char* regular, const char* bold, const char* boldItalic) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "skin: FreeType could not be started\n");
        return false;
    }
    library_ = library;
    const char* paths[3] = {regular, bold, boldItalic};
    for (int i = 0; i < 3; ++i) {
        FT_Face face = nullptr;
        if (FT_New_Face(library, paths[i], 0, &face) != 0) {
            std::fprintf(stderr, "skin: cannot read the font %s\n", paths[i]);
            return false;
        }
        faces_[i] = cairo_ft_font_face_create_for_ft_face(face, 0);
        // The cairo face owns the FreeType face from here on.
        if (cairo_font_face_set_user_data(faces_[i], &kFaceKey, face, releaseFace) !=
            CAIRO_STATUS_SUCCESS) {
            FT_Done_Face(face);
            return false;
        }
    }
    return true;
}

void Painter::roundedRectPath(Box b, double radius) const {
    const double r = std::fmin(radius, std::fmin(b.w, b.h) / 2);
    cairo_new_sub_path(cr_);
    if (r <= 0) {
        cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
        return;
    }
    const double pi = M_PI;
    cairo_arc(cr_, b.right() - r, b.y + r, r, -pi / 2, 0);
    cairo_arc(cr_, b.right() - r, b.bottom() - r, r, 0, pi / 2);
    cairo_arc(cr_, b.x + r, b.bottom() - r, r, pi / 2, pi);
    cairo_arc(cr_, b.x + r, b.y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr_);
}

void Painter::fillRoundedRect(Box b, double radius, Colour c) const {
    roundedRectPath(b, radius);
    setColour(c);
    cairo_fill(cr_);
}

void Painter::fillVertical(Box b, double radius, Colour top, Colour bottom) const {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, b.y, 0, b.bottom());
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    roundedRectPath(b, radius);
    cairo_set_source(cr_, p);
    cairo_fill(cr_);
    cairo_pattern_destroy(p);
}

void Painter::strokeRoundedRect(Box b, double radius, Colour c, double width) const {
    roundedRectPath(b.inset(width / 2), radius);
    setColour(c);
    cairo_set_line_width(cr_, width);
    cairo_stroke(cr_);
}

void Painter::line(double x0, double y0, double x1, double y1, Colour c, double width) const {
    cairo_move_to(cr_, x0, y0);
    cairo_line_to(cr_, x1, y1);
    setColour(c);
    cairo_set_line_width(cr_, width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr_);
}

void Painter::sunkenWindow(Box b, Colour fill, Colour shadow, Colour light, double radius) const {
    fillRoundedRect(b, radius, light);
    fillRoundedRect({b.x, b.y, b.w, b.h - 1}, radius, shadow);
    fillRoundedRect({b.x + 1, b.y + 1, b.w - 1, b.h - 2}, radius, fill);
    // A soft second shadow line under the top edge gives the window its depth.
    Colour soft = shadow;
    soft.a *= 0.35;
    line(b.x + 1.5, b.y + 1.5, b.right() - 1, b.y + 1.5, soft);
}

void Painter::selectFont(const TextStyle& style) const {
    cairo_set_font_face(cr_, fonts_.face(style.face));
    cairo_set_font_size(cr_, style.size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
}

double Painter::textWidth(std::string_view s, const TextStyle& style) const {
    selectFont(style);
    const std::string text(s);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, text.c_str(), &e);
    // Tracking adds space between characters, not after the last one.
    std::size_t characters = 0;
    for (unsigned char c : text)
        characters += (c & 0xC0) != 0x80;
    return e.x_advance + style.tracking * (characters > 0 ? characters - 1 : 0);
}

double Painter::capHeight(const TextStyle& style) const {
    selectFont(style);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, "H", &e);
    return -e.y_bearing;
}

double Painter::text(std::string_view s, double x, double baseline, const TextStyle& style,
                     Align align) const {
    const double width = textWidth(s, style);
    if (align == Align::kCentre) x -= width / 2;
    if (align == Align::kRight) x -= width;
    // Whole pixels, so that tracked captions keep even gaps between their letters.
    x = std::round(x);
    selectFont(style);
    setColour(style.colour);
    if (style.tracking == 0.0) {
        cairo_move_to(cr_, x, baseline);
        cairo_show_text(cr_, std::string(s).c_str());
        return width;
    }
    // Tracked captions are set one character (one UTF-8 sequence) at a time.
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t n = 1;
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
            ++n;
        const std::string piece(s.substr(i, n));
        cairo_text_extents_t e;
        cairo_text_extents(cr_, piece.c_str(), &e);
        cairo_move_to(cr_, x, baseline);
        cairo_show_text(cr_, piece.c_str());
        x += e.x_advance + style.tracking;
        i += n;
    }
    return width;
}

double Painter::textIn(std::string_view s, Box b, const TextStyle& style, Align align) const {
    const double baseline = std::round(b.centreY() + capHeight(style) / 2);
    const double x = align == Align::kLeft ? b.x : align == Align::kRight ? b.right() : b.centreX();
    return text(s, x, baseline, style, align);
}

}  // namespace sorvella::skin
