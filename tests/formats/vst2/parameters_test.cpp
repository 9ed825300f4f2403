// Names, labels, display texts and the size rules of the 28 parameters, as a
// host reads them through the built library.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class Parameters : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(effect = host.create(), nullptr); }
    void set(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    float get(VstInt32 index) { return effect->getParameter(effect, index); }
    std::string display(VstInt32 index) { return host.text(effGetParamDisplay, index); }

    TestHost host;
    AEffect* effect = nullptr;
};

}  // namespace

TEST_F(Parameters, NamesAndLabels)
{
    const char* names[28] = {"OSC 1", "OSC 2", "OSC 2 Volume", "OSC 2 Octave", "Attack", "Release",
                             "Pitchbend", "", "Low Cut", "Peak1 Freq", "Peak1 Q", "Peak1 Gain",
                             "Peak2 Freq", "Peak2 Q", "Peak2 Gain", "High Cut", "Carrier Volume",
                             "Audio Limiter", "Audio Gain", "Vocoder Ratio", "Vocoder Threshold",
                             "Vocoder Attack", "Vocoder Release", "Vocoder Gain", "Mode", "Carrier",
                             "FFT SIZE", "HOP SIZE"};
    const char* labels[28] = {"", "", "dB", "", "ms", "ms", "Semitones", "", "Hz", "Hz", "", "dB",
                              "Hz", "", "dB", "Hz", "dB", "dB", "dB", "", "dB", "ms", "ms", "dB",
                              "", "", "samples", "samples"};
    for (VstInt32 i = 0; i < 28; ++i) {
        EXPECT_EQ(host.text(effGetParamName, i), names[i]) << i;
        EXPECT_EQ(host.text(effGetParamLabel, i), labels[i]) << i;
    }
    EXPECT_EQ(host.text(effGetParamName, 28), "");
    EXPECT_EQ(host.text(effGetParamDisplay, 7), "");
    EXPECT_EQ(get(28), 0.0f);
    EXPECT_EQ(get(-1), 0.0f);
}

TEST_F(Parameters, DisplaysAtConstruction)
{
    const std::pair<VstInt32, const char*> cases[] = {
        {0, "Sine"},     {1, "Sine"},     {2, "-6.dB"},   {3, "1"},        {4, "6 ms"},
        {5, "100 ms"},   {6, "1 1/2tones"}, {8, "735"},   {9, "819"},      {10, "3.07"},
        {11, "0.000"},   {12, "2019"},    {13, "3.07"},   {14, "0.000"},   {15, "13210"},
        {16, "3.52 dB"}, {17, "-20 dB"},  {18, "3.52dB"}, {19, "0.50"},    {20, "-20 dB"},
        {21, "50 ms"},   {22, "200 ms"},  {23, "-0.0 dB"}, {24, "Vocoder"}, {25, "Synth"},
        {26, "512"},     {27, "128"},
    };
    for (const auto& [index, text] : cases)
        EXPECT_EQ(display(index), text) << index;
}

TEST_F(Parameters, DefaultsAreProgramZero)
{
    const float defaults[28] = {0, 0, 0.5f, 0, 0.03f, 0.16666667f, 0, 0, 0.24f, 0.040040039f,
                                0.25010422f, 0.5f, 0.1001001f, 0.25010422f, 0.5f, 0.6006006f, 1,
                                0.5f, 1, 0.5f, 0.5f, 0.5f, 0.5f, 0.66f, 0, 0, 0.6666667f, 1};
    for (VstInt32 i = 0; i < 28; ++i)
        EXPECT_EQ(get(i), defaults[i]) << i;
}

