#include "tests/plugin/signal_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sorvella::test {
namespace {

std::size_t clampEnd(const std::vector<float>& samples, std::size_t end) {
    return std::min(end, samples.size());
}

double correlation(const std::vector<double>& x, std::size_t lag, std::size_t count) {
    double product = 0.0;
    double energyA = 0.0;
    double energyB = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        product += x[i] * x[i + lag];
        energyA += x[i] * x[i];
        energyB += x[i + lag] * x[i + lag];
    }
    const double norm = std::sqrt(energyA * energyB);
    return norm > 0.0 ? product / norm : 0.0;
}

// The lag with the highest correlation in [low, high], refined by a parabola through it and its
// neighbours.
double refinedPeak(const std::vector<double>& x, std::size_t low, std::size_t high,
                   std::size_t count) {
    std::size_t best = low;
    double bestValue = -2.0;
    for (std::size_t lag = low; lag <= high; ++lag) {
        const double value = correlation(x, lag, count);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    if (best == 0) return 0.0;
    const double before = correlation(x, best - 1, count);
    const double after = correlation(x, best + 1, count);
    const double curvature = before - 2.0 * bestValue + after;
    const double shift = curvature < 0.0 ? 0.5 * (before - after) / curvature : 0.0;
    return static_cast<double>(best) + std::clamp(shift, -0.5, 0.5);
}

}  // namespace

std::size_t countNonFinite(const Stereo& audio) {
    const auto bad = [](float x) { return !std::isfinite(x); };
    return static_cast<std::size_t>(std::count_if(audio.left.begin(), audio.left.end(), bad) +
                                    std::count_if(audio.right.begin(), audio.right.end(), bad));
}

float peak(const std::vector<float>& samples, std::size_t begin, std::size_t end) {
    float result = 0.0f;
    end = clampEnd(samples, end);
    for (std::size_t i = begin; i < end; ++i) {
        const float magnitude = std::fabs(samples[i]);
        if (!(magnitude <= result)) result = magnitude;  // a NaN wins
    }
    return result;
}

float peak(const Stereo& audio, std::size_t begin, std::size_t end) {
    const float left = peak(audio.left, begin, end);
    const float right = peak(audio.right, begin, end);
    return std::isnan(left) || left > right ? left : right;
}

double relativeDifference(const Stereo& a, const Stereo& b, std::size_t begin, std::size_t end) {
    double difference = 0.0;
    double reference = 0.0;
    const std::size_t stop = std::min({end, a.frames(), b.frames()});
    for (std::size_t i = begin; i < stop; ++i) {
        const double dl = static_cast<double>(a.left[i]) - b.left[i];
        const double dr = static_cast<double>(a.right[i]) - b.right[i];
        difference += dl * dl + dr * dr;
        reference += static_cast<double>(b.left[i]) * b.left[i] +
                     static_cast<double>(b.right[i]) * b.right[i];
    }
    if (reference == 0.0) return difference == 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    return std::sqrt(difference / reference);
}

::testing::AssertionResult identical(const Stereo& a, const Stereo& b) {
    if (a.frames() != b.frames() || a.right.size() != b.right.size()) {
        return ::testing::AssertionFailure()
               << "lengths differ: " << a.frames() << " and " << b.frames() << " frames";
    }
    for (std::size_t i = 0; i < a.frames(); ++i) {
        const bool left = std::memcmp(&a.left[i], &b.left[i], sizeof(float)) == 0;
        const bool right = std::memcmp(&a.right[i], &b.right[i], sizeof(float)) == 0;
        if (!left || !right) {
            return ::testing::AssertionFailure()
                   << "first difference at frame " << i << ": left " << a.left[i] << " vs "
                   << b.left[i] << ", right " << a.right[i] << " vs " << b.right[i] << "; peaks "
                   << peak(a) << " and " << peak(b);
        }
    }
    return ::testing::AssertionSuccess();
}

double measurePeriod(const std::vector<float>& samples, std::size_t begin, std::size_t length,
                     double minPeriod, double maxPeriod, int periods) {
    const std::size_t stop = std::min(samples.size(), begin + length);
    if (begin >= stop) return 0.0;
    std::vector<double> x(samples.begin() + static_cast<std::ptrdiff_t>(begin),
                          samples.begin() + static_cast<std::ptrdiff_t>(stop));
    double mean = 0.0;
    for (double value : x)
        mean += value;
    mean /= static_cast<double>(x.size());
    for (double& value : x)
        value -= mean;

    const auto low = static_cast<std::size_t>(std::max(1.0, std::floor(minPeriod)));
    const auto high = static_cast<std::size_t>(std::ceil(maxPeriod));
    const std::size_t longest = (high + 2) * static_cast<std::size_t>(std::max(periods, 1)) + 2;
    if (x.size() <= longest * 2) return 0.0;
    const std::size_t count = x.size() - longest;

    std::vector<double> r(high + 2, 0.0);
    double best = -2.0;
    for (std::size_t lag = low - 1; lag <= high + 1; ++lag) {
        r[lag] = correlation(x, lag, count);
        if (lag >= low && lag <= high) best = std::max(best, r[lag]);
    }
    std::size_t coarse = 0;
    for (std::size_t lag = low; lag <= high; ++lag) {
        if (r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1] && r[lag] >= 0.9 * best) {
            coarse = lag;
            break;
        }
    }
    if (coarse == 0) return 0.0;
    double period = refinedPeak(x, coarse - 1, coarse + 1, count);
    for (int multiple = 2; multiple <= periods; multiple *= 2) {
        const double centre = period * multiple;
        const auto from = static_cast<std::size_t>(std::floor(centre - multiple));
        const auto to = static_cast<std::size_t>(std::ceil(centre + multiple));
        period = refinedPeak(x, from, to, count) / multiple;
    }
    return period;
}

}  // namespace sorvella::test
