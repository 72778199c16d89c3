// The render loop: plays a timed list of MIDI messages through a loaded plugin, block by block,
// and hands the audio to a sink.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/midi_file.h"
#include "tools/render/plugin_host.h"

namespace sorvella {

struct TimedEvent {
    std::int64_t frame = 0;
    std::array<std::uint8_t, 3> bytes{};
};

// Song messages at their sample frames (rounded to nearest), in song order.
std::vector<TimedEvent> scheduleSong(const MidiSong& song, double sampleRate);

// The synthetic benchmark load: notes held from the start for the given length, all struck
// again every restrikeSeconds (0: never), and released at the end.
std::vector<TimedEvent> heldNotesWorkload(int notes, double seconds, double restrikeSeconds,
                                          double sampleRate);
// The keys the workload holds.
int heldNoteKey(int i);

class AudioSink {
  public:
    virtual ~AudioSink() = default;
    virtual bool consume(const float* const* channels, int frames, std::string& error) = 0;
};

class ProgressReporter {
  public:
    virtual ~ProgressReporter() = default;
    virtual void update(double fraction, double renderedSeconds) = 0;
};

struct RenderLimits {
    double tailSeconds = 10.0;  // the most rendered after the last event
    // The tail stops early once every output sample stayed below this for this long.
    float silenceLevel = 1e-5f;
    double silenceSeconds = 0.5;
};

struct RenderResult {
    std::int64_t frames = 0;
    // An upper bound of the CPU time spent in the plugin's process calls.
    double cpuSeconds = 0.0;
};

// Sends two channels to the sink: the plugin's first two outputs, or its only output twice.
bool renderEvents(PluginHost& host, const std::vector<TimedEvent>& events,
                  const RenderLimits& limits, AudioSink* sink, ProgressReporter* progress,
                  RenderResult& result, std::string& error);

}  // namespace sorvella
