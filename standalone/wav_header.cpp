#include "standalone/wav_header.h"

#include <cstring>

namespace sorvella {

namespace {

class LittleEndianWriter {
  public:
    explicit LittleEndianWriter(WavHeader& header) : header_(header) {}
    void text(const char (&fourCC)[5]) {
        std::memcpy(header_.data() + at_, fourCC, 4);
        at_ += 4;
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header_[at_++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void u16(std::uint16_t v) {
        header_[at_++] = static_cast<std::uint8_t>(v);
        header_[at_++] = static_cast<std::uint8_t>(v >> 8);
    }

  private:
    WavHeader& header_;
    std::size_t at_ = 0;
};

WavHeader makeHeader(std::uint32_t sampleRate, std::uint32_t riffSize, std::uint32_t dataSize) {
    WavHeader header{};
    LittleEndianWriter w(header);
    w.text("RIFF");
    w.u32(riffSize);
    w.text("WAVE");
    w.text("fmt ");
    w.u32(16);
    w.u16(1);  // PCM
    w.u16(2);  // channels
    w.u32(sampleRate);
    w.u32(kWavFrameBytes * sampleRate);
    w.u16(kWavFrameBytes);  // block align
    w.u16(16);              // bits per sample
    w.text("data");
    w.u32(dataSize);
    return header;
}

}  // namespace

WavHeader recordingWavHeader(std::uint32_t sampleRate) {
    return makeHeader(sampleRate, kWavHeaderBytes, 0);
}

WavHeader finishedWavHeader(std::uint32_t sampleRate, std::uint32_t frames) {
    if (frames > kMaxWavFrames) frames = kMaxWavFrames;
    const std::uint32_t dataBytes = frames * kWavFrameBytes;
    return makeHeader(sampleRate, dataBytes + 36, dataBytes);
}

}  // namespace sorvella
