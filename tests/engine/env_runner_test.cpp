// The envelope runner on curves the reference voice does not play: loops to the last point, the
// shortest and longest segments and denormal levels. (The instrument's curves hold at most 8
// points, so the runner's limit of 32 segments is never reached.)
// Its values on the curves notes play are compared with the reference in voice_exact_test.cpp.
#include "engine/env_runner.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "engine/env_data.h"
#include "engine/env_test_curves.h"

namespace sorvella {
namespace {

using test::CurveFields;
using test::fieldsOf;
using test::readFields;

constexpr std::int32_t k300Ms = 13230;  // 300 ms at 44.1 samples per ms

void advance(EnvRunner& r, int samples) {
    for (int i = 0; i < samples; ++i)
        r.next();
}

TEST(EnvRunnerTest, SegmentLengthsAreBounded) {
    MyEnvData c("Osc1", 8);
    c.setDuration(1, 100.0f);
    c.setDuration(2, 0.0f);
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, k300Ms);
    EXPECT_EQ(r.segment(), 1);
    EXPECT_EQ(r.active(), 4410);
    advance(r, 4410);
    EXPECT_EQ(r.segment(), 2);
    EXPECT_EQ(r.active(), 50);  // 0 ms still lasts 50 samples
    advance(r, 50);
    EXPECT_EQ(r.segment(), EnvRunner::kLoopSlot);
    EXPECT_EQ(r.active(), 4410);  // the slot replays the loop's first segment

    for (auto [ms, timeScale, samples] : {std::tuple{1.2f, 1.0f, 52},
                                          {MyEnvData::kMaxDurationMs, 1.0f, 26460000},
                                          {MyEnvData::kMaxDurationMs, 1e9f, 26460000},
                                          {300.0f, std::numeric_limits<float>::quiet_NaN(), 50}}) {
        c.setDuration(0, ms);
        r.load(c, 1.0f, timeScale);
        EXPECT_EQ(r.active(), samples) << ms << " " << timeScale;
    }
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
    float last = v;
    for (int i = 0; i < 100; ++i) {
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
    r.release();  // a finished runner stays finished
    r.fade();
    EXPECT_EQ(r.active(), 0);
}

TEST(EnvRunnerTest, EmptyCurveFinishesAtOnceAndOneSegmentLoopsHold) {
    MyEnvData c("Osc1", 8);
    ASSERT_TRUE(c.setLoop(2, 1));
    EnvRunner r;
    r.load(c, 1.0f, 1.0f);
    advance(r, 3 * k300Ms);
    for (int i = 0; i < 2 * k300Ms; ++i)
        ASSERT_EQ(r.next(), 0.35f) << i;
    EXPECT_EQ(r.segment(), EnvRunner::kLoopSlot);

    // A denormal start is flushed to zero.
    CurveFields f = fieldsOf(c);
    f.levels[0] = 1e-39f;
    ASSERT_TRUE(readFields(c, f));
    r.load(c, 1.0f, 1.0f);
    for (int i = 0; i < k300Ms; ++i)
        ASSERT_EQ(r.next(), 0.0f) << i;

    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(c.removePoint(0));
    r.load(c, 1.0f, 1.0f);
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
    r.release();
    r.fade();
    EXPECT_EQ(r.active(), 0);
    EXPECT_EQ(r.next(), 0.0f);
}

}  // namespace
}  // namespace sorvella
