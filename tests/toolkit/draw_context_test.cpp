#include "toolkit/CDrawContext.h"

#include <gtest/gtest.h>

#include <vector>

using namespace VSTGUI;

namespace {

bool lit(const COffscreenContext& c, int x, int y) { return (c.image().pixel(x, y) & 0x00FFFFFF) != 0; }

// Pixels that differ from black, as (x, y) pairs.
std::vector<std::pair<int, int>> litPixels(const COffscreenContext& c)
{
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < c.getHeight(); ++y)
        for (int x = 0; x < c.getWidth(); ++x)
            if (lit(c, x, y))
                out.emplace_back(x, y);
    return out;
}

struct ScriptedPointer : PointerSource {
    std::int32_t buttons() override { return step < script.size() ? script[step].first : 0; }
    CPoint location() override { return step < script.size() ? script[step++].second : CPoint{}; }
    std::vector<std::pair<std::int32_t, CPoint>> script;
    size_t step = 0;
};

}  // namespace

TEST(CDrawContext, RectanglesAndFillsHitTheirPixels)
{
    COffscreenContext c(nullptr, 32, 32, kBlackCColor);
    c.setPenColor(kWhiteCColor);
    c.drawRectangle({10, 10, 20, 20});
    for (int i = 10; i <= 19; ++i) {
        EXPECT_TRUE(lit(c, i, 10) && lit(c, i, 19) && lit(c, 10, i) && lit(c, 19, i)) << i;
    }
    EXPECT_FALSE(lit(c, 9, 10) || lit(c, 20, 10) || lit(c, 10, 9) || lit(c, 10, 20) || lit(c, 15, 15));
    EXPECT_EQ(litPixels(c).size(), 36u);

    COffscreenContext f(nullptr, 32, 32, kBlackCColor);
    f.setBrushColor(kRedCColor);
    f.fillRect({10, 10, 20, 20});  // (11, 11) … (19, 19)
    const auto filled = litPixels(f);
    EXPECT_EQ(filled.size(), 81u);
    EXPECT_EQ(filled.front(), (std::pair{11, 11}));
    EXPECT_EQ(filled.back(), (std::pair{19, 19}));
}

TEST(CDrawContext, LinesLeaveOutTheirEndPointAndFollowTheOffset)
{
    COffscreenContext c(nullptr, 32, 32, kBlackCColor);
    c.setPenColor(kWhiteCColor);
    c.offset = {2, 3};
    c.moveTo({0, 5});
    c.lineTo({10, 5});
    const auto pixels = litPixels(c);
    ASSERT_EQ(pixels.size(), 10u);
    EXPECT_EQ(pixels.front(), (std::pair{2, 8}));
    EXPECT_EQ(pixels.back(), (std::pair{11, 8}));
    c.moveTo({20, 0});
    c.lineTo({20, 4});
    EXPECT_TRUE(lit(c, 22, 6) && !lit(c, 22, 7));
}

TEST(CDrawContext, ClippingLimitsEveryDrawing)
{
    COffscreenContext c(nullptr, 32, 32, kBlackCColor);
    c.setClip({0, 0, 15, 15});
    c.setBrushColor(kWhiteCColor);
    c.drawRectangle({5, 5, 25, 25}, kDrawFilled);
    EXPECT_TRUE(lit(c, 14, 14));
    EXPECT_FALSE(lit(c, 15, 14) || lit(c, 14, 15));
    EXPECT_EQ(litPixels(c).size(), 100u);
    EXPECT_EQ(c.clip(), (CRect{0, 0, 15, 15}));
}

TEST(CDrawContext, TextStaysInItsBoxAndFontsFollowTheTable)
{
    COffscreenContext c(nullptr, 100, 30, kBlackCColor);
    EXPECT_EQ(c.fontIndex(), 0);
    EXPECT_EQ(c.fontSize(), 12);
    c.setFont(9, 0, 0);
    EXPECT_EQ(c.fontIndex(), 0);
    c.setFont(5);
    EXPECT_EQ(c.fontSize(), 10);
    c.setTextColor(kWhiteCColor);
    c.drawString("1234 Hz", {20, 5, 80, 25}, false, kRightText);
    const auto pixels = litPixels(c);
    ASSERT_GT(pixels.size(), 20u);
    for (const auto& [x, y] : pixels)
        ASSERT_TRUE(x >= 20 && x < 80 && y >= 5 && y < 25) << x << "," << y;
    // Right-aligned: ink near the right edge, none near the left.
    int rightmost = 0;
    for (const auto& [x, y] : pixels)
        rightmost = std::max(rightmost, x);
    EXPECT_GT(rightmost, 70);
}

TEST(COffscreenContext, FillsWithItsBackgroundAndCopies)
{
    COffscreenContext source(nullptr, 8, 8, kRedCColor);
    COffscreenContext target(nullptr, 16, 16, kBlackCColor);
    target.offset = {1, 1};
    source.copyTo(&target, {4, 4, 8, 8}, {2, 2});
    EXPECT_EQ(target.image().pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(target.image().pixel(8, 8), 0xFFFF0000u);
    EXPECT_EQ(target.image().pixel(9, 9), 0xFF000000u);
    EXPECT_EQ(target.image().pixel(4, 4), 0xFF000000u);
}

TEST(CDrawContext, GesturesReadAScriptedPointer)
{
    ScriptedPointer pointer;
    pointer.script = {{kLButton | kShift, {10, 20}}, {kLButton, {12, 18}}};
    COffscreenContext c(nullptr, 4, 4, kBlackCColor, &pointer);
    EXPECT_EQ(c.mouseButtons(), kLButton | kShift);
    CPoint where;
    c.readMouseLocation(where);
    EXPECT_EQ(where.h, 10);
    EXPECT_EQ(c.mouseButtons(), kLButton);
    c.readMouseLocation(where);
    EXPECT_EQ(where.v, 18);
    EXPECT_EQ(c.mouseButtons(), 0);

    COffscreenContext none(nullptr, 4, 4);
    EXPECT_EQ(none.mouseButtons(), 0);
}

TEST(CReferenceCounter, DestroysAtZeroExactlyOnce)
{
    static int destroyed = 0;
    struct Counted : CReferenceCounter {
        ~Counted() override { ++destroyed; }
    };
    auto* object = new Counted;
    EXPECT_EQ(object->referenceCount(), 1);
    object->addRef();
    object->releaseRef();
    EXPECT_EQ(destroyed, 0);
    object->releaseRef();
    EXPECT_EQ(destroyed, 1);
}
