// Writes one recording into a byte sink: the header first, then whole stereo frames, and the
// final header when it ends. It counts only the frames the sink took, stops at the first short
// write, and stops before the header's 32-bit sizes would wrap. Runs on one thread.
#pragma once

#include <cstdint>
#include <memory>

#include "standalone/byte_sink.h"
#include "standalone/wav_header.h"

namespace sorvella {

enum class WavStatus {
    kRecording,
    kFull,         // the size limit was reached; everything before it is kept
    kWriteFailed,  // a write came up short; the frames before it are kept
};

class WavWriter {
  public:
    WavWriter(std::unique_ptr<ByteSink> sink, std::uint32_t sampleRate,
              std::uint32_t maxFrames = kMaxWavFrames);

    // Writes the recording header; false (and kWriteFailed) when it could not be written whole.
    bool start();
    // Appends up to frames frames of interleaved left/right samples; returns how many were taken.
    std::uint32_t append(const std::int16_t* interleaved, std::uint32_t frames);
    // Writes the final header at the start of the file and closes it. False when the header could
    // not be written there: a failed seek never writes the header at the end of the data.
    bool finish();

    WavStatus status() const { return status_; }
    std::uint32_t framesWritten() const { return frames_; }
    std::uint32_t sampleRate() const { return sampleRate_; }

  private:
    std::unique_ptr<ByteSink> sink_;
    std::uint32_t sampleRate_;
    std::uint32_t maxFrames_;
    std::uint32_t frames_ = 0;
    bool partialFrame_ = false;
    WavStatus status_ = WavStatus::kRecording;
};

}  // namespace sorvella
