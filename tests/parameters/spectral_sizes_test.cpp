#include "engine/ParameterStore.h"
#include "parameters/SpectralSizes.h"

#include <gtest/gtest.h>

#include <limits>

TEST(SpectralSizes, Mapping)
{
    using namespace spectralsizes;
    EXPECT_EQ(fftSizeFor(0.0f), 128);
    EXPECT_EQ(fftSizeFor(0.25f), 128);
    EXPECT_EQ(fftSizeFor(0.2500001f), 256);
    EXPECT_EQ(fftSizeFor(0.5f), 256);
    EXPECT_EQ(fftSizeFor(0.75f), 512);
    EXPECT_EQ(fftSizeFor(1.0f), 1024);
    EXPECT_EQ(fftSizeFor(1.5f), 0);
    EXPECT_EQ(fftSizeFor(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(hopSizeFor(0.25f), 32);
    EXPECT_EQ(hopSizeFor(0.5f), 64);
    EXPECT_EQ(hopSizeFor(0.75f), 96);
    EXPECT_EQ(hopSizeFor(1.0f), 128);
    EXPECT_EQ(hopSizeFor(2.0f), 0);
}

// The VST 2 dialect: each value by its rule as it arrives, the fall-backs
// read back, and a reset for every change but the same size again.
TEST(SpectralSizes, ChangesAndFallBacksInArrivalOrder)
{
    ParameterStore store;
    store.takeChanges();
    const auto sizesChanged = [&] {
        return (store.takeChanges() & (changeBit(kFftSize) | changeBit(kHopSize))) != 0;
    };
    EXPECT_EQ(store.set(kFftSize, 0.7f), 0.7f);  // the same size again changes nothing
    EXPECT_EQ(store.set(kHopSize, 0.9f), 0.9f);
    EXPECT_FALSE(sizesChanged());

    EXPECT_EQ(store.set(kFftSize, 0.1f), spectralsizes::kFftFallbackValue);  // 128 with hop 128
    EXPECT_EQ(store.sizes(), (SpectralPair{256, 128}));
    EXPECT_TRUE(sizesChanged());
    store.set(kFftSize, 0.1f);  // again: reset at 256 even though it is 256
    EXPECT_TRUE(store.takeChanges() & ParameterStore::kSizesReset);

    store.set(kHopSize, 0.25f);
    EXPECT_EQ(store.set(kFftSize, 0.25f), 0.25f);
    EXPECT_EQ(store.sizes(), (SpectralPair{128, 32}));
    EXPECT_EQ(store.set(kHopSize, 1.0f), spectralsizes::kHopFallbackValue);  // 128 is not below 128
    EXPECT_EQ(store.sizes().hopSize, 32);
    store.set(kHopSize, 0.75f);
    EXPECT_EQ(store.sizes().hopSize, 96);
    EXPECT_EQ(store.set(kHopSize, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ(store.sizes(), (SpectralPair{128, 32}));
}

// FFT 128, HOP 128, FFT 512: in arrival order the hop fell back and stays
// at 32; taken as a pair the hop asked for holds once the FFT size allows
// it. Either way a value that selects the pair in force marks nothing.
TEST(SpectralSizes, ArrivalOrderAgainstThePair)
{
    for (const Dialect dialect : {Dialect::vst2, Dialect::extended}) {
        ParameterStore store(dialect);
        store.set(kHopSize, 0.0f);
        store.set(kFftSize, 0.0f);
        store.set(kHopSize, 1.0f);
        EXPECT_EQ(store.sizes(), (SpectralPair{128, 32}));
        EXPECT_EQ(store.value(kHopSize), 0.0f);
        store.set(kFftSize, 2 / 3.0f);
        const bool pair = dialect == Dialect::extended;
        EXPECT_EQ(store.sizes(), (SpectralPair{512, pair ? 128 : 32}));
        EXPECT_EQ(store.value(kHopSize), pair ? 1.0f : 0.0f);
        store.takeChanges();
        store.set(kFftSize, 0.7f);
        store.set(kHopSize, store.value(kHopSize));
        EXPECT_EQ(store.takeChanges(), 0u);
    }
    // In a pair, any order gives the same sizes.
    ParameterStore a(Dialect::extended), b(Dialect::extended);
    a.set(kFftSize, 0.0f);
    a.set(kHopSize, 2 / 3.0f);
    b.set(kHopSize, 2 / 3.0f);
    b.set(kFftSize, 0.0f);
    EXPECT_EQ(a.sizes(), (SpectralPair{128, 96}));
    EXPECT_EQ(b.sizes(), a.sizes());
}
