#include "engine/env_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "engine/env_test_curves.h"

namespace sorvella {
namespace {

using test::bytesOf;
using test::CurveFields;
using test::fieldsOf;
using test::readFields;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> startTimesOf(const MyEnvData& c) {
    return std::vector<float>(c.startTimes(), c.startTimes() + c.pointCount() + 1);
}

std::vector<float> usedLevels(const MyEnvData& c) {
    return std::vector<float>(c.levels(), c.levels() + c.pointCount());
}

std::vector<float> usedDurations(const MyEnvData& c) {
    return std::vector<float>(c.durations(), c.durations() + c.pointCount());
}

TEST(EnvDataTest, Defaults) {
    MyEnvData c("Osc1", 8);
    EXPECT_EQ(c.version(), 1);
    EXPECT_EQ(c.name(), "Osc1");
    EXPECT_EQ(c.capacity(), 8);
    EXPECT_EQ(c.serialisedSize(1), 176);
    EXPECT_EQ(c.serialisedSize(2), 176);
    EXPECT_EQ(c.pointCount(), 5);
    EXPECT_EQ(c.loopStart(), 1);
    EXPECT_EQ(c.loopLength(), 2);
    EXPECT_EQ(c.loopEnd(), 3);
    const CurveFields f = fieldsOf(c);
    EXPECT_EQ(f.durations, std::vector<float>(8, 300.0f));
    EXPECT_EQ(f.levels, (std::vector<float>{1.0f, 0.5f, 0.35f, 0.15f, 0.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(f.curves, std::vector<float>(8, 1.0f));
    EXPECT_EQ(f.curveNorms, std::vector<float>(8, 1.0f));
    EXPECT_EQ(startTimesOf(c), (std::vector<float>{0, 300, 600, 900, 1200, 1500}));
}

TEST(EnvDataTest, SmallCapacityKeepsAValidLoop) {
    MyEnvData c("Tiny", 2);
    EXPECT_EQ(c.pointCount(), 2);
    EXPECT_EQ(c.loopStart(), 1);
    EXPECT_EQ(c.loopLength(), 1);
    EXPECT_EQ(c.serialisedSize(2), 56);
}

TEST(EnvDataTest, SetDurationMovesLaterPoints) {
    MyEnvData c("Osc1", 8);
    c.setDuration(1, 100.0f);
    EXPECT_EQ(startTimesOf(c), (std::vector<float>{0, 300, 400, 700, 1000, 1300}));
    const CurveFields before = fieldsOf(c);
    c.setDuration(1, kNaN);
    c.setDuration(1, kInf);
    c.setDuration(-1, 10.0f);
    c.setDuration(5, 10.0f);  // beyond the points in use
    EXPECT_EQ(fieldsOf(c), before);
    c.setDuration(0, 1e30f);
    EXPECT_EQ(c.durations()[0], MyEnvData::kMaxDurationMs);
}

TEST(EnvDataTest, SetLevelLeavesTheCurveAlone) {
    MyEnvData c("Osc1", 8);
    c.setCurveFromHandle(1, 0.9f);
    const float k = c.curves()[1];
    c.setLevel(1, 0.25f);
    EXPECT_EQ(c.levels()[1], 0.25f);
    EXPECT_EQ(c.curves()[1], k);
    c.setLevel(1, kNaN);
    c.setLevel(9, 0.5f);
    EXPECT_EQ(usedLevels(c), (std::vector<float>{1.0f, 0.25f, 0.35f, 0.15f, 0.0f}));
    c.setLevel(2, -1e30f);
    EXPECT_EQ(c.levels()[2], -MyEnvData::kMaxLevel);
}

TEST(EnvDataTest, CurveFromHandle) {
    MyEnvData c("Osc1", 8);
    auto expectCurve = [&](int i, float k) {
        EXPECT_EQ(c.curves()[i], k);
        EXPECT_FLOAT_EQ(c.curveNorms()[i], 1.0f / (std::exp2(k) - 1.0f));
    };
    c.setCurveFromHandle(0, 0.5f);  // the middle: d = 0 takes the second branch
    expectCurve(0, 0.02f);
    c.setCurveFromHandle(0, 0.75f);  // d = 0.25
    expectCurve(0, -0.02f - 480.0f * 0.015625f);
    c.setCurveFromHandle(0, 0.25f);  // d = -0.25
    expectCurve(0, 0.02f + 960.0f * 0.015625f);
    c.setCurveFromHandle(1, 0.875f);  // falling from 1.0 to 0.5: t = 0.25
    expectCurve(1, 0.02f + 960.0f * 0.015625f);
    const float d = 0.9999f - 0.5f;
    c.setCurveFromHandle(0, 7.0f);  // y clamps to 1.0, t to 0.9999
    expectCurve(0, -0.02f - 480.0f * (d * d * d));
    c.setCurveFromHandle(0, -3.0f);  // y clamps to 0.0, t to 0.0001
    const float e = 0.0001f - 0.5f;
    expectCurve(0, 0.02f - 960.0f * (e * e * e));
}

TEST(EnvDataTest, CurveFromHandleOnAFlatSegmentChangesNothing) {
    MyEnvData c("Osc1", 8);
    c.setLevel(2, 0.5f);
    const CurveFields before = fieldsOf(c);
    c.setCurveFromHandle(2, 0.2f);
    c.setCurveFromHandle(1, kNaN);
    c.setCurveFromHandle(5, 0.2f);
    EXPECT_EQ(fieldsOf(c), before);
}

TEST(EnvDataTest, InsertPoint) {
    // Over the default curve (five 300 ms segments, loop 1..2) with its first segment bent: the
    // new point's segment is straight and the rest of a split segment keeps its bend.
    struct Case {
        float time;
        float level;
        int bent;  // where the first segment's bend ends up
        int loopStart;
        int loopLength;
        std::vector<float> durations;
        std::vector<float> levels;
    };
    const Case cases[] = {
        // Inside a segment of the loop: it splits and the loop grows.
        {450, 0.8f, 0, 1, 3, {300, 150, 150, 300, 300, 300}, {1, 0.8, 0.5, 0.35, 0.15, 0}},
        // Before the loop: the loop moves.
        {100, 0.3f, 1, 2, 2, {100, 200, 300, 300, 300, 300}, {0.3, 1, 0.5, 0.35, 0.15, 0}},
        // At a point's time: the new point goes after it.
        {300, 0.7f, 0, 1, 3, {300, 0, 300, 300, 300, 300}, {1, 0.7, 0.5, 0.35, 0.15, 0}},
        // After the last point: appended at level zero, the loop untouched.
        {2000, 0.7f, 0, 1, 2, {300, 300, 300, 300, 300, 500}, {1, 0.5, 0.35, 0.15, 0, 0}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.time);
        MyEnvData c("Osc1", 8);
        c.setCurveFromHandle(0, 0.25f);
        const float k0 = c.curves()[0];
        const float norm0 = c.curveNorms()[0];
        ASSERT_TRUE(c.insertPoint(t.time, t.level));
        EXPECT_EQ(c.pointCount(), 6);
        EXPECT_EQ(usedDurations(c), t.durations);
        EXPECT_EQ(usedLevels(c), t.levels);
        std::vector<float> starts{0.0f};
        for (float d : t.durations)
            starts.push_back(starts.back() + d);
        EXPECT_EQ(startTimesOf(c), starts);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(c.curves()[i], i == t.bent ? k0 : 1.0f) << i;
            EXPECT_EQ(c.curveNorms()[i], i == t.bent ? norm0 : 1.0f) << i;
        }
        EXPECT_EQ(c.loopStart(), t.loopStart);
        EXPECT_EQ(c.loopLength(), t.loopLength);
    }
}

TEST(EnvDataTest, InsertsThatChangeNothing) {
    MyEnvData c("Osc1", 8);
    const CurveFields before = fieldsOf(c);
    EXPECT_FALSE(c.insertPoint(-0.5f, 0.5f));
    EXPECT_FALSE(c.insertPoint(kNaN, 0.5f));
    EXPECT_FALSE(c.insertPoint(100.0f, kNaN));
    EXPECT_FALSE(c.insertPoint(1500.0f + MyEnvData::kMaxDurationMs * 2.0f, 0.0f));
    EXPECT_EQ(fieldsOf(c), before);

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(c.insertPoint(50.0f, 0.5f));
    ASSERT_EQ(c.pointCount(), 8);
    const CurveFields full = fieldsOf(c);
    EXPECT_FALSE(c.insertPoint(50.0f, 0.5f));
    EXPECT_EQ(fieldsOf(c), full);
}

TEST(EnvDataTest, RemoveGivesTheDurationToTheNextPoint) {
    MyEnvData c("Osc1", 8);
    c.setDuration(2, 300.7f);
    ASSERT_TRUE(c.removePoint(2));
    EXPECT_EQ(c.pointCount(), 4);
    EXPECT_EQ(usedDurations(c), (std::vector<float>{300, 300, 600, 300}));
    EXPECT_EQ(usedLevels(c), (std::vector<float>{1.0f, 0.5f, 0.15f, 0.0f}));
    EXPECT_EQ(startTimesOf(c), (std::vector<float>{0, 300, 600, 1200, 1500}));
    EXPECT_EQ(c.loopStart(), 1);
    EXPECT_EQ(c.loopLength(), 1);
}

TEST(EnvDataTest, RemoveBeforeTheLoop) {
    MyEnvData c("Osc1", 8);
    ASSERT_TRUE(c.setLoop(3, 1));
    ASSERT_TRUE(c.removePoint(1));
    EXPECT_EQ(c.loopStart(), 2);
    EXPECT_EQ(c.loopLength(), 1);
    // The point just before the loop shrinks the loop from its start.
    MyEnvData d("Osc1", 8);
    ASSERT_TRUE(d.removePoint(0));
    EXPECT_EQ(d.loopStart(), 1);
    EXPECT_EQ(d.loopLength(), 1);
}

TEST(EnvDataTest, RemoveNeverLeavesAnEmptyLoop) {
    MyEnvData c("Osc1", 8);
    ASSERT_TRUE(c.setLoop(1, 1));
    ASSERT_TRUE(c.removePoint(1));  // the loop's only segment
    EXPECT_EQ(c.loopStart(), 1);
    EXPECT_EQ(c.loopLength(), 1);
    ASSERT_TRUE(c.removePoint(0));  // the point before a one-segment loop
    EXPECT_EQ(c.loopStart(), 1);
    EXPECT_EQ(c.loopLength(), 1);
    ASSERT_TRUE(c.removePoint(2));
    ASSERT_EQ(c.pointCount(), 2);
    ASSERT_TRUE(c.removePoint(1));  // the loop's segment is the last one
    EXPECT_EQ(c.loopStart(), 0);
    EXPECT_EQ(c.loopLength(), 1);
    ASSERT_TRUE(c.removePoint(0));
    EXPECT_EQ(c.pointCount(), 0);
    EXPECT_EQ(c.loopStart(), 0);
    EXPECT_EQ(c.loopLength(), 0);
    EXPECT_FALSE(c.removePoint(0));
    // An empty curve takes new points and a loop again.
    ASSERT_TRUE(c.insertPoint(200.0f, 0.9f));
    EXPECT_EQ(c.pointCount(), 1);
    EXPECT_EQ(c.levels()[0], 0.0f);
    EXPECT_EQ(c.durations()[0], 200.0f);
    EXPECT_EQ(c.loopStart(), 0);
    EXPECT_EQ(c.loopLength(), 1);
}

TEST(EnvDataTest, RemoveTheLastPointOfAFullCurve) {
    MyEnvData c("Osc1", 8);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(c.insertPoint(1600.0f + 100.0f * i, 0.0f));
    ASSERT_EQ(c.pointCount(), 8);
    ASSERT_TRUE(c.setLoop(6, 2));
    const std::vector<float> durations = usedDurations(c);
    ASSERT_TRUE(c.removePoint(7));
    EXPECT_EQ(c.pointCount(), 7);
    EXPECT_EQ(usedDurations(c), std::vector<float>(durations.begin(), durations.end() - 1));
    EXPECT_EQ(c.loopStart(), 6);
    EXPECT_EQ(c.loopLength(), 1);
    EXPECT_FALSE(c.removePoint(7));
    EXPECT_FALSE(c.removePoint(-1));
}

TEST(EnvDataTest, SetLoop) {
    MyEnvData c("Osc1", 8);
    EXPECT_TRUE(c.setLoop(0, 5));
    EXPECT_EQ(c.loopEnd(), 5);
    EXPECT_FALSE(c.setLoop(0, 6));
    EXPECT_FALSE(c.setLoop(4, 0));
    EXPECT_FALSE(c.setLoop(-1, 2));
    EXPECT_FALSE(c.setLoop(5, 1));
    EXPECT_FALSE(c.setLoop(1, std::numeric_limits<std::int32_t>::max()));
    EXPECT_EQ(c.loopStart(), 0);
    EXPECT_EQ(c.loopLength(), 5);
}

TEST(EnvDataTest, SerialisedLayout) {
    MyEnvData c("Osc1", 8);
    const auto bytes = bytesOf(c);
    ASSERT_EQ(bytes.size(), 176u);
    ByteReader r(bytes.data(), bytes.size());
    EXPECT_EQ(r.getInt(), 5);
    EXPECT_EQ(r.getInt(), 1);
    EXPECT_EQ(r.getInt(), 2);
    auto wordAt = [&](std::size_t offset) {
        return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
               (std::uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
    };
    EXPECT_EQ(wordAt(12), 0x43960000u);        // durations[0] = 300.0
    EXPECT_EQ(wordAt(44), 0x3F800000u);        // levels[0] = 1.0
    EXPECT_EQ(wordAt(48), 0x3F000000u);        // levels[1] = 0.5
    EXPECT_EQ(wordAt(76), 0x3F800000u);        // curves[0] = 1.0
    EXPECT_EQ(wordAt(108), 0u);                // startTimes[0]
    EXPECT_EQ(wordAt(112), 0x43960000u);       // startTimes[1] = 300.0
    EXPECT_EQ(wordAt(108 + 20), 0x44BB8000u);  // startTimes[5] = 1500.0
    EXPECT_EQ(wordAt(144), 0x3F800000u);       // curveNorms[0] = 1.0
    EXPECT_EQ(wordAt(172), 0x3F800000u);       // curveNorms[7]
}

TEST(EnvDataTest, RoundTripKeepsEverySlot) {
    MyEnvData c("Osc1", 8);
    c.setLevel(4, 0.9f);
    c.setCurveFromHandle(3, 0.3f);
    ASSERT_TRUE(c.removePoint(0));  // slot 4 now lies beyond the points in use
    c.setDuration(2, 123.25f);
    const CurveFields written = fieldsOf(c);
    ASSERT_EQ(written.levels[4], 0.9f);

    MyEnvData d("Osc2", 8);
    const auto bytes = bytesOf(c);
    ByteReader r(bytes.data(), bytes.size());
    ASSERT_TRUE(d.read(r, 1));
    EXPECT_EQ(r.position(), 176u);
    EXPECT_EQ(fieldsOf(d), written);
    EXPECT_EQ(bytesOf(d), bytes);
    EXPECT_EQ(d.name(), "Osc2");
}

TEST(EnvDataTest, Assign) {
    MyEnvData c("Osc1", 8);
    ASSERT_TRUE(c.insertPoint(10.0f, 0.4f));
    MyEnvData d("Noise", 8);
    d.assign(c);
    EXPECT_EQ(fieldsOf(d), fieldsOf(c));
    const CurveFields before = fieldsOf(c);
    c.assign(c);
    EXPECT_EQ(fieldsOf(c), before);
}

class EnvDataReadTest : public ::testing::Test {
  protected:
    EnvDataReadTest() {
        record.setCurveFromHandle(0, 0.2f);
        original = fieldsOf(record);
        good = original;
    }

    // Expects the bytes to be refused, the record unchanged and the cursor past the record.
    void expectRejected(const CurveFields& f) {
        const auto bytes = test::bytesOf(f);
        ByteReader r(bytes.data(), bytes.size());
        EXPECT_FALSE(record.read(r, 2));
        EXPECT_EQ(r.position(), bytes.size());
        EXPECT_EQ(fieldsOf(record), original);
    }

    MyEnvData record{"Osc1", 8};
    CurveFields original;
    CurveFields good;
};

TEST_F(EnvDataReadTest, TruncatedRecord) {
    const auto bytes = test::bytesOf(good);
    ByteReader r(bytes.data(), bytes.size() - 1);
    EXPECT_FALSE(record.read(r, 2));
    EXPECT_TRUE(r.underflowed());
    EXPECT_EQ(fieldsOf(record), original);
}

TEST_F(EnvDataReadTest, PointCountAndLoopBounds) {
    for (auto [count, start, length] : std::vector<std::tuple<int, int, int>>{{9, 1, 2},
                                                                              {-1, 0, 0},
                                                                              {5, 4, 2},
                                                                              {5, -1, 2},
                                                                              {5, 2, 0},
                                                                              {5, 3, -1},
                                                                              {5, 1, 0x7fffffff},
                                                                              {0, 0, 1},
                                                                              {0, 1, 0}}) {
        CurveFields f = good;
        f.pointCount = count;
        f.loopStart = start;
        f.loopLength = length;
        SCOPED_TRACE(::testing::Message() << count << " " << start << " " << length);
        expectRejected(f);
    }
}

TEST_F(EnvDataReadTest, EdgesThatAreAccepted) {
    for (auto [count, start, length] :
         std::vector<std::tuple<int, int, int>>{{8, 7, 1}, {5, 0, 5}, {0, 0, 0}}) {
        CurveFields f = good;
        f.pointCount = count;
        f.loopStart = start;
        f.loopLength = length;
        EXPECT_TRUE(readFields(record, f));
        EXPECT_EQ(fieldsOf(record), f);
    }
}

TEST_F(EnvDataReadTest, ValuesThatAreNotNumbers) {
    for (float bad : {kNaN, kInf, -kInf}) {
        for (std::size_t slot : {0u, 7u}) {  // in use and beyond the points in use
            for (auto array : {&CurveFields::durations, &CurveFields::levels, &CurveFields::curves,
                               &CurveFields::startTimes, &CurveFields::curveNorms}) {
                CurveFields f = good;
                (f.*array)[slot] = bad;
                expectRejected(f);
            }
        }
        CurveFields f = good;
        f.startTimes[8] = bad;
        expectRejected(f);
    }
}

TEST_F(EnvDataReadTest, ValuesOutOfBounds) {
    CurveFields f = good;
    f.durations[2] = MyEnvData::kMaxDurationMs * 1.5f;
    expectRejected(f);
    f = good;
    f.levels[1] = 1e30f;
    expectRejected(f);
    f = good;
    f.setCurve(1, 0.0f);  // norm infinite
    expectRejected(f);
    f = good;
    f.setCurve(1, 0.001f);
    expectRejected(f);
    f = good;
    f.setCurve(1, 126.0f);
    expectRejected(f);
    f = good;
    f.curveNorms[1] = 0.5f;  // does not belong to k = 1
    expectRejected(f);
    f = good;
    f.startTimes[3] = 1e20f;
    expectRejected(f);
    // The bends the curve handle can make are all accepted.
    f = good;
    f.setCurve(1, 119.95f);
    f.setCurve(2, -59.98f);
    f.setCurve(3, 0.02f);
    f.setCurve(4, -0.02f);
    EXPECT_TRUE(readFields(record, f));
}

}  // namespace
}  // namespace sorvella
