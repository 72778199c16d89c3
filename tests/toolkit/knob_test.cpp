#include <gtest/gtest.h>

#include "tests/toolkit/toolkit_harness.h"
#include "toolkit/inertial_anim_knob.h"
#include "toolkit/knob.h"

namespace sorvella {
namespace {

using test::HeadlessFixture;

constexpr CRect kKnobRect(100, 50, 140, 90);  // centre 120, 70
constexpr CPoint kCentre(120, 70);

struct TrackCase {
    const char* name;
    CKnobMode mode;
    int32_t buttons;
    float max;
    std::vector<CPoint> path;  // pressed at the first point, let go at the last
    float expected;
};

class KnobTracking : public ::testing::TestWithParam<TrackCase> {};

TEST_P(KnobTracking, EndsOnTheValueThePointerLeavesIt) {
    const TrackCase& c = GetParam();
    HeadlessFixture fixture;
    setKnobMode(c.mode);
    auto* knob = new CKnob(kKnobRect, &fixture.listener, 7);
    knob->setMax(c.max);
    fixture.frame->addView(knob);
    std::vector<CPointerState> script;
    for (const CPoint& point : c.path)
        script.push_back({point, c.buttons, true});
    script.push_back({c.path.back(), 0, true});
    fixture.run(script);
    EXPECT_NEAR(knob->getValue(), c.expected, 1e-5f) << c.name;
    EXPECT_TRUE(fixture.listener.editsPaired());
    EXPECT_EQ(fixture.listener.edits.size(), 2u);
    setKnobMode(kLinearMode);
}

const CPoint up50(120, 20);
INSTANTIATE_TEST_SUITE_P(
    Cases, KnobTracking,
    ::testing::Values(
        // Linear: 200 pixels up or right cover the range, 300 with Shift.
        TrackCase{"up50", kLinearMode, kLButton, 1.0f, {kCentre, {120, 45}, up50}, 0.25f},
        TrackCase{"right40", kLinearMode, kLButton, 1.0f, {kCentre, {160, 70}}, 0.2f},
        TrackCase{"fine", kLinearMode, kLButton | kShift, 1.0f, {kCentre, {120, -80}}, 0.5f},
        TrackCase{"range0to10", kLinearMode, kLButton, 10.0f, {kCentre, {120, -30}}, 5.0f},
        TrackCase{"pastTheTop", kLinearMode, kLButton, 1.0f, {kCentre, {120, -400}}, 1.0f},
        TrackCase{"altCircular", kLinearMode, kLButton | kAlt, 1.0f, {kCentre, up50}, 0.5f},
        // Circular: the 270-degree arc from the lower left (min) over the top to the lower right.
        TrackCase{"straightUp", kCircularMode, kLButton, 1.0f, {kCentre, {120, 30}}, 0.5f},
        TrackCase{"left", kCircularMode, kLButton, 1.0f, {kCentre, {80, 70}}, 1.0f / 6.0f},
        TrackCase{
            "right", kCircularMode, kLButton, 1.0f, {kCentre, {120, 30}, {160, 70}}, 5.0f / 6.0f},
        // A change of more than half the range between two polls keeps the value where it was.
        TrackCase{"farAtOnce", kCircularMode, kLButton, 1.0f, {kCentre, {160, 70}}, 0.0f},
        TrackCase{"acrossTheGap",
                  kCircularMode,
                  kLButton,
                  1.0f,
                  {kCentre, {120, 30}, {160, 70}, {141, 91}, {120, 110}, {99, 91}, {90, 95}},
                  1.0f},
        TrackCase{"altLinear", kCircularMode, kLButton | kAlt, 1.0f, {kCentre, up50}, 0.25f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Knob, ShiftDuringADragRebasesInsteadOfJumping) {
    HeadlessFixture fixture;
    setKnobMode(kLinearMode);
    auto* knob = new CKnob(kKnobRect, &fixture.listener, 1);
    fixture.frame->addView(knob);
    // 40 pixels plain (0.2), then 60 more with Shift (0.2): 0.4, not the 100/300 a jump gives.
    fixture.run({{kCentre, kLButton, true},
                 {{120, 30}, kLButton, true},
                 {{120, 30}, kLButton | kShift, true},
                 {{120, -30}, kLButton | kShift, true},
                 {{120, -30}, 0, true}});
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5f);
}

TEST(AnimKnob, AtScaleTwoDrawsTheFineFilmAndTracksInFrameUnits) {
    HeadlessFixture fixture(150, 100, 2.0);
    EXPECT_EQ(cairo_image_surface_get_width(fixture.frame->backing()), 300);
    CBitmap* film = test::makeFilm(81, 20, 10, 2.0);
    EXPECT_EQ(film->getHeight(), 810);  // in units: layouts divide it as at scale 1
    auto* knob = new CAnimKnob({10, 10, 30, 20}, &fixture.listener, 0, 81, 10, film);
    film->forget();
    fixture.frame->addView(knob);
    // Pointer positions are the window's pixels: 40 pixels up are 20 units, a tenth of the range.
    fixture.run({{{40, 30}, kLButton, true}, {{40, -10}, kLButton, true}, {{40, -10}, 0, true}});
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-6f);
    fixture.frame->idle();
    EXPECT_EQ(test::redAt(*fixture.frame, {59, 39}), 8);  // frame trunc(0.1 * 80)
}

// Consecutive distinct values reported to the instrument's side.
std::vector<float> glide(const std::vector<float>& values) {
    std::vector<float> out;
    for (float v : values) {
        if (out.empty() || out.back() != v) out.push_back(v);
    }
    return out;
}

TEST(InertialKnob, ReleaseCompletesTheGlideAndCtrlClickGlidesToTheDefault) {
    HeadlessFixture fixture;
    setKnobMode(kLinearMode);
    auto* knob = new CInertialAnimKnob(kKnobRect, &fixture.listener, 3, 81, 40, nullptr);
    knob->setInertia(1);  // 8 steps
    knob->setDefaultValue(0.7f);
    fixture.frame->addView(knob);
    fixture.run({{kCentre, kLButton | kControl, true}, {kCentre, 0, true}});
    std::vector<float> steps = glide(fixture.listener.values());
    ASSERT_EQ(steps.size(), 9u);
    EXPECT_NEAR(steps[4], 0.35f, 1e-5f);
    EXPECT_EQ(steps.back(), 0.7f);

    // A change from the instrument's side with no glide running moves the knob at once.
    knob->setValue(0.2f);
    EXPECT_EQ(knob->getValue(), 0.2f);
    fixture.listener.reports.clear();
    // Let go two passes into an 8-step glide: the rest runs at once, ending on the target.
    fixture.run({{kCentre, kLButton, true}, {{120, 30}, kLButton, true}, {{120, 30}, 0, true}});
    steps = glide(fixture.listener.values());
    EXPECT_EQ(steps.size(), 9u);
    EXPECT_NEAR(steps.back(), 0.4f, 1e-6f);
    EXPECT_EQ(fixture.listener.edits.size(), 4u);
    EXPECT_TRUE(fixture.listener.editsPaired());
}

}  // namespace
}  // namespace sorvella
