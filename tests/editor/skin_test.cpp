// The embedded skin: every bitmap decodes at the size and layout the editor's layout divides
// it by, at scale 1 and 2.

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "editor/skin/skin_png.h"

namespace sorvella {
namespace {

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

struct PngReader {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (reader->bytes.size() - reader->at < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->bytes.data() + reader->at, length);
    reader->at += length;
    return CAIRO_STATUS_SUCCESS;
}

SurfacePtr decode(int number, int scale) {
    PngReader reader{skinPng(number, scale)};
    return SurfacePtr(cairo_image_surface_create_from_png_stream(readPng, &reader),
                      cairo_surface_destroy);
}

enum class Layout { kSingle, kTwoStates, kFilm };

struct Expected {
    int number, width, height;
    Layout layout;
};

// The bitmaps by resource number with their sizes and layouts.
const Expected kSkin[] = {
    {134, 819, 374, Layout::kSingle},  {136, 11, 20, Layout::kTwoStates},
    {137, 11, 20, Layout::kTwoStates}, {144, 48, 30, Layout::kTwoStates},
    {149, 48, 30, Layout::kTwoStates}, {150, 48, 30, Layout::kTwoStates},
    {170, 48, 30, Layout::kTwoStates}, {171, 237, 63, Layout::kSingle},
    {174, 35, 2754, Layout::kFilm},    {175, 35, 2754, Layout::kFilm},
    {176, 44, 3564, Layout::kFilm},    {177, 16, 34, Layout::kTwoStates},
    {178, 16, 34, Layout::kTwoStates}, {179, 16, 34, Layout::kTwoStates},
    {180, 16, 34, Layout::kTwoStates}, {181, 16, 34, Layout::kTwoStates},
    {182, 16, 34, Layout::kTwoStates}, {183, 16, 34, Layout::kTwoStates},
    {184, 16, 34, Layout::kTwoStates}, {185, 48, 30, Layout::kTwoStates},
    {186, 13, 24, Layout::kTwoStates}, {187, 48, 30, Layout::kTwoStates},
    {188, 543, 180, Layout::kSingle},  {189, 11, 20, Layout::kTwoStates},
};

TEST(Skin, EveryBitmapDecodesAtItsSizeAndTwiceThatForHighDensity) {
    std::vector<int> numbers;
    for (const Expected& e : kSkin)
        numbers.push_back(e.number);
    const std::span<const int> listed = skinResourceNumbers();
    EXPECT_TRUE(std::equal(listed.begin(), listed.end(), numbers.begin(), numbers.end()));

    for (const Expected& e : kSkin) {
        SCOPED_TRACE(e.number);
        const SurfacePtr one = decode(e.number, 1), two = decode(e.number, 2);
        ASSERT_EQ(cairo_surface_status(one.get()), CAIRO_STATUS_SUCCESS);
        ASSERT_EQ(cairo_surface_status(two.get()), CAIRO_STATUS_SUCCESS);
        // Knobs and buttons lie over the panels with transparent corners; the opaque
        // backgrounds are stored without an alpha channel.
        if (e.layout != Layout::kSingle) {
            EXPECT_EQ(cairo_image_surface_get_format(one.get()), CAIRO_FORMAT_ARGB32);
        }
        EXPECT_EQ(cairo_image_surface_get_width(one.get()), e.width);
        EXPECT_EQ(cairo_image_surface_get_height(one.get()), e.height);
        EXPECT_EQ(cairo_image_surface_get_width(two.get()), 2 * e.width);
        EXPECT_EQ(cairo_image_surface_get_height(two.get()), 2 * e.height);
        if (e.layout == Layout::kTwoStates) {
            EXPECT_EQ(e.height % 2, 0);
        }
        if (e.layout == Layout::kFilm) {
            EXPECT_EQ(e.height % 81, 0);
        }
    }
    EXPECT_TRUE(skinPng(135, 1).empty());
    EXPECT_TRUE(skinPng(134, 3).empty());
    EXPECT_TRUE(skinPng(134, 0).empty());
}

}  // namespace
}  // namespace sorvella
