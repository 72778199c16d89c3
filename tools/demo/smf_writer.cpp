#include "tools/demo/smf_writer.h"

#include <algorithm>

namespace sorvella {
namespace {

std::uint8_t data7(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}
std::uint8_t statusByte(int kind, int channel) {
    return static_cast<std::uint8_t>(kind | (channel & 0x0F));
}

void append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

void appendVlq(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7Fu);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        out.push_back(groups[--n] | 0x80u);
    out.push_back(groups[0]);
}

void SmfTrack::add(std::uint64_t tick, std::vector<std::uint8_t> bytes) {
    events_.push_back({tick, std::move(bytes)});
}

void SmfTrack::noteOn(std::uint64_t tick, int channel, int key, int velocity) {
    add(tick, {statusByte(0x90, channel), data7(key), data7(velocity)});
}

void SmfTrack::noteOff(std::uint64_t tick, int channel, int key) {
    add(tick, {statusByte(0x80, channel), data7(key), 0});
}

void SmfTrack::controller(std::uint64_t tick, int channel, int number, int value) {
    add(tick, {statusByte(0xB0, channel), data7(number), data7(value)});
}

void SmfTrack::programChange(std::uint64_t tick, int channel, int program) {
    add(tick, {statusByte(0xC0, channel), data7(program)});
}

void SmfTrack::pitchBend(std::uint64_t tick, int channel, int value) {
    const int v = std::clamp(value, 0, 16383);
    add(tick, {statusByte(0xE0, channel), data7(v & 0x7F), data7(v >> 7)});
}

void SmfTrack::tempo(std::uint64_t tick, std::uint32_t microsPerQuarter) {
    add(tick, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsPerQuarter >> 16),
               static_cast<std::uint8_t>(microsPerQuarter >> 8),
               static_cast<std::uint8_t>(microsPerQuarter)});
}

void SmfTrack::meta(std::uint64_t tick, std::uint8_t type, const std::string& text) {
    std::vector<std::uint8_t> bytes{0xFF, type};
    appendVlq(bytes, static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    add(tick, std::move(bytes));
}

std::vector<std::uint8_t> SmfTrack::encode(bool runningStatus) const {
    std::vector<Event> sorted = events_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    std::vector<std::uint8_t> body;
    std::uint64_t last = 0;
    std::uint8_t running = 0;
    for (const Event& e : sorted) {
        if (e.bytes.empty()) continue;
        appendVlq(body, static_cast<std::uint32_t>(e.tick - last));
        last = e.tick;
        const std::uint8_t status = e.bytes[0];
        if (status >= 0xF0) {
            running = 0;
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        } else if (runningStatus && status == running) {
            body.insert(body.end(), e.bytes.begin() + 1, e.bytes.end());
        } else {
            running = status;
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        }
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> chunk{'M', 'T', 'r', 'k'};
    append32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<std::uint8_t> encodeSmf(int format, int division, const std::vector<SmfTrack>& tracks,
                                    bool runningStatus) {
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    out.push_back(static_cast<std::uint8_t>(format >> 8));
    out.push_back(static_cast<std::uint8_t>(format));
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(tracks.size()));
    out.push_back(static_cast<std::uint8_t>(division >> 8));
    out.push_back(static_cast<std::uint8_t>(division));
    for (const SmfTrack& t : tracks) {
        const std::vector<std::uint8_t> chunk = t.encode(runningStatus);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

}  // namespace sorvella
