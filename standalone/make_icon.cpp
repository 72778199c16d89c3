// Writes the program's icon as a square PNG file, at build time.   make_icon OUTPUT.png SIZE
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

#include "standalone/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make_icon OUTPUT.png SIZE\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024) return 2;
    cairo_surface_t* surface = sorvella::paintAppIcon(size);
    const bool written = cairo_surface_write_to_png(surface, argv[1]) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written ? 0 : 1;
}
