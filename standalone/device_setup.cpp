#include "standalone/device_setup.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "presets/settings_encoding.h"
#include "presets/settings_names.h"

namespace sorvella {

namespace {

constexpr std::int32_t kMaxSampleRate = 768000;
constexpr std::int32_t kChannels = 16;

std::optional<std::size_t> entryOf(std::int32_t index, std::size_t count) {
    if (index < 0 || static_cast<std::size_t>(index) >= count) return std::nullopt;
    return static_cast<std::size_t>(index);
}

}  // namespace

DeviceSetup readDeviceSetup(const SettingsKey& key) {
    DeviceSetup s;
    s.midiInDevice = key.getInt(settings::kMidiInDevice, s.midiInDevice);
    s.midiOutDevice = key.getInt(settings::kMidiOutDevice, s.midiOutDevice);
    s.inputChannel = key.getInt(settings::kInputChannel, s.inputChannel);
    s.outputChannel = key.getInt(settings::kOutputChannel, s.outputChannel);
    s.audioDevice = key.getInt(settings::kAudioDevice, s.audioDevice);
    s.latencyMs = key.getInt(settings::kLatency, s.latencyMs);
    s.primary = key.getFlag(settings::kPrimary, s.primary);
    s.sampleRate = key.getInt(settings::kSampleRate, s.sampleRate);
    s.tempo = key.getFloat(settings::kTempo, s.tempo);
    return s;
}

void writeDeviceSetup(SettingsKey& key, const DeviceSetup& s) {
    key.setInt(settings::kMidiInDevice, s.midiInDevice);
    key.setInt(settings::kMidiOutDevice, s.midiOutDevice);
    key.setInt(settings::kInputChannel, s.inputChannel);
    key.setInt(settings::kOutputChannel, s.outputChannel);
    key.setInt(settings::kAudioDevice, s.audioDevice);
    key.setInt(settings::kLatency, s.latencyMs);
    key.setFlag(settings::kPrimary, s.primary);
    key.setInt(settings::kSampleRate, s.sampleRate);
    key.setFloat(settings::kTempo, s.tempo);
}

StandaloneConfig::StandaloneConfig() {
    key_.open(settings::kSubkey, settings::kClassText);
    values_ = readDeviceSetup(key_);
}

void StandaloneConfig::store(const DeviceSetup& setup) {
    values_ = setup;
    writeDeviceSetup(key_, setup);
}

std::size_t checkedAudioDevice(std::int32_t index, std::size_t deviceCount) {
    return entryOf(index, deviceCount).value_or(0);
}

std::optional<std::size_t> checkedMidiPort(std::int32_t index, std::size_t portCount) {
    return entryOf(index, portCount);
}

std::int32_t checkedInputChannel(std::int32_t channel) {
    return channel >= 0 && channel < kChannels ? channel : kAllChannels;
}

std::int32_t checkedOutputChannel(std::int32_t channel) {
    return channel >= 0 && channel < kChannels ? channel : kNoChannel;
}

std::int32_t checkedSampleRate(std::int32_t rate) {
    return rate > 0 && rate <= kMaxSampleRate ? rate : kDefaultSampleRate;
}

std::int64_t framesForLatency(std::int32_t latencyMs, std::int32_t sampleRate) {
    return static_cast<std::int64_t>(latencyMs) * sampleRate / 1000;
}

std::int32_t checkedLatency(std::int32_t latencyMs, std::int32_t sampleRate) {
    if (framesForLatency(latencyMs, sampleRate) > std::numeric_limits<std::int32_t>::max()) {
        return kDefaultLatencyMs;
    }
    return latencyMs;
}

std::array<std::string, 17> channelEntries(bool input) {
    std::array<std::string, 17> entries;
    entries[0] = input ? "all" : "none";
    for (std::int32_t c = 1; c <= kChannels; ++c)
        entries[static_cast<std::size_t>(c)] = std::to_string(c);
    return entries;
}

SetupSelection openingSelection(const DeviceSetup& stored, std::size_t midiInCount,
                                std::size_t midiOutCount, std::size_t audioCount) {
    SetupSelection s;
    s.midiIn = entryOf(stored.midiInDevice, midiInCount);
    s.inputChannel = entryOf(stored.inputChannel + 1, kChannels + 1);
    s.midiOut = entryOf(stored.midiOutDevice, midiOutCount);
    s.outputChannel = entryOf(stored.outputChannel + 1, kChannels + 1);
    s.audioDevice = entryOf(stored.audioDevice, audioCount);
    for (std::size_t i = 0; i < kOfferedSampleRates.size(); ++i) {
        if (kOfferedSampleRates[i] == stored.sampleRate) s.sampleRate = i;
    }
    s.latencyText = std::to_string(static_cast<std::uint32_t>(stored.latencyMs));
    char tempo[32];
    std::snprintf(tempo, sizeof tempo, "%.2f", static_cast<double>(stored.tempo));
    s.tempoText = tempo;
    s.primary = stored.primary;
    return s;
}

DeviceSetup confirmedSetup(const DeviceSetup& stored, const SetupSelection& selection) {
    DeviceSetup s = stored;
    auto index = [](const std::optional<std::size_t>& entry, std::int32_t kept,
                    std::int32_t shift) {
        return entry ? static_cast<std::int32_t>(*entry) + shift : kept;
    };
    s.midiInDevice = index(selection.midiIn, stored.midiInDevice, 0);
    s.midiOutDevice = index(selection.midiOut, stored.midiOutDevice, 0);
    s.inputChannel = index(selection.inputChannel, stored.inputChannel, -1);
    s.outputChannel = index(selection.outputChannel, stored.outputChannel, -1);
    s.audioDevice = index(selection.audioDevice, stored.audioDevice, 0);
    if (selection.sampleRate && *selection.sampleRate < kOfferedSampleRates.size()) {
        s.sampleRate = kOfferedSampleRates[*selection.sampleRate];
    }
    s.latencyMs = parseLatencyField(selection.latencyText);
    s.tempo = parseTempoField(selection.tempoText);
    s.primary = selection.primary;
    return s;
}

std::int32_t parseLatencyField(std::string_view text) {
    std::int64_t value = 0;
    if (text.empty()) return kDefaultLatencyMs;
    for (char c : text) {
        if (c < '0' || c > '9') return kDefaultLatencyMs;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) return kDefaultLatencyMs;
    }
    return static_cast<std::int32_t>(value);
}

float parseTempoField(std::string_view text) {
    // "%f" over at most 15 characters, as the field was always read.
    const std::string head(text.substr(0, 15));
    float value = 0.0f;
    if (std::sscanf(head.c_str(), "%f", &value) != 1 || !std::isfinite(value)) {
        return kDefaultTempo;
    }
    return value;
}

}  // namespace sorvella
