#include "tools/render/audio_file_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include <sndfile.h>

namespace sorvella {
namespace {

constexpr int kChannels = 2;

std::int32_t quantize(float x, double scale, std::int32_t lowest, std::int32_t highest) {
    if (std::isnan(x)) return 0;
    const double v = std::round(static_cast<double>(x) * scale);
    if (v <= lowest) return lowest;
    if (v >= highest) return highest;
    return static_cast<std::int32_t>(v);
}

std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// A RIFF file counts its bytes in 32 bits.
constexpr std::uint64_t kWavLimitBytes = 0xFFFFFFFFull - 1024;

int sndfileFormat(AudioContainer container, SampleFormat format, bool large) {
    const int samples = format == SampleFormat::kPcm16   ? SF_FORMAT_PCM_16
                        : format == SampleFormat::kPcm24 ? SF_FORMAT_PCM_24
                                                         : SF_FORMAT_FLOAT;
    switch (container) {
        case AudioContainer::kWav:
            return (large ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | samples;
        case AudioContainer::kFlac:
            return SF_FORMAT_FLAC | samples;
        case AudioContainer::kOgg:
            return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioContainer::kAiff:
            return SF_FORMAT_AIFF | samples;
    }
    return 0;
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

bool containerForOutput(const OutputTarget& target, AudioContainer& container, std::string& error) {
    const std::string ext = target.kind == OutputTarget::Kind::kStandardOutput
                                ? std::string()
                                : lowerExtension(target.shownPath);
    if (ext == "wav" || ext == "wave" || ext == "rf64") {
        container = AudioContainer::kWav;
    } else if (ext == "flac") {
        container = AudioContainer::kFlac;
    } else if (ext == "ogg" || ext == "oga") {
        container = AudioContainer::kOgg;
    } else if (ext == "aif" || ext == "aiff" || ext == "aifc") {
        container = AudioContainer::kAiff;
    } else if (target.kind != OutputTarget::Kind::kRegularFile) {
        container = AudioContainer::kWav;
    } else {
        error = "cannot write " + target.shownPath + ": " +
                (ext.empty() ? std::string("no file extension says its format")
                             : "." + ext + " is not a format sorvella-render writes") +
                " (use .wav, .flac, .ogg or .aiff, or - for WAV on standard output)";
        return false;
    }
    return true;
}

std::int32_t toPcm16(float x) {
    return quantize(x, 32768.0, -32768, 32767);
}
std::int32_t toPcm24(float x) {
    return quantize(x, 8388608.0, -8388608, 8388607);
}

AudioFileWriter::~AudioFileWriter() {
    abandon();
}

bool AudioFileWriter::open(const std::string& path, int sampleRate, SampleFormat format,
                           std::uint64_t framesAtMost, std::string& error) {
    abandon();
    OutputTarget target;
    AudioContainer container = AudioContainer::kWav;
    if (!inspectOutputTarget(path, target, error) ||
        !containerForOutput(target, container, error)) {
        return false;
    }
    if (container == AudioContainer::kFlac && format == SampleFormat::kFloat32) {
        error = "cannot write " + path + ": FLAC holds 16 or 24-bit samples (--format s16 or s24)";
        return false;
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = kChannels;
    const std::uint64_t bytesPerFrame = format == SampleFormat::kPcm16   ? 4
                                        : format == SampleFormat::kPcm24 ? 6
                                                                         : 8;
    const bool large =
        container == AudioContainer::kWav && framesAtMost > kWavLimitBytes / bytesPerFrame;
    info.format = sndfileFormat(container, format, large);
    if (!sf_format_check(&info)) {
        error = "cannot write " + path + ": this system's libsndfile cannot write that format";
        return false;
    }
    if (!file_.open(path, error)) return false;
    sound_ = sf_open_fd(file_.fd(), SFM_WRITE, &info, SF_FALSE);
    if (!sound_) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        file_.discard();
        return false;
    }
    if (large) sf_command(sound_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(sound_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    format_ = format;
    quantises_ = container != AudioContainer::kOgg && format != SampleFormat::kFloat32;
    frames_ = 0;
    peak_ = 0.0f;
    clipped_ = 0;
    return true;
}

bool AudioFileWriter::write(const float* const* channels, int frames, std::string& error) {
    if (!sound_) {
        error = "no output file open";
        return false;
    }
    if (frames <= 0) return true;
    const auto samples = static_cast<std::size_t>(frames) * kChannels;
    floats_.resize(samples);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < kChannels; ++c) {
            const float x = channels[c][i];
            floats_[static_cast<std::size_t>(i) * kChannels + c] = x;
            if (std::fabs(x) > peak_) peak_ = std::fabs(x);
        }
    }
    sf_count_t written = 0;
    if (quantises_) {
        // Full-scale 32-bit integers, which libsndfile shifts down to the file's width exactly.
        const bool wide = format_ == SampleFormat::kPcm24;
        const std::int32_t top = wide ? 8388607 : 32767;
        ints_.resize(samples);
        for (std::size_t i = 0; i < samples; ++i) {
            const std::int32_t v = wide ? toPcm24(floats_[i]) : toPcm16(floats_[i]);
            if (v == top || v == -top - 1) {
                const double wanted = std::round(static_cast<double>(floats_[i]) * (top + 1.0));
                if (wanted > top || wanted < -top - 1.0) ++clipped_;
            }
            ints_[i] = static_cast<int>(static_cast<std::uint32_t>(v) << (wide ? 8 : 16));
        }
        written = sf_writef_int(sound_, ints_.data(), frames);
    } else {
        written = sf_writef_float(sound_, floats_.data(), frames);
    }
    if (written != frames) {
        error = "cannot write " + file_.target().shownPath + ": " + sf_strerror(sound_);
        return false;
    }
    frames_ += static_cast<std::uint64_t>(frames);
    return true;
}

bool AudioFileWriter::finish(std::string& error) {
    if (!sound_) {
        error = "no output file open";
        return false;
    }
    const int closed = sf_close(sound_);
    sound_ = nullptr;
    if (closed != 0) {
        error = "cannot write " + file_.target().shownPath + ": " + sf_error_number(closed);
        file_.discard();
        return false;
    }
    return file_.commit(error);
}

void AudioFileWriter::abandon() {
    if (sound_) {
        sf_close(sound_);
        sound_ = nullptr;
    }
    file_.discard();
}

}  // namespace sorvella
