#include "tools/Equaliser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

std::atomic<long> allocations{0};

// |H| in dB from the coefficients.
double responseDb(const Filter& f, double hz, double rate = 44100.0)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * hz / rate);
    const std::complex<double> num = double(f.b0()) + double(f.b1()) * z1 + double(f.b2()) * z1 * z1;
    const std::complex<double> den = 1.0 + double(f.a1()) * z1 + double(f.a2()) * z1 * z1;
    return 20.0 * std::log10(std::abs(num / den));
}

// Gain in dB of a sine tone through the filter, after it has settled.
template <typename F>
double measuredDb(F filter, double hz)
{
    const int n = 44100;
    std::vector<float> in(n), out(n);
    for (int i = 0; i < n; ++i)
        in[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * i / 44100.0));
    filter.process(in.data(), out.data(), n);
    double inPower = 0.0, outPower = 0.0;
    for (int i = n / 2; i < n; ++i) {
        inPower += double(in[i]) * in[i];
        outPower += double(out[i]) * out[i];
    }
    return 10.0 * std::log10(outPower / inPower);
}

}  // namespace

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(Filters, CutFiltersAtTheirCorners)
{
    const LowCutFilter low(44100, 200.0f);
    EXPECT_NEAR(responseDb(low, 200.0), -3.0103, 0.01);
    EXPECT_NEAR(responseDb(low, 22050.0), 0.0, 1e-4);
    EXPECT_EQ(double(low.b0()) + low.b1() + low.b2(), 0.0);
    EXPECT_NEAR(measuredDb(low, 200.0), -3.01, 0.05);
    EXPECT_LT(measuredDb(low, 20.0), -35.0);

    const HighCutFilter high(44100, 8000.0f);
    EXPECT_NEAR(responseDb(high, 8000.0), -3.0103, 0.01);
    EXPECT_NEAR(responseDb(high, 0.0), 0.0, 1e-4);
    EXPECT_EQ(double(high.b0()) - high.b1() + high.b2(), 0.0);
    EXPECT_NEAR(measuredDb(high, 8000.0), -3.01, 0.05);
}

TEST(Filters, PeakBoostAndCut)
{
    PeakFilter flat(44100, 800.0f);
    EXPECT_EQ(flat.b0(), 1.0f);
    EXPECT_EQ(flat.b1(), flat.a1());
    EXPECT_EQ(flat.b2(), flat.a2());

    for (float gain : {-12.0f, 12.0f}) {
        PeakFilter peak(44100, 800.0f);
        peak.setGain(gain);
        peak.updateCoefficients();
        EXPECT_NEAR(responseDb(peak, 800.0), gain, 0.01) << gain;
        EXPECT_NEAR(responseDb(peak, 100.0), 0.0, 0.1) << gain;
        EXPECT_NEAR(measuredDb(peak, 800.0), gain, 0.05) << gain;
    }
    // A cut is the inverse of the boost.
    PeakFilter boost(44100, 2000.0f), cut(44100, 2000.0f);
    boost.setGain(9.0f);
    cut.setGain(-9.0f);
    boost.updateCoefficients();
    cut.updateCoefficients();
    for (double hz : {500.0, 1800.0, 2000.0, 5000.0})
        EXPECT_NEAR(responseDb(boost, hz) + responseDb(cut, hz), 0.0, 1e-3) << hz;
}

TEST(Equaliser, AnySplitGivesTheSameOutput)
{
    const int n = 1000;
    std::vector<float> signal(n);
    for (int i = 0; i < n; ++i)
        signal[i] = static_cast<float>(std::sin(0.07 * i) + 0.3 * std::sin(1.3 * i));

    auto run = [&](const std::vector<int>& blocks) {
        Equaliser eq(44100);
        eq.setPeak1GainDb(10.8);
        eq.setLowCutHz(318.0);
        std::vector<float> in = signal, out(n, 0.0f);
        int at = 0;
        for (int size : blocks) {
            eq.process(in.data() + at, out.data() + at, size);
            at += size;
        }
        eq.process(in.data() + at, out.data() + at, n - at);
        return out;
    };
    const std::vector<float> whole = run({});
    EXPECT_EQ(run({1, 0, 1, 2, 300}), whole);
    EXPECT_EQ(run({257, 0, 0, 1, 513}), whole);
    EXPECT_EQ(run(std::vector<int>(999, 1)), whole);
}

TEST(Equaliser, NoiseAgainstDenormals)
{
    Equaliser eq(44100);
    std::vector<float> buffer(4096, 0.0f), out(4096);
    eq.process(buffer.data(), out.data(), 3);
    EXPECT_NEAR(buffer[0], 8.47e-21f, 0.01e-21f);
    EXPECT_NEAR(buffer[1], -1.133e-20f, 0.001e-20f);
    EXPECT_NEAR(buffer[2], 1.117e-20f, 0.001e-20f);
    for (int block = 0; block < 20; ++block) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        eq.process(buffer.data(), out.data(), 4096);
    }
    for (float x : out) {
        ASSERT_NE(x, 0.0f);
        ASSERT_EQ(std::fpclassify(x), FP_NORMAL);
        ASSERT_LT(std::fabs(x), 1e-18f);
    }
}

