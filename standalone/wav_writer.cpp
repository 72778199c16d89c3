#include "standalone/wav_writer.h"

#include <algorithm>

namespace sorvella {

WavWriter::WavWriter(std::unique_ptr<ByteSink> sink, std::uint32_t sampleRate,
                     std::uint32_t maxFrames)
    : sink_(std::move(sink)),
      sampleRate_(sampleRate),
      maxFrames_(std::min(maxFrames, kMaxWavFrames)) {}

bool WavWriter::start() {
    const WavHeader header = recordingWavHeader(sampleRate_);
    if (!sink_ || sink_->write(header.data(), header.size()) != header.size()) {
        status_ = WavStatus::kWriteFailed;
        return false;
    }
    return true;
}

std::uint32_t WavWriter::append(const std::int16_t* interleaved, std::uint32_t frames) {
    if (status_ != WavStatus::kRecording || !sink_) return 0;
    const std::uint32_t room = maxFrames_ - frames_;
    const std::uint32_t take = std::min(frames, room);
    const std::size_t bytes = static_cast<std::size_t>(take) * kWavFrameBytes;
    const std::size_t written = take > 0 ? sink_->write(interleaved, bytes) : 0;
    const auto whole = static_cast<std::uint32_t>(written / kWavFrameBytes);
    frames_ += whole;
    if (written < bytes) {
        status_ = WavStatus::kWriteFailed;
        partialFrame_ = written % kWavFrameBytes != 0;
    } else if (frames_ == maxFrames_) {
        status_ = WavStatus::kFull;
    }
    return whole;
}

bool WavWriter::finish() {
    if (!sink_) return false;
    bool ok = sink_->rewind();
    if (ok) {
        const WavHeader header = finishedWavHeader(sampleRate_, frames_);
        ok = sink_->write(header.data(), header.size()) == header.size();
    }
    // The bytes of a frame cut short by a failed write are not part of the data.
    if (partialFrame_) {
        sink_->truncate(kWavHeaderBytes + static_cast<std::uint64_t>(frames_) * kWavFrameBytes);
    }
    ok = sink_->close() && ok;
    sink_.reset();
    return ok;
}

}  // namespace sorvella
