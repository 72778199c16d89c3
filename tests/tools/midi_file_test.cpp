#include "tools/render/midi_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/tools/tools_test_support.h"
#include "tools/demo/smf_writer.h"

namespace sorvella {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes header(int format, int tracks, int division) {
    Bytes h{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0};
    for (int v : {format, tracks >> 8, tracks, division >> 8, division})
        h.push_back(static_cast<std::uint8_t>(v));
    return h;
}

Bytes track(const Bytes& body) {
    Bytes t{'M', 'T', 'r', 'k', 0, 0};
    for (std::size_t v : {body.size() >> 8, body.size()})
        t.push_back(static_cast<std::uint8_t>(v));
    t.insert(t.end(), body.begin(), body.end());
    return t;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

MidiSong parse(const Bytes& data) {
    MidiSong song;
    std::string error;
    EXPECT_TRUE(readMidiFile(data, song, error)) << error;
    return song;
}

std::string parseError(const Bytes& data) {
    MidiSong song;
    std::string error;
    EXPECT_FALSE(readMidiFile(data, song, error));
    EXPECT_TRUE(song.messages.empty());
    return error;
}

TEST(MidiFileReader, Format0WithRunningStatus) {
    // Division 96 at the default 120 beats per minute: 96 ticks are half a second.
    const Bytes file = concat({header(0, 1, 96), track({0x00, 0x90, 0x3C, 0x64,        //
                                                        0x60, 0x3E, 0x5A,              // running
                                                        0x60, 0x3C, 0x00,              //
                                                        0x00, 0xC2, 0x05,              //
                                                        0x00, 0x07,                    // running
                                                        0x81, 0x40, 0xE1, 0x00, 0x40,  // 192
                                                        0x00, 0xFF, 0x2F, 0x00})});
    const MidiSong song = parse(file);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.trackCount, 1);
    EXPECT_EQ(song.division, 96);
    ASSERT_EQ(song.messages.size(), 6u);
    const double times[] = {0.0, 0.5, 1.0, 1.0, 1.0, 2.0};
    const std::array<std::uint8_t, 3> bytes[] = {{0x90, 0x3C, 0x64}, {0x90, 0x3E, 0x5A},
                                                 {0x90, 0x3C, 0x00}, {0xC2, 0x05, 0x00},
                                                 {0xC2, 0x07, 0x00}, {0xE1, 0x00, 0x40}};
    const int sizes[] = {3, 3, 3, 2, 2, 3};
    for (std::size_t i = 0; i < song.messages.size(); ++i) {
        EXPECT_DOUBLE_EQ(song.messages[i].seconds, times[i]) << i;
        EXPECT_EQ(song.messages[i].bytes, bytes[i]) << i;
        EXPECT_EQ(song.messages[i].size, sizes[i]) << i;
    }
    EXPECT_DOUBLE_EQ(songLengthSeconds(song), 2.0);
}

TEST(MidiFileReader, Format1MergesTracksWithTempoChangesMidSong) {
    // 60 bpm, then 240 bpm from tick 480 (one second in).
    const Bytes tempoTrack = track({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,        //
                                    0x83, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  //
                                    0x00, 0xFF, 0x2F, 0x00});
    const Bytes melody = track({0x00, 0x90, 60, 100,        // tick 0
                                0x83, 0x60, 0x80, 60, 0,    // tick 480
                                0x83, 0x60, 0x90, 62, 100,  // tick 960
                                0x00, 0xFF, 0x2F, 0x00});
    const Bytes bass = track({0x00, 0x91, 36, 90,       // tick 0, after the melody's
                              0x85, 0x50, 0x81, 36, 0,  // tick 720
                              0x00, 0xFF, 0x2F, 0x00});
    const MidiSong song = parse(concat({header(1, 3, 480), tempoTrack, melody, bass}));
    EXPECT_EQ(song.trackCount, 3);
    ASSERT_EQ(song.messages.size(), 5u);
    EXPECT_EQ(song.messages[0].bytes[0], 0x90);
    EXPECT_EQ(song.messages[1].bytes[0], 0x91);  // same tick: track order
    EXPECT_DOUBLE_EQ(song.messages[0].seconds, 0.0);
    EXPECT_DOUBLE_EQ(song.messages[2].seconds, 1.0);  // the tempo change at its own tick
    EXPECT_EQ(song.messages[3].bytes[0], 0x81);
    EXPECT_DOUBLE_EQ(song.messages[3].seconds, 1.125);
    EXPECT_DOUBLE_EQ(song.messages[4].seconds, 1.25);
}

TEST(MidiFileReader, SmpteDivisions) {
    // -25 frames per second, 40 ticks per frame: 1000 ticks per second; tempo is ignored.
    const Bytes body{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00,
                     0x90, 60,   1,    0x87, 0x68, 0x80, 60,   0};  // 1000 ticks
    MidiSong song = parse(concat({header(0, 1, 0xE728), track(body)}));
    ASSERT_EQ(song.messages.size(), 2u);
    EXPECT_DOUBLE_EQ(song.messages[1].seconds, 1.0);

    EXPECT_NE(parseError(concat({header(0, 1, 0xE928), track(body)})).find("SMPTE frame rate 23"),
              std::string::npos);
    EXPECT_NE(parseError(concat({header(0, 1, 0xE700), track(body)})).find("0 ticks per frame"),
              std::string::npos);
}

TEST(MidiFileReader, SkipsMetaSysExUnknownChunksAndWhatFollowsEndOfTrack) {
    const Bytes unknown{'X', 'Y', 'Z', 'W', 0, 0, 0, 3, 1, 2, 3};
    const Bytes body{0x00, 0xFF, 0x03, 0x04, 'N',  'a',  'm', 'e',  // track name
                     0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,            // SysEx
                     0x00, 0xB0, 33,   64,                          //
                     0x00, 0xF7, 0x02, 0xF8, 0xF7,                  // escaped bytes
                     0x00, 36,   127,                               // running after SysEx
                     0x00, 0xFF, 0x2F, 0x00,                        //
                     0x00, 0x90, 60,   100};                        // after the end
    const MidiSong song = parse(concat({header(0, 1, 96), unknown, track(body)}));
    ASSERT_EQ(song.messages.size(), 2u);
    EXPECT_EQ(song.messages[0].bytes, (std::array<std::uint8_t, 3>{0xB0, 33, 64}));
    EXPECT_EQ(song.messages[1].bytes, (std::array<std::uint8_t, 3>{0xB0, 36, 127}));
}

TEST(MidiFileReader, RefusesMalformedFilesWithAReason) {
    const Bytes eot{0x00, 0xFF, 0x2F, 0x00};
    struct Case {
        const char* name;
        Bytes data;
        const char* reason;
    };
    Bytes longHeader = header(0, 1, 96);
    longHeader[7] = 200;
    Bytes pastEnd = concat({header(0, 1, 96), track({0x00, 0x90, 60, 100})});
    pastEnd[21] = 9;  // track length 9, 4 present
    const Case cases[] = {
        {"empty", {}, "no MThd"},
        {"header cut short", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, "malformed MThd"},
        {"header length past the end", longHeader, "malformed MThd"},
        {"format 7", concat({header(7, 1, 96), track(eot)}), "unknown MIDI file format 7"},
        {"no tracks", header(0, 0, 96), "no tracks"},
        {"huge track count", concat({header(1, 65535, 96), track(eot)}),
         "file ends before track 2 of 65535"},
        {"track past the end", pastEnd, "track 1: chunk runs past the end"},
        {"five-byte quantity", concat({header(0, 1, 96), track({0x81, 0x80, 0x80, 0x80, 0x00})}),
         "longer than 4 bytes"},
        {"running status first", concat({header(0, 1, 96), track({0x00, 60, 100})}),
         "running status without a prior status byte"},
        {"cut channel message", concat({header(0, 1, 96), track({0x00, 0x90, 60})}),
         "truncated channel message"},
        {"status where data belongs", concat({header(0, 1, 96), track({0x00, 0x90, 60, 0x80})}),
         "top bit set"},
        {"meta past the end", concat({header(0, 1, 96), track({0x00, 0xFF, 0x01, 0x20, 'a'})}),
         "meta event runs past"},
        {"meta one byte past the end",
         concat({header(0, 1, 96), track({0x00, 0xFF, 0x01, 0x02, 'a'}), track({0x00})}),
         "meta event runs past"},
        {"SysEx past the end", concat({header(0, 1, 96), track({0x00, 0xF0, 0x7F, 1})}),
         "SysEx event runs past"},
        {"system common status", concat({header(0, 1, 96), track({0x00, 0xF3, 0x01})}),
         "unexpected status byte 0xF3"},
        {"delta without event", concat({header(0, 1, 96), track({0x00})}),
         "event missing after its delta time"},
        // The slowest tempo and one tick per quarter: 2^28 ticks are years.
        {"absurd length",
         concat({header(0, 1, 1), track({0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0x7F, 0x90, 60, 1})}),
         "longer than"},
    };
    for (const Case& c : cases) {
        const std::string error = parseError(c.data);
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
}

SmfTrack sampleTrack() {
    SmfTrack t;
    t.tempo(0, 400000);
    t.meta(0, 0x03, "Sample");
    t.controller(0, 0, 7, 90);
    for (int i = 0; i < 8; ++i) {
        t.noteOn(static_cast<std::uint64_t>(i) * 120, i % 2, 60 + i, 80);
        t.noteOff(static_cast<std::uint64_t>(i) * 120 + 100, i % 2, 60 + i);
    }
    t.pitchBend(500, 0, 0);
    t.add(600, {0xF0, 0x02, 0x01, 0xF7});
    return t;
}

TEST(MidiFileReader, EveryTruncationIsRefusedAndTheWholeFileRead) {
    const Bytes file = encodeSmf(1, 480, {sampleTrack(), sampleTrack()});
    parse(file);
    for (std::size_t n = 0; n < file.size(); ++n) {
        MidiSong song;
        std::string error;
        EXPECT_FALSE(readMidiFile(std::span(file.data(), n), song, error)) << n;
        EXPECT_FALSE(error.empty()) << n;
    }
}

}  // namespace
}  // namespace sorvella
