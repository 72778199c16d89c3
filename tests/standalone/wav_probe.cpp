// Measures a recording for the end-to-end run: prints the level (RMS in dBFS over the loudest
// second) and the fundamental (Hz, autocorrelation of the first channel over half of that
// second), and exits non-zero unless both lie in the ranges given, the pitch up to an octave,
// and, for a RIFF file, unless its header's sizes match the bytes the file holds.
//   wav_probe FILE MIN_DB MAX_DB MIN_HZ MAX_HZ
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

double rms(const std::vector<double>& x, std::size_t begin, std::size_t n) {
    double sum = 0.0;
    for (std::size_t i = begin; i < begin + n; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(n));
}

// The period by autocorrelation between 50 Hz and 2 kHz: the shortest lag whose normalised
// autocorrelation peaks within 5 % of the best, moved to twice that lag while the peak there is
// clearly higher (a voice with an octave partial repeats almost at half its period), refined by a
// parabola through its neighbours.
double fundamental(const std::vector<double>& x, std::size_t begin, std::size_t n, double rate) {
    const auto minLag = static_cast<std::size_t>(rate / 2000.0);
    const auto maxLag = static_cast<std::size_t>(rate / 50.0);
    std::vector<double> r(maxLag + 2, 0.0);
    const std::size_t span = n - maxLag - 1;
    double energy = 0.0;
    for (std::size_t i = 0; i < span; ++i)
        energy += x[begin + i] * x[begin + i];
    if (energy <= 0.0) return 0.0;
    double best = 0.0;
    for (std::size_t lag = minLag; lag <= maxLag + 1; ++lag) {
        double sum = 0.0;
        for (std::size_t i = 0; i < span; ++i)
            sum += x[begin + i] * x[begin + i + lag];
        r[lag] = sum / energy;
        if (lag <= maxLag) best = std::max(best, r[lag]);
    }
    auto isPeak = [&](std::size_t lag) { return r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]; };
    std::size_t period = 0;
    for (std::size_t lag = minLag + 1; lag <= maxLag && period == 0; ++lag) {
        if (r[lag] >= 0.95 * best && isPeak(lag)) period = lag;
    }
    if (period == 0) return 0.0;
    for (;;) {
        std::size_t twice = 0;
        for (std::size_t lag = 2 * period - 2; lag <= 2 * period + 2 && lag <= maxLag; ++lag) {
            if (isPeak(lag) && (twice == 0 || r[lag] > r[twice])) twice = lag;
        }
        if (twice == 0 || r[twice] <= r[period] + 0.02) break;
        period = twice;
    }
    const double a = r[period - 1], b = r[period], c = r[period + 1];
    const double denom = a - 2.0 * b + c;
    const double shift = denom != 0.0 ? 0.5 * (a - c) / denom : 0.0;
    return rate / (static_cast<double>(period) + shift);
}

std::uint32_t le32(const std::vector<char>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

// The RIFF size counts the file less 8 bytes; the data chunk is the last and fills the rest in
// whole frames.
bool headerMatchesData(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> b((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0) return true;  // not ours to check
    bool ok = le32(b, 4) == b.size() - 8;
    std::uint32_t blockAlign = 0;
    std::size_t at = 12;
    while (ok && at + 8 <= b.size()) {
        const std::uint32_t size = le32(b, at + 4);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && at + 22 <= b.size())
            blockAlign = static_cast<unsigned char>(b[at + 20]) |
                         (static_cast<unsigned char>(b[at + 21]) << 8);
        if (std::memcmp(&b[at], "data", 4) == 0) {
            ok = size == b.size() - at - 8 && blockAlign != 0 && size % blockAlign == 0;
            if (!ok)
                std::fprintf(stderr, "wav_probe: data size %u, %zu bytes follow\n", size,
                             b.size() - at - 8);
            return ok;
        }
        at += 8 + size + (size & 1);
    }
    std::fprintf(stderr, "wav_probe: the RIFF size or chunks do not match the file's length\n");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: wav_probe FILE MIN_DB MAX_DB MIN_HZ MAX_HZ\n");
        return 2;
    }
    if (!headerMatchesData(argv[1])) return 1;
    SF_INFO info{};
    SNDFILE* file = sf_open(argv[1], SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "wav_probe: cannot read %s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    std::vector<double> frames(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_double(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<double> left(static_cast<std::size_t>(info.frames));
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = frames[i * static_cast<std::size_t>(info.channels)];

    const auto second = static_cast<std::size_t>(info.samplerate);
    if (left.size() < second) {
        std::fprintf(stderr, "wav_probe: %s holds less than a second\n", argv[1]);
        return 1;
    }
    std::size_t loudest = 0;
    double loudestRms = -1.0;
    for (std::size_t begin = 0; begin + second <= left.size(); begin += second / 10) {
        const double level = rms(left, begin, second);
        if (level > loudestRms) {
            loudestRms = level;
            loudest = begin;
        }
    }
    const double db = loudestRms > 0.0 ? 20.0 * std::log10(loudestRms) : -999.0;
    const double hz = fundamental(left, loudest, second / 2, info.samplerate);
    std::printf("frames=%lld rate=%d level=%.1f dBFS fundamental=%.1f Hz\n",
                static_cast<long long>(info.frames), info.samplerate, db, hz);
    // A voice whose octave partial outweighs its fundamental for a while can measure an octave
    // high; the pitch is compared an octave down then.
    const double maxHz = std::atof(argv[5]);
    const double pitch = hz > 1.5 * maxHz ? hz / 2.0 : hz;
    const bool ok = db >= std::atof(argv[2]) && db <= std::atof(argv[3]) &&
                    pitch >= std::atof(argv[4]) && pitch <= maxHz;
    return ok ? 0 : 1;
}
