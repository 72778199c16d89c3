// The renderer's audio output through libsndfile, its format chosen by the file's extension: WAV
// (RF64 when it may pass 4 GiB), FLAC, Ogg Vorbis or AIFF. Integer samples are quantised here, so
// that clipping is counted where it happens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/render/output_file.h"

struct sf_private_tag;

namespace sorvella {

enum class SampleFormat { kPcm16, kPcm24, kFloat32 };
enum class AudioContainer { kWav, kFlac, kOgg, kAiff };

// Accepts "s16", "s24" and "f32" (also "16", "24", "float").
bool parseSampleFormat(std::string_view text, SampleFormat& format);

// The container a file name asks for by its extension. Standard output ("-"), and devices and
// pipes named without a known extension, get WAV; any other name without one of the known
// extensions is refused, never written as WAV under another name.
bool containerForOutput(const OutputTarget& target, AudioContainer& container, std::string& error);

// Float to PCM: scaled by 2^15 or 2^23, rounded to nearest (halves away from zero), clipped to
// the integer range; NaN becomes 0.
std::int32_t toPcm16(float x);
std::int32_t toPcm24(float x);

class AudioFileWriter {
  public:
    AudioFileWriter() = default;
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Two channels. Ogg Vorbis takes no sample format; FLAC takes no floats. A WAV file that may
    // grow past 4 GiB in framesAtMost frames is written as RF64 (libsndfile makes it a
    // plain WAV file again when it ends up smaller).
    bool open(const std::string& path, int sampleRate, SampleFormat format,
              std::uint64_t framesAtMost, std::string& error);
    // channels[0] and channels[1], frames long.
    bool write(const float* const* channels, int frames, std::string& error);
    // Completes the file and puts it in place.
    bool finish(std::string& error);
    // Drops everything written.
    void abandon();

    std::uint64_t framesWritten() const { return frames_; }
    // The largest magnitude written, and how many samples an integer format had to clip.
    float peak() const { return peak_; }
    std::uint64_t clippedSamples() const { return clipped_; }
    bool quantises() const { return quantises_; }

  private:
    OutputFile file_;
    sf_private_tag* sound_ = nullptr;
    SampleFormat format_ = SampleFormat::kPcm16;
    bool quantises_ = false;
    std::uint64_t frames_ = 0;
    float peak_ = 0.0f;
    std::uint64_t clipped_ = 0;
    std::vector<float> floats_;
    std::vector<int> ints_;
};

}  // namespace sorvella
