// Paints the skin: every bitmap as <dir>/<resource number>.png, and at twice the size as
// <dir>/2x/<resource number>.png for high-density screens.
//   sorvella-skin-painter <dir> <regular.ttf> <bold.ttf> <bold-italic.ttf>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/skin/catalogue.h"

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

    for (const SkinBitmap& bitmap : skinCatalogue()) {
        for (int scale : {1, 2}) {
            const std::filesystem::path file =
                (scale == 1 ? dir : dir / "2x") / (std::to_string(bitmap.number) + ".png");
            cairo_surface_t* surface = renderBitmap(bitmap, fonts, scale);
            const cairo_status_t status = cairo_surface_write_to_png(surface, file.c_str());
            cairo_surface_destroy(surface);
            if (status != CAIRO_STATUS_SUCCESS) {
                std::fprintf(stderr, "skin: cannot write %s: %s\n", file.c_str(),
                             cairo_status_to_string(status));
                return 1;
            }
        }
    }
    return 0;
}
