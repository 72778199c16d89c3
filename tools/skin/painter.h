// Drawing helpers shared by the skin's bitmaps: colours, fonts, rounded shapes and text, all in
// the bitmap's own pixel coordinates (the caller scales the context for the 2x renders).
#pragma once

#include <cairo.h>

#include <string_view>

namespace sorvella::skin {

struct Colour {
    double r, g, b, a = 1.0;
};

// 0..255 components, as the rest of the instrument writes its colours.
constexpr Colour rgb(int r, int g, int b, double a = 1.0) {
    return {r / 255.0, g / 255.0, b / 255.0, a};
}

struct Box {
    double x, y, w, h;
    double right() const { return x + w; }
    double bottom() const { return y + h; }
    double centreX() const { return x + w / 2; }
    double centreY() const { return y + h / 2; }
    Box inset(double d) const { return {x + d, y + d, w - 2 * d, h - 2 * d}; }
};

enum class Face { kRegular, kBold, kBoldItalic };
enum class Align { kLeft, kCentre, kRight };

struct TextStyle {
    Face face = Face::kBold;
    double size = 8.0;
    Colour colour;
    double tracking = 0.0;  // extra space after each character
};

// The Liberation Sans faces the skin is written in, loaded through FreeType.
class Fonts {
  public:
    Fonts() = default;
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;
    ~Fonts();
    // Paths of the regular, bold and bold italic font files; false (with a message) on failure.
    bool load(const char* regular, const char* bold, const char* boldItalic);
    cairo_font_face_t* face(Face face) const { return faces_[static_cast<int>(face)]; }

  private:
    void* library_ = nullptr;  // FT_Library, kept out of this header
    cairo_font_face_t* faces_[3] = {};
};

class Painter {
  public:
    Painter(cairo_t* cr, const Fonts& fonts) : cr_(cr), fonts_(fonts) {}
    cairo_t* cr() const { return cr_; }

    void setColour(Colour c) const { cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a); }
    void roundedRectPath(Box b, double radius) const;
    void fillRoundedRect(Box b, double radius, Colour c) const;
    // A fill running from top to bottom between two colours.
    void fillVertical(Box b, double radius, Colour top, Colour bottom) const;
    // A one-pixel outline lying inside the box.
    void strokeRoundedRect(Box b, double radius, Colour c, double width = 1.0) const;
    void line(double x0, double y0, double x1, double y1, Colour c, double width = 1.0) const;
    // A recessed window: dark inner shadow along the top and left, light edge at the bottom.
    void sunkenWindow(Box b, Colour fill, Colour shadow, Colour light, double radius = 1.5) const;

    // Writes text on a baseline; returns the width it took.
    double text(std::string_view s, double x, double baseline, const TextStyle& style,
                Align align = Align::kLeft) const;
    // Writes text centred vertically (by its capital height) and aligned horizontally in a box.
    double textIn(std::string_view s, Box b, const TextStyle& style,
                  Align align = Align::kCentre) const;
    double textWidth(std::string_view s, const TextStyle& style) const;
    double capHeight(const TextStyle& style) const;

  private:
    void selectFont(const TextStyle& style) const;
    cairo_t* cr_;
    const Fonts& fonts_;
};

}  // namespace sorvella::skin
