// Measurements on rendered audio: finiteness, level, period and the distance between two
// renders. All of them are deterministic properties of the samples.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <vector>

#include "tests/plugin/test_host.h"

namespace sorvella::test {

constexpr std::size_t kToEnd = std::numeric_limits<std::size_t>::max();

std::size_t countNonFinite(const Stereo& audio);

// Largest magnitude in [begin, end).
float peak(const std::vector<float>& samples, std::size_t begin = 0, std::size_t end = kToEnd);
float peak(const Stereo& audio, std::size_t begin = 0, std::size_t end = kToEnd);

// Root-mean-square difference of a and b over [begin, end) of both channels, relative to the
// root-mean-square of b: 0 for identical renders.
double relativeDifference(const Stereo& a, const Stereo& b, std::size_t begin = 0,
                          std::size_t end = kToEnd);

// Success when both renders hold the same samples bit for bit; otherwise says where they part.
::testing::AssertionResult identical(const Stereo& a, const Stereo& b);

// The period in samples of samples[begin, begin + length), searched between minPeriod and
// maxPeriod: the shortest lag whose normalised autocorrelation comes within 10 % of the best one,
// refined over `periods` consecutive periods with a parabolic fit of the peak.
double measurePeriod(const std::vector<float>& samples, std::size_t begin, std::size_t length,
                     double minPeriod, double maxPeriod, int periods = 8);

}  // namespace sorvella::test