TEST(Equaliser, SettingsReachTheFiltersAtTheNextBlock)
{
    Equaliser eq(44100);
    eq.setLowCutHz(3000.0);
    eq.setPeak1Hz(20.0);
    eq.setPeak1Q(12.0);
    eq.setPeak1GainDb(-18.0);
    eq.setPeak2GainDb(18.0);
    eq.setHighCutHz(4000.0);
    EXPECT_EQ(eq.lowCut().frequency(), 200.0f);
    float in[2] = {0, 0}, out[2];
    eq.process(in, out, 0);
    EXPECT_EQ(eq.lowCut().frequency(), 3000.0f);
    EXPECT_EQ(eq.peak1().frequency(), 20.0f);
    EXPECT_FLOAT_EQ(eq.peak1().q(), 12.0f);
    EXPECT_EQ(eq.peak1().gain(), -18.0f);
    EXPECT_EQ(eq.peak2().gain(), 18.0f);
    EXPECT_EQ(eq.peak2().frequency(), 2000.0f);
    EXPECT_EQ(eq.highCut().frequency(), 4000.0f);
}

TEST(Equaliser, ProcessDoesNotAllocate)
{
    Equaliser eq(44100);
    std::vector<float> in(8192, 0.1f), out(8192);
    eq.setPeak2GainDb(14.4);
    const long before = allocations.load();
    for (int size : {0, 1, 2, 64, 255, 256, 257, 4096, 8192})
        eq.process(in.data(), out.data(), size);
    EXPECT_EQ(allocations.load(), before);
}

TEST(Equaliser, HostSampleRateKeepsTheCornersWhereTheyAreSet)
{
    for (int rate : {48000, 96000}) {
        Equaliser eq(44100);
        eq.setLowCutHz(200.29);
        eq.setSampleRate(rate);
        std::vector<float> in(2, 0.0f), out(2);
        eq.process(in.data(), out.data(), 2);
        EXPECT_EQ(eq.lowCut().sampleRate(), rate);
        EXPECT_NEAR(responseDb(eq.lowCut(), 200.29, rate), -3.0103, 0.01) << rate;
    }
    // Below 40 kHz the top of the peak and high-cut ranges would pass Nyquist.
    Equaliser eq(44100);
    eq.setPeak1Hz(20000.0);
    eq.setHighCutHz(20000.0);
    eq.setSampleRate(32000);
    std::vector<float> in(2, 0.0f), out(2);
    eq.process(in.data(), out.data(), 2);
    EXPECT_LT(eq.peak1().frequency(), 16000.0f);
    EXPECT_LT(eq.highCut().frequency(), 16000.0f);
    EXPECT_TRUE(std::isfinite(eq.highCut().b0()) && std::isfinite(eq.highCut().a1()));
}

// Gliding, the equaliser has the response of its sections as designed (tones
// measured at the cut-offs, the bells' centres and between), and a change
// reaches the new response once its glide of 15 ms has passed.
TEST(Equaliser, GlidingGivesTheSameResponsesAndReachesAChange)
{
    const auto configure = [](Equaliser& eq, double bell) {
        eq.setLowCutHz(120.0);
        eq.setPeak1Hz(900.0);
        eq.setPeak1Q(2.0);
        eq.setPeak1GainDb(bell);
        eq.setPeak2Hz(3000.0);
        eq.setPeak2Q(6.0);
        eq.setPeak2GainDb(-9.0);
        eq.setHighCutHz(9000.0);
    };
    const auto tone = [](Equaliser eq, double hz) {
        std::vector<float> in(8820), out(8820);
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / 44100.0));
        eq.process(in.data(), out.data(), static_cast<int>(in.size()));
        double inPower = 0.0, outPower = 0.0;
        for (size_t i = in.size() / 2; i < in.size(); ++i) {
            inPower += double(in[i]) * in[i];
            outPower += double(out[i]) * out[i];
        }
        return 10.0 * std::log10(outPower / inPower);
    };
    Equaliser plain(44100), gliding(44100);
    gliding.setGliding(true);
    configure(plain, 12.0);
    configure(gliding, -6.0);
    std::vector<float> warm(64, 0.0f), out(64);
    gliding.process(warm.data(), out.data(), 64);  // settled at the first settings
    configure(gliding, 12.0);                      // then glides to these
    gliding.process(warm.data(), out.data(), 64);
    EXPECT_LT(gliding.peak1Design().c1, 0.0f) << "on its way from the cut";
    std::vector<float> rest(662, 0.0f), restOut(662);
    gliding.process(rest.data(), restOut.data(), 662);
    for (const double hz : {60.0, 120.0, 400.0, 900.0, 1500.0, 3000.0, 5000.0, 9000.0, 15000.0})
        EXPECT_NEAR(tone(gliding, hz), tone(plain, hz), 0.02) << hz;
    EXPECT_NEAR(tone(gliding, 900.0), 12.0, 0.2);
    EXPECT_NEAR(tone(gliding, 9000.0), -3.0, 0.1);
    EXPECT_FLOAT_EQ(gliding.peak1Design().c1, static_cast<float>((std::pow(10.0, 0.6) - 1.0) / 2.0)) << "arrived";
}
