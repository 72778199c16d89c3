// The main page (819 x 374). The positions below are those of the editor's controls on the page:
// the artwork puts panels, value windows and captions around them, and no caption under one.

#include <cmath>

#include "tools/skin/painters.h"
#include "tools/skin/palette.h"
#include "tools/skin/panels.h"

namespace sorvella::skin {

namespace {

namespace pal = palette;

constexpr double kPageWidth = 819, kPageHeight = 374;
constexpr double kSmallKnob = 35, kLargeKnob = 44;

// A control column on a blue panel: a knob (or step buttons) with its value display above.
struct Column {
    double x;  // left of the knob, or of the display-only position
    bool knob;
    const char* label;
};

// The displays sit 3 pixels right of the column's position and 16 above it (row 1 at 26, row 2
// at 109); a display-only column is 28 pixels wide where a knob is 35.
void paintColumn(const Painter& p, const Column& c, double knobTop, double labelBaseline) {
    paintValueWindow(p, {c.x + 3, knobTop - 16, 28, 9});
    const double centre = c.knob ? c.x + kSmallKnob / 2 : c.x + 3 + 14;
    paintKnobLabel(p, c.label, centre, labelBaseline);
}

struct Section {
    const char* caption;
    double left, right;  // divider positions, or the panel's edges
};

void paintLogo(const Painter& p) {
    cairo_t* cr = p.cr();
    // The mark: the response of a formant bank, three resonance peaks over a baseline.
    const double x0 = 14, x1 = 50, base = 46;
    const double peaks[3][3] = {{21, 18, 2.6}, {31, 27, 3.2}, {42, 33, 2.8}};  // x, top, width
    auto traceCurve = [&]() {
        cairo_move_to(cr, x0, base);
        for (double x = x0; x <= x1; x += 0.25) {
            double y = 0;
            for (const auto& peak : peaks) {
                const double d = (x - peak[0]) / peak[2];
                y += (base - peak[1]) / (1 + d * d);
            }
            cairo_line_to(cr, x, base - std::fmin(y, base - 16));
        }
    };
    cairo_new_path(cr);
    traceCurve();
    cairo_line_to(cr, x1, base);
    cairo_close_path(cr);
    cairo_pattern_t* glow = cairo_pattern_create_linear(0, 16, 0, base);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.80, 0.45, 0.85);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.55, 0.25, 0.15);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_new_path(cr);
    traceCurve();
    p.setColour(rgb(255, 218, 150));
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    p.line(x0 - 1, base + 0.5, x1 + 1, base + 0.5, rgb(255, 214, 140, 0.9));

    // The name: brushed metal over a soft shadow.
    const TextStyle shadow{Face::kBoldItalic, 33, rgb(0, 0, 0, 0.6), 0.4};
    p.text("Sorvella", 57, 46, shadow);
    cairo_push_group(cr);
    p.text("Sorvella", 56, 45, {Face::kBoldItalic, 33, rgb(255, 255, 255), 0.4});
    cairo_pattern_t* letters = cairo_pop_group(cr);
    cairo_pattern_t* metal = cairo_pattern_create_linear(0, 20, 0, 46);
    cairo_pattern_add_color_stop_rgb(metal, 0, 1.0, 1.0, 1.0);
    cairo_pattern_add_color_stop_rgb(metal, 0.55, 0.86, 0.90, 0.95);
    cairo_pattern_add_color_stop_rgb(metal, 1, 0.66, 0.74, 0.84);
    cairo_set_source(cr, metal);
    cairo_mask(cr, letters);
    cairo_pattern_destroy(metal);
    cairo_pattern_destroy(letters);
    p.text("VOWEL \xC2\xB7 FORMANT SYNTHESIZER", 58, 58,
           {Face::kBold, 6.5, pal::kChassisText, 2.0});
}

void paintTopRow(const Painter& p) {
    const Box panel{243, 3, 815 - 243, 83};
    paintBluePanel(p, panel);
    const Column columns[] = {
        {253, true, "LEVEL"}, {293, false, "VOICES"}, {351, false, "NOTES"}, {391, true, "DETUNE"},
        {448, true, "MIX"},   {488, true, "FM"},      {528, false, "SHAPE"}, {568, true, "MIX"},
        {608, true, "FM"},    {648, true, "DETUNE"},  {688, false, "SHAPE"}, {728, true, "MIX"},
        {768, true, "COLOR"},
    };
    for (const Column& c : columns)
        paintColumn(p, c, 26, 68);
    const Section sections[] = {{"MASTER", panel.x, 339},
                                {"UNISON", 339, 437},
                                {"OSC 1", 437, 564},
                                {"OSC 2", 564, 724},
                                {"BREATH", 724, panel.right()}};
    for (const Section& s : sections) {
        paintSectionCaption(p, s.caption, s.left, s.right, 80);
        if (s.right < panel.right()) paintDivider(p, s.right, panel.y + 5, panel.bottom() - 5);
    }
}

