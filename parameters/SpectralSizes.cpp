#include "SpectralSizes.h"

namespace spectralsizes {

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

int fftSizeFor(float v) { return sizeFor(v, {128, 256, 512, 1024}); }
int hopSizeFor(float v) { return sizeFor(v, {32, 64, 96, 128}); }

SpectralPair pairFor(float fftValue, float hopValue)
{
    int fft = fftSizeFor(fftValue);
    int hop = hopSizeFor(hopValue);
    if (fft == 0)
        fft = 256;
    if (hop == 0 || hop >= fft)
        hop = 32;
    return {fft, hop};
}

Change fftChange(float v, SpectralPair current)
{
    const int wanted = fftSizeFor(v);
    if (wanted > current.hopSize)
        return {v, wanted != current.fftSize};
    return {kFftFallbackValue, true};
}

Change hopChange(float v, SpectralPair current)
{
    const int wanted = hopSizeFor(v);
    if (wanted != 0 && wanted < current.fftSize)
        return {v, wanted != current.hopSize};
    return {kHopFallbackValue, true};
}

float shownFftValue(float v, SpectralPair pair) { return fftSizeFor(v) == pair.fftSize ? v : kFftFallbackValue; }

float shownHopValue(float v, SpectralPair pair) { return hopSizeFor(v) == pair.hopSize ? v : kHopFallbackValue; }

}  // namespace spectralsizes
