// Renders a program through the instrument's MIDI and audio interface and reduces the result to
// the figures the factory bank is designed by.
#pragma once

#include <cstdint>
#include <vector>

#include "core/my_vsti.h"
#include "tools/factory_bank/signal_measures.h"
#include "tools/render/midi_file.h"

namespace sorvella::factory {

inline constexpr double kSampleRate = 44100.0;
inline constexpr double kHoldSeconds = 2.0;
inline constexpr double kTailSeconds = 8.0;

inline constexpr std::uint8_t kC3 = 48;
inline constexpr std::uint8_t kC4 = 60;
inline constexpr std::uint8_t kC5 = 72;
// C major with the octave on top, around middle C.
inline const std::vector<std::uint8_t> kChord{60, 64, 67, 72};

// Selects the program (which silences everything and clears the effects), plays the notes
// together at sample 0, releases them after holdSeconds and renders tailSeconds more.
StereoSignal renderNotes(MyVsti& instrument, std::int32_t program,
                         const std::vector<std::uint8_t>& notes, std::uint8_t velocity,
                         double holdSeconds = kHoldSeconds, double tailSeconds = kTailSeconds);

// Selects the program and plays the song from its start, rendering tailSeconds past its last
// message: the demo song shows how loud a program gets in music, with overlapping notes.
StereoSignal renderSong(MyVsti& instrument, std::int32_t program, const MidiSong& song,
                        double tailSeconds = kTailSeconds);

struct Figures {
    float peak = 0.0f;
    double heldRmsDb = 0.0;     // RMS over the held part
    double attackMs = 0.0;      // until the loudness first comes within 3 dB of its held maximum
    double releaseDb = 0.0;     // loudness at the release against the held maximum
    double decaySeconds = 0.0;  // from the release until 60 dB below the loudness at release;
                                // negative when the render ends first
    double ringSeconds = 0.0;   // from the loudest moment until 40 dB below it, held or not;
                                // negative when the render ends first
    double wobbleDb = 0.0;      // spread (standard deviation) of the loudness in the held
                                // part's last 1.5 s: steady tones near 0, pulsing ones high
    Spectrum spectrum;          // over the held part
};

Figures measure(const StereoSignal& signal, double holdSeconds = kHoldSeconds);

}  // namespace sorvella::factory
