#include "standalone/audio_output.h"

#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "standalone/device_setup.h"

namespace sorvella {

namespace {

constexpr const char* kStreamName = "Sorvella";

std::string apiName(RtAudio::Api api) {
    switch (api) {
        case RtAudio::LINUX_ALSA:
            return "ALSA";
        case RtAudio::LINUX_PULSE:
            return "PulseAudio";
        case RtAudio::UNIX_JACK:
            return "JACK";
        case RtAudio::LINUX_OSS:
            return "OSS";
        default:
            return RtAudio::getApiDisplayName(api);
    }
}

std::unique_ptr<RtAudio> makeAudio(RtAudio::Api api) {
    try {
        auto audio = std::make_unique<RtAudio>(api);
        audio->showWarnings(false);
        return audio;
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

void putDefaultFirst(std::vector<AudioDeviceInfo>& devices) {
    auto first = std::find_if(devices.begin(), devices.end(),
                              [](const AudioDeviceInfo& d) { return d.isDefault; });
    if (first != devices.end()) std::rotate(devices.begin(), first, first + 1);
}

std::vector<AudioDeviceInfo> listAudioOutputs() {
    std::vector<AudioDeviceInfo> devices;
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    for (RtAudio::Api api : apis) {
        if (api == RtAudio::RTAUDIO_DUMMY) continue;
        std::unique_ptr<RtAudio> audio = makeAudio(api);
        if (!audio) continue;
        try {
            const unsigned count = audio->getDeviceCount();
            for (unsigned id = 0; id < count; ++id) {
                const RtAudio::DeviceInfo info = audio->getDeviceInfo(id);
                if (!info.probed || info.outputChannels < 2) continue;
                AudioDeviceInfo device;
                device.api = api;
                device.id = id;
                device.label = apiName(api) + ": " + info.name;
                device.isDefault = info.isDefaultOutput;
                device.sampleRates = info.sampleRates;
                device.preferredRate = info.preferredSampleRate;
                devices.push_back(std::move(device));
            }
        } catch (const std::exception&) {
            continue;
        }
    }
    putDefaultFirst(devices);
    return devices;
}

std::int32_t rateForDevice(const AudioDeviceInfo& device, std::int32_t configuredRate) {
    const auto& rates = device.sampleRates;
    if (rates.empty()) return configuredRate;
    if (std::find(rates.begin(), rates.end(), static_cast<unsigned>(configuredRate)) !=
        rates.end()) {
        return configuredRate;
    }
    const unsigned preferred = device.preferredRate ? device.preferredRate : rates.front();
    return static_cast<std::int32_t>(preferred);
}

AudioOut::AudioOut(const AudioRequest& request) {
    const std::int32_t configuredRate = checkedSampleRate(request.sampleRate);
    const std::int32_t latency = checkedLatency(request.latencyMs, configuredRate);
    if (framesForLatency(latency, configuredRate) <= 0) return;

    const std::vector<AudioDeviceInfo> devices = listAudioOutputs();
    if (devices.empty()) return;
    const AudioDeviceInfo& device =
        devices[checkedAudioDevice(request.deviceIndex, devices.size())];
    const std::int32_t rate = rateForDevice(device, configuredRate);
    const std::int64_t frames = framesForLatency(latency, rate);
    if (frames <= 0) return;

    audio_ = makeAudio(static_cast<RtAudio::Api>(device.api));
    if (!audio_) return;
    RtAudio::StreamParameters output;
    output.deviceId = device.id;
    output.nChannels = 2;
    output.firstChannel = 0;
    RtAudio::StreamOptions options;
    options.streamName = kStreamName;
    auto granted = static_cast<unsigned>(frames);
    try {
        audio_->openStream(&output, nullptr, RTAUDIO_SINT16, static_cast<unsigned>(rate), &granted,
                           &AudioOut::onBlock, this, &options);
    } catch (const std::exception&) {
        audio_.reset();
        return;
    }
    if (!audio_->isStreamOpen() || granted == 0) {
        audio_.reset();
        return;
    }
    open_ = true;
    framesPerBlock_ = static_cast<std::int32_t>(std::min<unsigned>(granted, 0x7FFFFFFF));
    sampleRate_ = static_cast<std::int32_t>(audio_->getStreamSampleRate());
    deviceLabel_ = device.label;
}

AudioOut::~AudioOut() {
    if (!audio_) return;
    try {
        // stopStream returns once the API's thread has left the callback for good.
        if (audio_->isStreamRunning()) audio_->stopStream();
        if (audio_->isStreamOpen()) audio_->closeStream();
    } catch (const std::exception&) {
    }
    audio_.reset();
}

bool AudioOut::start(RenderCallback callback, void* context) {
    if (!open_ || running_ || !callback) return false;
    callback_ = callback;
    context_ = context;
    try {
        audio_->startStream();
    } catch (const std::exception&) {
        return false;
    }
    running_ = true;
    return true;
}

int AudioOut::onBlock(void* output, void*, unsigned frames, double, unsigned status, void* self) {
    auto* out = static_cast<AudioOut*>(self);
    auto* samples = static_cast<std::int16_t*>(output);
    if (!samples) return 0;
    if (status & RTAUDIO_OUTPUT_UNDERFLOW) out->xruns_.fetch_add(1, std::memory_order_relaxed);
    if (out->callback_ && frames <= 0x7FFFFFFF) {
        out->callback_(out->context_, samples, static_cast<std::int32_t>(frames));
    } else {
        std::memset(samples, 0, static_cast<std::size_t>(frames) * 4);
    }
    return 0;
}

}  // namespace sorvella
