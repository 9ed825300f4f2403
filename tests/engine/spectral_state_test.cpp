#include "engine/SpectralState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

TEST(SpectralState, Window)
{
    for (int n : {128, 256, 512, 1024}) {
        SpectralState state(n);
        EXPECT_EQ(state.window()[0], 0.0) << n;
        EXPECT_NEAR(state.window()[n / 2], 0.45, 1e-7) << n;
        EXPECT_NEAR(state.window()[n / 4], 0.225, 1e-6) << n;
        EXPECT_NEAR(state.window()[n / 4], state.window()[3 * n / 4], 1e-6) << n;
    }
}

TEST(SpectralState, FillValueFramesAddNothingAudible)
{
    SpectralState state(512);
    std::vector<float> fill(512, 1e-25f);
    state.frame(fill.data(), fill.data());
    for (int i = 0; i < 512; ++i)
        ASSERT_LT(std::fabs(state.window()[i] * state.output()[i] / 512), 1e-40) << i;
}

// The product spectrum equals |M_k| * C_k bin by bin, computed here with a
// plain DFT of the windowed inputs.
TEST(SpectralState, CarrierPhaseTimesModulatorMagnitude)
{
    const int n = 128;
    SpectralState state(n);
    std::vector<float> carrier(n), modulator(n);
    for (int i = 0; i < n; ++i) {
        carrier[i] = static_cast<float>(std::sin(0.37 * i) + 0.5 * std::cos(1.9 * i));
        modulator[i] = static_cast<float>(0.8 * std::sin(0.11 * i + 0.3) + 0.1);
    }
    state.frame(carrier.data(), modulator.data());

    auto dft = [&](const std::vector<float>& x, int k) {
        std::complex<double> sum = 0;
        for (int i = 0; i < n; ++i)
            sum += x[i] * state.window()[i] * std::polar(1.0, -2.0 * M_PI * i * k / n);
        return sum;
    };
    std::vector<std::complex<double>> product(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k)
        product[k] = dft(carrier, k) * std::abs(dft(modulator, k));
    for (int i = 0; i < n; ++i) {
        // Inverse of the Hermitian spectrum, unnormalised as FFTW's.
        double y = product[0].real() + product[n / 2].real() * (i % 2 ? -1.0 : 1.0);
        for (int k = 1; k < n / 2; ++k)
            y += 2.0 * (product[k] * std::polar(1.0, 2.0 * M_PI * i * k / n)).real();
        ASSERT_NEAR(state.output()[i], y, 1e-9 * n) << i;
    }
}

TEST(SpectralState, ConstantModulatorPassesOnlyTheLowestCarrierBins)
{
    const int n = 256;
    SpectralState state(n);
    std::vector<float> carrier(n), modulator(n, 0.5f);
    for (int i = 0; i < n; ++i)
        carrier[i] = static_cast<float>(std::sin(2.0 * M_PI * 40.0 * i / n));  // bin 40
    auto energy = [&] {
        state.frame(carrier.data(), modulator.data());
        double sum = 0.0;
        for (int i = 0; i < n; ++i)
            sum += state.output()[i] * state.output()[i];
        return sum;
    };
    const double constant = energy();
    for (int i = 0; i < n; ++i)
        modulator[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 40.0 * i / n));
    const double matching = energy();
    // Only the float rounding of the window leaks: more than 100 dB down.
    EXPECT_LT(constant, 1e-10 * matching);
}
