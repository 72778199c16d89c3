// Renders every program of the factory bank and prints the figures it was designed by: per
// program a single note at C3, C4 and C5 and a four-note chord (velocity 100, held 2 s), and a
// chord at velocity 127, and the peak of the demo song when one is given. Exits with 1 when a
// chord or the song comes near clipping.
//
//   measure_factory_bank [--program N] [--song demo/demo.mid] [bank.fxb]
//
// Without a file the bank is designed in memory, as make_factory_bank would write it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/fx_files.h"
#include "core/my_vsti.h"
#include "tools/factory_bank/factory_programs.h"
#include "tools/factory_bank/program_figures.h"
#include "tools/factory_bank/scratch_settings.h"

namespace {

using namespace sorvella;
using namespace sorvella::factory;

constexpr float kChordLimit = 0.89125094f;  // -1 dBFS, velocity 100
constexpr float kSongLimit = kChordLimit;
constexpr float kLoudChordLimit = 1.0f;  // velocity 127

vst2::intptr hostCallback(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr, void*,
                          float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// Times that ran past the end of the render show as ">8".
std::string seconds(double value) {
    char text[16];
    if (value < 0.0) {
        std::snprintf(text, sizeof text, ">%.0f", kHoldSeconds + kTailSeconds);
    } else {
        std::snprintf(text, sizeof text, "%.2f", value);
    }
    return text;
}

void printRow(const char* label, const Figures& f) {
    std::printf("  %-9s %6.3f %6.1f %6.1f %6.0f %6.1f %6s %6s %6.1f %6.0f %6.0f |", label, f.peak,
                toDecibels(f.peak), f.heldRmsDb, f.attackMs, f.releaseDb,
                seconds(f.decaySeconds).c_str(), seconds(f.ringSeconds).c_str(), f.wobbleDb,
                f.spectrum.centroidHz, f.spectrum.strongestHz);
    for (double share : f.spectrum.bandShare)
        std::printf(" %4.0f", share * 100.0);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    ScratchSettings scratch;
    if (!scratch.ok()) {
        std::fprintf(stderr, "measure_factory_bank: cannot make a scratch settings directory\n");
        return 2;
    }
    std::int32_t only = -1;
    const char* bankPath = nullptr;
    MidiSong song;
    bool withSong = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--program" && i + 1 < argc) {
            only = std::atoi(argv[++i]);
        } else if (arg == "--song" && i + 1 < argc) {
            std::string error;
            if (!loadMidiFile(argv[++i], song, error)) {
                std::fprintf(stderr, "measure_factory_bank: %s\n", error.c_str());
                return 2;
            }
            withSong = true;
        } else {
            bankPath = argv[i];
        }
    }
    auto instrument = std::make_unique<MyVsti>(&hostCallback);
    if (bankPath) {
        if (!loadBankFile(*instrument, bankPath)) return 2;
    } else if (!designFactoryBank(*instrument)) {
        std::fprintf(stderr, "measure_factory_bank: a design refused its curve\n");
        return 2;
    }

    std::printf(
        "  case        peak   dBFS  RMSdB atk.ms  relDB   T60s  ring40 wobble  centr  "
        "peakHz | <300 -600 -1k2 -2k4 -4k8 >4k8 %% energy\n");
    bool clean = true;
    for (std::int32_t p = 0; p < kNumPrograms; ++p) {
        if (only >= 0 && p != only) continue;
        char name[kProgramNameField] = {};
        instrument->getProgramNameIndexed(0, p, name);
        std::printf("%d %s\n", p, name);
        printRow("C3", measure(renderNotes(*instrument, p, {kC3}, 100)));
        printRow("C4", measure(renderNotes(*instrument, p, {kC4}, 100)));
        printRow("C5", measure(renderNotes(*instrument, p, {kC5}, 100)));
        const Figures chord = measure(renderNotes(*instrument, p, kChord, 100));
        printRow("chord", chord);
        const Figures loud = measure(renderNotes(*instrument, p, kChord, 127));
        printRow("chord127", loud);
        if (!(chord.peak < kChordLimit) || !(loud.peak < kLoudChordLimit)) {
            std::printf(
                "  ** too loud: chord peak %.3f (limit %.3f), at velocity 127 %.3f"
                " (limit %.3f)\n",
                chord.peak, kChordLimit, loud.peak, kLoudChordLimit);
            clean = false;
        }
        // The same chord shape elsewhere on the keyboard, at full velocity.
        float worst = 0.0f;
        std::int32_t worstRoot = 0;
        for (std::int32_t root : {24, 36, 48, 72, 84, 96}) {
            std::vector<std::uint8_t> shifted;
            for (std::uint8_t note : kChord)
                shifted.push_back(static_cast<std::uint8_t>(note - kC4 + root));
            const float p127 = peakLevel(renderNotes(*instrument, p, shifted, 127, 1.0, 1.0), 0,
                                         static_cast<std::size_t>(2.0 * kSampleRate));
            if (p127 > worst) {
                worst = p127;
                worstRoot = root;
            }
        }
        std::printf("  other roots at velocity 127: loudest %.3f (%.1f dBFS), rooted on note %d\n",
                    worst, toDecibels(worst), worstRoot);
        if (!(worst < kLoudChordLimit)) clean = false;
        if (withSong) {
            const StereoSignal played = renderSong(*instrument, p, song);
            const float songPeak = peakLevel(played, 0, played.size());
            std::printf("  demo song: peak %.3f (%.1f dBFS)%s\n", songPeak, toDecibels(songPeak),
                        songPeak < kSongLimit ? "" : "  ** too loud (limit -1 dBFS)");
            if (!(songPeak < kSongLimit)) clean = false;
        }
        if (!(chord.heldRmsDb > -60.0)) {
            std::printf("  ** silent chord\n");
            clean = false;
        }
    }
    return clean ? 0 : 1;
}
