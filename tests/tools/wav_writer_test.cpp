#include "tools/render/wav_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "tests/tools/tools_test_support.h"
#include "tests/tools/wav_test_support.h"

namespace sorvella {
namespace {

using test::le16;
using test::le32;

TEST(WavWriter, Pcm16RoundsToNearestAndClips) {
    EXPECT_EQ(toPcm16(0.0f), 0);
    EXPECT_EQ(toPcm16(0.5f), 16384);
    EXPECT_EQ(toPcm16(-0.5f), -16384);
    EXPECT_EQ(toPcm16(1.0f), 32767);
    EXPECT_EQ(toPcm16(-1.0f), -32768);
    EXPECT_EQ(toPcm16(2.5f), 32767);
    EXPECT_EQ(toPcm16(-7.0f), -32768);
    // Halfway between two steps goes away from zero; just below goes down.
    EXPECT_EQ(toPcm16(0.5f / 32768.0f), 1);
    EXPECT_EQ(toPcm16(-0.5f / 32768.0f), -1);
    EXPECT_EQ(toPcm16(std::nextafter(0.5f, 0.0f) / 32768.0f), 0);
    EXPECT_EQ(toPcm16(1.49f / 32768.0f), 1);
    EXPECT_EQ(toPcm16(1.51f / 32768.0f), 2);
    EXPECT_EQ(toPcm16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(toPcm16(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(toPcm16(-std::numeric_limits<float>::infinity()), -32768);
}

TEST(WavWriter, Pcm24RoundsToNearestAndClips) {
    EXPECT_EQ(toPcm24(0.5f), 4194304);
    EXPECT_EQ(toPcm24(1.0f), 8388607);
    EXPECT_EQ(toPcm24(-1.0f), -8388608);
    EXPECT_EQ(toPcm24(0.5f / 8388608.0f), 1);
    EXPECT_EQ(toPcm24(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(WavWriter, ParsesFormatNames) {
    SampleFormat f = SampleFormat::kPcm16;
    EXPECT_TRUE(parseSampleFormat("s24", f));
    EXPECT_EQ(f, SampleFormat::kPcm24);
    EXPECT_TRUE(parseSampleFormat("float", f));
    EXPECT_EQ(f, SampleFormat::kFloat32);
    EXPECT_TRUE(parseSampleFormat("s16", f));
    EXPECT_EQ(f, SampleFormat::kPcm16);
    EXPECT_FALSE(parseSampleFormat("s32", f));
    EXPECT_FALSE(parseSampleFormat("", f));
}

TEST(WavWriter, HeaderFieldsForEachFormat) {
    struct Case {
        SampleFormat format;
        std::uint32_t tag, bits, fmtBytes, dataAt;
    };
    for (const Case& c :
         {Case{SampleFormat::kPcm16, 1, 16, 16, 36}, Case{SampleFormat::kPcm24, 1, 24, 16, 36},
          Case{SampleFormat::kFloat32, 3, 32, 18, 50}}) {
        const std::uint32_t frames = 1000;
        const std::uint32_t blockAlign = 2 * c.bits / 8;
        const auto h = wavHeader(c.format, 48000, 2, frames);
        ASSERT_EQ(h.size(), c.dataAt + 8);
        EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
        EXPECT_EQ(le32(h, 4), h.size() - 8 + frames * blockAlign);
        EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(le32(h, 16), c.fmtBytes);
        EXPECT_EQ(le16(h, 20), c.tag);
        EXPECT_EQ(le16(h, 22), 2u);
        EXPECT_EQ(le32(h, 24), 48000u);
        EXPECT_EQ(le32(h, 28), 48000u * blockAlign);
        EXPECT_EQ(le16(h, 32), blockAlign);
        EXPECT_EQ(le16(h, 34), c.bits);
        if (c.format == SampleFormat::kFloat32) {
            EXPECT_EQ(le16(h, 36), 0u);  // no extension bytes
            EXPECT_EQ(std::string(h.begin() + 38, h.begin() + 42), "fact");
            EXPECT_EQ(le32(h, 42), 4u);
            EXPECT_EQ(le32(h, 46), frames);
        }
        EXPECT_EQ(std::string(h.begin() + c.dataAt, h.begin() + c.dataAt + 4), "data");
        EXPECT_EQ(le32(h, c.dataAt + 4), frames * blockAlign);
    }
}

TEST(WavWriter, OddDataIsPaddedAndCountedInRiff) {
    const auto h = wavHeader(SampleFormat::kPcm24, 44100, 1, 3);  // 9 data bytes
    EXPECT_EQ(le32(h, 40), 9u);
    EXPECT_EQ(le32(h, 4), 36u + 9u + 1u);
}

TEST(WavWriter, WritesInterleavedSamplesAndAppearsOnlyWhenFinished) {
    test::ScratchDir dir;
    const std::string path = dir.file("out.wav");
    const float left[] = {0.0f, 0.5f, -1.0f};
    const float right[] = {1.0f, -0.25f, 0.125f};
    const float* channels[] = {left, right};

    for (SampleFormat format :
         {SampleFormat::kPcm16, SampleFormat::kPcm24, SampleFormat::kFloat32}) {
        WavWriter w;
        std::string error;
        ASSERT_TRUE(w.open(path, 22050, 2, format, error)) << error;
        ASSERT_TRUE(w.write(channels, 2, error)) << error;
        ASSERT_TRUE(w.write(channels + 0, 0, error));
        const float* tail[] = {left + 2, right + 2};
        ASSERT_TRUE(w.write(tail, 1, error)) << error;
        EXPECT_EQ(dir.entries().size(), 1u);
        EXPECT_NE(dir.entries()[0], "out.wav");  // still the temporary file
        ASSERT_TRUE(w.finish(error)) << error;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.wav"});
        EXPECT_EQ(w.framesWritten(), 3u);

        const auto b = test::readBytes(path);
        const auto h = wavHeader(format, 22050, 2, 3);
        ASSERT_EQ(b.size(), h.size() + 6u * bytesPerSample(format));
        EXPECT_TRUE(std::equal(h.begin(), h.end(), b.begin()));
        const std::size_t d = h.size();
        switch (format) {
            case SampleFormat::kPcm16:
                EXPECT_EQ(test::pcm16At(b, d), 0);
                EXPECT_EQ(test::pcm16At(b, d + 2), 32767);
                EXPECT_EQ(test::pcm16At(b, d + 4), 16384);
                EXPECT_EQ(test::pcm16At(b, d + 6), -8192);
                EXPECT_EQ(test::pcm16At(b, d + 8), -32768);
                EXPECT_EQ(test::pcm16At(b, d + 10), 4096);
                break;
            case SampleFormat::kPcm24:
                // -0.25 is 0xE00000 in 24 bits, little-endian.
                EXPECT_EQ(b[d + 9], 0x00);
                EXPECT_EQ(b[d + 10], 0x00);
                EXPECT_EQ(b[d + 11], 0xE0);
                break;
            case SampleFormat::kFloat32:
                EXPECT_EQ(le32(b, d + 4), std::bit_cast<std::uint32_t>(1.0f));
                EXPECT_EQ(le32(b, d + 20), std::bit_cast<std::uint32_t>(0.125f));
                break;
        }
        std::remove(path.c_str());
    }
}

TEST(WavWriter, AbandonedOrFailedOutputLeavesNothing) {
    test::ScratchDir dir;
    std::string error;
    {
        WavWriter w;
        ASSERT_TRUE(w.open(dir.file("a.wav"), 44100, 2, SampleFormat::kPcm16, error));
        w.abandon();
    }
    {
        WavWriter w;
        ASSERT_TRUE(w.open(dir.file("b.wav"), 44100, 2, SampleFormat::kPcm16, error));
    }  // destroyed unfinished
    EXPECT_TRUE(dir.entries().empty());

    WavWriter w;
    EXPECT_FALSE(w.open(dir.file("missing/c.wav"), 44100, 2, SampleFormat::kPcm16, error));
    EXPECT_NE(error.find("cannot write " + dir.file("missing/c.wav")), std::string::npos) << error;
    EXPECT_FALSE(w.open(dir.path(), 44100, 2, SampleFormat::kPcm16, error));
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
    EXPECT_TRUE(dir.entries().empty());
}

TEST(WavWriter, FinishReplacesAnExistingFile) {
    test::ScratchDir dir;
    test::writeBytes(dir.file("out.wav"), {1, 2, 3});
    WavWriter w;
    std::string error;
    ASSERT_TRUE(w.open(dir.file("out.wav"), 44100, 2, SampleFormat::kPcm16, error));
    ASSERT_TRUE(w.finish(error)) << error;
    EXPECT_EQ(test::readBytes(dir.file("out.wav")).size(), 44u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.wav"});
}

}  // namespace
}  // namespace sorvella
