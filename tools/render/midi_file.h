// Standard MIDI File reader for the offline renderer: turns formats 0 and 1 into one time-sorted
// list of channel messages. Files come from anywhere, so every length and count is checked
// against the bytes actually present and against fixed caps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sorvella {

struct MidiMessage {
    double seconds = 0.0;                 // from the start of the song
    std::array<std::uint8_t, 3> bytes{};  // status and data; unused data bytes are 0
    std::uint8_t size = 0;                // 2 or 3
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;                 // track chunks read
    int division = 0;                   // the header's raw division word
    std::vector<MidiMessage> messages;  // sorted by time; ties keep track order, then file order
};

// Caps that keep a hostile file from costing more than a real one ever would.
constexpr std::size_t kMaxMidiFileBytes = 16u << 20;
constexpr std::size_t kMaxMidiMessages = 1u << 20;  // also caps tempo events
constexpr double kMaxMidiSongSeconds = 4.0 * 3600.0;

// Parses a whole file image. On failure returns false with a one-line reason in error.
bool readMidiFile(std::span<const std::uint8_t> data, MidiSong& song, std::string& error);

// Reads the file at path and parses it.
bool loadMidiFile(const std::string& path, MidiSong& song, std::string& error);

// The time of the last message, 0 for a song without messages.
double songLengthSeconds(const MidiSong& song);

// The largest number of keys held down at once (note-on without its note-off), per channel
// and key; the sustain pedal is not counted.
int maxNotesHeld(const MidiSong& song);

}  // namespace sorvella
