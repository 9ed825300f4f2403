// The editor's strip controls: images by value with their float rounding,
// stepping and wrapping, slider positions at the edges, clamped drawing.
#include "editor/AnimatedControls.h"
#include "toolkit/CBitmap.h"
#include "../toolkit/TestFrame.h"

#include <gtest/gtest.h>

#include <vector>

using namespace VSTGUI;
using testing_toolkit::Script;
using testing_toolkit::shownRow;

namespace {

using testing_toolkit::Listener;

// A press that is still held when the control looks, released after one position.
void press(CControl& control, std::int32_t buttons, CPoint where = {5, 5})
{
    Script pointer;
    pointer.steps = {{buttons, where}, {0, where}};
    pointer.step = 1;  // the buttons as held now
    COffscreenContext context(nullptr, 1, 1, kBlackCColor, &pointer);
    control.mouse(&context, where, buttons);
}

}  // namespace

TEST(CAnimMovieButton, ThirteenImagesSteppedTwelveTimesShowTheLastThenWrap)
{
    CBitmap strip(120);
    Listener listener;
    CAnimMovieButton button({0, 0, 48, 14}, &listener, 5, 13, 14, &strip);
    for (int i = 0; i < 12; ++i)
        press(button, kLButton);
    EXPECT_EQ(button.getValue(), 0.99999988f);
    EXPECT_EQ(shownRow(button), 12 * 14);
    press(button, kLButton);
    EXPECT_EQ(button.getValue(), 0.0f);
    EXPECT_EQ(listener.values.size(), 13u);
    EXPECT_TRUE(button.isKindOf("CAnimMovieButton") && button.isKindOf("CMovieButton"));
}

TEST(CAnimMovieButton, StepsBothWaysWithAsymmetricWraps)
{
    CBitmap strip(120);
    CAnimMovieButton button({0, 0, 48, 47}, nullptr, 5, 4, 47, &strip);
    std::vector<float> seen;
    for (int i = 0; i < 4; ++i) {
        press(button, kLButton);
        seen.push_back(button.getValue());
    }
    EXPECT_EQ(seen, (std::vector<float>{0.33333334f, 0.6666667f, 1.0f, 0.0f}));
    seen.clear();
    button.setValue(1.0f);
    for (int i = 0; i < 4; ++i) {
        press(button, kRButton);
        seen.push_back(button.getValue());
    }
    EXPECT_EQ(seen[2], -0x1p-24f);  // not below −1/24: kept, and drawn as image 0
    EXPECT_EQ(seen[3], 1.0f);
    button.setValue(seen[2]);
    EXPECT_EQ(shownRow(button), 0);

    // A host's 0.5 shows the row nearest to 70.5: a cut through images 1 and 2.
    button.setValue(0.5f);
    EXPECT_EQ(shownRow(button), 71);
    // Out of range: clamped for drawing.
    button.setValue(3.0f);
    EXPECT_EQ(shownRow(button), 3 * 47);
    // A click outside leaves the value.
    button.setValue(0.0f);
    press(button, kLButton, {100, 100});
    EXPECT_EQ(button.getValue(), 0.0f);
}

TEST(CAnimMovieButton, APressReleasedBeforeItIsSeenNotifiesTheOldValueOnce)
{
    CBitmap strip(120);
    Listener listener;
    CAnimMovieButton button({0, 0, 48, 47}, &listener, 5, 2, 47, &strip);
    Script released;
    COffscreenContext context(nullptr, 1, 1, kBlackCColor, &released);
    CPoint where{5, 5};
    button.mouse(&context, where, kLButton);
    EXPECT_EQ(button.getValue(), 0.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.0f}));
    // Two images toggle with either button.
    press(button, kRButton);
    EXPECT_EQ(button.getValue(), 1.0f);
    press(button, kLButton);
    EXPECT_EQ(button.getValue(), 0.0f);
}

TEST(CAnimVerticalSlider, InverseTopIsOneBottomIsZero)
{
    CBitmap strip(120);
    Listener listener;
    // 31 positions over 80 pixels, top at 75.
    CAnimVerticalSlider slider({0, 75, 48, 155}, &listener, 9, 31, 80, 31, &strip, {}, true);
    const auto pressAt = [&](int y) {
        press(slider, kLButton, {10, y});
        return slider.getValue();
    };
    EXPECT_EQ(pressAt(75), 1.0f);
    EXPECT_EQ(pressAt(115), 0.5f);
    EXPECT_EQ(pressAt(154), 0.0f);
    EXPECT_EQ(pressAt(40), 1.0f);   // above the top
    EXPECT_EQ(pressAt(300), 0.0f);  // below the bottom
    slider.setValue(0.5f);
    press(slider, kLButton | kControl);
    EXPECT_EQ(slider.getValue(), 0.0f);  // the switch default, not the middle
    EXPECT_FALSE(slider.isKindOf("CAnimVerticalSlider"));
    EXPECT_TRUE(slider.isKindOf("CVerticalSwitch"));
}

TEST(CAnimHorizontalSlider, PositionsFromTheStripWidthAndImagesRunBackwards)
{
    CBitmap strip(121);  // 80 wide
    CAnimHorizontalSlider slider({363, 0, 443, 6}, nullptr, 9, 31, 6, 31, &strip, {}, false);
    press(slider, kLButton, {363, 3});
    EXPECT_EQ(slider.getValue(), 0.0f);
    EXPECT_EQ(shownRow(slider) / 6, 30);
    press(slider, kLButton, {442, 3});
    EXPECT_EQ(slider.getValue(), 1.0f);
    EXPECT_EQ(shownRow(slider) / 6, 0);
    slider.setValue(-2.0f);
    EXPECT_EQ(shownRow(slider) / 6, 30);
}

// Held still after a change, a slider sends the same value on every pass
// until a redraw marks it clean.
TEST(CAnimVerticalSlider, HeldStillItSendsUntilRedrawn)
{
    CBitmap strip(120);
    Listener listener;
    CAnimVerticalSlider slider({0, 0, 48, 80}, &listener, 9, 31, 80, 31, &strip, {}, true);
    Script pointer;
    pointer.steps = {{kLButton, {10, 40}}, {kLButton, {10, 40}}, {0, {10, 40}}};
    COffscreenContext context(nullptr, 1, 1, kBlackCColor, &pointer);
    CPoint where{10, 40};
    slider.mouse(&context, where, kLButton);
    EXPECT_EQ(listener.values.size(), 3u);
    EXPECT_EQ(listener.values.front(), listener.values.back());
}
