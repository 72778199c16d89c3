#include "engine/env_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/env_data.h"
#include "engine/env_test_curves.h"

namespace sorvella {
namespace {

using test::CurveFields;
using test::fieldsOf;
using test::readFields;

constexpr std::int32_t k300Ms = 13230;  // 300 ms at 44.1 samples per ms
// At 13230 samples per segment the recurrence with k = 1 ends each segment within about 2e-5 of
// its target (its discretisation error shrinks with the segment length); 5e-5 leaves room for
// rounding and still fails by far any decay that stops short of the target.
constexpr float kEndTolerance = 5e-5f;

struct SegmentEnd {
    std::int32_t segment;
    float value;
};

// Runs until the runner has left n segments (or finished) and returns the last value of each.
std::vector<SegmentEnd> runSegments(EnvRunner& r, int n) {
    std::vector<SegmentEnd> ends;
    while (static_cast<int>(ends.size()) < n && r.active() != 0) {
        const std::int32_t segment = r.segment();
        const std::int32_t length = r.active();
        float value = 0.0f;
        for (std::int32_t i = 0; i < length; ++i)
            value = r.next();
        ends.push_back({segment, value});
    }
    return ends;
}

void advance(EnvRunner& r, int samples) {
    for (int i = 0; i < samples; ++i)
        r.next();
}

TEST(EnvRunnerTest, DefaultCurveSegmentsEndOnTheirScaledTargets) {
    MyEnvData c("Osc1", 8);
    for (float scale : {1.0f, 0.25f}) {
        EnvRunner r;
        r.load(c, scale, 1.0f);
        EXPECT_EQ(r.segment(), 0);
        EXPECT_EQ(r.active(), k300Ms);
        const auto ends = runSegments(r, 5);
        const std::int32_t order[] = {0, 1, 2, EnvRunner::kLoopSlot, 2};
        const float targets[] = {1.0f, 0.5f, 0.35f, 0.5f, 0.35f};
        ASSERT_EQ(ends.size(), 5u);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(ends[i].segment, order[i]);
            EXPECT_NEAR(ends[i].value, scale * targets[i], kEndTolerance) << scale << " " << i;
        }
        EXPECT_EQ(r.segment(), EnvRunner::kLoopSlot);
    }
}

TEST(EnvRunnerTest, SegmentLengths) {
    MyEnvData c("Osc1", 8);
    c.setDuration(1, 100.0f);
    c.setDuration(2, 0.0f);
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, k300Ms - 1);
    EXPECT_EQ(r.segment(), 0);
    r.next();
    EXPECT_EQ(r.segment(), 1);
    EXPECT_EQ(r.active(), 4410);
    advance(r, 4410);
    EXPECT_EQ(r.segment(), 2);
    EXPECT_EQ(r.active(), 50);  // 0 ms still lasts 50 samples
    advance(r, 50);
    EXPECT_EQ(r.segment(), EnvRunner::kLoopSlot);
    EXPECT_EQ(r.active(), 4410);  // the slot replays the loop's first segment

    c.setDuration(0, 1.0f);  // 44.1 samples
    r.load(c, 1.0f, 1.0f);
    EXPECT_EQ(r.active(), 50);
    c.setDuration(0, 1.2f);  // 52.92 samples
    r.load(c, 1.0f, 1.0f);
    EXPECT_EQ(r.active(), 52);
}

TEST(EnvRunnerTest, BentSegmentsStartAtThePreviousLevelAndReachTheirTarget) {
    MyEnvData c("Osc1", 8);
    c.setCurveFromHandle(0, 0.25f);  // k = 15.02: slow start, steep end
    c.setCurveFromHandle(1, 0.7f);   // falling 1.0 to 0.5 with t = 0.6: k = -0.50
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    float first = r.next();
    EXPECT_GT(first, 0.0f);
    EXPECT_LT(first, 1e-6f);
    advance(r, k300Ms / 2 - 1);
    EXPECT_LT(r.next(), 0.25f);  // below the straight line at the middle
    advance(r, k300Ms / 2 - 2);
    // The start a grows by about 2^k over the segment, so its error grows with k as well.
    EXPECT_NEAR(r.next(), 1.0f, 6e-3f);
    EXPECT_EQ(r.segment(), 1);
    first = r.next();
    EXPECT_NEAR(first, 1.0f, 1e-4f);
    const auto ends = runSegments(r, 1);
    EXPECT_NEAR(ends[0].value, 0.5f, kEndTolerance);
}

TEST(EnvRunnerTest, OneSegmentLoopHoldsItsLevel) {
    MyEnvData c("Osc1", 8);
    ASSERT_TRUE(c.setLoop(2, 1));
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, 3 * k300Ms);
    EXPECT_EQ(r.segment(), EnvRunner::kLoopSlot);
    for (int i = 0; i < 4 * k300Ms; ++i)
        ASSERT_EQ(r.next(), 0.35f) << i;
    EXPECT_EQ(r.segment(), EnvRunner::kLoopSlot);
    EXPECT_NE(r.active(), 0);
}