void paintSecondRow(const Painter& p) {
    const Box panel{342, 88, 767 - 342, 81};
    paintBluePanel(p, panel);
    const Column columns[] = {
        {351, true, "LEVEL"}, {391, true, "TIME"},   {448, true, "SPEED"},
        {488, true, "DEPTH"}, {545, true, "LENGTH"}, {585, true, "MIX"},
        {641, true, "TIME"},  {681, true, "LEVEL"},  {721, true, "BREATH"},
    };
    for (const Column& c : columns)
        paintColumn(p, c, 109, 151);
    const Section sections[] = {{"GRANULAR", panel.x, 437},
                                {"CHORUS", 437, 534},
                                {"REVERB", 534, 631},
                                {"VELOCITY TO", 631, panel.right()}};
    for (const Section& s : sections) {
        paintSectionCaption(p, s.caption, s.left, s.right, 163);
        if (s.right < panel.right()) paintDivider(p, s.right, panel.y + 5, panel.bottom() - 5);
    }
}

// An emblem in the corner right of the second row: the vowel triangle of phonetics, the corner
// vowels i, u and a joined by the paths the morphs travel.
void paintVowelTriangle(const Painter& p) {
    cairo_t* cr = p.cr();
    const Point i{779, 108}, u{805, 108}, a{792, 140};
    cairo_move_to(cr, i.x, i.y);
    cairo_line_to(cr, u.x, u.y);
    cairo_line_to(cr, a.x, a.y);
    cairo_close_path(cr);
    p.setColour(rgb(255, 214, 140, 0.10));
    cairo_fill_preserve(cr);
    p.setColour(rgb(255, 214, 140, 0.5));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    const TextStyle letter{Face::kBoldItalic, 10.0, pal::kChassisText};
    for (const Point& v : {i, u, a}) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, v.x, v.y, 1.8, 0, 2 * M_PI);
    }
    p.setColour(pal::kBlueCaption);
    cairo_fill(cr);
    p.text("i", i.x - 2, i.y - 5, letter, Align::kCentre);
    p.text("u", u.x + 2, u.y - 5, letter, Align::kCentre);
    p.text("a", a.x, a.y + 12, letter, Align::kCentre);
}

void paintVowelArea(const Painter& p) {
    paintOliveArea(p, {{2, 66},
                       {239, 66},
                       {239, 88},
                       {338, 88},
                       {338, 169},
                       {256, 169},
                       {256, 369},
                       {66, 369},
                       {66, 228},
                       {2, 228}});
    // Each vowel's path: from its start menu through its morph knob into its end menu. The
    // controls lie over the line, so only the connecting pieces show.
    auto path = [&p](Point from, Point knob, Point to) {
        cairo_t* cr = p.cr();
        // The knob's film is transparent between its scale ring and its cap: keep out of it.
        cairo_save(cr);
        cairo_rectangle(cr, 0, 0, kPageWidth, kPageHeight);
        cairo_new_sub_path(cr);
        cairo_arc(cr, knob.x, knob.y, kLargeKnob / 2 - 1, 0, 2 * M_PI);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(cr);
        cairo_move_to(cr, from.x, from.y);
        cairo_curve_to(cr, from.x + 12, from.y, knob.x - 16, knob.y, knob.x, knob.y);
        cairo_curve_to(cr, knob.x + 16, knob.y, to.x - 14, to.y, to.x, to.y);
        p.setColour(rgb(50, 52, 35, 0.55));
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_restore(cr);
        paintArrowMark(p, to.x - 5, to.y, rgb(50, 52, 35, 0.75));
    };
    path({170, 83.5}, {180 + kLargeKnob / 2, 71 + kLargeKnob / 2}, {237, 104.5});
    path({119, 127.5}, {129 + kLargeKnob / 2, 115 + kLargeKnob / 2}, {186, 148.5});
    // The vowel menus draw their own fields; the captions sit above their left ends.
    paintOliveLabel(p, "VOWEL 1  START", 82, 77);
    paintOliveLabel(p, "VOWEL 1  END", 237, 98);
    paintOliveLabel(p, "VOWEL 2  START", 31, 121);
    paintOliveLabel(p, "VOWEL 2  END", 186, 142);
    // The morph knobs and their displays, which sit apart from them.
    paintOliveLabel(p, "MORPH 1", 180 + kLargeKnob / 2, 124, Align::kCentre);
    paintOliveLabel(p, "MORPH 2", 129 + kLargeKnob / 2, 168, Align::kCentre);
    paintValueWindow(p, {37, 86, 28, 9});
    paintOliveLabel(p, "MORPH 1", 37 + 14, 104, Align::kCentre);
    paintValueWindow(p, {294, 137, 28, 9});
    paintOliveLabel(p, "MORPH 2", 294 + 14, 155, Align::kCentre);
    // Formant sharpness.
    paintValueWindow(p, {35, 157, 28, 9});
    paintOliveLabel(p, "SHARPNESS", 32 + kSmallKnob / 2, 217, Align::kCentre);
}

