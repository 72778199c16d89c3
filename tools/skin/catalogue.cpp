#include "tools/skin/catalogue.h"

#include "tools/skin/painters.h"

namespace sorvella::skin {

namespace {

constexpr int kKnobFrames = 81;

SkinBitmap single(int number, int width, int height, void (*paint)(const Painter&)) {
    return {number,          width, height,
            Layout::kSingle, 1,     [paint](const Painter& p, Box, int) { paint(p); }};
}

SkinBitmap knobFilm(int number, int frameWidth, int frameHeight, KnobKind kind) {
    return {number,
            frameWidth,
            frameHeight * kKnobFrames,
            Layout::kFilm,
            kKnobFrames,
            [kind](const Painter& p, Box box, int frame) {
                paintKnob(p, kind, box, frame / double(kKnobFrames - 1));
            }};
}

SkinBitmap twoStates(int number, int width, int stateHeight,
                     std::function<void(const Painter&, Box, bool on)> paint) {
    return {number,
            width,
            stateHeight * 2,
            Layout::kTwoStates,
            2,
            [paint](const Painter& p, Box box, int state) { paint(p, box, state == 1); }};
}

SkinBitmap captionButton(int number, const char* caption) {
    return twoStates(number, 48, 15, [caption](const Painter& p, Box b, bool on) {
        paintCaptionButton(p, b, caption, on);
    });
}

std::vector<SkinBitmap> buildCatalogue() {
    std::vector<SkinBitmap> all;
    all.push_back(single(134, 819, 374, paintMainPage));
    all.push_back(twoStates(
        136, 11, 10, [](const Painter& p, Box b, bool on) { paintArrowButton(p, b, false, on); }));
    all.push_back(twoStates(
        137, 11, 10, [](const Painter& p, Box b, bool on) { paintArrowButton(p, b, true, on); }));
    all.push_back(captionButton(144, "LOAD"));
    all.push_back(captionButton(149, "SETUP"));
    all.push_back(captionButton(150, "WAV"));
    all.push_back(captionButton(170, "SAVE"));
    all.push_back(single(171, 237, 63, paintCreditsPanel));
    all.push_back(knobFilm(174, 35, 34, KnobKind::kBluePanel));
    all.push_back(knobFilm(175, 35, 34, KnobKind::kOliveSmall));
    all.push_back(knobFilm(176, 44, 44, KnobKind::kOliveLarge));
    for (int digit = 1; digit <= 8; ++digit) {
        all.push_back(twoStates(176 + digit, 16, 17, [digit](const Painter& p, Box b, bool on) {
            paintDigitButton(p, b, digit, on);
        }));
    }
    all.push_back(captionButton(185, "LEARN"));
    all.push_back(twoStates(186, 13, 12, paintLamp));
    all.push_back(captionButton(187, "TUNE"));
    all.push_back(single(188, 543, 180, paintFormantPage));
    all.push_back(twoStates(189, 11, 10, paintCloseButton));
    return all;
}

}  // namespace

const std::vector<SkinBitmap>& skinCatalogue() {
    static const std::vector<SkinBitmap> catalogue = buildCatalogue();
    return catalogue;
}

cairo_surface_t* renderBitmap(const SkinBitmap& bitmap, const Fonts& fonts, int scale) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width * scale,
                                                          bitmap.height * scale);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    const Painter painter(cr, fonts);
    const double frameHeight = double(bitmap.height) / bitmap.frames;
    for (int i = 0; i < bitmap.frames; ++i) {
        // Each frame is painted in its own coordinates and may not spill into its neighbours.
        cairo_save(cr);
        cairo_translate(cr, 0, i * frameHeight);
        cairo_rectangle(cr, 0, 0, bitmap.width, frameHeight);
        cairo_clip(cr);
        bitmap.paint(painter, Box{0, 0, double(bitmap.width), frameHeight}, i);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return surface;
}

}  // namespace sorvella::skin
