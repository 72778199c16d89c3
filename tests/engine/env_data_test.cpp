#include "engine/env_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "engine/env_test_curves.h"

namespace sorvella {
namespace {

using test::CurveFields;
using test::fieldsOf;
using test::readFields;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The entries of one of a record's arrays that are in use; the start times have one more.
std::vector<float> used(const MyEnvData& c, const float* values) {
    return std::vector<float>(values, values + c.pointCount() + (values == c.startTimes() ? 1 : 0));
}

TEST(EnvDataTest, SetDurationMovesLaterPoints) {
    MyEnvData c("Osc1", 8);
    c.setDuration(1, 100.0f);
    EXPECT_EQ(used(c, c.startTimes()), (std::vector<float>{0, 300, 400, 700, 1000, 1300}));
    c.setDuration(0, 1e30f);
    EXPECT_EQ(c.durations()[0], MyEnvData::kMaxDurationMs);
}

TEST(EnvDataTest, EditsOfBadPointsOrValuesChangeNothing) {
    MyEnvData c("Osc1", 8);
    c.setCurveFromHandle(1, 0.9f);
    c.setLevel(2, 0.5f);  // a flat segment from point 1 to 2
    const CurveFields before = fieldsOf(c);
    c.setDuration(1, kNaN);
    c.setDuration(1, kInf);
    c.setDuration(-1, 10.0f);
    c.setDuration(5, 10.0f);  // beyond the points in use
    c.setLevel(1, kNaN);
    c.setLevel(9, 0.5f);
    c.setLevel(5, 0.5f);  // beyond the points in use
    c.setCurveFromHandle(2, 0.2f);
    c.setCurveFromHandle(1, kNaN);
    c.setCurveFromHandle(5, 0.2f);
    EXPECT_FALSE(c.insertPoint(-0.5f, 0.5f));
    EXPECT_FALSE(c.insertPoint(kNaN, 0.5f));
    EXPECT_FALSE(c.insertPoint(100.0f, kNaN));
    EXPECT_FALSE(c.insertPoint(1500.0f + MyEnvData::kMaxDurationMs * 2.0f, 0.0f));
    EXPECT_EQ(fieldsOf(c), before);
    c.setLevel(2, -1e30f);
    EXPECT_EQ(c.levels()[2], -MyEnvData::kMaxLevel);
    EXPECT_EQ(c.curves()[1], before.curves[1]) << "a level leaves the bend alone";
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(c.insertPoint(50.0f, 0.5f));
    const CurveFields full = fieldsOf(c);
    EXPECT_FALSE(c.insertPoint(50.0f, 0.5f));
    EXPECT_EQ(fieldsOf(c), full);
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
        EXPECT_EQ(used(c, c.durations()), t.durations);
        EXPECT_EQ(used(c, c.levels()), t.levels);
        std::vector<float> starts{0.0f};
        for (float d : t.durations)
            starts.push_back(starts.back() + d);
        EXPECT_EQ(used(c, c.startTimes()), starts);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(c.curves()[i], i == t.bent ? k0 : 1.0f) << i;
            EXPECT_EQ(c.curveNorms()[i], i == t.bent ? norm0 : 1.0f) << i;
        }
        EXPECT_EQ(c.loopStart(), t.loopStart);
        EXPECT_EQ(c.loopLength(), t.loopLength);
    }
}

