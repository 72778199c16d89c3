#include "tools/render/midi_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace sorvella {
namespace {

struct TimedMessage {
    std::uint64_t tick;
    MidiMessage message;
};

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t microsPerQuarter;
};

// Reads big-endian fields and variable-length quantities from [pos, end); every read checks
// that the bytes are there.
class ChunkReader {
  public:
    ChunkReader(const std::uint8_t* data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), end_(end) {}

    bool atEnd() const { return pos_ >= end_; }
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return end_ - pos_; }

    bool peek(std::uint8_t& b) const {
        if (pos_ >= end_) return false;
        b = data_[pos_];
        return true;
    }
    bool byte(std::uint8_t& b) {
        if (!peek(b)) return false;
        ++pos_;
        return true;
    }
    bool word16(std::uint32_t& v) {
        if (remaining() < 2) return false;
        v = (std::uint32_t{data_[pos_]} << 8) | data_[pos_ + 1];
        pos_ += 2;
        return true;
    }
    bool word32(std::uint32_t& v) {
        if (remaining() < 4) return false;
        v = (std::uint32_t{data_[pos_]} << 24) | (std::uint32_t{data_[pos_ + 1]} << 16) |
            (std::uint32_t{data_[pos_ + 2]} << 8) | data_[pos_ + 3];
        pos_ += 4;
        return true;
    }
    // A quantity is at most four bytes (28 bits); anything longer is corrupt, not just large.
    enum class Vlq { kOk, kTruncated, kTooLong };
    Vlq vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!byte(b)) return Vlq::kTruncated;
            v = (v << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0) return Vlq::kOk;
        }
        return Vlq::kTooLong;
    }
    bool skip(std::size_t n) {
        if (remaining() < n) return false;
        pos_ += n;
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t pos_;
    std::size_t end_;
};

std::string trackError(int track, const char* what) {
    return "track " + std::to_string(track + 1) + ": " + what;
}

bool readVlq(ChunkReader& in, std::uint32_t& v, int track, std::string& error) {
    switch (in.vlq(v)) {
        case ChunkReader::Vlq::kOk:
            return true;
        case ChunkReader::Vlq::kTruncated:
            error = trackError(track, "truncated variable-length quantity");
            return false;
        case ChunkReader::Vlq::kTooLong:
            error = trackError(track, "variable-length quantity longer than 4 bytes");
            return false;
    }
    return false;
}

int dataBytesOf(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0u;
    return (kind == 0xC0u || kind == 0xD0u) ? 1 : 2;
}

