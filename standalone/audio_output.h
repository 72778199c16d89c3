// Audio output on RtAudio: every compiled API's output devices in one list, and one stereo
// 16-bit stream whose callback renders each block. The stream is opened by the constructor and
// runs only from start() on; the destructor stops it and waits for its thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtAudio;

namespace sorvella {

struct AudioDeviceInfo {
    int api = 0;        // RtAudio::Api
    unsigned id = 0;    // the device's number within its API
    std::string label;  // "API: device"
    bool isDefault = false;
    std::vector<unsigned> sampleRates;
    unsigned preferredRate = 0;
};

// Moves the first default device (in API order) to the front; the others keep their order.
void putDefaultFirst(std::vector<AudioDeviceInfo>& devices);
// Every stereo output device of every compiled API, the default first.
std::vector<AudioDeviceInfo> listAudioOutputs();

// The rate a device is opened at: the configured one when the device offers it or says nothing
// about rates, otherwise its preferred rate (a JACK server runs at its own rate only).
std::int32_t rateForDevice(const AudioDeviceInfo& device, std::int32_t configuredRate);

struct AudioRequest {
    std::int32_t deviceIndex = 0;  // into listAudioOutputs(); out of range: the default device
    std::int32_t latencyMs = 50;   // one block; 0 or less opens no stream
    std::int32_t sampleRate = 44100;
};

class AudioOut {
  public:
    // Fills frames stereo frames, interleaved left and right.
    using RenderCallback = void (*)(void* context, std::int16_t* interleaved, std::int32_t frames);

    // Opens the device; on any device error the object exists without a stream and stays silent.
    explicit AudioOut(const AudioRequest& request);
    ~AudioOut();
    AudioOut(const AudioOut&) = delete;
    AudioOut& operator=(const AudioOut&) = delete;

    bool isOpen() const { return open_; }
    // The block and rate the API granted (under JACK, the server's period and rate); 0 without
    // a stream.
    std::int32_t framesPerBlock() const { return framesPerBlock_; }
    std::int32_t sampleRate() const { return sampleRate_; }
    const std::string& deviceLabel() const { return deviceLabel_; }

    // Lets the stream run with the callback; called once the callback's object is complete.
    bool start(RenderCallback callback, void* context);
    // Blocks the device reported as lost (underflows), since the stream started.
    std::uint64_t xruns() const { return xruns_.load(std::memory_order_relaxed); }

  private:
    static int onBlock(void* output, void* input, unsigned frames, double time, unsigned status,
                       void* self);

    std::unique_ptr<RtAudio> audio_;
    bool open_ = false;
    bool running_ = false;
    std::int32_t framesPerBlock_ = 0;
    std::int32_t sampleRate_ = 0;
    std::string deviceLabel_;
    RenderCallback callback_ = nullptr;
    void* context_ = nullptr;
    std::atomic<std::uint64_t> xruns_{0};
};

}  // namespace sorvella
