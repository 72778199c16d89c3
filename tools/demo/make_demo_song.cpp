// Writes the demo song: 18 bars in A minor at 100 bpm (about 43 s) for one Sorvella instance.
// A melody whose vowel opens on each note (controller 33, "Vowel1 Morph"), pedalled chords
// under a slow vowel sweep (controller 36, "Vowel2 Morph"), a pan sweep (10), pitch-bend scoops
// and vibrato, and a fade on "Level" (7). Velocities stay moderate: the instrument is loud.
//
//   make_demo_song demo/demo.mid
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/demo/smf_writer.h"

namespace {

using sorvella::SmfTrack;

constexpr int kDivision = 480;  // ticks per quarter note
constexpr std::uint64_t kBar = 4 * kDivision;
constexpr int kMelodyChannel = 0;
constexpr int kChordChannel = 1;
constexpr int kMelodyVelocity = 72;
constexpr int kChordVelocity = 50;
constexpr int kLevel = 64;
constexpr double kPi = 3.14159265358979323846;

std::uint64_t beats(double b) {
    return static_cast<std::uint64_t>(b * kDivision + 0.5);
}

struct Note {
    double start;   // beats from the phrase start
    double length;  // beats
    int key;
};

// Two bars per chord; chords[i] goes with phrases[i].
const std::vector<std::vector<int>> kChords{
    {45, 57, 60, 64},  // Am
    {41, 57, 60, 65},  // F
    {48, 55, 60, 64},  // C
    {43, 55, 59, 62},  // G
    {45, 57, 60, 64},  // Am
    {41, 57, 60, 65},  // F
    {50, 57, 62, 65},  // Dm
    {40, 56, 59, 64},  // E
    {45, 57, 60, 64},  // Am, held to the end
};

const std::vector<std::vector<Note>> kPhrases{
    {{0, 2, 69}, {2, 1, 72}, {3, 1, 76}, {4, 3, 74}, {7, 1, 72}},
    {{0, 1.5, 69}, {1.5, 0.5, 72}, {2, 2, 77}, {4, 4, 76}},
    {{0, 1, 76}, {1, 1, 74}, {2, 1, 72}, {3, 1, 74}, {4, 4, 76}},
    {{0, 2, 74}, {2, 2, 71}, {4, 2, 74}, {6, 2, 79}},
    {{0, 3, 81}, {3, 1, 79}, {4, 2, 76}, {6, 2, 72}},
    {{0, 2, 77}, {2, 1, 76}, {3, 1, 74}, {4, 4, 72}},
    {{0, 2, 74}, {2, 2, 77}, {4, 2, 81}, {6, 2, 77}},
    {{0, 4, 76}, {4, 2, 80}, {6, 2, 83}},
    {{0, 8, 81}},
};

// Vowel1 opens from a closed to an open vowel across each melody note.
void melodyNote(SmfTrack& t, std::uint64_t start, std::uint64_t length, int key) {
    constexpr std::uint64_t kStep = kDivision / 8;
    for (std::uint64_t at = 0; at < length; at += kStep) {
        const double x = static_cast<double>(at) / static_cast<double>(length);
        t.controller(start + at, kMelodyChannel, 33, static_cast<int>(16 + 96 * x));
    }
    t.noteOn(start, kMelodyChannel, key, kMelodyVelocity);
    t.noteOff(start + length - kDivision / 16, kMelodyChannel, key);
}

// A bend from half a semitone below up to the note over an eighth note.
void scoop(SmfTrack& t, std::uint64_t start) {
    constexpr int kSteps = 8;
    for (int i = 0; i <= kSteps; ++i) {
        t.pitchBend(start + static_cast<std::uint64_t>(i) * (kDivision / 2) / kSteps,
                    kMelodyChannel, 8192 - 2048 * (kSteps - i) / kSteps);
    }
}

void vibrato(SmfTrack& t, std::uint64_t start, std::uint64_t length) {
    constexpr std::uint64_t kStep = kDivision / 16;
    for (std::uint64_t at = 0; at < length; at += kStep) {
        const double seconds = static_cast<double>(at) / kDivision * 0.6;
        const double depth = std::min(1.0, static_cast<double>(at) / (2.0 * kDivision));
        t.pitchBend(start + at, kMelodyChannel,
                    8192 + static_cast<int>(600.0 * depth * std::sin(2.0 * kPi * 5.5 * seconds)));
    }
    t.pitchBend(start + length, kMelodyChannel, 8192);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "demo/demo.mid";

    SmfTrack conductor;
    conductor.meta(0, 0x03, "Sorvella demo");
    conductor.add(0, {0xFF, 0x58, 0x04, 4, 2, 24, 8});  // 4/4
    conductor.tempo(0, 600000);                         // 100 bpm

    SmfTrack chords;
    chords.meta(0, 0x03, "Chords");
    chords.controller(0, kChordChannel, 7, kLevel);
    chords.controller(0, kChordChannel, 10, 64);
    chords.controller(0, kChordChannel, 36, 0);
    for (std::size_t i = 0; i < kChords.size(); ++i) {
        const std::uint64_t start = i * 2 * kBar;
        const bool last = i + 1 == kChords.size();
        // Pedal up at the change, down again just after it: the chords ring into each other
        // without smearing.
        chords.controller(start, kChordChannel, 64, 0);
        for (int key : kChords[i])
            chords.noteOn(start, kChordChannel, key, kChordVelocity);
        chords.controller(start + kDivision / 8, kChordChannel, 64, 127);
        for (int key : kChords[i])
            chords.noteOff(start + 2 * kBar - kDivision / 4, kChordChannel, key);
        // Vowel2 rises through each chord and falls back through the next.
        for (std::uint64_t at = 0; at < 2 * kBar; at += kDivision / 4) {
            const double x = static_cast<double>(at) / static_cast<double>(2 * kBar);
            const double v = (i % 2 == 0) ? x : 1.0 - x;
            chords.controller(start + at, kChordChannel, 36, static_cast<int>(127.0 * v));
        }
        if (last) chords.controller(start + 2 * kBar, kChordChannel, 64, 0);
    }
    // A pan sweep through bars 9 to 12, back to the centre.
    for (std::uint64_t at = 0; at <= 4 * kBar; at += kDivision / 4) {
        const double x = static_cast<double>(at) / static_cast<double>(4 * kBar);
        chords.controller(8 * kBar + at, kChordChannel, 10,
                          64 + static_cast<int>(std::lround(40.0 * std::sin(2.0 * kPi * x))));
    }
    // Fade over the last two bars.
    for (std::uint64_t at = 0; at <= 2 * kBar; at += kDivision / 2) {
        const double x = static_cast<double>(at) / static_cast<double>(2 * kBar);
        chords.controller(16 * kBar + at, kChordChannel, 7,
                          static_cast<int>(std::lround(kLevel * (1.0 - 0.5 * x))));
    }

    SmfTrack melody;
    melody.meta(0, 0x03, "Melody");
    melody.pitchBend(0, kMelodyChannel, 8192);
    for (std::size_t p = 0; p < kPhrases.size(); ++p) {
        const std::uint64_t phraseStart = p * 2 * kBar;
        for (const Note& n : kPhrases[p]) {
            const std::uint64_t start = phraseStart + beats(n.start);
            const std::uint64_t length = beats(n.length);
            // The bend moves every voice, chords too: only the two high points get it.
            if (n.key >= 81 && n.length >= 3.0) scoop(melody, start);
            melodyNote(melody, start, length, n.key);
        }
    }
    vibrato(melody, 16 * kBar + kDivision, 7 * kDivision);

    const std::vector<std::uint8_t> file =
        sorvella::encodeSmf(1, kDivision, {conductor, chords, melody});
    std::FILE* out = std::fopen(path, "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "make_demo_song: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s (%zu bytes)\n", path, file.size());
    return 0;
}
