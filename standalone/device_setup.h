// The standalone program's device choices (the Setup values), how they are read from and written
// to the settings file, and the checks that keep a stale or hand-edited value from reaching a
// device layer as an index or a size.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "presets/settings_key.h"

namespace sorvella {

inline constexpr std::int32_t kAllChannels = -1;  // input channel: every channel passes
inline constexpr std::int32_t kNoChannel = -1;    // output channel: nothing is sent
inline constexpr std::int32_t kDefaultLatencyMs = 50;
inline constexpr std::int32_t kDefaultSampleRate = 44100;
inline constexpr float kDefaultTempo = 120.0f;
inline constexpr std::array<std::int32_t, 5> kOfferedSampleRates = {44100, 48000, 64000, 88200,
                                                                    96000};

struct DeviceSetup {
    std::int32_t midiInDevice = 0;
    std::int32_t midiOutDevice = 0;
    std::int32_t inputChannel = 0;   // 0..15, or kAllChannels
    std::int32_t outputChannel = 0;  // 0..15, or kNoChannel
    std::int32_t audioDevice = 0;
    std::int32_t latencyMs = kDefaultLatencyMs;
    bool primary = false;  // kept for the settings file; no device layer here has such a mode
    std::int32_t sampleRate = kDefaultSampleRate;
    float tempo = kDefaultTempo;

    bool operator==(const DeviceSetup&) const = default;
};

DeviceSetup readDeviceSetup(const SettingsKey& key);
// Writes all nine values, in the order of the Setup table, whether they changed or not.
void writeDeviceSetup(SettingsKey& key, const DeviceSetup& setup);

// The configuration object: its own settings key and the values read at start.
class StandaloneConfig {
  public:
    StandaloneConfig();
    const DeviceSetup& values() const { return values_; }
    void store(const DeviceSetup& setup);
    void close() { key_.close(); }

  private:
    SettingsKey key_;
    DeviceSetup values_;
};

// The checks.

// A device index outside the list picks the default device, which the list puts first.
std::size_t checkedAudioDevice(std::int32_t index, std::size_t deviceCount);
// A MIDI port index outside the list opens no port.
std::optional<std::size_t> checkedMidiPort(std::int32_t index, std::size_t portCount);
// Outside 0..15 an input channel means all channels, an output channel none.
std::int32_t checkedInputChannel(std::int32_t channel);
std::int32_t checkedOutputChannel(std::int32_t channel);
// A rate that is not positive, or beyond what a sound card offers, reads as 44100.
std::int32_t checkedSampleRate(std::int32_t rate);
// The frames of one block, computed in 64 bits.
std::int64_t framesForLatency(std::int32_t latencyMs, std::int32_t sampleRate);
// A latency whose block does not fit a 32-bit frame count reads as 50 ms; 0 or less stays as it
// is and opens no stream.
std::int32_t checkedLatency(std::int32_t latencyMs, std::int32_t sampleRate);

// The Setup dialog's model: what it shows and what OK stores. A window fills a SetupSelection
// from its controls; std::nullopt stands for a list with nothing selected.

struct SetupSelection {
    std::optional<std::size_t> midiIn;
    std::optional<std::size_t> inputChannel;  // list entry: 0 "all", 1..16 the channels
    std::optional<std::size_t> midiOut;
    std::optional<std::size_t> outputChannel;  // list entry: 0 "none", 1..16 the channels
    std::optional<std::size_t> audioDevice;
    std::optional<std::size_t> sampleRate;  // entry of kOfferedSampleRates
    std::string latencyText;
    std::string tempoText;
    bool primary = false;
};

// The channel lists' entries: "all" or "none", then "1" to "16".
std::array<std::string, 17> channelEntries(bool input);
// The selection the dialog opens with; lists whose stored value is not among the entries have
// no selection.
SetupSelection openingSelection(const DeviceSetup& stored, std::size_t midiInCount,
                                std::size_t midiOutCount, std::size_t audioCount);
// The values OK stores. A list left without a selection keeps its stored value; a latency field
// that holds no number, or one that does not fit, gives 50; a tempo that does not read gives 120.
DeviceSetup confirmedSetup(const DeviceSetup& stored, const SetupSelection& selection);

std::int32_t parseLatencyField(std::string_view text);
float parseTempoField(std::string_view text);

}  // namespace sorvella
