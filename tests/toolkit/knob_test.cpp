// Knobs: strip images by value, the handle's place, linear and circular
// drags through a scripted pointer, wheel and keys.
#include "toolkit/CBitmap.h"
#include "toolkit/CKnob.h"
#include "TestFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace VSTGUI;
using testing_toolkit::Script;
using testing_toolkit::StubFrame;

namespace {

using testing_toolkit::Listener;

// A 40 × 40 knob in a frame whose knob mode the test chooses.
struct KnobRig {
    explicit KnobRig(std::int32_t mode)
    {
        frame.mode = mode;
        root.addView(&knob);
        knob.setDirty(false);
    }
    ~KnobRig() { root.removeView(&knob, false); }

    // Clicks at `click` with `buttons`, then follows the script.
    void drag(CPoint click, std::int32_t buttons, std::vector<std::pair<std::int32_t, CPoint>> steps)
    {
        Script pointer;
        pointer.steps = std::move(steps);
        COffscreenContext context(nullptr, 1, 1, kBlackCColor, &pointer);
        knob.mouse(&context, click, buttons);
    }

    StubFrame frame;
    CViewContainer root{{0, 0, 100, 100}, &frame};
    Listener listener;
    CKnob knob{{0, 0, 40, 40}, &listener, 3, nullptr, nullptr};
};

// A point at `degrees` (0 right, 90 up) and 15 pixels from the knob's centre.
CPoint atAngle(double degrees)
{
    const double a = degrees * M_PI / 180.0;
    return {static_cast<int>(std::lround(20 + 15 * std::cos(a))), static_cast<int>(std::lround(20 - 15 * std::sin(a)))};
}

}  // namespace

TEST(CAnimKnob, StripImageIsFloorOfValueTimesLastIndex)
{
    CBitmap strip(120);
    CAnimKnob knob({0, 0, 48, 6}, nullptr, 0, 31, 6, &strip);  // 31 images of 6 rows
    const auto image = [&](float value) {
        knob.setValue(value);
        return testing_toolkit::shownRow(knob) / 6;
    };
    EXPECT_EQ(image(0.0f), 0);
    EXPECT_EQ(image(0.5f), 15);
    EXPECT_EQ(image(0.99f), 29);
    EXPECT_EQ(image(1.0f), 30);
    // Values a host may send outside 0 … 1 stay within the strip.
    EXPECT_EQ(image(-0.25f), 0);
    EXPECT_EQ(image(7.0f), 30);
    knob.setInverseStrip(true);
    EXPECT_EQ(image(0.0f), 30);
    EXPECT_EQ(image(1.0f), 0);
}

TEST(CAnimKnob, DirtyOnlyWhenTheHandleWouldMove)
{
    CBitmap strip(120);
    CAnimKnob knob({0, 0, 48, 6}, nullptr, 0, 31, 6, &strip);
    EXPECT_TRUE(knob.isDirty());  // never drawn
    knob.setValue(0.5f);
    testing_toolkit::shownRow(knob);
    EXPECT_FALSE(knob.isDirty());
    knob.setValue(0.5001f);  // the same handle pixel
    EXPECT_FALSE(knob.isDirty());
    knob.setValue(0.6f);
    EXPECT_TRUE(knob.isDirty());
    knob.setValue(0.5f);
    knob.setDirty();
    EXPECT_TRUE(knob.isDirty());
}

TEST(CKnob, HandleSweepsFromLowerLeftOverTheTopToLowerRight)
{
    CKnob knob({0, 0, 40, 40}, nullptr, 0, nullptr, nullptr);  // radius 20, inset 3
    EXPECT_EQ(knob.handlePoint(0.5f), (CPoint{20, 3}));
    EXPECT_EQ(knob.handlePoint(0.0f), (CPoint{8, 32}));   // 225°
    EXPECT_EQ(knob.handlePoint(1.0f), (CPoint{32, 32}));  // −45°
    EXPECT_NEAR(knob.valueAtPoint({20, 0}), 0.5f, 1e-6f);
    EXPECT_NEAR(knob.valueAtPoint({0, 20}), 1.0f / 6.0f, 1e-6f);  // 180°: 45° of 270°
    EXPECT_NEAR(knob.valueAtPoint({40, 20}), 5.0f / 6.0f, 1e-6f);
    // In the bottom gap: the nearer end.
    EXPECT_EQ(knob.valueAtPoint(atAngle(260)), 0.0f);
    EXPECT_EQ(knob.valueAtPoint(atAngle(280)), 1.0f);

    // Drawn without a handle bitmap: a grey line from the centre, white one pixel up and right.
    knob.setValue(0.5f);
    COffscreenContext context(nullptr, 40, 40, kBlackCColor);
    knob.draw(&context);
    EXPECT_EQ(context.image().pixel(20, 10), 0xFF7F7F7Fu);
    EXPECT_EQ(context.image().pixel(21, 10), 0xFFFFFFFFu);
    EXPECT_EQ(context.image().pixel(22, 10), 0xFF000000u);
    EXPECT_EQ(context.image().pixel(20, 3), 0xFF000000u);  // the end point itself is not drawn
    EXPECT_FALSE(knob.isDirty());
}

