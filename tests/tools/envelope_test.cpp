#include "tools/SimpleEnvelope.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(EnvelopeDetector, CoefficientsAt44100)
{
    const std::pair<double, double> cases[] = {
        {1, 0.97757943}, {5, 0.99547512}, {10, 0.99773500}, {100, 0.99977327}, {400, 0.99994331}};
    for (const auto& [ms, expected] : cases)
        EXPECT_NEAR(EnvelopeDetector(ms, 44100).coefficient(), expected, 5e-9) << ms;
}

TEST(EnvelopeDetector, ApproachesAConstantGeometrically)
{
    EnvelopeDetector detector(1.0, 44100.0);
    const double c = detector.coefficient();
    double state = 0.0;
    for (int k = 1; k <= 100; ++k) {
        detector.run(1.0, state);
        ASSERT_NEAR(1.0 - state, std::pow(c, k), 1e-12) << k;
        ASSERT_LE(state, 1.0);
    }
    double same = 0.25;
    detector.run(0.25, same);
    EXPECT_EQ(same, 0.25);
}

TEST(EnvelopeDetector, RateAndTimeConstantTradeOff)
{
    EnvelopeDetector detector(10.0, 44100.0);
    const double before = detector.coefficient();
    detector.setSampleRate(88200.0);
    EXPECT_NE(detector.coefficient(), before);
    detector.setTimeConstant(5.0);
    EXPECT_NEAR(detector.coefficient(), before, 1e-15);
    EXPECT_EQ(detector.timeConstant(), 5.0);
    EXPECT_EQ(detector.sampleRate(), 88200.0);
}

TEST(AttRelEnvelope, RisesWithAttackFallsWithRelease)
{
    AttRelEnvelope envelope(1.0, 100.0, 44100.0);
    double state = 0.0;
    envelope.run(1.0, state);
    EXPECT_NEAR(state, 1.0 - 0.97757943, 1e-8);
    double falling = 1.0;
    envelope.run(0.0, falling);
    EXPECT_NEAR(falling, 0.99977327, 1e-8);
    // Equality takes the release detector, which leaves the state as it is.
    double equal = 0.5;
    envelope.run(0.5, equal);
    EXPECT_EQ(equal, 0.5);

    envelope.setSampleRate(22050.0);
    EXPECT_EQ(envelope.sampleRate(), 22050.0);
    EXPECT_NEAR(EnvelopeDetector(100.0, 22050.0).coefficient(),
                [&] { double s = 1.0; envelope.run(0.0, s); return s; }(), 1e-15);
    EXPECT_EQ(envelope.attack(), 1.0);
    EXPECT_EQ(envelope.release(), 100.0);
}

TEST(EnvelopeDeath, PreconditionsAreReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(EnvelopeDetector(0.0, 44100.0), "tools/SimpleEnvelope.*ms > 0.0");
    EXPECT_DEATH(EnvelopeDetector(1.0, 0.0), "tools/SimpleEnvelope.*sampleRate > 0.0");
    EnvelopeDetector detector(1.0, 44100.0);
    EXPECT_DEATH(detector.setTimeConstant(-1.0), "ms > 0.0");
    EXPECT_DEATH(detector.setSampleRate(std::nan("")), "sampleRate > 0.0");
}
