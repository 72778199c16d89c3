#include <gtest/gtest.h>

#include "engine/env_data.h"
#include "tools/factory_bank/curve_shape.h"

namespace sorvella::factory {
namespace {

TEST(CurveShapeTest, WritesPointsLoopAndBendsOverTheDefaultCurve) {
    MyEnvData curve("Osc1", 8);
    ASSERT_TRUE(
        shapeCurve(curve, {{2.0f, 1.0f, 0.5f}, {900.0f, 0.0f, 0.8f}, {120.0f, 0.0f, 0.5f}}, 1, 1));
    ASSERT_EQ(curve.pointCount(), 3);
    EXPECT_EQ(curve.loopStart(), 1);
    EXPECT_EQ(curve.loopLength(), 1);
    EXPECT_FLOAT_EQ(curve.durations()[0], 2.0f);
    EXPECT_FLOAT_EQ(curve.durations()[1], 900.0f);
    EXPECT_FLOAT_EQ(curve.durations()[2], 120.0f);
    EXPECT_FLOAT_EQ(curve.levels()[0], 1.0f);
    EXPECT_FLOAT_EQ(curve.levels()[1], 0.0f);
    EXPECT_FLOAT_EQ(curve.startTimes()[3], 1022.0f);
    // An even handle is the editor's near-straight segment; 0.8 of the way at the middle is the
    // handle's fast start, k = -0.02 - 480 * 0.3^3.
    EXPECT_FLOAT_EQ(curve.curves()[0], 0.02f);
    EXPECT_NEAR(curve.curves()[1], -0.02f - 480.0f * 0.027f, 1e-3f);
    // A flat segment has no handle and keeps the straight curve.
    EXPECT_FLOAT_EQ(curve.curves()[2], 1.0f);
}

TEST(CurveShapeTest, GrowsToTheFullCapacity) {
    MyEnvData curve("Osc2", 8);
    ASSERT_TRUE(shapeCurve(curve,
                           {{5.0f, 0.0f, 0.5f},
                            {6.0f, 1.0f, 0.5f},
                            {60.0f, 0.0f, 0.8f},
                            {70.0f, 0.0f, 0.5f},
                            {10.0f, 0.2f, 0.5f},
                            {10.0f, 0.4f, 0.5f},
                            {10.0f, 0.3f, 0.5f},
                            {600.0f, 0.0f, 0.7f}},
                           1, 6));
    EXPECT_EQ(curve.pointCount(), 8);
    EXPECT_EQ(curve.loopEnd(), 7);
    for (int i = 0; i < 8; ++i)
        EXPECT_GE(curve.durations()[i], 5.0f) << i;
    EXPECT_FLOAT_EQ(curve.levels()[6], 0.3f);
}

TEST(CurveShapeTest, RefusesTooManyPointsNoPointsAndALoopBeyondThem) {
    MyEnvData curve("Noise", 4);
    EXPECT_FALSE(shapeCurve(curve,
                            {{1.0f, 1.0f, 0.5f},
                             {1.0f, 0.5f, 0.5f},
                             {1.0f, 0.5f, 0.5f},
                             {1.0f, 0.2f, 0.5f},
                             {1.0f, 0.0f, 0.5f}},
                            1, 1));
    EXPECT_FALSE(shapeCurve(curve, {}, 0, 1));
    EXPECT_FALSE(shapeCurve(curve, {{1.0f, 1.0f, 0.5f}, {1.0f, 0.0f, 0.5f}}, 1, 2));
}

}  // namespace
}  // namespace sorvella::factory
