// The toolkit's one typeface, Liberation Sans, embedded in the binary at build time so that text
// looks the same on every machine and in every test.
#pragma once

typedef struct _cairo_font_face cairo_font_face_t;

namespace sorvella {

// Font numbers as the layouts name them, each with its pixel size.
enum CFontId {
    kNormalFontBig = 3,        // 14 pixels: dialog titles
    kNormalFont = 4,           // 12 pixels: dialogs and menus
    kNormalFontSmaller = 5,    // 10 pixels
    kNormalFontVerySmall = 6,  // 9 pixels
};

double fontPixelSize(CFontId font);

// The shared face, made at first use; null when the embedded data cannot be read. Cairo keeps the
// face alive for as long as it caches glyphs of it, so it is never released before the library
// that made it is unloaded.
cairo_font_face_t* embeddedFontFace();

}  // namespace sorvella
