#include "SpectralSizes.h"

namespace {
// Boundaries belong to the lower size. Comparisons fail for NaN, so NaN and
// values above 1 map to no size.
int sizeFor(float v, const int (&sizes)[4])
{
    if (v <= 0.25f) return sizes[0];
    if (v <= 0.5f) return sizes[1];
    if (v <= 0.75f) return sizes[2];
    if (v <= 1.0f) return sizes[3];
    return 0;
}
}  // namespace

int SpectralSizes::fftSizeFor(float v) { return sizeFor(v, {128, 256, 512, 1024}); }
int SpectralSizes::hopSizeFor(float v) { return sizeFor(v, {32, 64, 96, 128}); }

SpectralSizes::Pair SpectralSizes::pairFor(float fftValue, float hopValue)
{
    int fft = fftSizeFor(fftValue);
    int hop = hopSizeFor(hopValue);
    if (fft == 0)
        fft = 256;
    if (hop == 0 || hop >= fft)
        hop = 32;
    return {fft, hop};
}

SpectralSizes::Change SpectralSizes::setFftSize(float v)
{
    const int wanted = fftSizeFor(v);
    const int hop = hopSize();
    if (wanted > hop) {
        if (wanted == fftSize())
            return {v, false};
        fftSize_.store(wanted, std::memory_order_release);
        return {v, true};
    }
    // No size, or none above the hop: 256, rebuilt even when already 256.
    fftSize_.store(256, std::memory_order_release);
    return {kFftFallbackValue, true};
}

SpectralSizes::Change SpectralSizes::setHopSize(float v)
{
    const int wanted = hopSizeFor(v);
    if (wanted != 0 && wanted < fftSize()) {
        if (wanted == hopSize())
            return {v, false};
        hopSize_.store(wanted, std::memory_order_release);
        return {v, true};
    }
    // No hop below the FFT size, or a value that maps to none: 32.
    hopSize_.store(32, std::memory_order_release);
    return {kHopFallbackValue, true};
}
