#include "BandMeter.h"

#include "Erb.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kLowestHz = 50.0, kHighestHz = 18000.0;
constexpr float kFloorDb = -120.0f;

// Band edges on the ERB scale: edge b of kBands + 1.
double edgeErb(double b, float sampleRate)
{
    const double low = erbNumber(kLowestHz), high = erbNumber(std::min(kHighestHz, 0.5 * sampleRate));
    return low + (high - low) * b / BandLevels::kBands;
}
}  // namespace

double BandMeter::centreHz(int band, float sampleRate) { return erbFrequency(edgeErb(band + 0.5, sampleRate)); }

void BandMeter::prepare(int fftSize, float sampleRate)
{
    const int bins = fftSize / 2 + 1;
    const double binHz = static_cast<double>(sampleRate) / fftSize;
    // At least one bin a band, where the low bands are narrower than a bin.
    int previous = 0;
    for (int b = 0; b <= BandLevels::kBands; ++b) {
        const double hz = erbFrequency(edgeErb(b, sampleRate));
        const int edge = std::clamp(static_cast<int>(std::lround(hz / binHz)), previous + (b > 0 ? 1 : 0), bins);
        edges_[static_cast<size_t>(b)] = edge;
        previous = edge;
    }
    // A sine of amplitude 1 through the 0.45-scaled Hann window: about
    // 0.0142 N² of power over its three strongest bins.
    scale_ = 1.0 / (0.0142 * static_cast<double>(fftSize) * fftSize);
}

void BandMeter::measure(const fftw_complex* spectrum, std::array<float, BandLevels::kBands>& levels,
                        const fftw_complex* other) const
{
    const auto bandPower = [this](const fftw_complex* bins, int b) {
        double power = 0.0;
        for (int k = edges_[static_cast<size_t>(b)]; k < edges_[static_cast<size_t>(b) + 1]; ++k)
            power += bins[k][0] * bins[k][0] + bins[k][1] * bins[k][1];
        return power;
    };
    for (int b = 0; b < BandLevels::kBands; ++b) {
        double power = bandPower(spectrum, b);
        if (other)
            power = std::max(power, bandPower(other, b));
        const double db = 10.0 * std::log10(power * scale_ + 1e-12);
        levels[static_cast<size_t>(b)] = std::max(kFloorDb, static_cast<float>(db));
    }
}

void BandMeter::publish(const BandLevels& levels)
{
    const std::uint32_t s = sequence_.load(std::memory_order_relaxed);
    sequence_.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int b = 0; b < BandLevels::kBands; ++b) {
        values_[static_cast<size_t>(b)].store(levels.voice[static_cast<size_t>(b)], std::memory_order_relaxed);
        values_[static_cast<size_t>(b + BandLevels::kBands)].store(levels.output[static_cast<size_t>(b)],
                                                                   std::memory_order_relaxed);
    }
    sequence_.store(s + 2, std::memory_order_release);
}

int BandMeter::read(float* voice, float* output, int capacity) const
{
    BandLevels levels;
    if (!read(levels))
        return 0;
    const int count = std::min(capacity, BandLevels::kBands);
    std::copy_n(levels.voice.begin(), count, voice);
    std::copy_n(levels.output.begin(), count, output);
    return count;
}

bool BandMeter::read(BandLevels& levels) const
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::uint32_t before = sequence_.load(std::memory_order_acquire);
        if (before == 0)
            return false;
        if (before & 1u)
            continue;
        for (int b = 0; b < BandLevels::kBands; ++b) {
            levels.voice[static_cast<size_t>(b)] = values_[static_cast<size_t>(b)].load(std::memory_order_relaxed);
            levels.output[static_cast<size_t>(b)] =
                values_[static_cast<size_t>(b + BandLevels::kBands)].load(std::memory_order_relaxed);
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) == before)
            return true;
    }
    return false;
}
