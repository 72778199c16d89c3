// The WAV recorder: what a short write or a failed seek leaves, the 32-bit size limit, and a
// recording handed over by another thread through the ring into a real file.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "standalone/recorder_slot.h"
#include "standalone/wav_recorder.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A sink in memory that takes at most `room` bytes in all, and whose seek can fail. With
// keepBytes false it only counts, so gigabytes can pass through it.
class FakeSink final : public ByteSink {
  public:
    struct State {
        std::vector<std::uint8_t> bytes;
        std::uint64_t position = 0, room = UINT64_MAX;  // position: all written, unless rewound
        bool seekFails = false, keepBytes = true, closed = false;
    };
    explicit FakeSink(State& state) : s_(state) {}

    std::size_t write(const void* data, std::size_t bytes) override {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, s_.room));
        s_.room -= n;
        if (s_.keepBytes) {
            if (s_.bytes.size() < s_.position + n) s_.bytes.resize(s_.position + n);
            std::memcpy(s_.bytes.data() + s_.position, data, n);
        }
        s_.position += n;
        return n;
    }
    bool rewind() override {
        if (s_.seekFails) return false;
        s_.position = 0;
        return true;
    }
    bool truncate(std::uint64_t size) override {
        if (s_.keepBytes && size < s_.bytes.size()) s_.bytes.resize(size);
        return true;
    }
    bool close() override {
        s_.closed = true;
        return true;
    }

  private:
    State& s_;
};

std::vector<std::int16_t> ramp(std::uint32_t frames) {
    std::vector<std::int16_t> samples(2 * frames);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(i * 7);
    return samples;
}

TEST(WavWriter, ShortWriteKeepsOnlyWholeFramesAndAFailedSeekWritesNoHeaderAtTheEnd) {
    FakeSink::State state;
    state.room = kWavHeaderBytes + 10;  // two frames and half of a third
    WavWriter writer(std::make_unique<FakeSink>(state), 44100);
    ASSERT_TRUE(writer.start());
    const std::vector<std::int16_t> samples = ramp(5);
    EXPECT_EQ(writer.append(samples.data(), 5), 2u);
    EXPECT_EQ(writer.status(), WavStatus::kWriteFailed);
    state.room = UINT64_MAX;
    EXPECT_EQ(writer.append(samples.data(), 5), 0u) << "nothing is written after a failure";
    EXPECT_TRUE(writer.finish());
    ASSERT_EQ(state.bytes.size(), kWavHeaderBytes + 8) << "the partial frame is cut off";
    EXPECT_EQ(u32At(state.bytes, 40), 8u);
    EXPECT_EQ(u32At(state.bytes, 4), 44u);
    EXPECT_EQ(std::memcmp(state.bytes.data() + 44, samples.data(), 8), 0);

    FakeSink::State unseekable;
    unseekable.seekFails = true;
    WavWriter second(std::make_unique<FakeSink>(unseekable), 44100);
    ASSERT_TRUE(second.start());
    second.append(samples.data(), 3);
    EXPECT_FALSE(second.finish());
    EXPECT_EQ(unseekable.position, kWavHeaderBytes + 12);
    EXPECT_TRUE(unseekable.closed);
}

TEST(WavWriter, StopsBeforeTheSizesWrap) {
    FakeSink::State state;
    state.keepBytes = false;
    WavWriter writer(std::make_unique<FakeSink>(state), 44100);
    ASSERT_TRUE(writer.start());
    // The sink never reads the samples, so one small buffer stands for a gigabyte of them.
    const std::vector<std::int16_t> samples = ramp(4);
    constexpr std::uint32_t kPiece = 1u << 28;
    std::uint64_t taken = 0;
    for (int i = 0; i < 5; ++i)
        taken += writer.append(samples.data(), kPiece);
    EXPECT_EQ(taken, kMaxWavFrames);
    EXPECT_EQ(writer.status(), WavStatus::kFull);
    EXPECT_EQ(state.position, kWavHeaderBytes + std::uint64_t{kMaxWavFrames} * 4);
    state.keepBytes = true;
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(u32At(state.bytes, 4), 4294967292u);
    EXPECT_EQ(u32At(state.bytes, 40), 4294967256u);
}

TEST(WavRecorder, AudioThreadBlocksReachTheFileWhole) {
    test::TempDir dir;
    const std::string path = (dir / "take.wav").string();
    // A ring that holds the whole take: this "audio thread" runs far faster than real time.
    std::unique_ptr<WavRecorder> recorder = WavRecorder::create(path, 44100, 1 << 20);
    ASSERT_TRUE(recorder);
    RecorderSlot slot;
    slot.attach(recorder.get());
    const std::vector<std::int16_t> block = ramp(2205);
    std::thread audio([&] {
        for (int i = 0; i < 100; ++i)
            slot.write(block.data(), 2205);
    });
    audio.join();
    EXPECT_EQ(slot.detach(), recorder.get());
    slot.write(block.data(), 2205);  // after detaching: reaches nothing
    EXPECT_TRUE(recorder->finish());

    const std::vector<std::uint8_t> file = test::readBytes(path);
    ASSERT_EQ(file.size(), 44u + 882000u);
    EXPECT_EQ(u32At(file, 4), 882036u);
    EXPECT_EQ(u32At(file, 40), 882000u);
    for (std::size_t b = 0; b < 100; b += 33) {
        EXPECT_EQ(std::memcmp(file.data() + 44 + b * 8820, block.data(), 8820), 0) << b;
    }
}

TEST(WavRecorder, FailuresAndOverrunsAreReportedAndStopTheRecording) {
    testing::CapturedBoxes boxes;
    test::TempDir dir;
    EXPECT_FALSE(WavRecorder::create((dir / "missing" / "take.wav").string(), 44100));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Error opening file");

    // A disk that fills up: the writer thread notices, the status says so, finishing reports it.
    FakeSink::State state;
    state.room = kWavHeaderBytes + 4000;
    auto writer = std::make_unique<WavWriter>(std::make_unique<FakeSink>(state), 44100);
    ASSERT_TRUE(writer->start());
    WavRecorder recorder(std::move(writer));
    const std::vector<std::int16_t> block = ramp(2205);
    recorder.write(block.data(), 2205);
    for (int i = 0; i < 2500 && recorder.status() == WavStatus::kRecording; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(recorder.status(), WavStatus::kWriteFailed);
    EXPECT_FALSE(recorder.finish());
    EXPECT_EQ(recorder.framesWritten(), 1000u);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Error writing file");

    // A full ring stops the recording instead of leaving a gap.
    state = FakeSink::State{};
    auto third = std::make_unique<WavWriter>(std::make_unique<FakeSink>(state), 44100);
    ASSERT_TRUE(third->start());
    WavRecorder small(std::move(third), 64);
    small.write(block.data(), 40);  // 80 samples do not fit a ring of 64
    small.write(block.data(), 2);   // nor does anything after the overrun
    EXPECT_FALSE(small.finish());
    EXPECT_EQ(small.framesWritten(), 0u);
    EXPECT_EQ(boxes.boxes.size(), 3u);
}

}  // namespace
}  // namespace sorvella