TEST(EnvRunnerTest, LoopBackSlotStartsFromTheLoopsLastLevel) {
    MyEnvData c("Osc1", 8);
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, 3 * k300Ms);
    ASSERT_EQ(r.segment(), EnvRunner::kLoopSlot);
    EXPECT_NEAR(r.next(), 0.35f, 1e-4f);
}

TEST(EnvRunnerTest, ReleaseLeavesTheLoopFromTheCurrentValue) {
    MyEnvData c("Osc1", 8);
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, k300Ms + 5000);
    const float v = r.next();
    ASSERT_EQ(r.segment(), 1);
    r.release();
    EXPECT_EQ(r.segment(), 3);
    EXPECT_EQ(r.active(), k300Ms);
    EXPECT_NEAR(r.next(), v, 1e-4f);
    const auto ends = runSegments(r, 3);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_NEAR(ends[0].value, 0.15f, kEndTolerance);
    EXPECT_NEAR(ends[1].value, 0.0f, kEndTolerance);
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
    r.release();  // a finished runner stays finished
    r.fade();
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
}

TEST(EnvRunnerTest, LoopToTheLastPointFadesInExactly100Samples) {
    MyEnvData c("Osc1", 8);
    ASSERT_TRUE(c.setLoop(1, 4));
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    for (int i = 0; i < 20 * k300Ms; ++i) {
        r.next();
        ASSERT_NE(r.active(), 0);
    }
    const float v = r.next();
    r.release();
    EXPECT_EQ(r.active(), EnvRunner::kFadeSamples);
    const float a = -v * 0.33333334f;
    EXPECT_FLOAT_EQ(r.next(), a * (1.0f + 2.0f * 0.01f) + (v - a));
    float last = v;
    for (int i = 1; i < 100; ++i) {
        ASSERT_EQ(r.active(), EnvRunner::kFadeSamples) << i;
        const float out = r.next();
        ASSERT_LT(out, last);
        last = out;
    }
    // The recurrence with 100 steps lands about 1% of v above zero.
    EXPECT_GE(last, 0.0f);
    EXPECT_LT(last, 0.0125f * v);
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
}

TEST(EnvRunnerTest, EmptyCurveFinishesAtOnce) {
    MyEnvData c("Osc1", 8);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(c.removePoint(0));
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
    r.release();
    r.fade();
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
}

TEST(EnvRunnerTest, LoopBeyondTheFirst32PointsMeansNoLoop) {
    MyEnvData c("Long", 40);
    CurveFields f = fieldsOf(c);
    f.pointCount = 40;
    f.loopStart = 35;
    f.loopLength = 2;
    for (std::size_t i = 0; i < 40; ++i) {
        f.durations[i] = 0.0f;
        f.levels[i] = (i % 2 == 0) ? 1.0f : 0.0f;
    }
    f.startTimes.assign(41, 0.0f);
    ASSERT_TRUE(readFields(c, f));

    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    int samples = 0;
    while (r.active() != 0 && samples < 10000) {
        r.next();
        ++samples;
    }
    EXPECT_EQ(samples, 32 * 50);  // plays its 32 segments once and ends

    r.load(c, 1.0f, 1.0f);
    advance(r, 75);
    r.release();  // no release segments to go to: fade
    EXPECT_EQ(r.active(), EnvRunner::kFadeSamples);
    advance(r, 100);
    EXPECT_EQ(r.active(), 0);
}

TEST(EnvRunnerTest, DenormalStartsAreFlushed) {
    MyEnvData c("Osc1", 8);
    CurveFields f = fieldsOf(c);
    f.levels[0] = 1e-39f;
    ASSERT_TRUE(readFields(c, f));
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    for (int i = 0; i < k300Ms; ++i)
        ASSERT_EQ(r.next(), 0.0f) << i;
    EXPECT_EQ(r.segment(), 1);
}

TEST(EnvRunnerTest, SampleCountsStayBounded) {
    MyEnvData c("Osc1", 8);
    c.setDuration(0, MyEnvData::kMaxDurationMs);
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    EXPECT_EQ(r.active(), 26460000);
    r.load(c, 1.0f, 1e9f);
    EXPECT_EQ(r.active(), 26460000);
    r.load(c, 1.0f, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(r.active(), 50);
}

TEST(EnvRunnerTest, ReloadStartsAfresh) {
    MyEnvData c("Osc1", 8);
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, 2 * k300Ms + 7);
    r.release();
    r.load(c, 1.0f, 1.0f);
    EXPECT_EQ(r.segment(), 0);
    EXPECT_EQ(r.active(), k300Ms);
    EXPECT_LT(r.next(), 1e-3f);
}

}  // namespace
}  // namespace sorvella
