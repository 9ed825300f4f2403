// The text display: text from the formatters, background, frame and 3D
// edges, the text's clipping, and the no-drawing style.
#include "toolkit/CParamDisplay.h"
#include "toolkit/CDrawContext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace VSTGUI;

namespace {

std::string textOf(const CParamDisplay& display, float value)
{
    char text[256];
    display.formatText(value, text);
    return text;
}

constexpr std::uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;

std::uint32_t red(std::uint32_t pixel) { return (pixel >> 16) & 0xFF; }

}  // namespace

TEST(CParamDisplay, TextFromTheFormattersOrTwoDecimals)
{
    CParamDisplay display({0, 0, 60, 16});
    EXPECT_EQ(textOf(display, 0.5f), "0.50");
    EXPECT_EQ(textOf(display, -12.345f), "-12.35");
    display.setPlainFormatter([](float value, char* text) { std::snprintf(text, 256, "%d %%", int(value * 100)); });
    EXPECT_EQ(textOf(display, 0.5f), "50 %");
    static int tag = 7;
    display.setValueFormatter([](float, char* text, void* user) { std::snprintf(text, 256, "#%d", *(int*)user); },
                              &tag);
    EXPECT_EQ(textOf(display, 0.5f), "#7");  // the one with user data wins
    // A formatter that writes the whole buffer is cut at 255 characters.
    display.setValueFormatter([](float, char* text, void*) { std::memset(text, 'x', 256); });
    EXPECT_EQ(textOf(display, 0.0f).size(), 255u);
}

TEST(CParamDisplay, BackgroundFrameAnd3DEdges)
{
    CParamDisplay display({2, 2, 30, 20});
    display.setValueFormatter([](float, char* text, void*) { text[0] = 0; });
    display.setBackColor(kBlueCColor);
    display.setFrameColor(kRedCColor);
    const auto drawn = [&](std::int32_t style) {
        display.setStyle(style);
        auto context = std::make_unique<COffscreenContext>(nullptr, 40, 30, kBlackCColor);
        display.draw(context.get());
        return context;
    };
    auto plain = drawn(0);
    EXPECT_EQ(plain->image().pixel(2, 2), kRed);
    EXPECT_EQ(plain->image().pixel(29, 19), kRed);
    EXPECT_EQ(plain->image().pixel(10, 10), kBlue);
    EXPECT_EQ(plain->image().pixel(30, 20), kBlack);

    auto noFrame = drawn(kNoFrame);
    EXPECT_EQ(noFrame->image().pixel(2, 2), kBlue);

    // Raised: top and left in the frame colour, bottom and right in the background colour.
    auto raised = drawn(k3DOut);
    EXPECT_EQ(raised->image().pixel(10, 2), kRed);
    EXPECT_EQ(raised->image().pixel(2, 10), kRed);
    EXPECT_EQ(raised->image().pixel(29, 10), kBlue);
    auto inset = drawn(k3DIn);
    EXPECT_EQ(inset->image().pixel(10, 2), kBlue);
    EXPECT_EQ(inset->image().pixel(10, 19), kRed);
    EXPECT_EQ(inset->image().pixel(29, 10), kRed);

    // Transparent without a bitmap: nothing but the text.
    display.setTransparency(true);
    auto clear = drawn(0);
    EXPECT_EQ(clear->image().pixel(10, 10), kBlack);
}

TEST(CParamDisplay, TextIsDrawnInsideItsRectangleOnly)
{
    CParamDisplay display({10, 10, 30, 26}, nullptr, kShadowText);
    display.setPlainFormatter([](float, char* text) { std::strcpy(text, "WWWWWWWWWWWW"); });
    COffscreenContext context(nullptr, 60, 40, kBlackCColor);
    context.setClip({0, 0, 60, 40});
    display.draw(&context);
    unsigned brightest = 0, shadow = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const std::uint32_t p = context.image().pixel(x, y);
            const bool inside = x >= 10 && x < 30 && y >= 10 && y < 26;
            const bool onFrame = inside && (x == 10 || x == 29 || y == 10 || y == 25);
            if (!inside)
                outside += p != kBlack;
            else if (!onFrame) {
                brightest = std::max(brightest, p & 0xFF);  // blue: only the white text has it
                shadow += red(p) > 128 && (p & 0xFF) < 64;
            }
        }
    EXPECT_GT(brightest, 200u);
    EXPECT_GT(shadow, 0u);
    EXPECT_EQ(outside, 0u);
    EXPECT_EQ(context.clip(), (CRect{0, 0, 60, 40}));  // restored
}

TEST(CParamDisplay, SettersRedrawOnChangeAndNoDrawingStaysClean)
{
    CParamDisplay display({0, 0, 20, 10});
    COffscreenContext context(nullptr, 20, 10, kBlackCColor);
    display.draw(&context);
    EXPECT_FALSE(display.isDirty());
    display.setFontColor(kWhiteCColor);  // unchanged
    display.setHorizontalAlignment(1);
    EXPECT_FALSE(display.isDirty());
    display.setTextStyle(kBoldFace);
    EXPECT_TRUE(display.isDirty());

    CParamDisplay hidden({0, 0, 20, 10}, nullptr, kNoDrawStyle);
    EXPECT_FALSE(hidden.isDirty());
    hidden.setBackColor(kBlueCColor);
    hidden.draw(&context);
    EXPECT_FALSE(hidden.isDirty());
    EXPECT_EQ(context.image().pixel(5, 5), kBlack);
}
