#include "standalone/wav_recorder.h"

#include <chrono>

#include "platform/error_box.h"

namespace sorvella {

namespace {

// How often the writer thread looks for queued samples: the audio thread never wakes it, so that
// handing over a block stays a copy and two atomic stores.
constexpr std::chrono::milliseconds kDrainPeriod{10};

}  // namespace

std::unique_ptr<WavRecorder> WavRecorder::create(const std::string& path, std::uint32_t sampleRate,
                                                 std::size_t ringSamples) {
    std::unique_ptr<ByteSink> sink = createFileSink(path);
    if (!sink) {
        reportError(kErrorOpening);
        return nullptr;
    }
    auto writer = std::make_unique<WavWriter>(std::move(sink), sampleRate);
    if (!writer->start()) {
        writer->finish();
        reportError(kErrorWriting);
        return nullptr;
    }
    return std::make_unique<WavRecorder>(std::move(writer), ringSamples);
}

WavRecorder::WavRecorder(std::unique_ptr<WavWriter> writer, std::size_t ringSamples)
    : writer_(std::move(writer)), ring_(ringSamples) {
    thread_ = std::thread([this] { drainLoop(); });
}

WavRecorder::~WavRecorder() {
    finish();
}

void WavRecorder::write(const std::int16_t* interleaved, std::int32_t frames) {
    if (!interleaved || frames <= 0) return;
    if (status_.load(std::memory_order_relaxed) != WavStatus::kRecording) return;
    if (overrun_.load(std::memory_order_relaxed)) return;
    if (!ring_.push(interleaved, static_cast<std::size_t>(frames) * 2)) {
        overrun_.store(true, std::memory_order_release);
    }
}

void WavRecorder::drain() {
    for (;;) {
        const std::span<const std::int16_t> piece = ring_.readable();
        if (piece.empty() || writer_->status() != WavStatus::kRecording) break;
        // The ring holds whole frames and its size is even, so each piece is whole frames.
        const auto frames = static_cast<std::uint32_t>(piece.size() / 2);
        writer_->append(piece.data(), frames);
        ring_.consume(piece.size());
    }
    WavStatus status = writer_->status();
    if (status == WavStatus::kRecording && overrun_.load(std::memory_order_acquire) &&
        ring_.readable().empty()) {
        status = WavStatus::kWriteFailed;
    }
    status_.store(status, std::memory_order_release);
}

void WavRecorder::drainLoop() {
    while (!stopping_.load(std::memory_order_acquire)) {
        drain();
        std::this_thread::sleep_for(kDrainPeriod);
    }
    drain();
}

bool WavRecorder::finish() {
    if (finished_) return result_;
    finished_ = true;
    stopping_.store(true, std::memory_order_release);
    if (thread_.joinable()) thread_.join();
    const bool lostFrames = status() == WavStatus::kWriteFailed;
    const bool headerWritten = writer_->finish();
    result_ = headerWritten && !lostFrames;
    if (!result_) reportError(kErrorWriting);
    return result_;
}

}  // namespace sorvella
