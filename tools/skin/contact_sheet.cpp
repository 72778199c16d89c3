#include "tools/skin/contact_sheet.h"

#include <algorithm>
#include <string>

namespace sorvella::skin {

namespace {

constexpr double kSheetWidth = 1100, kMargin = 12, kGap = 4, kLabelHeight = 14;

std::vector<int> shownFrames(const SkinBitmap& b) {
    if (b.layout == Layout::kFilm) return {0, 20, 40, 60, 80};
    if (b.layout == Layout::kTwoStates) return {0, 1};
    return {0};
}

struct Placement {
    double x, y;
};

// Lays the items out in rows from left to right; returns each item's place and the height.
double layOut(const std::vector<std::pair<const SkinBitmap*, cairo_surface_t*>>& renders,
              std::vector<Placement>& places) {
    double x = kMargin, y = kMargin, rowHeight = 0;
    for (const auto& [bitmap, image] : renders) {
        const double frameHeight = double(bitmap->height) / bitmap->frames;
        const double n = double(shownFrames(*bitmap).size());
        const double w = std::max(n * bitmap->width + (n - 1) * kGap, 40.0);
        const double h = frameHeight + kLabelHeight;
        if (x > kMargin && x + w > kSheetWidth - kMargin) {
            x = kMargin;
            y += rowHeight + 2 * kGap;
            rowHeight = 0;
        }
        places.push_back({x, y});
        x += w + 4 * kGap;
        rowHeight = std::max(rowHeight, h);
    }
    return y + rowHeight + kMargin;
}

}  // namespace

cairo_surface_t* paintContactSheet(
    const std::vector<std::pair<const SkinBitmap*, cairo_surface_t*>>& renders,
    const Fonts& fonts) {
    std::vector<Placement> places;
    const double height = layOut(renders, places);
    cairo_surface_t* sheet =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(kSheetWidth), int(height));
    cairo_t* cr = cairo_create(sheet);
    const Painter p(cr, fonts);
    p.fillRoundedRect({0, 0, kSheetWidth, height}, 0, rgb(92, 96, 104));
    const TextStyle label{Face::kBold, 8.0, rgb(235, 238, 242)};
    for (std::size_t i = 0; i < renders.size(); ++i) {
        const SkinBitmap& b = *renders[i].first;
        const double frameHeight = double(b.height) / b.frames;
        p.text(std::to_string(b.number) + "   " + std::to_string(b.width) + " x " +
                   std::to_string(b.height),
               places[i].x, places[i].y + 9, label);
        double x = places[i].x;
        for (int frame : shownFrames(b)) {
            cairo_save(cr);
            cairo_rectangle(cr, x, places[i].y + kLabelHeight, b.width, frameHeight);
            cairo_clip(cr);
            cairo_set_source_surface(cr, renders[i].second, x,
                                     places[i].y + kLabelHeight - frame * frameHeight);
            cairo_paint(cr);
            cairo_restore(cr);
            x += b.width + kGap;
        }
    }
    cairo_destroy(cr);
    return sheet;
}

}  // namespace sorvella::skin
