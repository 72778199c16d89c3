#include "tools/factory_bank/signal_measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sorvella::factory {

namespace {

constexpr std::size_t kFftSize = 4096;

double monoAt(const StereoSignal& s, std::size_t i) {
    return 0.5 * (static_cast<double>(s.left[i]) + static_cast<double>(s.right[i]));
}

std::size_t bandOf(double hz) {
    std::size_t band = 0;
    while (band < kBandEdges.size() && hz >= kBandEdges[band])
        ++band;
    return band;
}

}  // namespace

float peakLevel(const StereoSignal& s, std::size_t begin, std::size_t end) {
    end = std::min(end, s.size());
    float peak = 0.0f;
    for (std::size_t i = begin; i < end; ++i)
        peak = std::max({peak, std::fabs(s.left[i]), std::fabs(s.right[i])});
    return peak;
}

double rmsLevel(const StereoSignal& s, std::size_t begin, std::size_t end) {
    end = std::min(end, s.size());
    if (end <= begin) return 0.0;
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        double l = s.left[i];
        double r = s.right[i];
        sum += l * l + r * r;
    }
    return std::sqrt(sum / (2.0 * static_cast<double>(end - begin)));
}

double toDecibels(double linear) {
    return linear > 1e-10 ? 20.0 * std::log10(linear) : -200.0;
}

void fft(std::vector<double>& re, std::vector<double>& im) {
    const std::size_t n = re.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const double wr = std::cos(angle * static_cast<double>(k));
                const double wi = std::sin(angle * static_cast<double>(k));
                const std::size_t a = start + k;
                const std::size_t b = a + len / 2;
                const double xr = re[b] * wr - im[b] * wi;
                const double xi = re[b] * wi + im[b] * wr;
                re[b] = re[a] - xr;
                im[b] = im[a] - xi;
                re[a] += xr;
                im[a] += xi;
            }
        }
    }
}

Spectrum averagedSpectrum(const StereoSignal& s, std::size_t begin, std::size_t end,
                          double sampleRate) {
    Spectrum result;
    end = std::min(end, s.size());
    std::vector<double> power(kFftSize / 2 + 1, 0.0);
    std::vector<double> window(kFftSize);
    for (std::size_t i = 0; i < kFftSize; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                         static_cast<double>(kFftSize));
    std::vector<double> re(kFftSize);
    std::vector<double> im(kFftSize);
    for (std::size_t at = begin; at + kFftSize <= end; at += kFftSize / 2) {
        for (std::size_t i = 0; i < kFftSize; ++i) {
            re[i] = monoAt(s, at + i) * window[i];
            im[i] = 0.0;
        }
        fft(re, im);
        for (std::size_t k = 0; k < power.size(); ++k)
            power[k] += re[k] * re[k] + im[k] * im[k];
    }
    const double binHz = sampleRate / static_cast<double>(kFftSize);
    double total = 0.0;
    double weighted = 0.0;
    double strongest = 0.0;
    // Bin 0 holds the offset of the pulse waves, which nobody hears.
    for (std::size_t k = 1; k < power.size(); ++k) {
        const double hz = static_cast<double>(k) * binHz;
        total += power[k];
        weighted += power[k] * hz;
        result.bandShare[bandOf(hz)] += power[k];
        if (power[k] > strongest) {
            strongest = power[k];
            result.strongestHz = hz;
        }
    }
    if (total > 0.0) {
        result.centroidHz = weighted / total;
        for (double& share : result.bandShare)
            share /= total;
    }
    return result;
}

std::vector<double> loudnessContour(const StereoSignal& s, std::size_t window) {
    std::vector<double> contour;
    if (window == 0) return contour;
    for (std::size_t at = 0; at + window <= s.size(); at += window) {
        double sum = 0.0;
        for (std::size_t i = at; i < at + window; ++i) {
            double m = monoAt(s, i);
            sum += m * m;
        }
        contour.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    return contour;
}

}  // namespace sorvella::factory
