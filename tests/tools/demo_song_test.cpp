#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tools/render/midi_file.h"

namespace sorvella {
namespace {

TEST(DemoSong, ShowsTheInstrumentWithinLimits) {
    MidiSong song;
    std::string error;
    ASSERT_TRUE(loadMidiFile(SORVELLA_DEMO_SONG, song, error)) << error;
    EXPECT_EQ(song.format, 1);
    EXPECT_GE(songLengthSeconds(song), 30.0);
    EXPECT_LE(songLengthSeconds(song), 60.0);

    std::set<int> controllers;
    int bends = 0;
    int notes = 0;
    int loudest = 0;
    for (const MidiMessage& m : song.messages) {
        switch (m.bytes[0] & 0xF0) {
            case 0xB0:
                controllers.insert(m.bytes[1]);
                if (m.bytes[1] == 7) {
                    EXPECT_LE(m.bytes[2], 64);
                }
                break;
            case 0xE0:
                ++bends;
                break;
            case 0x90:
                if (m.bytes[2] > 0) {
                    ++notes;
                    loudest = std::max(loudest, int{m.bytes[2]});
                }
                break;
        }
    }
    for (int cc : {7, 10, 33, 36, 64})
        EXPECT_TRUE(controllers.count(cc)) << cc;
    EXPECT_GT(bends, 0);
    EXPECT_GT(notes, 60);
    EXPECT_LE(loudest, 80);
    // Within the 16 voices of the default program, pedal aside.
    EXPECT_LE(maxNotesHeld(song), 16);
}

}  // namespace
}  // namespace sorvella
