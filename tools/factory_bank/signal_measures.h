// Figures of a rendered stereo signal that describe how a program sounds without listening to
// it: level, spectrum and the shape of its loudness over time.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace sorvella::factory {

struct StereoSignal {
    std::vector<float> left;
    std::vector<float> right;
    std::size_t size() const { return left.size(); }
};

// Bands of the energy split, in Hz: below 300, 300-600, 600-1200, 1200-2400, 2400-4800, above.
inline constexpr std::size_t kBandCount = 6;
inline constexpr std::array<double, kBandCount - 1> kBandEdges{300.0, 600.0, 1200.0, 2400.0,
                                                               4800.0};

struct Spectrum {
    double centroidHz = 0.0;
    double strongestHz = 0.0;                    // the highest bin of the averaged power spectrum
    std::array<double, kBandCount> bandShare{};  // fractions of the energy, summing to 1
};

// The largest magnitude in [begin, end) of both channels.
float peakLevel(const StereoSignal& s, std::size_t begin, std::size_t end);

// Root mean square of both channels over [begin, end).
double rmsLevel(const StereoSignal& s, std::size_t begin, std::size_t end);

// 20·log10 with a floor at -200 dB for silence.
double toDecibels(double linear);

// The power spectrum of the mono sum averaged over Hann windows of 4096 samples that overlap by
// half and cover [begin, end), so louder stretches weigh more.
Spectrum averagedSpectrum(const StereoSignal& s, std::size_t begin, std::size_t end,
                          double sampleRate);

// The loudness contour: the RMS of the mono sum over consecutive windows of `window` samples.
std::vector<double> loudnessContour(const StereoSignal& s, std::size_t window);

// In-place radix-2 transform of re/im (size a power of two).
void fft(std::vector<double>& re, std::vector<double>& im);

}  // namespace sorvella::factory
