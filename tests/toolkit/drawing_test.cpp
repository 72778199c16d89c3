#include <gtest/gtest.h>

#include <string>

#include "tests/toolkit/toolkit_harness.h"
#include "toolkit/draw_context.h"

namespace sorvella {
namespace {

cairo_status_t appendPng(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

TEST(Bitmap, LoadsPngBytesAndRefusesDamagedOnes) {
    CBitmap* film = test::makeFilm(81, 35, 34);
    std::string png;
    cairo_surface_write_to_png_stream(film->surface(), appendPng, &png);
    film->forget();

    auto* loaded = new CBitmap(reinterpret_cast<const uint8_t*>(png.data()), png.size());
    EXPECT_TRUE(loaded->isLoaded());
    EXPECT_EQ(loaded->getWidth(), 35);
    EXPECT_EQ(loaded->getHeight(), 2754);
    loaded->remember();  // a second owner
    EXPECT_EQ(loaded->getNbReference(), 2);
    loaded->forget();
    loaded->forget();

    for (size_t length : {size_t{0}, size_t{8}, png.size() / 2}) {
        CBitmap* damaged = new CBitmap(reinterpret_cast<const uint8_t*>(png.data()), length);
        EXPECT_FALSE(damaged->isLoaded()) << length;
        EXPECT_EQ(damaged->getWidth(), 0);
        damaged->forget();
    }
}

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

}  // namespace
}  // namespace sorvella
