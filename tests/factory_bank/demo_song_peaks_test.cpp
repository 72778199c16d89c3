// The shipped factory bank playing the demo song, as demo.sh does: no program may clip it, nor
// come within 1 dB of full scale.
#include <gtest/gtest.h>

#include <string>

#include "core/fx_files.h"
#include "tests/factory_bank/bank_test_host.h"
#include "tools/factory_bank/program_figures.h"
#include "tools/render/midi_file.h"

namespace sorvella::factory {
namespace {

constexpr float kMinusOneDecibel = 0.89125094f;

TEST(FactoryBankOnTheDemoSong, EveryProgramPeaksBelowMinusOneDecibel) {
    MidiSong song;
    std::string error;
    ASSERT_TRUE(loadMidiFile(SORVELLA_DEMO_SONG, song, error)) << error;
    auto instrument = makeBankTestInstrument();
    ASSERT_TRUE(loadBankFile(*instrument, SORVELLA_FACTORY_BANK));
    for (std::int32_t p = 0; p < kNumPrograms; ++p) {
        const StereoSignal played = renderSong(*instrument, p, song, 2.0);
        const float peak = peakLevel(played, 0, played.size());
        EXPECT_LT(peak, kMinusOneDecibel) << "program " << p;
        EXPECT_GT(peak, 0.1f) << "program " << p;  // and each is heard
    }
}

}  // namespace
}  // namespace sorvella::factory
