// The FFT size and hop size of the spectral engine, chosen by the "FFT SIZE"
// and "HOP SIZE" parameters, and the rules that keep hop < FFT size with the
// fall-backs FFT 256 and hop 32. Pure functions: the parameter store keeps
// the two values and applies these rules.
#pragma once

struct SpectralPair {
    int fftSize;
    int hopSize;
    bool operator==(const SpectralPair&) const = default;
};

namespace spectralsizes {

inline constexpr float kFftFallbackValue = 0.33333334f;  // maps back to 256
inline constexpr float kHopFallbackValue = 0.0f;         // maps back to 32

// 128, 256, 512 or 1024; 0 for a value above 1 or NaN.
int fftSizeFor(float v);
// 32, 64, 96 or 128; 0 for a value above 1 or NaN.
int hopSizeFor(float v);

// The pair two values select taken together, in no order: no size falls
// back to FFT 256, and a hop that is none or not below the FFT size to 32,
// which fits every size.
SpectralPair pairFor(float fftValue, float hopValue);

// One value as it arrives, the other size standing: the value kept for it
// (itself, or its fall-back's) and whether the engine resets its buffers.
// The same size again resets nothing; a fall-back resets even when it
// leaves the size as it was.
struct Change {
    float stored;
    bool reset;
};
Change fftChange(float v, SpectralPair current);
Change hopChange(float v, SpectralPair current);

// The Clear engine counts FFT SIZE and HOP SIZE in samples at 22.05 kHz,
// so that a frame lasts as long at every rate: at a host's rate both are
// multiplied by the power of two nearest rate / 22050 (1 below 30 kHz, 2 at
// 44.1 and 48 kHz, 4 from 60 kHz on).
inline int clearScale(float sampleRate) { return sampleRate < 30000.0f ? 1 : sampleRate < 60000.0f ? 2 : 4; }
inline SpectralPair clearPair(SpectralPair pair, float sampleRate)
{
    const int scale = clearScale(sampleRate);
    return {pair.fftSize * scale, pair.hopSize * scale};
}

// What a size parameter reads back for the value `v` within the pair it
// selected: v where it selects its size there, the fall-back's value else.
float shownFftValue(float v, SpectralPair pair);
float shownHopValue(float v, SpectralPair pair);

}  // namespace spectralsizes
