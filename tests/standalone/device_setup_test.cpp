// The device configuration: stored values, the checks on what the settings file holds, the Setup
// dialog's model, and no audio stream without a latency.
#include <gtest/gtest.h>

#include <climits>

#include "presets/settings_names.h"
#include "standalone/audio_output.h"
#include "standalone/device_setup.h"
#include "standalone/midi_ports.h"

namespace sorvella {
namespace {

TEST(DeviceChecks, ValuesFromTheSettingsFileAreHeldToWhatTheDevicesTake) {
    // Device and port indices: the default device, no MIDI port.
    EXPECT_EQ(checkedAudioDevice(2, 3), 2u);
    EXPECT_EQ(checkedAudioDevice(3, 3), 0u);
    EXPECT_EQ(checkedAudioDevice(-1, 3), 0u);
    EXPECT_EQ(checkedMidiPort(2, 2), std::nullopt);
    EXPECT_EQ(checkedMidiPort(-1, 2), std::nullopt);
    // Channels: all for input, none for output.
    for (std::int32_t bad : {-1, 16, INT_MAX}) {
        EXPECT_EQ(checkedInputChannel(bad), kAllChannels) << bad;
        EXPECT_EQ(checkedOutputChannel(bad), kNoChannel) << bad;
    }
    // Latency: blocks are computed in 64 bits; one that does not fit 32 bits reads as 50 ms.
    EXPECT_EQ(framesForLatency(INT_MAX, 96000), std::int64_t{INT_MAX} * 96000 / 1000);
    EXPECT_EQ(checkedLatency(INT_MAX, 44100), 50);
    EXPECT_EQ(checkedLatency(48000, 44100), 48000);
    EXPECT_EQ(checkedSampleRate(-48000), 44100);
    // No latency, no stream.
    for (std::int32_t latency : {0, -20}) {
        AudioOut out(AudioRequest{0, latency, 44100});
        EXPECT_FALSE(out.isOpen());
        EXPECT_EQ(out.framesPerBlock(), 0);
        EXPECT_FALSE(out.start([](void*, std::int16_t*, std::int32_t) {}, nullptr));
    }
}

TEST(DeviceSetupStore, FreshDefaultsRoundTripAndHandEdits) {
    SettingsKey key;
    ASSERT_TRUE(key.open(settings::kSubkey, settings::kClassText));
    for (const char* name : {settings::kMidiInDevice, settings::kLatency, settings::kTempo,
                             settings::kInputChannel, settings::kSampleRate})
        key.setText(name, std::nullopt);
    EXPECT_EQ(readDeviceSetup(key), DeviceSetup{});

    DeviceSetup chosen;
    chosen.midiInDevice = 2;
    chosen.midiOutDevice = 1;
    chosen.inputChannel = kAllChannels;
    chosen.outputChannel = kNoChannel;
    chosen.audioDevice = 3;
    chosen.latencyMs = 10;
    chosen.primary = true;
    chosen.sampleRate = 48000;
    chosen.tempo = 97.5f;
    writeDeviceSetup(key, chosen);
    EXPECT_EQ(readDeviceSetup(key), chosen);

    key.setText(settings::kLatency, "abc");
    key.setText(settings::kPrimary, "yes");
    const DeviceSetup edited = readDeviceSetup(key);
    EXPECT_EQ(edited.latencyMs, 0);
    EXPECT_FALSE(edited.primary);
}

// The dialog's test covers the lists; here, what only the model sees.
TEST(SetupModel, StaleSelectionsKeepTheStoredValuesAndFieldsParse) {
    DeviceSetup stored;
    stored.midiInDevice = 4;  // no longer in the list
    SetupSelection s = openingSelection(stored, 2, 1, 3);
    EXPECT_EQ(s.midiIn, std::nullopt);
    EXPECT_EQ(confirmedSetup(stored, s).midiInDevice, 4);

    const struct {
        const char* text;
        std::int32_t latency;
    } fields[] = {{"", 50},    {"25", 25},          {"0", 0},
                  {"12a", 50}, {"99999999999", 50}, {"2147483647", INT_MAX}};
    for (const auto& f : fields)
        EXPECT_EQ(parseLatencyField(f.text), f.latency) << f.text;
    EXPECT_FLOAT_EQ(parseTempoField("abc"), 120.0f);
}

}  // namespace
}  // namespace sorvella
