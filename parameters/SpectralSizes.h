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

// What a size parameter reads back for the value `v` within the pair it
// selected: v where it selects its size there, the fall-back's value else.
float shownFftValue(float v, SpectralPair pair);
float shownHopValue(float v, SpectralPair pair);

}  // namespace spectralsizes
