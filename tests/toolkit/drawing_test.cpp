#include <gtest/gtest.h>

#include "tests/toolkit/toolkit_harness.h"
#include "toolkit/draw_context.h"
#include "toolkit/knob.h"

namespace sorvella {
namespace {

// Counts pixels darker than mid grey inside and outside a rectangle.
std::pair<int, int> inkInAndOut(cairo_surface_t* surface, const CRect& rect) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    int in = 0;
    int out = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            const uint32_t pixel = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
            if (((pixel >> 8) & 0xff) < 128) (rect.pointInside({x, y}) ? in : out)++;
        }
    }
    return {in, out};
}

TEST(DrawContext, DrawsTextInTheEmbeddedFontAndKeepsToTheClip) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 120, 40);
    {
        CDrawContext context(nullptr, surface);
        context.setFillColor(kWhiteCColor);
        context.fillRect({0, 0, 120, 40});
        context.setFont(kNormalFontVerySmall);
        EXPECT_GT(context.getStringWidth("Vowel1 Morph"), 40);
        context.setFont(kNormalFontSmaller);
        context.drawString("Soprano U", {10, 5, 110, 15});
        auto [in, out] = inkInAndOut(surface, {10, 5, 110, 15});
        EXPECT_GT(in, 20);
        EXPECT_EQ(out, 0);

        // With an offset and a clip, a dashed line and an ellipse stay inside the clip.
        context.takeTouchedArea();
        context.setOffset({20, 20});
        context.setClipRect({0, 0, 30, 15});
        context.setLineStyle(kLineOnOffDash);
        context.drawLine({-20, 5}, {90, 5});
        context.setLineStyle(kLineSolid);
        context.drawEllipse({10, 0, 60, 30}, kDrawStroked);
        EXPECT_EQ(context.takeTouchedArea(), CRect(20, 20, 50, 35));
        std::tie(in, out) = inkInAndOut(surface, {10, 5, 110, 15});
        EXPECT_GT(out, 10);
        const auto inClip = inkInAndOut(surface, {20, 20, 50, 35});
        EXPECT_EQ(inClip.first, out);  // everything new is inside the clip
    }
    cairo_surface_destroy(surface);
}

TEST(DrawContext, SeeThroughControlsDrawnAgainKeepTheirPicture) {
    test::HeadlessFixture fixture;
    auto* page = new CViewContainer({0, 0, 300, 200});
    page->setBackgroundColor({0, 200, 0, 255});
    fixture.frame->addView(page);
    auto* film = new CBitmap(20, 20);  // one frame, red at half opacity
    cairo_t* cr = cairo_create(film->surface());
    cairo_set_source_rgba(cr, 1.0, 0.0, 0.0, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto* knob = new CAnimKnob({10, 10, 30, 30}, nullptr, 0, 1, 20, film);
    film->forget();
    page->addView(knob);
    fixture.frame->idle();
    const int32_t first = test::redAt(*fixture.frame, {20, 20});
    EXPECT_NEAR(first, 128, 1);
    // Drawn again by idle and straight into a context, as a control does while it tracks.
    auto context = fixture.frame->createDrawContext();
    for (int i = 0; i < 3; ++i) {
        knob->setDirty();
        fixture.frame->idle();
        knob->draw(context.get());
    }
    EXPECT_EQ(test::redAt(*fixture.frame, {20, 20}), first);
}

TEST(Frame, KeysGoToTheHostUnlessAFieldIsEditing) {
    test::HeadlessFixture fixture;
    auto* knob = new CKnob({10, 10, 40, 40}, &fixture.listener, 4);
    fixture.frame->addView(knob);
    EXPECT_FALSE(fixture.frame->dispatchKey({'a', kVirtNone, 0}));
    // The wheel turns a knob a hundredth of its range per notch, as one edit.
    fixture.window->postEvent({CPlatformEvent::kWheel, {20, 20}, 0, 3.0f, {}, {}});
    fixture.frame->idle();
    EXPECT_NEAR(knob->getValue(), 0.03f, 1e-6f);
    EXPECT_EQ(fixture.listener.edits, (std::vector<int32_t>{5, -5}));
}

}  // namespace
}  // namespace sorvella