TEST(EnvDataTest, RemoveGivesTheDurationToTheNextPointAndKeepsALoop) {
    MyEnvData c("Osc1", 8);
    c.setDuration(2, 300.7f);
    ASSERT_TRUE(c.removePoint(2));
    EXPECT_EQ(used(c, c.durations()), (std::vector<float>{300, 300, 600, 300}));
    EXPECT_EQ(used(c, c.levels()), (std::vector<float>{1.0f, 0.5f, 0.15f, 0.0f}));
    EXPECT_EQ(used(c, c.startTimes()), (std::vector<float>{0, 300, 600, 1200, 1500}));

    struct Case {
        int loopStart, loopLength, removed, keptStart, keptLength;
    };
    for (const Case& t : {Case{1, 2, 2, 1, 1}, Case{3, 1, 1, 2, 1}, Case{1, 2, 0, 1, 1},
                          Case{1, 1, 1, 1, 1}, Case{4, 1, 4, 3, 1}}) {
        MyEnvData d("Osc1", 8);
        ASSERT_TRUE(d.setLoop(t.loopStart, t.loopLength));
        ASSERT_TRUE(d.removePoint(t.removed));
        EXPECT_EQ(d.loopStart(), t.keptStart)
            << t.loopStart << "+" << t.loopLength << " " << t.removed;
        EXPECT_EQ(d.loopLength(), t.keptLength) << t.loopStart << "+" << t.loopLength;
    }
    // Down to no points at all, and an empty curve takes new points and a loop again.
    while (c.pointCount() > 0)
        ASSERT_TRUE(c.removePoint(c.pointCount() - 1));
    EXPECT_EQ(c.loopLength(), 0);
    EXPECT_FALSE(c.removePoint(0));
    ASSERT_TRUE(c.insertPoint(200.0f, 0.9f));
    EXPECT_EQ(used(c, c.levels()), std::vector<float>{0.0f});
    EXPECT_EQ(used(c, c.durations()), std::vector<float>{200.0f});
    EXPECT_EQ(c.loopStart(), 0);
    EXPECT_EQ(c.loopLength(), 1);
    for (auto [start, length] : {std::pair{0, 2}, {-1, 1}, {1, 0x7fffffff}})
        EXPECT_FALSE(c.setLoop(start, length)) << start << " " << length;
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

TEST_F(EnvDataReadTest, PointCountAndLoopBounds) {
    // Point count, loop start, loop length, accepted.
    for (auto [count, start, length, accepted] :
         std::vector<std::tuple<int, int, int, bool>>{{9, 1, 2, false},
                                                      {-1, 0, 0, false},
                                                      {5, 4, 2, false},
                                                      {5, -1, 2, false},
                                                      {5, 2, 0, false},
                                                      {5, 1, 0x7fffffff, false},
                                                      {0, 0, 1, false},
                                                      {8, 7, 1, true},
                                                      {5, 0, 5, true},
                                                      {0, 0, 0, true}}) {
        CurveFields f = good;
        f.pointCount = count;
        f.loopStart = start;
        f.loopLength = length;
        SCOPED_TRACE(::testing::Message() << count << " " << start << " " << length);
        if (accepted) {
            EXPECT_TRUE(readFields(record, f));
            EXPECT_EQ(fieldsOf(record), f);
        } else {
            expectRejected(f);
        }
    }
    const auto bytes = test::bytesOf(good);
    ByteReader r(bytes.data(), bytes.size() - 1);
    EXPECT_FALSE(record.read(r, 2));
    EXPECT_TRUE(r.underflowed());
}

TEST_F(EnvDataReadTest, ValuesThatAreNotNumbersOrOutOfBounds) {
    using Damage = std::function<void(CurveFields&)>;
    std::vector<Damage> damage = {
        [](CurveFields& f) { f.durations[2] = MyEnvData::kMaxDurationMs * 1.5f; },
        [](CurveFields& f) { f.levels[1] = 1e30f; },
        [](CurveFields& f) { f.setCurve(1, 0.0f); },  // norm infinite
        [](CurveFields& f) { f.setCurve(1, 0.001f); },
        [](CurveFields& f) { f.setCurve(1, 126.0f); },
        [](CurveFields& f) { f.curveNorms[1] = 0.5f; },  // does not belong to k = 1
        [](CurveFields& f) { f.startTimes[3] = 1e20f; },
    };
    for (float bad : {kNaN, kInf, -kInf}) {
        for (std::size_t slot : {0u, 7u}) {  // in use and beyond the points in use
            for (auto array : {&CurveFields::durations, &CurveFields::levels, &CurveFields::curves,
                               &CurveFields::startTimes, &CurveFields::curveNorms}) {
                damage.push_back([=](CurveFields& f) { (f.*array)[slot] = bad; });
            }
        }
        damage.push_back([=](CurveFields& f) { f.startTimes[8] = bad; });
    }
    for (std::size_t i = 0; i < damage.size(); ++i) {
        SCOPED_TRACE(i);
        CurveFields f = good;
        damage[i](f);
        expectRejected(f);
    }
    // The bends the curve handle can make are all accepted.
    CurveFields f = good;
    f.setCurve(1, 119.95f);
    f.setCurve(2, -59.98f);
    f.setCurve(3, 0.02f);
    f.setCurve(4, -0.02f);
    EXPECT_TRUE(readFields(record, f));
}

}  // namespace
}  // namespace sorvella
