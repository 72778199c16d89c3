// Paints the skin: every bitmap as <dir>/<resource number>.png, and at twice the size as
// <dir>/2x/<resource number>.png for high-density screens; and <dir>/contact-sheet.png, all of
// them on one page for review.
//   sorvella-skin-painter <dir> <regular.ttf> <bold.ttf> <bold-italic.ttf>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tools/skin/catalogue.h"
#include "tools/skin/contact_sheet.h"

namespace {

bool writePng(cairo_surface_t* surface, const std::filesystem::path& file) {
    const cairo_status_t status = cairo_surface_write_to_png(surface, file.c_str());
    if (status == CAIRO_STATUS_SUCCESS) return true;
    std::fprintf(stderr, "skin: cannot write %s: %s\n", file.c_str(),
                 cairo_status_to_string(status));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sorvella::skin;
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <dir> <regular.ttf> <bold.ttf> <bold-italic.ttf>\n",
                     argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir / "2x", error);
    if (error) {
        std::fprintf(stderr, "skin: cannot create %s: %s\n", (dir / "2x").c_str(),
                     error.message().c_str());
        return 1;
    }
    Fonts fonts;
    if (!fonts.load(argv[2], argv[3], argv[4])) return 1;

    std::vector<std::pair<const SkinBitmap*, cairo_surface_t*>> renders;
    bool written = true;
    for (const SkinBitmap& bitmap : skinCatalogue()) {
        for (int scale : {1, 2}) {
            cairo_surface_t* surface = renderBitmap(bitmap, fonts, scale);
            written = written && writePng(surface, (scale == 1 ? dir : dir / "2x") /
                                                       (std::to_string(bitmap.number) + ".png"));
            if (scale == 1)
                renders.emplace_back(&bitmap, surface);
            else
                cairo_surface_destroy(surface);
        }
    }
    cairo_surface_t* sheet = paintContactSheet(renders, fonts);
    written = written && writePng(sheet, dir / "contact-sheet.png");
    cairo_surface_destroy(sheet);
    for (const auto& render : renders)
        cairo_surface_destroy(render.second);
    return written ? 0 : 1;
}
