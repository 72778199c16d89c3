// The credits panel (237 x 63), shown over the logo. Its three lines lie under the link bands
// the splash screen tests (from x 75, 5 pixels high, ending at y 21, 37 and 53); the splash
// screen writes the version number itself, in white, centred in 75, 55 to 123, 62.

#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace sorvella::skin {

namespace {

// The credited lines. They are artwork: changing them changes nothing else.
constexpr const char* kCredits[3][2] = {
    {"code", "Kestrane: the instrument and its code"},
    {"graphics", "the Sorvella skin painter"},
    {"tests", "the Sorvella test bench"},
};

}  // namespace

void paintCreditsPanel(const Painter& p) {
    namespace pal = palette;
    const Box panel{0, 0, 237, 63};
    p.fillRoundedRect(panel, 4, rgb(8, 12, 18));
    p.fillVertical(panel.inset(1), 3, rgb(34, 52, 76), rgb(16, 26, 40));
    p.line(4, 1.5, panel.right() - 4, 1.5, pal::kBlueHighlight);

    p.text("Sorvella", 8, 11, {Face::kBoldItalic, 9.5, rgb(236, 242, 250)});
    p.text("CREDITS", panel.right() - 8, 10, {Face::kBold, 6.5, pal::kBlueCaption, 1.0},
           Align::kRight);
    const TextStyle role{Face::kRegular, 7.0, pal::kChassisText};
    const TextStyle name{Face::kBold, 8.0, rgb(190, 215, 244)};
    for (int i = 0; i < 3; ++i) {
        const double baseline = 21.5 + 16 * i;
        p.text(kCredits[i][0], 68, baseline, role, Align::kRight);
        const double width = p.text(kCredits[i][1], 75, baseline, name);
        p.line(75, baseline + 1.5, 75 + width, baseline + 1.5, rgb(190, 215, 244, 0.35));
    }
    p.text("version", 88, 61, role, Align::kRight);
}

}  // namespace sorvella::skin
