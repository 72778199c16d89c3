// The formant page (543 x 180), shown over the main page. The formant editor takes the page from
// x 5, y 15, 533 x 150, with its response graph at 5, 25 (368 x 120) and its value table at
// 378, 25 (155 x 120); the close button is at 6, 3.

#include "tools/skin/painters.h"
#include "tools/skin/palette.h"
#include "tools/skin/panels.h"

namespace sorvella::skin {

void paintFormantPage(const Painter& p) {
    namespace pal = palette;
    const Box page{0, 0, 543, 180};
    // A raised frame, so the page reads as lying over the main page.
    p.fillRoundedRect(page, 0, rgb(8, 12, 18));
    p.fillVertical(page.inset(1), 0, rgb(110, 140, 175), rgb(28, 44, 64));
    p.fillVertical(page.inset(2), 0, pal::kBlueTop, pal::kBlueBottom);
    p.line(2, 2.5, page.right() - 2, 2.5, pal::kBlueHighlight);

    const TextStyle caption{Face::kBold, 8.0, pal::kBlueCaption, 1.0};
    p.text("FORMANT EDITOR", 23, 12, caption);
    const TextStyle hint{Face::kRegular, 7.0, rgb(226, 234, 244, 0.85)};
    p.text("the user-defined vowel: five resonances", page.right() - 6, 12, hint, Align::kRight);

    const Box graph{5, 25, 368, 120}, table{378, 25, 155, 120};
    paintScreen(p, graph);
    paintScreen(p, table);
    const TextStyle label{Face::kBold, 7.0, pal::kBlueLabel, 0.5};
    p.text("RESPONSE", graph.x + 1, 21, label);
    p.text("drag up or down to zoom", graph.right() - 1, 21, hint, Align::kRight);
    p.text("FORMANTS", table.x + 1, 21, label);
    p.text("hold left to lower, right to raise  \xC2\xB7  shift: fine", table.right(), 158, hint,
           Align::kRight);
    p.text("frequency in Hz  \xC2\xB7  level 0 to -80 dB", graph.x, 158, hint);
}

}  // namespace sorvella::skin
