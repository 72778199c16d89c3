// Writes pictures of the toolkit's controls for review:
//   make_gallery <folder>               controls.png, menu.png, editing.png, splash.png, film.png
//   make_gallery --x11 <seconds>        shows the same controls in a window on $DISPLAY
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "toolkit/buttons.h"
#include "toolkit/frame.h"
#include "toolkit/headless_window.h"
#include "toolkit/inertial_anim_knob.h"
#include "toolkit/menu_session.h"
#include "toolkit/option_menu.h"
#include "toolkit/splash_screen.h"
#include "toolkit/text_edit.h"
#include "toolkit/x11_window.h"
#include "tools/gallery/gallery_skin.h"

namespace sorvella::gallery {
namespace {

constexpr CColor kInk{50, 52, 35, 255};
constexpr CColor kField{155, 178, 121, 255};
constexpr int32_t kWidth = 480;
constexpr int32_t kHeight = 300;

struct Gallery {
    COptionMenu* vowels = nullptr;
    CTextEdit* name = nullptr;
    CSplashScreen* splash = nullptr;
    COptionMenu settings{{0, 0, 0, 0}, nullptr, -1, nullptr, nullptr, kPopupStyle | kCheckStyle};
    COptionMenu inertia{{0, 0, 0, 0}, nullptr, -1, nullptr, nullptr, kPopupStyle | kCheckStyle};
    COptionMenu mode{{0, 0, 0, 0}, nullptr, -1, nullptr, nullptr, kPopupStyle | kCheckStyle};
};

void valueText(float value, char* text, void*) {
    std::snprintf(text, CParamDisplay::kTextCapacity, "%d%%", static_cast<int>(value * 100.0f));
}

CParamDisplay* display(const CRect& rect, float value) {
    auto* shown = new CParamDisplay(rect);
    shown->setTransparency(true);
    shown->setFont(kNormalFontVerySmall);
    shown->setFontColor({230, 232, 220, 255});
    shown->setStringConvert(valueText);
    shown->setValue(value);
    return shown;
}

void build(CFrame& frame, Gallery& gallery) {
    const double scale = frame.getScale();
    CBitmap* panel = makePanel(kWidth, kHeight, "Toolkit gallery", scale);
    frame.setBackground(panel);
    panel->forget();
    CBitmap* small = makeKnobFilm(81, 34, scale);
    CBitmap* large = makeKnobFilm(81, 44, scale);
    const float values[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    for (int i = 0; i < 5; ++i) {
        const CRect at = CRect::fromSize(20 + 45 * i, 40, 35, 34);
        auto* knob = new CInertialAnimKnob(at, nullptr, i, 81, 34, small);
        knob->setValue(values[i]);
        frame.addView(knob);
        frame.addView(display(CRect::fromSize(at.left + 3, at.top - 14, 28, 9), values[i]));
    }
    auto* big = new CAnimKnob(CRect::fromSize(260, 34, 44, 44), nullptr, 5, 81, 44, large);
    big->setValue(0.3f);
    frame.addView(big);
    auto* plain = new CKnob(CRect::fromSize(320, 36, 40, 40), nullptr, 6);
    plain->setValue(0.6f);
    frame.addView(plain);
    small->forget();
    large->forget();

    const char* labels[] = {"LOAD", "SAVE", "LEARN", "TUNE"};
    for (int i = 0; i < 4; ++i) {
        CBitmap* image = makeTwoStateButton(48, 15, labels[i], scale);
        const CRect at = CRect::fromSize(20 + 56 * i, 100, 48, 15);
        CControl* button =
            i % 2 == 0 ? static_cast<CControl*>(new COnOffButton(at, nullptr, 10 + i, image))
                       : new CKickButton(at, nullptr, 10 + i, 15, image);
        button->setValue(i >= 2 ? 1.0f : 0.0f);
        frame.addView(button);
        image->forget();
    }

    gallery.vowels = new COptionMenu(CRect::fromSize(20, 200, 88, 9), nullptr, 73);
    for (const char* vowel :
         {"Bass A", "Bass E", "Bass I", "Tenor O", "Soprano U", "-", "User-defined"}) {
        gallery.vowels->addEntry(vowel);
    }
    gallery.vowels->setFont(kNormalFontVerySmall);
    gallery.vowels->setFontColor(kInk);
    gallery.vowels->setBackColor(kField);
    gallery.vowels->setFrameColor(kField);
    gallery.vowels->setCurrent(3);
    frame.addView(gallery.vowels);

    gallery.name = new CTextEdit(CRect::fromSize(20, 230, 141, 9), nullptr, 59, "Choir Aah");
    gallery.name->setFont(kNormalFontSmaller);
    gallery.name->setFontColor(kInk);
    gallery.name->setTransparency(true);
    gallery.name->setMaxLength(24);
    gallery.name->setHoriAlign(kLeftText);
    frame.addView(gallery.name);

    auto* label = new CParamDisplay(CRect::fromSize(180, 228, 120, 14));
    label->setStringConvert([](float, char* text, void*) {
        std::snprintf(text, CParamDisplay::kTextCapacity, "font 5, opaque");
    });
    label->setFontColor(kInk);
    label->setBackColor(kField);
    frame.addView(label);

    CBitmap* credits = makePanel(237, 63, "Credits panel", scale);
    gallery.splash = new CSplashScreen({380, 30, 460, 60}, nullptr, 78, credits,
                                       CRect::fromSize(200, 120, 237, 63));
    credits->forget();
    frame.addView(gallery.splash);

    for (const char* level : {"off", "tiny", "small", "medium", "high", "full"}) {
        gallery.inertia.addEntry(level);
    }
    gallery.mode.addEntry("linear");
    gallery.mode.addEntry("circular");
    gallery.inertia.setCurrent(2);
    gallery.settings.addEntry(&gallery.inertia, "X/Y inertia");
    gallery.settings.addEntry(&gallery.inertia, "Knobs inertia");
    gallery.settings.addEntry(&gallery.mode, "Knobs mode");
}

CPoint centreOf(const CRect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int writePictures(const std::string& folder) {
    auto made = std::make_unique<CHeadlessWindow>();
    CHeadlessWindow* window = made.get();
    CFrame frame({0, 0, kWidth, kHeight}, std::move(made));
    Gallery gallery;
    build(frame, gallery);
    frame.idle();
    auto write = [&](const char* name) {
        CHeadlessWindow::writePng(frame.backing(), window->popups(), folder + "/" + name);
    };
    write("controls.png");

    // The settings menu at a click point with its inertia submenu open.
    const CRect root = CMenuSession::popupRect(&gallery.settings, {250, 150});
    const CRect sub = CMenuSession::popupRect(
        &gallery.inertia, {root.right - 1, CMenuSession::entryRect(&gallery.settings, root, 1).top -
                                               CMenuSession::kBorder});
    const CPoint onEntry = centreOf(CMenuSession::entryRect(&gallery.settings, root, 1));
    const CPoint onSmall = centreOf(CMenuSession::entryRect(&gallery.inertia, sub, 3));
    window->setPointerScript({{{250, 150}, kRButton, true},
                              {onEntry, kRButton, true},
                              {onSmall, kRButton, true},
                              {onSmall, kRButton, true},
                              {{470, 290}, kRButton, true},
                              {{470, 290}, 0, true}});
    int paces = 0;
    window->setOnPace([&] {
        if (++paces == 4) write("menu.png");
    });
    frame.addView(&gallery.settings);
    {
        CDrawContext context(&frame, frame.backing());
        CPoint where(250, 150);
        gallery.settings.mouse(&context, where, kRButton);
    }
    frame.removeView(&gallery.settings, false);
    window->setOnPace(nullptr);

    // The vowel menu, clicked open, with its separator.
    window->setPointerScript({{{30, 204}, kLButton, true},
                              {{30, 204}, 0, true},
                              {{40, 262}, 0, true},
                              {{40, 262}, 0, true}});
    paces = 0;
    window->setOnPace([&] {
        if (++paces == 3) write("vowels.png");
    });
    frame.idle();
    {
        CDrawContext context(&frame, frame.backing());
        CPoint where(30, 204);
        gallery.vowels->mouse(&context, where, kLButton);
    }
    window->setOnPace(nullptr);

    window->press(CHeadlessWindow::click({100, 234}));
    frame.idle();
    window->typeText(" 2");
    frame.idle();
    write("editing.png");
    window->typeKey(kVirtReturn);
    window->press(CHeadlessWindow::click({400, 40}));
    frame.idle();
    frame.idle();
    write("splash.png");

    CBitmap* film = makeKnobFilm(81, 34);
    cairo_surface_write_to_png(film->surface(), (folder + "/film.png").c_str());
    film->forget();

    // The same controls in a frame of twice the pixels, with artwork drawn for it.
    auto twice = std::make_unique<CHeadlessWindow>();
    CHeadlessWindow* twiceWindow = twice.get();
    CFrame hidpi({0, 0, kWidth, kHeight}, std::move(twice), nullptr, 2.0);
    Gallery hidpiGallery;
    build(hidpi, hidpiGallery);
    hidpi.idle();
    CHeadlessWindow::writePng(hidpi.backing(), twiceWindow->popups(),
                              folder + "/controls-scale2.png");
    std::printf("gallery written to %s\n", folder.c_str());
    return 0;
}

int showWindow(double seconds) {
    auto window = openX11Window(0, kWidth, kHeight, "Toolkit gallery");
    if (!window) {
        std::fprintf(stderr, "make_gallery: no X display\n");
        return 1;
    }
    CFrame frame({0, 0, kWidth, kHeight}, std::move(window));
    Gallery gallery;
    build(frame, gallery);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        frame.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

}  // namespace
}  // namespace sorvella::gallery

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--x11") {
        return sorvella::gallery::showWindow(std::atof(argv[2]));
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_gallery <folder> | make_gallery --x11 <seconds>\n");
        return 2;
    }
    return sorvella::gallery::writePictures(argv[1]);
}
