// Strip controls, drawn from the test strip (resource 120: 48 × 188, four
// images of 47 rows; each row's red is its row number × 255 / 256) and
// driven with a scripted pointer.
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/Controls.h"
#include "TestFrame.h"
#include "toolkit/CListChooser.h"

#include <gtest/gtest.h>

#include <vector>

using namespace VSTGUI;
using testing_toolkit::Script;

namespace {

// The frame's idle service redraws the control, as during a real gesture.
struct RedrawingFrame : testing_toolkit::StubFrame {
    void pumpIdle() override
    {
        if (focus)
            focus->setDirty(false);
    }
};

using testing_toolkit::Listener;

// The strip image a control shows.
int shownImage(CControl& control) { return testing_toolkit::shownRow(control) / 47; }

}  // namespace

TEST(CVerticalSwitch, ShowsAndTakesPositions)
{
    CBitmap strip(120);
    Listener listener;
    CVerticalSwitch control({0, 0, 48, 47}, &listener, 4, 4, 47, 3, &strip);
    control.setValue(0.5f);
    EXPECT_EQ(shownImage(control), 1);
    control.setValue(1.0f);
    EXPECT_EQ(shownImage(control), 2);
    control.setValue(-3.0f);  // as a host may send: the first image, never outside the strip
    EXPECT_EQ(shownImage(control), 0);

    // A click in the lower third, released at once.
    Script pointer;
    pointer.steps = {{0, {10, 40}}};
    COffscreenContext context(nullptr, 48, 47, kBlackCColor, &pointer);
    control.setValue(0.0f);
    control.setDirty(false);
    CPoint where{10, 40};
    control.mouse(&context, where, kLButton);
    EXPECT_EQ(control.getValue(), 1.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f}));

    // Control-click: back to the default, 0.
    EXPECT_TRUE(control.resetOnControlClick(&context, kLButton | kControl));
    EXPECT_EQ(control.getValue(), 0.0f);
}

TEST(CHorizontalSwitch, PositionsFollowTheStripWidth)
{
    CBitmap strip(120);
    CHorizontalSwitch control({100, 0, 148, 47}, nullptr, 1, 4, 47, 4, &strip);
    Script pointer;
    // Each pass reads the next position; a position read with the button up is not taken.
    pointer.steps = {{kLButton, {147, 5}}, {kLButton, {147, 5}}, {0, {147, 5}}};
    COffscreenContext context(nullptr, 4, 4, kBlackCColor, &pointer);
    CPoint where{100 + 13, 5};  // 13 of 48: the second of four positions
    control.mouse(&context, where, kLButton);
    EXPECT_EQ(control.getValue(), 1.0f);  // dragged to the right end
}