bool parseTrack(ChunkReader in, int track, std::vector<TimedMessage>& messages,
                std::vector<TempoChange>& tempos, std::string& error) {
    std::uint64_t tick = 0;
    // Meta and SysEx events do not clear running status here: files from careless writers lean
    // on it, and a well-formed file never notices.
    std::uint8_t running = 0;
    while (!in.atEnd()) {
        std::uint32_t delta = 0;
        if (!readVlq(in, delta, track, error)) return false;
        tick += delta;

        std::uint8_t status = 0;
        if (!in.peek(status)) {
            error = trackError(track, "event missing after its delta time");
            return false;
        }
        if (status < 0x80u) {
            if (running == 0) {
                error = trackError(track, "running status without a prior status byte");
                return false;
            }
            status = running;
        } else {
            in.skip(1);
        }

        if (status == 0xFFu) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            if (!in.byte(type)) {
                error = trackError(track, "truncated meta event");
                return false;
            }
            if (!readVlq(in, length, track, error)) return false;
            if (length > in.remaining()) {
                error = trackError(track, "meta event runs past the end of its track");
                return false;
            }
            if (type == 0x2Fu) return true;  // end of track: anything after it is not ours
            if (type == 0x51u && length >= 3) {
                if (tempos.size() >= kMaxMidiMessages) {
                    error = "more than " + std::to_string(kMaxMidiMessages) + " tempo events";
                    return false;
                }
                ChunkReader tempo = in;
                std::uint8_t a = 0, b = 0, c = 0;
                tempo.byte(a);
                tempo.byte(b);
                tempo.byte(c);
                tempos.push_back({tick, (std::uint32_t{a} << 16) | (std::uint32_t{b} << 8) | c});
            }
            in.skip(length);
            continue;
        }
        if (status == 0xF0u || status == 0xF7u) {
            std::uint32_t length = 0;
            if (!readVlq(in, length, track, error)) return false;
            if (!in.skip(length)) {
                error = trackError(track, "SysEx event runs past the end of its track");
                return false;
            }
            continue;
        }
        if (status >= 0xF0u) {
            char text[64];
            std::snprintf(text, sizeof text, "unexpected status byte 0x%02X", status);
            error = trackError(track, text);
            return false;
        }

        MidiMessage message;
        message.bytes[0] = status;
        const int count = dataBytesOf(status);
        for (int i = 1; i <= count; ++i) {
            std::uint8_t b = 0;
            if (!in.byte(b)) {
                error = trackError(track, "truncated channel message");
                return false;
            }
            if (b >= 0x80u) {
                error = trackError(track, "channel message data byte has its top bit set");
                return false;
            }
            message.bytes[static_cast<std::size_t>(i)] = b;
        }
        message.size = static_cast<std::uint8_t>(count + 1);
        running = status;
        if (messages.size() >= kMaxMidiMessages) {
            error = "more than " + std::to_string(kMaxMidiMessages) + " channel messages";
            return false;
        }
        messages.push_back({tick, message});
    }
    return true;
}

// Ticks to seconds for a positive division (ticks per quarter note) with a tempo map, or for a
// negative one (SMPTE frames per second and ticks per frame), where tempo events do not count.
bool assignTimes(std::uint32_t division, std::vector<TimedMessage>& messages,
                 std::vector<TempoChange>& tempos, std::vector<MidiMessage>& out,
                 std::string& error) {
    std::stable_sort(messages.begin(), messages.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return a.tick < b.tick; });
    out.clear();
    out.reserve(messages.size());

    if (division & 0x8000u) {
        const int fps = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        const std::uint32_t ticksPerFrame = division & 0xFFu;
        double framesPerSecond = 0.0;
        switch (fps) {
            case 24:
            case 25:
            case 30:
                framesPerSecond = fps;
                break;
            case 29:
                framesPerSecond = 30000.0 / 1001.0;
                break;
            default:
                error = "unknown SMPTE frame rate " + std::to_string(fps) + " in the division";
                return false;
        }
        if (ticksPerFrame == 0) {
            error = "SMPTE division with 0 ticks per frame";
            return false;
        }
        const double ticksPerSecond = framesPerSecond * ticksPerFrame;
        for (const TimedMessage& m : messages) {
            out.push_back(m.message);
            out.back().seconds = static_cast<double>(m.tick) / ticksPerSecond;
        }
    } else {
        if (division == 0) {
            error = "division of 0 ticks per quarter note";
            return false;
        }
        std::stable_sort(
            tempos.begin(), tempos.end(),
            [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        const double secondsPerMicroTick = 1e-6 / division;
        std::uint64_t segmentTick = 0;
        double segmentSeconds = 0.0;
        double microsPerQuarter = 500000.0;  // 120 beats per minute until the first tempo event
        std::size_t nextTempo = 0;
        for (const TimedMessage& m : messages) {
            // A tempo change at the message's own tick does not move the message.
            while (nextTempo < tempos.size() && tempos[nextTempo].tick < m.tick) {
                const TempoChange& t = tempos[nextTempo++];
                segmentSeconds += static_cast<double>(t.tick - segmentTick) * microsPerQuarter *
                                  secondsPerMicroTick;
                segmentTick = t.tick;
                microsPerQuarter = t.microsPerQuarter;
            }
            out.push_back(m.message);
            out.back().seconds = segmentSeconds + static_cast<double>(m.tick - segmentTick) *
                                                      microsPerQuarter * secondsPerMicroTick;
        }
    }
    if (!out.empty() && out.back().seconds > kMaxMidiSongSeconds) {
        error = "song runs longer than " + std::to_string(static_cast<int>(kMaxMidiSongSeconds)) +
                " seconds";
        return false;
    }
    return true;
}

bool hasId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

}  // namespace

