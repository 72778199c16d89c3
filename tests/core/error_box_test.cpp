#include <gtest/gtest.h>

#include "core/error_box.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

TEST(ErrorBox, ShowsTheMessageOfItsCodeUnderOneTitle) {
    testing::CapturedBoxes captured;
    reportError(kErrorOpening, "/tmp/just.tun");
    reportError(kErrorInvalidFormat);
    reportError(99);
    ASSERT_EQ(captured.boxes.size(), 3u);
    EXPECT_EQ(captured.boxes[0].text, "Error opening file\n/tmp/just.tun");
    EXPECT_EQ(captured.boxes[1].text, "Invalid file format");
    EXPECT_EQ(captured.boxes[2].text, "An unknown error occurred");
    for (const ErrorBox& box : captured.boxes) {
        EXPECT_EQ(box.title, "Sorvella Error");
        EXPECT_EQ(box.style, 0x30);
    }
}

TEST(ErrorBox, EveryCodeHasItsMessage) {
    const char* expected[] = {"An unknown error occurred",
                              "Out of memory",
                              "Bitmap could not be loaded",
                              "Invalid file format",
                              "This file was created with a more recent version of the program",
                              "Error writing file",
                              "Error opening file",
                              "Error reading file"};
    for (std::int32_t code = 0; code < 8; ++code)
        EXPECT_STREQ(errorMessage(code), expected[code]);
    EXPECT_STREQ(errorMessage(-1), expected[0]);
}

}  // namespace
}  // namespace sorvella
