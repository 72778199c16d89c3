#include "tools/render/audio_file_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/tools/audio_test_support.h"
#include "tests/tools/tools_test_support.h"

namespace sorvella {
namespace {

TEST(AudioFileWriter, QuantisesToNearestAndClips) {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    struct Case {
        float x;
        std::int32_t pcm16;
        std::int32_t pcm24;
    };
    for (const Case& c : {Case{1.0f, 32767, 8388607}, Case{-7.0f, -32768, -8388608},
                          // halfway between two steps goes away from zero
                          Case{-0.5f / 32768.0f, -1, -128}, Case{1.49f / 32768.0f, 1, 381},
                          Case{kNaN, 0, 0}, Case{kInf, 32767, 8388607}}) {
        EXPECT_EQ(toPcm16(c.x), c.pcm16) << c.x;
        EXPECT_EQ(toPcm24(c.x), c.pcm24) << c.x;
    }
}

TEST(AudioFileWriter, WritesEachFormatByItsExtension) {
    test::ScratchDir dir;
    // 1.5 and -1.25 are beyond full scale: clipped in integer formats, kept in float.
    const float left[] = {0.0f, 0.5f, 1.5f};
    const float right[] = {1.0f, -0.25f, -1.25f};
    const float* channels[] = {left, right};
    struct Case {
        std::string name;
        SampleFormat format;
        int sndfileFormat;
        std::uint64_t clipped;
        std::uint64_t framesAtMost = 3;
    };
    const Case cases[] = {
        {"a.wav", SampleFormat::kPcm16, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3},
        {"b.WAV", SampleFormat::kPcm24, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 3},
        {"c.wav", SampleFormat::kFloat32, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0},
        {"e.aiff", SampleFormat::kPcm24, SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 3},
        {"f.ogg", SampleFormat::kPcm16, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0},
        // Begun as RF64 in case it passes 4 GiB, it ends as the (extensible) WAV file it fits in.
        {"g.wav", SampleFormat::kPcm16, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 3, 1ull << 31},
    };
    for (const Case& c : cases) {
        AudioFileWriter w;
        std::string error;
        ASSERT_TRUE(w.open(dir.file(c.name), 22050, c.format, c.framesAtMost, error)) << error;
        ASSERT_TRUE(w.write(channels, 3, error)) << error;
        ASSERT_TRUE(w.finish(error)) << error;
        EXPECT_EQ(w.clippedSamples(), c.clipped) << c.name;
        EXPECT_EQ(w.peak(), 1.5f) << c.name;

        const test::AudioFile a = test::readAudio(dir.file(c.name));
        ASSERT_TRUE(a.opened) << c.name;
        EXPECT_EQ(a.format, c.sndfileFormat) << c.name;
        EXPECT_EQ(a.sampleRate, 22050) << c.name;
        ASSERT_EQ(a.channels, 2) << c.name;
        if (c.sndfileFormat & SF_FORMAT_VORBIS) continue;  // lossy
        ASSERT_EQ(a.frames(), 3u) << c.name;
        const int shift = c.format == SampleFormat::kPcm16 ? 16 : 8;
        for (int i = 0; i < 3; ++i) {
            for (int ch = 0; ch < 2; ++ch) {
                const float x = channels[ch][i];
                const std::size_t at = static_cast<std::size_t>(2 * i + ch);
                if (c.format == SampleFormat::kFloat32) {
                    EXPECT_EQ(a.floats[at], x) << c.name;
                } else {
                    const std::int32_t q =
                        c.format == SampleFormat::kPcm16 ? toPcm16(x) : toPcm24(x);
                    EXPECT_EQ(a.samples[at],
                              static_cast<int>(static_cast<std::uint32_t>(q) << shift))
                        << c.name << " sample " << at;
                }
            }
        }
    }
    EXPECT_EQ(dir.entries().size(), std::size(cases));  // no temporary file left
}

TEST(AudioFileWriter, RefusesWhatItCannotWriteAndLeavesNothing) {
    test::ScratchDir dir;
    struct Case {
        std::string name;
        SampleFormat format;
        std::string error;
    };
    for (const Case& c : {Case{"a.mp3", SampleFormat::kPcm16, ".mp3 is not a format"},
                          Case{"noextension", SampleFormat::kPcm16, "no file extension"},
                          Case{"b.flac", SampleFormat::kFloat32, "FLAC holds 16 or 24-bit"},
                          Case{"missing/c.wav", SampleFormat::kPcm16, "No such file"}}) {
        AudioFileWriter w;
        std::string error;
        EXPECT_FALSE(w.open(dir.file(c.name), 44100, c.format, 1, error)) << c.name;
        EXPECT_NE(error.find("cannot write " + dir.file(c.name) + ": "), std::string::npos)
            << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    {
        AudioFileWriter w;
        std::string error;
        ASSERT_TRUE(w.open(dir.file("d.wav"), 44100, SampleFormat::kPcm16, 1, error));
    }  // destroyed unfinished
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace sorvella