bool readMidiFile(std::span<const std::uint8_t> data, MidiSong& song, std::string& error) {
    song = MidiSong{};
    if (data.size() > kMaxMidiFileBytes) {
        error = "file is larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
        return false;
    }
    const std::uint8_t* bytes = data.data();
    ChunkReader file(bytes, 0, data.size());
    if (data.size() < 8 || !hasId(bytes, "MThd")) {
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    file.skip(4);
    std::uint32_t headerLength = 0, format = 0, declaredTracks = 0, division = 0;
    file.word32(headerLength);
    if (headerLength < 6 || headerLength > file.remaining()) {
        error = "malformed MThd header";
        return false;
    }
    ChunkReader header(bytes, file.pos(), file.pos() + headerLength);
    header.word16(format);
    header.word16(declaredTracks);
    header.word16(division);
    file.skip(headerLength);
    if (format == 2) {
        error = "MIDI format 2 (independent sequences) is not supported";
        return false;
    }
    if (format > 2) {
        error = "unknown MIDI file format " + std::to_string(format);
        return false;
    }
    if (declaredTracks == 0) {
        error = "MIDI file declares no tracks";
        return false;
    }

    std::vector<TimedMessage> messages;
    std::vector<TempoChange> tempos;
    int tracksRead = 0;
    while (static_cast<std::uint32_t>(tracksRead) < declaredTracks) {
        if (file.remaining() < 8) {
            error = "file ends before track " + std::to_string(tracksRead + 1) + " of " +
                    std::to_string(declaredTracks);
            return false;
        }
        const std::uint8_t* id = bytes + file.pos();
        file.skip(4);
        std::uint32_t length = 0;
        file.word32(length);
        if (length > file.remaining()) {
            error = hasId(id, "MTrk")
                        ? trackError(tracksRead, "chunk runs past the end of the file")
                        : "a chunk runs past the end of the file";
            return false;
        }
        if (hasId(id, "MTrk")) {
            ChunkReader track(bytes, file.pos(), file.pos() + length);
            if (!parseTrack(track, tracksRead, messages, tempos, error)) return false;
            ++tracksRead;
        }
        file.skip(length);  // chunks of unknown kinds are skipped whole
    }

    song.format = static_cast<int>(format);
    song.trackCount = tracksRead;
    song.division = static_cast<int>(division);
    if (!assignTimes(division, messages, tempos, song.messages, error)) {
        song.messages.clear();
        return false;
    }
    return true;
}

bool loadMidiFile(const std::string& path, MidiSong& song, std::string& error) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        data.insert(data.end(), buffer, buffer + n);
        if (data.size() > kMaxMidiFileBytes) {
            error =
                path + ": file is larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
            return false;
        }
        if (n < sizeof buffer) break;
    }
    if (std::ferror(file.get())) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!readMidiFile(data, song, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

double songLengthSeconds(const MidiSong& song) {
    return song.messages.empty() ? 0.0 : song.messages.back().seconds;
}

int maxNotesHeld(const MidiSong& song) {
    bool held[16][128] = {};
    int count = 0;
    int most = 0;
    for (const MidiMessage& m : song.messages) {
        const std::uint8_t kind = m.bytes[0] & 0xF0u;
        const int channel = m.bytes[0] & 0x0F;
        const int key = m.bytes[1] & 0x7F;
        if (kind != 0x80u && kind != 0x90u) continue;
        const bool on = kind == 0x90u && m.bytes[2] != 0;
        if (on && !held[channel][key]) {
            held[channel][key] = true;
            most = std::max(most, ++count);
        } else if (!on && held[channel][key]) {
            held[channel][key] = false;
            --count;
        }
    }
    return most;
}

}  // namespace sorvella
