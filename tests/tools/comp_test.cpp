#include "tools/SimpleComp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
double gainDbAfter(SimpleCompRms& comp, double level, int samples)
{
    double out = 0.0;
    for (int i = 0; i < samples; ++i) {
        double a = level, b = level;
        comp.process(a, b);
        out = a;
    }
    return 20.0 * std::log10(out / level);
}
}  // namespace

TEST(SimpleCompRms, Construction)
{
    SimpleCompRms comp;
    EXPECT_EQ(comp.attack(), 10.0);
    EXPECT_EQ(comp.release(), 100.0);
    EXPECT_EQ(comp.window(), 5.0);
    EXPECT_EQ(comp.sampleRate(), 44100.0);
    EXPECT_EQ(comp.threshold(), 0.0);
    EXPECT_EQ(comp.ratio(), 1.0);
    EXPECT_EQ(comp.envelope(), DENORMAL_GUARD);
    EXPECT_EQ(comp.meanSquare(), DENORMAL_GUARD);
}

TEST(SimpleCompRms, SilenceKeepsUnityGain)
{
    SimpleCompRms comp;
    comp.setThreshold(-40.01);
    comp.setRatio(0.01);
    double a = 0.0, b = 0.0;
    for (int i = 0; i < 10000; ++i) {
        a = b = 0.0;
        comp.process(a, b);
    }
    EXPECT_NEAR(comp.meanSquare(), DENORMAL_GUARD, 1e-30);
    EXPECT_NEAR(comp.envelope(), DENORMAL_GUARD, 1e-30);
    double one = 1e-3, two = 1e-3;
    comp.process(one, two);
    EXPECT_NEAR(one, 1e-3, 1e-12);
}

TEST(SimpleCompRms, RatioOneIsTransparent)
{
    SimpleCompRms comp;
    comp.setThreshold(-40.0);
    for (double level : {0.001, 0.5, 1.0, 30.0}) {
        double a = level, b = -level;
        comp.process(a, b);
        EXPECT_EQ(a, level);
        EXPECT_EQ(b, -level);
    }
}

TEST(SimpleCompRms, SteadyStateOfAConstantPair)
{
    SimpleCompRms comp;
    comp.setRatio(0.5);
    const double gainDb = gainDbAfter(comp, 1.0, 44100);
    EXPECT_NEAR(comp.envelope(), 3.0103, 1e-4);  // the pair reads sqrt(2)
    EXPECT_NEAR(gainDb, -1.505, 1e-3);
}

TEST(SimpleCompRms, AttackAndReleaseTimes)
{
    SimpleCompRms comp;
    comp.setRatio(0.25);
    comp.setThreshold(-20.0);
    comp.setAttack(1.0);
    comp.setRelease(400.0);
    gainDbAfter(comp, 1.0, 4410);  // 100 ms above the threshold: settled
    const double settled = comp.envelope();
    EXPECT_NEAR(settled, 23.0103, 1e-3);
    // Falling back below the threshold is followed with the 400 ms release.
    gainDbAfter(comp, 0.001, 441);  // the 5 ms RMS window has emptied by now
    const double after10ms = comp.envelope();
    EXPECT_GT(after10ms, 0.9 * settled);
    gainDbAfter(comp, 0.001, 17640 - 441);  // 400 ms in all
    // One time constant, less the few ms the RMS window needs to fall below the threshold.
    const double ratio = comp.envelope() / settled;
    EXPECT_GT(ratio, std::exp(-1.0));
    EXPECT_LT(ratio, std::exp(-0.92));
}

TEST(SimpleComp, SameSampleOnBothChannelsIsScaledOnce)
{
    SimpleCompRms comp;
    comp.setRatio(0.5);
    comp.setThreshold(-20.0);
    SimpleCompRms twin;
    twin.setRatio(0.5);
    twin.setThreshold(-20.0);
    for (int i = 0; i < 1000; ++i) {
        double shared = 0.8;
        comp.process(shared, shared);
        double a = 0.8, b = 0.8;
        twin.process(a, b);
        ASSERT_EQ(shared, a) << i;
    }
}

TEST(SimpleComp, ResetAndDeath)
{
    SimpleCompRms comp;
    comp.setRatio(0.5);
    gainDbAfter(comp, 1.0, 100);
    comp.resetState();
    EXPECT_EQ(comp.envelope(), DENORMAL_GUARD);
    EXPECT_EQ(comp.meanSquare(), DENORMAL_GUARD);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(comp.setRatio(0.0), "tools/SimpleComp.*ratio > 0.0");
}

TEST(Decibels, BranchFreeLogarithmAndExponentialWithinAnUlp)
{
    for (double x = -699.0; x < 699.0; x += 0.0137) {
        const double reference = std::exp(x);
        ASSERT_LE(std::fabs(expModerate(x) - reference), std::nextafter(reference, INFINITY) - reference) << x;
    }
    EXPECT_EQ(expModerate(0.0), 1.0);
    for (double x = 1e-30; x < 1e30; x *= 1.0007) {
        const double reference = std::log(x);
        ASSERT_LE(std::fabs(logPositive(x) - reference), std::fabs(std::nextafter(reference, 0.0) - reference) + 1e-300)
            << x;
    }
    EXPECT_EQ(logPositive(1.0), 0.0);
}

// The block form equals the per-sample form within a few ulps, with the
// state carried the same way across blocks.
TEST(SimpleCompRms, BlockFormMatchesThePerSampleForm)
{
    SimpleCompRms single, block;
    for (SimpleCompRms* c : {&single, &block}) {
        c->setThreshold(-30.0);
        c->setRatio(0.25);
        c->setAttack(2.0);
        c->setRelease(50.0);
    }
    std::vector<double> x(3000), expected(3000);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = std::sin(0.05 * i) * (i < 1500 ? 0.9 : 0.01);
        double a = x[i], b = x[i];
        single.process(a, b);
        expected[i] = a;
    }
    block.processBlock(x.data(), 700);
    block.processBlock(x.data() + 700, 2300);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(x[i], expected[i], 1e-14 * std::fabs(expected[i]) + 1e-300) << i;
    EXPECT_NEAR(block.envelope(), single.envelope(), 1e-12 * single.envelope());
}
