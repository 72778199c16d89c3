#include "tools/render/wav_writer.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace sorvella {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
// RIFF sizes are 32-bit; the data chunk must leave room for the header within them.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 64;

std::int32_t quantize(float x, double scale, std::int32_t lowest, std::int32_t highest) {
    if (std::isnan(x)) return 0;
    const double v = std::round(static_cast<double>(x) * scale);
    if (v <= lowest) return lowest;
    if (v >= highest) return highest;
    return static_cast<std::int32_t>(v);
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

void putId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(id[i]));
}

}  // namespace

bool parseSampleFormat(std::string_view text, SampleFormat& format) {
    if (text == "s16" || text == "16") {
        format = SampleFormat::kPcm16;
    } else if (text == "s24" || text == "24") {
        format = SampleFormat::kPcm24;
    } else if (text == "f32" || text == "float") {
        format = SampleFormat::kFloat32;
    } else {
        return false;
    }
    return true;
}

int bytesPerSample(SampleFormat format) {
    switch (format) {
        case SampleFormat::kPcm16:
            return 2;
        case SampleFormat::kPcm24:
            return 3;
        case SampleFormat::kFloat32:
            return 4;
    }
    return 2;
}

std::int32_t toPcm16(float x) {
    return quantize(x, 32768.0, -32768, 32767);
}
std::int32_t toPcm24(float x) {
    return quantize(x, 8388608.0, -8388608, 8388607);
}

std::vector<std::uint8_t> wavHeader(SampleFormat format, int sampleRate, int channels,
                                    std::uint64_t frames) {
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels * bytesPerSample(format));
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * blockAlign);
    const std::uint32_t pad = dataBytes & 1u;
    const bool isFloat = format == SampleFormat::kFloat32;
    // A float file carries the extended fmt record and a fact chunk, as the format asks of
    // every non-PCM encoding.
    const std::uint32_t fmtBytes = isFloat ? 18 : 16;
    const std::uint32_t factBytes = isFloat ? 12 : 0;

    std::vector<std::uint8_t> h;
    h.reserve(64);
    putId(h, "RIFF");
    put32(h, 4 + (8 + fmtBytes) + factBytes + 8 + dataBytes + pad);
    putId(h, "WAVE");
    putId(h, "fmt ");
    put32(h, fmtBytes);
    put16(h, isFloat ? kFormatFloat : kFormatPcm);
    put16(h, static_cast<std::uint32_t>(channels));
    put32(h, static_cast<std::uint32_t>(sampleRate));
    put32(h, static_cast<std::uint32_t>(sampleRate) * blockAlign);
    put16(h, blockAlign);
    put16(h, static_cast<std::uint32_t>(bytesPerSample(format) * 8));
    if (isFloat) {
        put16(h, 0);
        putId(h, "fact");
        put32(h, 4);
        put32(h, static_cast<std::uint32_t>(frames));
    }
    putId(h, "data");
    put32(h, dataBytes);
    return h;
}

bool WavWriter::open(const std::string& path, int sampleRate, int channels, SampleFormat format,
                     std::string& error) {
    if (sampleRate <= 0 || channels <= 0 || channels > 64) {
        error = "invalid WAV layout";
        return false;
    }
    format_ = format;
    sampleRate_ = sampleRate;
    channels_ = channels;
    frames_ = 0;
    if (!file_.open(path, error)) return false;
    const std::vector<std::uint8_t> header = wavHeader(format_, sampleRate_, channels_, 0);
    if (std::fwrite(header.data(), 1, header.size(), file_.stream()) != header.size()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        file_.discard();
        return false;
    }
    return true;
}

bool WavWriter::write(const float* const* channels, int frames, std::string& error) {
    if (!file_.stream()) {
        error = "no output file open";
        return false;
    }
    if (frames <= 0) return true;
    const std::uint64_t blockAlign =
        static_cast<std::uint64_t>(channels_) * bytesPerSample(format_);
    if ((frames_ + static_cast<std::uint64_t>(frames)) * blockAlign > kMaxDataBytes) {
        error = "output is longer than a WAV file can hold (4 GiB)";
        return false;
    }
    buffer_.clear();
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels_; ++c) {
            const float x = channels[c][i];
            switch (format_) {
                case SampleFormat::kPcm16:
                    put16(buffer_, static_cast<std::uint32_t>(toPcm16(x)));
                    break;
                case SampleFormat::kPcm24: {
                    const std::uint32_t v = static_cast<std::uint32_t>(toPcm24(x));
                    buffer_.push_back(static_cast<std::uint8_t>(v));
                    buffer_.push_back(static_cast<std::uint8_t>(v >> 8));
                    buffer_.push_back(static_cast<std::uint8_t>(v >> 16));
                    break;
                }
                case SampleFormat::kFloat32:
                    put32(buffer_, std::bit_cast<std::uint32_t>(x));
                    break;
            }
        }
    }
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.stream()) != buffer_.size()) {
        error = "cannot write " + file_.temporaryPath() + ": " + std::strerror(errno);
        return false;
    }
    frames_ += static_cast<std::uint64_t>(frames);
    return true;
}

bool WavWriter::finish(std::string& error) {
    std::FILE* f = file_.stream();
    if (!f) {
        error = "no output file open";
        return false;
    }
    const std::vector<std::uint8_t> header = wavHeader(format_, sampleRate_, channels_, frames_);
    const std::uint64_t dataBytes = frames_ * static_cast<std::uint64_t>(channels_) *
                                    static_cast<std::uint64_t>(bytesPerSample(format_));
    bool ok = true;
    if (dataBytes & 1u) ok = std::fputc(0, f) != EOF;
    ok = ok && std::fseek(f, 0, SEEK_SET) == 0 &&
         std::fwrite(header.data(), 1, header.size(), f) == header.size();
    if (!ok) {
        error = "cannot write " + file_.temporaryPath() + ": " + std::strerror(errno);
        file_.discard();
        return false;
    }
    if (!file_.commit(error)) return false;
    return true;
}

}  // namespace sorvella
