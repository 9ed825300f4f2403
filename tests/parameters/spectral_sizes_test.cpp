#include "parameters/SpectralSizes.h"

#include <gtest/gtest.h>

#include <limits>

TEST(SpectralSizes, Mapping)
{
    EXPECT_EQ(SpectralSizes::fftSizeFor(0.0f), 128);
    EXPECT_EQ(SpectralSizes::fftSizeFor(0.25f), 128);
    EXPECT_EQ(SpectralSizes::fftSizeFor(0.2500001f), 256);
    EXPECT_EQ(SpectralSizes::fftSizeFor(0.5f), 256);
    EXPECT_EQ(SpectralSizes::fftSizeFor(0.75f), 512);
    EXPECT_EQ(SpectralSizes::fftSizeFor(1.0f), 1024);
    EXPECT_EQ(SpectralSizes::fftSizeFor(1.5f), 0);
    EXPECT_EQ(SpectralSizes::fftSizeFor(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(SpectralSizes::hopSizeFor(0.25f), 32);
    EXPECT_EQ(SpectralSizes::hopSizeFor(0.5f), 64);
    EXPECT_EQ(SpectralSizes::hopSizeFor(0.75f), 96);
    EXPECT_EQ(SpectralSizes::hopSizeFor(1.0f), 128);
    EXPECT_EQ(SpectralSizes::hopSizeFor(2.0f), 0);
}

TEST(SpectralSizes, ChangesAndFallBacks)
{
    SpectralSizes sizes;
    // The same size again changes nothing.
    auto change = sizes.setFftSize(0.7f);
    EXPECT_FALSE(change.apply);
    EXPECT_EQ(change.stored, 0.7f);
    change = sizes.setHopSize(0.9f);
    EXPECT_FALSE(change.apply);

    change = sizes.setFftSize(0.1f);  // 128 with hop 128
    EXPECT_TRUE(change.apply);
    EXPECT_EQ(change.stored, SpectralSizes::kFftFallbackValue);
    EXPECT_EQ(sizes.fftSize(), 256);
    change = sizes.setFftSize(0.1f);  // again: rebuilt at 256 even though it is 256
    EXPECT_TRUE(change.apply);
    EXPECT_EQ(sizes.fftSize(), 256);

    change = sizes.setHopSize(0.25f);
    EXPECT_TRUE(change.apply);
    EXPECT_EQ(sizes.hopSize(), 32);
    change = sizes.setFftSize(0.25f);
    EXPECT_TRUE(change.apply);
    EXPECT_EQ(change.stored, 0.25f);
    EXPECT_EQ(sizes.fftSize(), 128);

    change = sizes.setHopSize(1.0f);  // 128 is not below 128
    EXPECT_TRUE(change.apply);
    EXPECT_EQ(change.stored, SpectralSizes::kHopFallbackValue);
    EXPECT_EQ(sizes.hopSize(), 32);
    change = sizes.setHopSize(0.75f);
    EXPECT_EQ(sizes.hopSize(), 96);
    change = sizes.setHopSize(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(sizes.hopSize(), 32);
    EXPECT_EQ(change.stored, 0.0f);
    EXPECT_EQ(sizes.fftSize(), 128);
}
