// The shipped factory bank: it loads whole, survives a save unchanged,
// and every program plays a chord at velocity 100 audibly and below -1 dBFS.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/fx_files.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

const std::filesystem::path kBankPath =
    std::filesystem::path(SORVELLA_SOURCE_DIR) / "presets" / "factory" / "factory.fxb";

constexpr float kMinusOneDecibel = 0.89125094f;
constexpr std::int32_t kHeldFrames = 88200;  // 2 s
constexpr std::int32_t kTailFrames = 44100;

class FactoryBankTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(loadBankFile(*instrument, kBankPath.c_str())); }

    testing::HostRecorder host;
    testing::CapturedBoxes boxes;
    std::unique_ptr<MyVsti> instrument = testing::makeInstrument();
};

TEST_F(FactoryBankTest, SavingItAgainGivesTheSameProgramRecords) {
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(instrument->getProgram(), 0);
    const std::vector<std::uint8_t> shipped = test::readBytes(kBankPath);
    const std::vector<std::uint8_t> saved = bankFileBytes(*instrument);
    ASSERT_EQ(saved.size(), shipped.size());
    // The header, the chunk's head and the eight records of 909 bytes; the reserved and view
    // blocks after them carry nothing of the programs.
    const std::ptrdiff_t recordsEnd = kBankHeaderBytes + 12 + kNumPrograms * 909;
    const auto differ = std::mismatch(shipped.begin(), shipped.begin() + recordsEnd, saved.begin());
    EXPECT_EQ(differ.first - shipped.begin(), recordsEnd)
        << "first difference at this offset; regenerate the bank with: ninja factory_bank";
}

TEST_F(FactoryBankTest, EveryProgramPlaysAChordAudiblyBelowMinusOneDecibel) {
    for (std::int32_t p = 0; p < kNumPrograms; ++p) {
        SCOPED_TRACE(p);
        instrument->setProgram(p);
        for (std::uint8_t note : {60, 64, 67, 72})
            testing::sendMidi(*instrument, 0, 0x90, note, 100);
        std::vector<float> heldLeft, heldRight, tailLeft, tailRight;
        testing::render(*instrument, heldLeft, heldRight, kHeldFrames);
        for (std::uint8_t note : {60, 64, 67, 72})
            testing::sendMidi(*instrument, 0, 0x80, note, 0);
        testing::render(*instrument, tailLeft, tailRight, kTailFrames);

        float peak = 0.0f;
        bool finite = true;
        for (const auto* channel : {&heldLeft, &heldRight, &tailLeft, &tailRight}) {
            for (float s : *channel) {
                finite = finite && std::isfinite(s);
                peak = std::max(peak, std::fabs(s));
            }
        }
        double squares = 0.0;
        for (std::size_t i = 0; i < heldLeft.size(); ++i)
            squares += double{heldLeft[i]} * heldLeft[i] + double{heldRight[i]} * heldRight[i];
        const double heldRms = std::sqrt(squares / (2.0 * kHeldFrames));

        EXPECT_TRUE(finite);
        EXPECT_LT(peak, kMinusOneDecibel);
        EXPECT_GT(heldRms, 0.001);  // -60 dBFS
    }
}

}  // namespace
}  // namespace sorvella
