#include "tools/render/render_song.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace sorvella {

std::vector<TimedEvent> scheduleSong(const MidiSong& song, double sampleRate) {
    std::vector<TimedEvent> events;
    events.reserve(song.messages.size());
    for (const MidiMessage& m : song.messages) {
        events.push_back({std::llround(m.seconds * sampleRate), m.bytes});
    }
    return events;
}

// Spread over four octaves so every key of a 64-note load is distinct.
int heldNoteKey(int i) {
    return 24 + (i * 7) % 64;
}

std::vector<TimedEvent> heldNotesWorkload(int notes, double seconds, double restrikeSeconds,
                                          double sampleRate) {
    constexpr std::uint8_t kVelocity = 100;
    const std::int64_t end = std::llround(seconds * sampleRate);
    std::vector<TimedEvent> events;
    auto strike = [&](std::int64_t frame, bool again) {
        for (int i = 0; i < notes; ++i) {
            const auto key = static_cast<std::uint8_t>(heldNoteKey(i));
            if (again) events.push_back({frame, {0x80, key, 0}});
            events.push_back({frame, {0x90, key, kVelocity}});
        }
    };
    strike(0, false);
    if (restrikeSeconds > 0.0) {
        for (int k = 1;; ++k) {
            const std::int64_t frame = std::llround(k * restrikeSeconds * sampleRate);
            if (frame >= end) break;
            strike(frame, true);
        }
    }
    for (int i = 0; i < notes; ++i) {
        events.push_back({end, {0x80, static_cast<std::uint8_t>(heldNoteKey(i)), 0}});
    }
    return events;
}

namespace {

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

bool renderEvents(PluginHost& host, const std::vector<TimedEvent>& events,
                  const RenderLimits& limits, AudioSink* sink, ProgressReporter* progress,
                  RenderResult& result, std::string& error) {
    const double rate = host.sampleRate();
    const int block = host.blockSize();
    const std::int64_t lastEvent =
        events.empty() ? 0 : std::max<std::int64_t>(events.back().frame, 0);
    const std::int64_t songEnd = events.empty() ? 0 : lastEvent + 1;
    const std::int64_t end = songEnd + std::llround(std::max(limits.tailSeconds, 0.0) * rate);
    const std::int64_t silenceFrames = std::llround(limits.silenceSeconds * rate);

    std::vector<BlockEvent> blockEvents;
    std::size_t next = 0;
    std::int64_t pos = 0;
    std::int64_t silentRun = 0;
    std::int64_t reportedAt = -1;
    const double startInCalls = host.processSeconds();
    const double startCpu = threadCpuSeconds();
    while (pos < end) {
        const int frames = static_cast<int>(std::min<std::int64_t>(block, end - pos));
        blockEvents.clear();
        while (next < events.size() && events[next].frame < pos + frames) {
            const std::int64_t delta = std::max<std::int64_t>(events[next].frame - pos, 0);
            blockEvents.push_back({static_cast<std::int32_t>(delta), events[next].bytes});
            ++next;
        }
        host.process(blockEvents, frames);

        const std::vector<float*>& outs = host.outputs();
        const float* channels[2] = {outs[0], outs.size() > 1 ? outs[1] : outs[0]};
        if (sink && !sink->consume(channels, frames, error)) return false;

        // Silence counts only once the song is over; a pause in the middle is music.
        for (int i = 0; i < frames; ++i) {
            const bool quiet = std::fabs(channels[0][i]) < limits.silenceLevel &&
                               std::fabs(channels[1][i]) < limits.silenceLevel;
            silentRun = (quiet && pos + i >= songEnd) ? silentRun + 1 : 0;
        }
        pos += frames;
        if (progress && pos * 100 / end != reportedAt) {
            reportedAt = pos * 100 / end;
            progress->update(static_cast<double>(pos) / static_cast<double>(end), pos / rate);
        }
        if (pos >= songEnd && silentRun >= silenceFrames) break;
    }
    if (progress && reportedAt != 100) progress->update(1.0, pos / rate);
    result.frames = pos;
    // Both overstate the CPU time of the process calls: one counts any time the thread was not
    // running during a call, the other the host's own work between calls.
    result.cpuSeconds =
        std::min(host.processSeconds() - startInCalls, threadCpuSeconds() - startCpu);
    return true;
}

}  // namespace sorvella
