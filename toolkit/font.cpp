#include "toolkit/font.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>
#include <cstdint>

namespace sorvella {

extern const uint8_t kEmbeddedFontData[];
extern const size_t kEmbeddedFontSize;

namespace {

// Cairo may hold the face in its glyph caches after this library is unloaded, and then releases
// it by calling the destroy function given here. That function therefore lives in FreeType
// (FT_Done_Face), never in our code, and the FreeType library object that the face belongs to is
// deliberately never closed; FT_Done_Face does not read the font bytes, which go with our code.
struct EmbeddedFace {
    cairo_font_face_t* face = nullptr;
    FT_Library library = nullptr;  // kept, never closed (above)

    EmbeddedFace() {
        if (FT_Init_FreeType(&library) != 0) return;
        FT_Face ftFace = nullptr;
        if (FT_New_Memory_Face(library, kEmbeddedFontData, static_cast<FT_Long>(kEmbeddedFontSize),
                               0, &ftFace) != 0) {
            FT_Done_FreeType(library);
            library = nullptr;
            return;
        }
        cairo_font_face_t* made = cairo_ft_font_face_create_for_ft_face(ftFace, 0);
        static const cairo_user_data_key_t kOwnedFaceKey{};
        if (cairo_font_face_status(made) != CAIRO_STATUS_SUCCESS ||
            cairo_font_face_set_user_data(made, &kOwnedFaceKey, ftFace,
                                          reinterpret_cast<cairo_destroy_func_t>(
                                              reinterpret_cast<void (*)()>(FT_Done_Face))) !=
                CAIRO_STATUS_SUCCESS) {
            cairo_font_face_destroy(made);
            FT_Done_Face(ftFace);
            return;
        }
        face = made;
    }
    ~EmbeddedFace() {
        if (face != nullptr) cairo_font_face_destroy(face);
    }
};

}  // namespace

double fontPixelSize(CFontId font) {
    switch (font) {
        case kNormalFontBig:
            return 14.0;
        case kNormalFont:
            return 12.0;
        case kNormalFontSmaller:
            return 10.0;
        case kNormalFontVerySmall:
            return 9.0;
    }
    return 12.0;
}

cairo_font_face_t* embeddedFontFace() {
    static EmbeddedFace shared;
    return shared.face;
}

}  // namespace sorvella
