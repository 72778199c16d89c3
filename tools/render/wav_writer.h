// WAV output of the renderer: 16- or 24-bit PCM or 32-bit float, written through a PendingFile so
// the file appears only when complete.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/render/pending_file.h"

namespace sorvella {

enum class SampleFormat { kPcm16, kPcm24, kFloat32 };

// Accepts "s16", "s24" and "f32" (also "16", "24", "float").
bool parseSampleFormat(std::string_view text, SampleFormat& format);
int bytesPerSample(SampleFormat format);

// Float to PCM: scaled by 2^15 or 2^23, rounded to nearest (halves away from zero), clipped to
// the integer range; NaN becomes 0.
std::int32_t toPcm16(float x);
std::int32_t toPcm24(float x);

// The complete header for a file of the given length in frames.
std::vector<std::uint8_t> wavHeader(SampleFormat format, int sampleRate, int channels,
                                    std::uint64_t frames);

class WavWriter {
  public:
    bool open(const std::string& path, int sampleRate, int channels, SampleFormat format,
              std::string& error);
    // channels[c][i] for c < the channel count and i < frames.
    bool write(const float* const* channels, int frames, std::string& error);
    // Fills in the header and puts the file in place.
    bool finish(std::string& error);
    // Drops the partial file.
    void abandon() { file_.discard(); }
    std::uint64_t framesWritten() const { return frames_; }

  private:
    PendingFile file_;
    SampleFormat format_ = SampleFormat::kPcm16;
    int sampleRate_ = 0;
    int channels_ = 0;
    std::uint64_t frames_ = 0;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sorvella
