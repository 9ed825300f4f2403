#include "tools/SimpleLimit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
// As the plug-in sets it up: the fast rule for both envelopes, then a reset.
void prepare(SimpleLimit& limiter, double thresholdDb)
{
    limiter.setSampleRate(44100.0);
    limiter.setThreshold(thresholdDb);
    limiter.resetState();
}
double step(SimpleLimit& limiter, double in)
{
    double a = in, b = in;
    limiter.process(a, b);
    return a;
}
}  // namespace

TEST(SimpleLimit, Construction)
{
    SimpleLimit limiter;
    EXPECT_EQ(limiter.latency(), 44);
    EXPECT_EQ(limiter.attack(), 1.0);
    EXPECT_EQ(limiter.release(), 10.0);
    EXPECT_NEAR(limiter.attackCoefficient(), 0.90084179, 5e-9);
    // Until a setter runs, the release coefficient follows the base rule.
    EXPECT_NEAR(limiter.releaseCoefficient(), 0.99773500, 5e-9);
    limiter.setSampleRate(44100.0);
    EXPECT_NEAR(limiter.releaseCoefficient(), 0.98961177, 5e-9);
}

TEST(SimpleLimit, BelowThresholdIsADelayOf44Samples)
{
    SimpleLimit limiter;
    prepare(limiter, -6.0);
    for (int n = 0; n < 200; ++n) {
        const double in = 0.4 * std::sin(0.05 * n);
        const double out = step(limiter, in);
        const double expected = n >= 44 ? 0.4 * std::sin(0.05 * (n - 44)) : 0.0;
        ASSERT_EQ(out, expected) << n;
    }
    EXPECT_EQ(limiter.heldPeak(), decibelsToLinear(-6.0));
    EXPECT_EQ(limiter.envelope(), decibelsToLinear(-6.0));
}

TEST(SimpleLimit, SinglePeak)
{
    SimpleLimit limiter;
    prepare(limiter, -20.0);  // threshold level 0.1
    std::vector<double> out;
    out.push_back(step(limiter, 1.0));
    EXPECT_EQ(limiter.heldPeak(), 1.0);
    for (int n = 1; n < 44; ++n)
        out.push_back(step(limiter, 0.0));
    EXPECT_NEAR(limiter.envelope(), 0.991, 5e-4);
    out.push_back(step(limiter, 0.0));  // sample 44: the peak leaves the delay line
    EXPECT_NEAR(limiter.heldPeak(), 0.1, 1e-12);
    EXPECT_NEAR(limiter.envelope(), 0.9817, 1e-4);
    EXPECT_NEAR(out[44], 0.1019, 1e-4);
    for (int n = 0; n < 44; ++n)
        EXPECT_EQ(out[n], 0.0);
    // Then the envelope falls with the 10 ms release.
    const double before = limiter.envelope();
    step(limiter, 0.0);
    EXPECT_NEAR(limiter.envelope(), 0.1 + limiter.releaseCoefficient() * (before - 0.1), 1e-15);
}

TEST(SimpleLimit, PeakIsHeldThenReplaced)
{
    SimpleLimit limiter;
    prepare(limiter, -20.0);
    step(limiter, 0.9);
    for (int n = 1; n < 44; ++n) {
        step(limiter, 0.5);
        ASSERT_EQ(limiter.heldPeak(), 0.9) << n;
    }
    step(limiter, 0.5);
    EXPECT_EQ(limiter.heldPeak(), 0.5);
}

TEST(SimpleLimit, SampleRateChangeKeepsTheHold)
{
    SimpleLimit limiter;
    const double attack = limiter.attackCoefficient();
    limiter.setSampleRate(96000.0);
    EXPECT_EQ(limiter.latency(), 44);
    EXPECT_NE(limiter.attackCoefficient(), attack);
    EXPECT_EQ(limiter.sampleRate(), 96000.0);
}

TEST(SimpleLimit, SameSampleOnBothChannels)
{
    SimpleLimit shared, pair;
    prepare(shared, -12.0);
    prepare(pair, -12.0);
    for (int n = 0; n < 300; ++n) {
        double x = std::sin(0.3 * n);
        shared.process(x, x);
        ASSERT_EQ(x, step(pair, std::sin(0.3 * n))) << n;
    }
}

TEST(SimpleLimit, AttackPrecondition)
{
    SimpleLimit limiter;
    limiter.setAttack(23.0);
    EXPECT_EQ(limiter.latency(), 1014);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(limiter.setAttack(24.0), "tools/SimpleLimit.*samp < BUFFER_SIZE");
    EXPECT_DEATH(limiter.setAttack(-1.0), "samp < BUFFER_SIZE");
}

// The block form is the per-sample form with the state in locals: equal to the bit.
TEST(SimpleLimit, BlockFormMatchesThePerSampleForm)
{
    SimpleLimit single, block;
    for (SimpleLimit* l : {&single, &block}) {
        l->setThreshold(-12.0);
        l->resetState();
    }
    std::vector<double> x(5000), expected(5000);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = std::sin(0.03 * static_cast<double>(i)) * (i % 1000 < 300 ? 2.0 : 0.1);
        double a = x[i];
        single.process(a, a);
        expected[i] = a;
    }
    block.processBlock(x.data(), 1234);
    block.processBlock(x.data() + 1234, 5000 - 1234);
    EXPECT_EQ(x, expected);
    EXPECT_EQ(block.envelope(), single.envelope());
}
