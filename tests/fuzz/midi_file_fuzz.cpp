#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/render/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvella::MidiSong song;
    std::string error;
    if (sorvella::readMidiFile({data, size}, song, error)) {
        // Whatever was accepted must be usable as it is: sorted, in range, complete messages.
        double last = 0.0;
        for (const sorvella::MidiMessage& m : song.messages) {
            if (!(m.seconds >= last) || m.seconds > sorvella::kMaxMidiSongSeconds) __builtin_trap();
            if (m.bytes[0] < 0x80 || m.bytes[0] >= 0xF0 || m.bytes[1] >= 0x80 || m.bytes[2] >= 0x80)
                __builtin_trap();
            if (m.size != 2 && m.size != 3) __builtin_trap();
            last = m.seconds;
        }
        sorvella::maxNotesHeld(song);
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
