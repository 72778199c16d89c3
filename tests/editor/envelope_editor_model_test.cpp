#include "editor/envelope_editor_model.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "core/my_vsti.h"
#include "support/test_host.h"

namespace sorvella {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

PixelPoint centreOf(const PixelRect& r) {
    return {r.left + r.width / 2, r.top + r.height / 2};
}

// The editor at its size on the main page (530 x 145) over an instrument's default curves: points
// at 300, 600, 900, 1200 and 1500 ms with levels 1.0, 0.5, 0.35, 0.15 and 0, loop of points 1
// and 2.
class EnvelopeEditor : public ::testing::Test {
  protected:
    std::unique_ptr<MyVsti> vsti = testing::makeInstrument();
    EnvelopeEditorModel model{*vsti, 530, 145};

    const MyEnvData& sounding(std::int32_t c) {
        return static_cast<const MyEnvData&>(vsti->metaParameter(c));
    }
    void drag(PixelPoint from, PixelPoint to) {
        model.pressLeft(from);
        model.dragTo(to);
        model.release();
    }
    std::vector<float> startTimes(std::int32_t c) {
        const MyEnvData& e = sounding(c);
        return {e.startTimes(), e.startTimes() + e.pointCount() + 1};
    }
};

TEST_F(EnvelopeEditor, ZoomAndScrollStayWithinTheirLimits) {
    for (float bad : {kNaN, kInf, -kInf, 0.0f, 0.49f, 4.01f, -2.0f}) {
        EXPECT_FALSE(model.setZoom(bad)) << bad;
        EXPECT_EQ(model.zoom(), 2.0f);
    }
    EXPECT_TRUE(model.setZoom(0.5f));
    EXPECT_TRUE(model.setZoom(4.0f));
    struct Scroll {
        float in;
        float kept;
    };
    for (Scroll s : {Scroll{kNaN, 0.0f}, Scroll{-5.0f, 0.0f}, Scroll{250.0f, 250.0f},
                     Scroll{kInf, EnvelopeEditorModel::kMaxOffsetMs},
                     Scroll{1e12f, EnvelopeEditorModel::kMaxOffsetMs}}) {
        model.setOffset(s.in);
        EXPECT_EQ(model.offset(), s.kept) << s.in;
    }
    // A chunk saved without an editor carries 0, 0: the zoom stays, the scroll goes to 0.
    model.setViewBlock(0.0f, 0.0f);
    EXPECT_EQ(model.zoom(), 4.0f);
    EXPECT_EQ(model.offset(), 0.0f);
}

TEST_F(EnvelopeEditor, DraggedPointsAndBendsReachTheInstrument) {
    // Point 1 dragged left past point 0 stops on it; the later points move with it.
    drag(centreOf(model.pointHandle(1)), {169 - 200, 60});
    EXPECT_EQ(startTimes(0), (std::vector<float>{0, 300, 300, 600, 900, 1200}));
    // Raised far above the top, its level stops at 1.0.
    model.pressLeft({89, 60});
    model.dragTo({89, -200});
    model.release();
    EXPECT_EQ(sounding(0).levels()[1], 1.0f);
    // The last point's level cannot be dragged; its time can.
    const PixelPoint last = centreOf(model.pointHandle(4));
    drag(last, {last.x + 53, last.y - 40});
    EXPECT_EQ(sounding(0).levels()[4], 0.0f);
    EXPECT_NEAR(sounding(0).durations()[4], 300.0f + 53.0f * model.msPerPx(), 0.01f);
    // A bend dragged toward a level sets the segment's curve as the record's handle does.
    MyEnvData expected("Osc1", 8);
    expected.assign(sounding(0));
    const PixelPoint handle = centreOf(model.curveHandle(2));
    drag(handle, {handle.x, handle.y + 20});
    expected.setCurveFromHandle(2, model.levelOfY(handle.y + 20));
    EXPECT_NE(sounding(0).curves()[2], 1.0f);
    EXPECT_EQ(sounding(0).curves()[2], expected.curves()[2]);
    EXPECT_EQ(sounding(0).curveNorms()[2], expected.curveNorms()[2]);
}

TEST_F(EnvelopeEditor, LoopMarkersSnapToPointsWithinTheirRules) {
    struct Case {
        bool end;
        std::int32_t toX;  // points at 89, 169, 248, 328, 407; the origin at 10
        std::int32_t loopStart;
        std::int32_t loopLength;
    };
    const Case cases[] = {
        {false, 89, 1, 2},   // onto the point before the loop: no change
        {false, 169, 2, 1},  // after point 1
        {false, 248, 1, 2},  // onto the loop's last point: refused
        {false, 10, 0, 3},   // onto the origin: the loop starts at the beginning
        {true, 328, 1, 3},   // the loop ends on point 3
        {true, 407, 1, 2},   // never on the curve's last point
        {true, 89, 1, 2},    // never before the loop start
        {true, 500, 1, 2},   // no point there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.end ? "end to " : "start to ") << c.toX);
        static_cast<MyEnvData&>(vsti->metaParameter(0)).assign(MyEnvData("Osc1", 8));
        model.pull();
        const PixelRect marker = c.end ? model.loopEndMarker() : model.loopStartMarker();
        ASSERT_EQ(model.hitTest(centreOf(marker)).target,
                  c.end ? EnvelopeTarget::kLoopEnd : EnvelopeTarget::kLoopStart);
        drag(centreOf(marker), {c.toX, centreOf(marker).y});
        EXPECT_EQ(sounding(0).loopStart(), c.loopStart);
        EXPECT_EQ(sounding(0).loopLength(), c.loopLength);
    }
}

TEST_F(EnvelopeEditor, RightClicksRemoveAndInsertPointsOnTheSelectedCurve) {
    EXPECT_FALSE(model.pressRight(centreOf(model.pointHandle(4))));  // the last point stays
    EXPECT_TRUE(model.pressRight(centreOf(model.pointHandle(2))));
    EXPECT_EQ(sounding(0).pointCount(), 4);
    // Above the level axis the point is inserted at level 1.0; below it nothing happens.
    EXPECT_TRUE(model.pressRight({120, 5}));
    EXPECT_EQ(sounding(0).pointCount(), 5);
    EXPECT_EQ(sounding(0).levels()[1], 1.0f);
    EXPECT_FALSE(model.pressRight({120, 130}));
    // A click on the "Noise" tab selects that curve; edits then go to it alone.
    model.pressLeft(centreOf(model.tab(2)));
    model.release();
    EXPECT_EQ(model.selected(), 2);
    EXPECT_TRUE(model.pressRight({450, 40}));  // after the last point: appended at level 0
    EXPECT_EQ(sounding(2).pointCount(), 6);
    EXPECT_EQ(sounding(2).levels()[5], 0.0f);
    EXPECT_EQ(sounding(0).pointCount(), 5);
    EXPECT_EQ(sounding(1).pointCount(), 5);
}

}  // namespace
}  // namespace sorvella