TEST_F(Parameters, DisplayBoundaries)
{
    set(17, 1.0f);
    set(20, 0.0f);
    EXPECT_EQ(display(17), "0 dB");
    EXPECT_EQ(display(20), "-40 dB");
    set(0, 0.2505f);
    EXPECT_EQ(display(0), "Sawtooth");
    set(0, 0.76f);
    EXPECT_EQ(display(0), "White");
    set(3, 0.9f);
    EXPECT_EQ(display(3), "4");
    set(3, 1.0f);
    EXPECT_EQ(display(3), "4");
    set(15, 0.0f);
    EXPECT_EQ(display(15), "3000");
    set(15, 1.0f);
    EXPECT_EQ(display(15), "20000");
    set(6, 1.0f);
    EXPECT_EQ(display(6), "12 1/2tones");
    set(2, 0.0f);
    EXPECT_EQ(display(2), "-oodB");
    set(24, 0.5f);
    EXPECT_EQ(display(24), "Carrier");
    set(24, 1.0f);
    EXPECT_EQ(display(24), "Audio1");
    set(25, 0.5f);
    EXPECT_EQ(display(25), "Audio2");
    set(11, 0.0f);
    EXPECT_EQ(display(11), "-18.0");
}

TEST_F(Parameters, FftAndHopSizes)
{
    const std::pair<float, const char*> ffts[] = {
        {0.25f, "256"},  // 128 is not above the hop of 128: falls back
        {0.2500001f, "256"}, {0.5f, "256"}, {0.75f, "512"}, {1.0f, "1024"}};
    for (const auto& [value, text] : ffts) {
        set(26, value);
        EXPECT_EQ(display(26), text) << value;
    }
    set(26, 0.1f);
    EXPECT_EQ(get(26), 0.33333334f);

    const std::pair<float, const char*> hops[] = {
        {0.25f, "32"}, {0.5f, "64"}, {0.75f, "96"}, {1.0f, "128"}};
    for (const auto& [value, text] : hops) {
        set(27, value);
        EXPECT_EQ(display(27), text) << value;
        EXPECT_EQ(get(27), value);
    }
    set(27, 0.1f);  // hop 32
    set(26, 0.1f);  // FFT 128 is now allowed
    EXPECT_EQ(display(26), "128");
    EXPECT_EQ(get(26), 0.1f);
    set(27, 1.0f);  // hop 128 is not below 128
    EXPECT_EQ(display(27), "32");
    EXPECT_EQ(get(27), 0.0f);
}

TEST_F(Parameters, RestoringInIndexOrderAppliesTheSizeRules)
{
    set(26, 0.25f);
    EXPECT_EQ(get(26), 0.33333334f);
    set(27, 0.0f);
    EXPECT_EQ(display(26), "256");
    EXPECT_EQ(display(27), "32");
}

TEST_F(Parameters, ValuesOutsideTheRangeAreSafe)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float bad[] = {nan, -nan, inf, -inf, -1.0f, 2.0f, 1e30f, -1e30f, 1.0000001f};
    for (float value : bad) {
        for (VstInt32 i = 0; i < 28; ++i) {
            set(i, value);
            const float stored = get(i);
            EXPECT_TRUE(stored >= 0.0f && stored <= 1.0f) << i << " " << value;
            const std::string text = display(i);
            EXPECT_LT(text.size(), 16u);
        }
        const std::string hop = display(27);
        EXPECT_TRUE(hop == "32" || hop == "64" || hop == "96" || hop == "128") << hop;
        const std::string fft = display(26);
        EXPECT_TRUE(fft == "128" || fft == "256" || fft == "512" || fft == "1024") << fft;
    }
    set(26, 5.0f);
    EXPECT_EQ(display(26), "256");
    EXPECT_EQ(get(26), 0.33333334f);
    set(27, nan);
    EXPECT_EQ(display(27), "32");
    EXPECT_EQ(get(27), 0.0f);
    set(16, -3.0f);
    EXPECT_EQ(get(16), 0.0f);
    EXPECT_EQ(display(16), "-oo dB");
    set(16, 7.0f);
    EXPECT_EQ(get(16), 1.0f);
}

TEST_F(Parameters, OutOfTableIndicesChangeNothing)
{
    set(40, 0.5f);
    set(-5, 0.5f);
    EXPECT_EQ(get(40), 0.0f);
    EXPECT_EQ(get(16), 1.0f);
}
