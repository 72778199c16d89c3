// The names of the values under the settings key, and the key itself. Kinds and defaults belong
// to the readers: integer unless noted.
#pragma once

namespace sorvella::settings {

inline constexpr const char* kSubkey = "Software\\Kestrane\\Sorvella";
inline constexpr const char* kClassText = "Sorvella Config";

// Standalone device setup, read at start and written when Setup is confirmed.
inline constexpr const char* kMidiInDevice = "midiInDevice";
inline constexpr const char* kMidiOutDevice = "midiOutDevice";
inline constexpr const char* kInputChannel = "inputChannel";
inline constexpr const char* kOutputChannel = "outputChannel";
inline constexpr const char* kAudioDevice = "audioDevice";
inline constexpr const char* kLatency = "latency";
inline constexpr const char* kPrimary = "primary";  // flag
inline constexpr const char* kSampleRate = "sampleRate";
inline constexpr const char* kTempo = "tempo";  // float

// Instrument.
inline constexpr const char* kMidiOut = "MidiOut";
inline constexpr const char* kDefaultGain = "DefaultGain";  // float
inline constexpr const char* kMidiCfg = "midicfg";          // text
inline constexpr const char* kTuning = "tuning";            // text

// Editor preferences.
inline constexpr const char* kXYInertia = "XYInertia";
inline constexpr const char* kKnobsInertia = "KnobsInertia";
inline constexpr const char* kKnobsMode = "KnobsMode";

}  // namespace sorvella::settings
