#include "platform/vst2/fx_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "tests/tools/fx_test_support.h"

namespace sorvella {
namespace {

using test::be32;
using test::FxBytes;
using test::textAt;

constexpr std::int32_t kSorv = vst2::fourCC('S', 'O', 'R', 'V');

std::vector<std::uint8_t> chunkOf(std::size_t n) {
    std::vector<std::uint8_t> c(n);
    for (std::size_t i = 0; i < n; ++i)
        c[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return c;
}

TEST(FxFileWriting, ParameterListsCarryTheirSizesAndValues) {
    const FxProgram a{"Lead", {0.0f, 0.25f, 1.0f}};
    const FxProgram b{"Pad", {0.5f, 0.75f, 0.125f}};
    const auto patch = fxPatchProgramFile(0x46616B65, 7, a);
    EXPECT_EQ(patch, test::fxProgramRecord("Lead", a.values, 0x46616B65, 7));
    EXPECT_EQ(be32(patch, 4), patch.size() - 8);

    const auto bank = fxBankProgramsFile(0x46616B65, 7, {a, b});
    const auto expected = FxBytes()
                              .text("CcnK")
                              .word(156 + 2 * 68 - 8)
                              .text("FxBk")
                              .word(1)
                              .word(0x46616B65)
                              .word(7)
                              .word(2)
                              .zeros(128)
                              .append(patch)
                              .append(test::fxProgramRecord("Pad", b.values, 0x46616B65, 7))
                              .bytes;
    EXPECT_EQ(bank, expected);
}

// Trailing bytes after the chunk, the byte-size field and the format version are not looked at;
// an unterminated name stops at the field's end. Files as written come back whole through the
// renderer's own round trips.
TEST(FxFileReading, FieldsItDoesNotNeedAreNotExamined) {
    FxFile f;
    std::string error;
    const auto chunk = chunkOf(40);
    auto loose = fxPatchChunkFile(kSorv, 2, 29, "", chunk);
    loose[7] = 0x55;
    loose[15] = 9;
    std::fill(loose.begin() + 28, loose.begin() + 56, 'x');
    loose.push_back(0xEE);
    ASSERT_TRUE(parseFxPatch(loose, f, error)) << error;
    EXPECT_EQ(f.chunk, chunk);
    EXPECT_EQ(f.name, std::string(27, 'x'));
}

TEST(FxFileReading, BadFilesSayWhatIsWrong) {
    const auto bank = fxBankChunkFile(kSorv, 2, 8, chunkOf(100));
    const auto patch = fxPatchChunkFile(kSorv, 2, 29, "P", chunkOf(100));
    const auto cut = [](std::vector<std::uint8_t> b, std::size_t n) {
        b.resize(n);
        return b;
    };
    const auto with = [](std::vector<std::uint8_t> b, std::size_t at, std::uint32_t w) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
        return b;
    };
    const auto programs = fxBankProgramsFile(1, 1, {{"A", {0.5f, 0.5f}}, {"B", {0.5f, 0.5f}}});
    const auto nan = std::numeric_limits<float>::quiet_NaN();

    struct Case {
        bool bankFile;
        std::vector<std::uint8_t> bytes;
        std::string error;
    };
    const std::vector<Case> cases = {
        {true, {}, "too short for an FX bank file (0 bytes)"},
        {true, cut(bank, 159), "too short for an FX bank file (159 bytes)"},
        {false, cut(patch, 59), "too short for an FX patch file (59 bytes)"},
        {true, with(bank, 0, 0x52494646),
         "not an FX bank file (it begins with 'RIFF', not 'CcnK')"},
        {false, with(patch, 8, 0x00FF4142), "not an FX patch file (its type is '\\x00\\xffAB')"},
        {true, patch, "is an FX patch file, not a bank file"},
        {true, cut(bank, 259),
         "the chunk size (100 bytes) does not fit the file (99 bytes follow the header)"},
        {false, with(patch, 56, 0xFFFFFFFF),
         "the chunk size (4294967295 bytes) does not fit the file (100 bytes follow the header)"},
        {true, with(cut(bank, 160), 156, 0), "the chunk is empty"},
        {true, with(programs, 24, 3), "the bank claims 3 programs, which do not fit the file"},
        {true, with(programs, 156 + 64 + 8, 0x46784278), "program 1 is not an FxCk program record"},
        {true, with(programs, 156 + 24, 19),
         "program 0 claims 19 parameters, which do not fit the file"},
        {true, cut(programs, programs.size() - 1),
         "program 1 claims 2 parameters, which do not fit the file"},
        {true, test::FxBytes().append(cut(programs, 156)).word(0).text("xx").bytes,
         "the bank claims 2 programs, which do not fit the file"},
        {false, test::fxProgramRecord("N", {0.5f, nan}, 1, 1),
         "parameter 1 of the program is not a value from 0 to 1"},
        {true, with(programs, 156 + 64 + 56, 0x3F800001),
         "parameter 0 of program 1 is not a value from 0 to 1"},
        {false, with(test::fxProgramRecord("N", {}, 1, 1), 24, 0xFFFFFFFF),
         "the program claims -1 parameters, which do not fit the file"},
    };
    for (const Case& c : cases) {
        FxFile f;
        std::string error;
        const bool ok =
            c.bankFile ? parseFxBank(c.bytes, f, error) : parseFxPatch(c.bytes, f, error);
        EXPECT_FALSE(ok) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace sorvella
