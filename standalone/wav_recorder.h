// A recording in progress. The audio thread hands each block to write(), which only copies it
// into a ring; a writer thread of the recorder's own drains the ring into the file, so no file
// operation ever runs on the audio thread. The main thread polls status() and calls finish().
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "standalone/sample_ring.h"
#include "standalone/wav_writer.h"

namespace sorvella {

class WavRecorder {
  public:
    // Ring room of about four seconds at 48 kHz: far beyond any stall of a working disk.
    static constexpr std::size_t kRingSamples = 2 * 196608;

    // Creates the file and writes its header. Reports "Error opening file" or "Error writing
    // file" and gives null when either fails.
    static std::unique_ptr<WavRecorder> create(const std::string& path, std::uint32_t sampleRate,
                                               std::size_t ringSamples = kRingSamples);

    // Starts the writer thread on a writer whose header is written.
    WavRecorder(std::unique_ptr<WavWriter> writer, std::size_t ringSamples = kRingSamples);
    ~WavRecorder();
    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    // Audio thread: queues frames of interleaved samples; never blocks. When the ring is full
    // (the disk stalled for seconds) the recording stops rather than leaving a gap in it.
    void write(const std::int16_t* interleaved, std::int32_t frames);

    // Whether the recording still runs, or why it stopped by itself.
    WavStatus status() const { return status_.load(std::memory_order_acquire); }
    std::uint32_t sampleRate() const { return writer_->sampleRate(); }

    // Main thread, after the recorder was detached from the audio thread: writes what is queued,
    // stops the writer thread and finishes the file. Reports "Error writing file" when the
    // recording lost frames to a failed write or an overrun, or its header could not be written.
    // Returns false in those cases. Further calls do nothing.
    bool finish();
    std::uint32_t framesWritten() const { return writer_->framesWritten(); }

  private:
    void drainLoop();
    void drain();

    std::unique_ptr<WavWriter> writer_;
    SampleRing ring_;
    std::atomic<WavStatus> status_{WavStatus::kRecording};
    std::atomic<bool> overrun_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    bool finished_ = false;
    bool result_ = true;
};

}  // namespace sorvella