TEST(CMovieButton, ClickTogglesOnceAndADragOffTakesItBack)
{
    CBitmap strip(120);
    Listener listener;
    CMovieButton button({0, 0, 48, 47}, &listener, 2, 47, &strip);
    RedrawingFrame frame;
    CViewContainer root({0, 0, 200, 200}, &frame);
    root.addView(&button);
    EXPECT_EQ(shownImage(button), 0);

    Script released;  // no buttons down any more
    COffscreenContext context(nullptr, 4, 4, kBlackCColor, &released);
    CPoint where{5, 5};
    button.mouse(&context, where, kLButton);
    EXPECT_EQ(button.getValue(), 1.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f}));
    EXPECT_EQ(button.buttonState(), 1.0f);
    EXPECT_EQ(shownImage(button), 1);

    Script drag;
    drag.steps = {{kLButton, {100, 100}}, {kLButton, {100, 100}}, {0, {100, 100}}};
    COffscreenContext dragging(nullptr, 4, 4, kBlackCColor, &drag);
    listener.values.clear();
    button.setDirty(false);
    where = {5, 5};
    button.mouse(&dragging, where, kLButton);
    EXPECT_EQ(button.getValue(), 1.0f);  // pressed inside (0), released outside: back to 1
    EXPECT_EQ(listener.values, (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(frame.edits, 0);  // every beginEdit has its endEdit
    root.removeView(&button, false);
}

TEST(CMovieBitmap, ImageByValueClampedToTheStrip)
{
    CBitmap strip(120);
    CMovieBitmap movie({0, 0, 48, 47}, nullptr, 0, 4, 47, &strip);
    movie.setValue(0.5f);
    EXPECT_EQ(shownImage(movie), 2);
    movie.setValue(2.0f);
    EXPECT_EQ(shownImage(movie), 3);
    movie.setValue(-1.0f);
    EXPECT_EQ(shownImage(movie), 0);
    EXPECT_FALSE(movie.isDirty());
    EXPECT_TRUE(movie.isKindOf("CMovieBitmap") && movie.isKindOf("CControl"));
}

// With a modifier held the listener may take the click; other buttons start nothing.
TEST(CVerticalSwitch, ModifierClicksGoToTheListenerFirst)
{
    struct Taking : Listener {
        bool modifierClicked(CDrawContext*, CControl*, std::int32_t buttons) override { return buttons & kShift; }
    } listener;
    CBitmap strip(120);
    CVerticalSwitch control({0, 0, 48, 47}, &listener, 4, 4, 47, 3, &strip);
    CPoint where{10, 40};
    control.mouse(nullptr, where, kLButton | kShift);
    control.mouse(nullptr, where, kRButton);
    EXPECT_EQ(control.getValue(), 0.0f);
    control.mouse(nullptr, where, kLButton | kAlt);  // not taken: the gesture runs
    EXPECT_EQ(control.getValue(), 1.0f);
    control.setMouseEnabled(false);
    CPoint top{10, 1};
    control.mouse(nullptr, top, kLButton);
    EXPECT_EQ(control.getValue(), 1.0f);
}

// The arrows step through the items, round at either end; a click on the
// text opens the list as the frame's modal view, drawn over the area below,
// where a click on an item picks it and one beside the items only closes it.
TEST(CListChooser, StepsOpensPicksAndCloses)
{
    Listener listener;
    const CListChooser::Colours colours{{230, 230, 230, 255}, {50, 50, 50, 255}, {240, 130, 40, 255}, {150, 150, 150, 255}};
    CListChooser chooser({50, 0, 250, 15}, {0, 20, 300, 140}, &listener, 7, {"one", "two", "three", "four"}, colours);
    testing_toolkit::StubFrame frame;
    CViewContainer root({0, 0, 300, 150}, &frame);
    frame.root = &root;
    root.addView(&chooser);
    Script released;
    COffscreenContext context(nullptr, 300, 150, kBlackCColor, &released);
    const auto click = [&](CView& view, CPoint where) { view.onMouseDown(&context, where, kLButton); };

    click(chooser, {55, 7});  // back from the first: the last
    click(chooser, {245, 7});  // forward from the last: the first
    click(chooser, {245, 7});
    EXPECT_EQ(listener.values, (std::vector<float>{3.0f, 0.0f, 1.0f}));
    EXPECT_EQ(frame.edits, 0);

    click(chooser, {150, 7});
    ASSERT_TRUE(chooser.isOpen());
    ASSERT_NE(frame.modalView, nullptr);
    CView& list = *frame.modalView;
    root.draw(&context);
    const CRect third = chooser.itemRect(2);
    bool text = false;  // some pixel of the item's text differs from the list's background
    for (std::int32_t x = third.left; x < third.right; ++x)
        text = text || context.image().pixel(x, (third.top + third.bottom) / 2) != context.image().pixel(third.left, third.top);
    EXPECT_TRUE(text);
    click(list, {(third.left + third.right) / 2, (third.top + third.bottom) / 2});
    EXPECT_FALSE(chooser.isOpen());
    EXPECT_EQ(frame.modalView, nullptr);
    EXPECT_EQ(chooser.index(), 2);
    EXPECT_EQ(listener.values.back(), 2.0f);

    click(chooser, {150, 7});
    ASSERT_TRUE(chooser.isOpen());
    click(*frame.modalView, {299, 139});  // beside the items
    EXPECT_FALSE(chooser.isOpen());
    EXPECT_EQ(listener.values.size(), 4u);
    root.removeView(&chooser, false);
}