void paintPad(const Painter& p) {
    const Box pad{90, 185, 150, 150};
    paintScreen(p, pad);
    // A light grid in quarters, the centre (where Ctrl-click sends the pad) a little stronger.
    for (int i = 1; i < 4; ++i) {
        const double x = std::round(pad.x + 4 + i * (pad.w - 8) / 4) + 0.5;
        const double y = std::round(pad.y + 4 + i * (pad.h - 8) / 4) + 0.5;
        const Colour c = i == 2 ? rgb(101, 104, 69, 0.45) : pal::kScreenGrid;
        p.line(x, pad.y + 2, x, pad.bottom() - 2, c);
        p.line(pad.x + 2, y, pad.right() - 2, y, c);
    }
    // The axes: X drives the first vowel's morph to the right, Y the second's downwards.
    auto axisCaption = [&p](const char* caption, double centre, double baseline) {
        const double width =
            p.text(caption, centre - 4, baseline, {Face::kBold, 7.0, pal::kInk}, Align::kCentre);
        paintArrowMark(p, centre - 4 + width / 2 + 4, baseline - 2.5, pal::kInk);
    };
    axisCaption("VOWEL 1 MORPH", pad.centreX(), 348);
    cairo_t* cr = p.cr();
    cairo_save(cr);
    cairo_translate(cr, 78, pad.centreY());
    cairo_rotate(cr, M_PI / 2);
    axisCaption("VOWEL 2 MORPH", 0, 0);
    cairo_restore(cr);
    p.text("right-click: settings  \xC2\xB7  ctrl-click: centre", pad.centreX(), 361,
           {Face::kRegular, 7.0, rgb(50, 52, 35, 0.85)}, Align::kCentre);
}

void paintEnvelopeArea(const Painter& p) {
    const Box area{260, 173, 815 - 260, 341 - 173};
    paintOliveArea(p, {{area.x, area.y},
                       {area.right(), area.y},
                       {area.right(), area.bottom()},
                       {area.x, area.bottom()}});
    const Box editor{274, 190, 530, 145};
    paintScreen(p, editor);
    // Guides at levels 1, 0.5 and 0 where the curve editor maps them (16 pixels below its top
    // for 1.0, its height less 40 for 0.0), labelled in the margin to the left.
    const double top = editor.y + 16, bottom = editor.bottom() - 40;
    const char* labels[] = {"1", ".5", "0"};
    for (int i = 0; i < 3; ++i) {
        const double y = std::round(top + i * (bottom - top) / 2) + 0.5;
        p.line(editor.x + 2, y, editor.right() - 2, y,
               i == 1 ? pal::kScreenGrid : rgb(101, 104, 69, 0.45));
        p.text(labels[i], editor.x - 4, y + 2.5, {Face::kBold, 6.5, pal::kInk}, Align::kRight);
    }
    p.text("ENVELOPES", editor.x, 185, {Face::kBold, 8.0, pal::kInk, 1.0});
    p.text(
        "drag a point to move it  \xC2\xB7  right-click adds or removes  \xC2\xB7  drag the "
        "background to scroll and zoom",
        editor.right(), 185, {Face::kRegular, 7.0, rgb(50, 52, 35, 0.85)}, Align::kRight);
}

void paintMidiColumn(const Painter& p) {
    const Box panel{2, 232, 60, 370 - 232};
    paintBluePanel(p, panel);
    paintSectionCaption(p, "MIDI", panel.x, panel.right(), 244);
    // The out lamp (13 x 12 at 26, 252) and its caption; the buttons below carry their own.
    paintKnobLabel(p, "OUT", 32.5, 274);
}

void paintBottomRow(const Painter& p) {
    paintValueWindow(p, {271, 347, 141, 11});
    const TextStyle label{Face::kBold, 6.5, pal::kChassisText, 1.0};
    p.text("PROGRAM NAME", 271 + 141 / 2.0, 371, label, Align::kCentre);
    p.text("PROGRAMS", 423 + (7 * 22 + 16) / 2.0, 371, label, Align::kCentre);
    p.text("PATCH", 600 + 52, 371, label, Align::kCentre);
    p.text("BANK", 708 + 52, 371, label, Align::kCentre);
}

}  // namespace

void paintMainPage(const Painter& p) {
    paintChassis(p, {0, 0, kPageWidth, kPageHeight});
    paintLogo(p);
    paintTopRow(p);
    paintSecondRow(p);
    paintVowelTriangle(p);
    paintVowelArea(p);
    paintPad(p);
    paintEnvelopeArea(p);
    paintMidiColumn(p);
    paintBottomRow(p);
}

}  // namespace sorvella::skin
