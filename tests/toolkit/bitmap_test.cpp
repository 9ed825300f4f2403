#include "TestImages.h"
#include "platform/Resources.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <gtest/gtest.h>

#include <array>

using namespace VSTGUI;

namespace {

struct Argb {
    unsigned a, r, g, b;
    bool operator==(const Argb&) const = default;
};

Argb at(const platform::Image& image, int x, int y)
{
    const std::uint32_t p = image.pixel(x, y);
    return {p >> 24, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
}

}  // namespace

TEST(CBitmap, LoadsAStripFromTheResourcesTopRowFirst)
{
    auto* bitmap = new CBitmap(120);
    EXPECT_EQ(bitmap->width(), 48);
    EXPECT_EQ(bitmap->height(), 188);
    EXPECT_FALSE(bitmap->isPlain());
    // Opaque colours come out as c × 255 / 256, rounded down.
    EXPECT_EQ(at(*bitmap->image(), 0, 0), (Argb{255, 0, 254, 6}));
    EXPECT_EQ(at(*bitmap->image(), 47, 187), (Argb{255, 186, 67, 6}));
    bitmap->releaseRef();

    CBitmap missing(999);
    EXPECT_EQ(missing.width(), 0);
    EXPECT_EQ(missing.height(), 0);
    COffscreenContext context(nullptr, 4, 4, kRedCColor);
    CRect all{0, 0, 4, 4};
    missing.draw(&context, all, {});
    EXPECT_EQ(at(context.image(), 1, 1), (Argb{255, 255, 0, 0}));
}

TEST(CBitmap, PremultipliesAndBlendsByAlpha)
{
    CBitmap bitmap(0);
    const auto png = rgbaPng(2, 1, [](int x, int) {
        return x == 0 ? std::array<unsigned char, 4>{255, 255, 255, 128} : std::array<unsigned char, 4>{10, 20, 30, 0};
    });
    ASSERT_TRUE(bitmap.loadPng(png.data(), png.size()));
    EXPECT_EQ(at(*bitmap.image(), 0, 0), (Argb{128, 127, 127, 127}));
    EXPECT_EQ(at(*bitmap.image(), 1, 0), (Argb{0, 0, 0, 0}));

    // On opaque black: the half-transparent white shows as 127; the clear pixel leaves black.
    COffscreenContext context(nullptr, 2, 1, kBlackCColor);
    CRect rect{0, 0, 2, 1};
    bitmap.drawTransparent(&context, rect, {});
    EXPECT_EQ(at(context.image(), 0, 0), (Argb{255, 127, 127, 127}));
    EXPECT_EQ(at(context.image(), 1, 0), (Argb{255, 0, 0, 0}));
}

TEST(CBitmap, DrawsThePartAtTheOffsetShiftedByTheContext)
{
    CBitmap strip(120);
    COffscreenContext context(nullptr, 60, 60, kBlackCColor);
    context.offset = {5, 6};
    CRect rect{0, 0, 48, 47};
    strip.draw(&context, rect, {0, 47});  // the second frame
    EXPECT_EQ(at(context.image(), 5, 6), at(*strip.image(), 0, 47));
    EXPECT_EQ(at(context.image(), 52, 52), at(*strip.image(), 47, 93));
    EXPECT_EQ(at(context.image(), 4, 6), (Argb{255, 0, 0, 0}));
    EXPECT_EQ(at(context.image(), 5, 53), (Argb{255, 0, 0, 0}));
}

TEST(CBitmap, ConvertsPaletteGreyAndSixteenBitImages)
{
    CBitmap bitmap(0);
    // Palette with transparency: entry 1 half transparent.
    const auto palette = makePng(
        2, 1, PNG_COLOR_TYPE_PALETTE, 8, [](int x, int, unsigned char* p) { *p = static_cast<unsigned char>(x); },
        {{200, 100, 0}, {0, 0, 255}}, {255, 128});
    ASSERT_TRUE(bitmap.loadPng(palette.data(), palette.size()));
    EXPECT_EQ(at(*bitmap.image(), 0, 0), (Argb{255, 199, 99, 0}));
    EXPECT_EQ(at(*bitmap.image(), 1, 0), (Argb{128, 0, 0, 127}));

    // A 1-bit row packs eight pixels in one byte; odd pixels are white.
    const auto packed = makePng(8, 1, PNG_COLOR_TYPE_GRAY, 1, [](int, int, unsigned char* p) { p[0] = 0x55; });
    ASSERT_TRUE(bitmap.loadPng(packed.data(), packed.size()));
    EXPECT_EQ(at(*bitmap.image(), 0, 0), (Argb{255, 0, 0, 0}));
    EXPECT_EQ(at(*bitmap.image(), 1, 0), (Argb{255, 254, 254, 254}));

    const auto deep = makePng(1, 1, PNG_COLOR_TYPE_RGB, 16, [](int, int, unsigned char* p) {
        const unsigned char v[] = {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x10};
        std::copy(v, v + 6, p);
    });
    ASSERT_TRUE(bitmap.loadPng(deep.data(), deep.size()));
    EXPECT_EQ(at(*bitmap.image(), 0, 0), (Argb{255, 254, 127, 0}));
}

// Damage never crashes: what was decoded stays, the rest is transparent.
TEST(CBitmap, DamagedImagesKeepTheRowsDecoded)
{
    const auto png = stripPng(48);
    CBitmap bitmap(0);
    EXPECT_FALSE(bitmap.loadPng(png.data(), png.size() / 2));
    ASSERT_EQ(bitmap.height(), 188);
    EXPECT_EQ(at(*bitmap.image(), 0, 0), (Argb{255, 0, 254, 6}));
    EXPECT_EQ(at(*bitmap.image(), 0, 187), (Argb{0, 0, 0, 0}));

    const unsigned char garbage[] = "\x89PNG\r\n\x1a\n but then nothing sensible at all";
    EXPECT_FALSE(bitmap.loadPng(garbage, sizeof garbage));
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_FALSE(bitmap.loadPng(garbage, 3));
    EXPECT_FALSE(bitmap.loadPng(nullptr, 0));
    EXPECT_FALSE(bitmap.loadFromPath("anything.png"));
}