TEST(CKnob, LinearDragHalfRangePer100PixelsAndAThirdWithShift)
{
    KnobRig rig(FrameServices::kLinearMode);
    rig.drag({20, 200}, kLButton, {{kLButton, {20, 100}}, {0, {20, 100}}});
    EXPECT_FLOAT_EQ(rig.knob.getValue(), 0.5f);
    EXPECT_EQ(rig.listener.values, (std::vector<float>{0.5f}));  // only the moved position
    EXPECT_EQ(rig.frame.edits, 0);
    EXPECT_GT(rig.frame.idles, 0);

    rig.knob.setValue(0.0f);
    rig.drag({20, 150}, kLButton | kShift, {{kLButton | kShift, {20, 50}}, {0, {20, 50}}});
    EXPECT_FLOAT_EQ(rig.knob.getValue(), 1.0f / 3.0f);

    // Right counts like up, left like down; the value stays in range.
    rig.knob.setValue(0.5f);
    rig.drag({0, 0}, kLButton, {{kLButton, {60, 0}}, {kLButton, {500, 0}}, {0, {500, 0}}});
    EXPECT_FLOAT_EQ(rig.knob.getValue(), 1.0f);
}

TEST(CKnob, ShiftDuringALinearDragChangesTheScaleWithoutAJump)
{
    KnobRig rig(FrameServices::kLinearMode);
    rig.drag({20, 100}, kLButton,
             {{kLButton, {20, 50}}, {kLButton | kShift, {20, 50}}, {kLButton | kShift, {20, 20}}, {0, {20, 20}}});
    // 50 pixels at 1/200, then 30 at 1/300.
    EXPECT_NEAR(rig.knob.getValue(), 0.25f + 0.1f, 1e-6f);
    ASSERT_EQ(rig.listener.values.size(), 2u);
    EXPECT_FLOAT_EQ(rig.listener.values[0], 0.25f);
}

TEST(CKnob, CircularDragFollowsTheAngleAndPinsAcrossTheGap)
{
    KnobRig rig(0);
    rig.drag(atAngle(90), kLButton, {{0, atAngle(90)}});
    EXPECT_FLOAT_EQ(rig.knob.getValue(), 0.5f);  // the click sets the clicked angle

    // From the maximum side through the bottom gap to the lower left: stays at the maximum.
    rig.drag(atAngle(-30), kLButton,
             {{kLButton, atAngle(-70)}, {kLButton, atAngle(-110)}, {kLButton, atAngle(210)}, {0, atAngle(210)}});
    EXPECT_EQ(rig.knob.getValue(), 1.0f);

    // Alt in circular mode drags linearly: 40 pixels up adds 0.2.
    rig.knob.setValue(0.5f);
    rig.drag({20, 20}, kLButton | kAlt, {{kLButton | kAlt, {20, -20}}, {0, {20, -20}}});
    EXPECT_FLOAT_EQ(rig.knob.getValue(), 0.7f);
}

TEST(CKnob, AltMakesALinearModeDragCircularAndControlClickResets)
{
    KnobRig rig(FrameServices::kLinearMode);
    rig.drag(atAngle(180), kLButton | kAlt, {{0, atAngle(180)}});
    EXPECT_NEAR(rig.knob.getValue(), 1.0f / 6.0f, 1e-3f);
    rig.drag({30, 30}, kLButton | kControl, {});
    EXPECT_EQ(rig.knob.getValue(), 0.5f);
    EXPECT_EQ(rig.frame.edits, 0);
}

TEST(CKnob, WheelAndKeysStepByTheWheelStep)
{
    KnobRig rig(FrameServices::kLinearMode);
    rig.knob.setValue(0.5f);
    rig.knob.setDirty(false);
    Script none, shift;
    shift.steps = {{kShift, {}}};
    COffscreenContext plain(nullptr, 1, 1, kBlackCColor, &none), fine(nullptr, 1, 1, kBlackCColor, &shift);

    EXPECT_TRUE(rig.knob.onWheel(&plain, {20, 20}, 1.0f));
    EXPECT_NEAR(rig.knob.getValue(), 0.6f, 1e-6f);
    EXPECT_TRUE(rig.knob.onWheel(&fine, {20, 20}, -2.0f));
    EXPECT_NEAR(rig.knob.getValue(), 0.58f, 1e-6f);
    EXPECT_EQ(rig.listener.values.size(), 2u);
    EXPECT_EQ(rig.frame.edits, 0);

    rig.knob.onWheel(&plain, {20, 20}, 10.0f);
    EXPECT_EQ(rig.knob.getValue(), 1.0f);
    rig.knob.setDirty(false);
    rig.listener.values.clear();
    rig.knob.onWheel(&plain, {20, 20}, 1.0f);  // at the end: nothing changes, nothing is sent
    EXPECT_TRUE(rig.listener.values.empty());

    KeyCode down{0, VirtualKey::down, 0}, right{0, VirtualKey::right, kShift}, letter{'a', VirtualKey::none, 0};
    EXPECT_EQ(rig.knob.onKeyDown(down), 1);
    EXPECT_NEAR(rig.knob.getValue(), 0.9f, 1e-6f);
    EXPECT_EQ(rig.knob.onKeyDown(right), 1);
    EXPECT_NEAR(rig.knob.getValue(), 0.91f, 1e-6f);
    EXPECT_EQ(rig.knob.onKeyDown(letter), -1);
    EXPECT_EQ(rig.listener.values.size(), 2u);
}
