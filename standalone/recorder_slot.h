// How the audio thread reaches the active recorder: an atomic pointer, and a flag that says a
// block is being handed over. Detaching swaps in null and then waits until no block is in
// flight, so the recorder can be finished and destroyed knowing the audio thread is done with it.
#pragma once

#include <atomic>
#include <thread>

#include "standalone/wav_recorder.h"

namespace sorvella {

class RecorderSlot {
  public:
    // Main thread: attaches a complete recorder.
    void attach(WavRecorder* recorder) { recorder_.store(recorder); }

    // Main thread: no later block reaches the recorder once this returns.
    WavRecorder* detach() {
        WavRecorder* recorder = recorder_.exchange(nullptr);
        while (inFlight_.load())
            std::this_thread::yield();
        return recorder;
    }

    bool attached() const { return recorder_.load() != nullptr; }

    // Audio thread. Sequentially consistent: either detach sees the flag raised, or this load
    // sees the null that detach stored.
    void write(const std::int16_t* interleaved, std::int32_t frames) {
        inFlight_.store(true);
        if (WavRecorder* recorder = recorder_.load()) recorder->write(interleaved, frames);
        inFlight_.store(false);
    }

  private:
    std::atomic<WavRecorder*> recorder_{nullptr};
    std::atomic<bool> inFlight_{false};
};

}  // namespace sorvella
