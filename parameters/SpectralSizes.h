// The FFT size and hop size of the spectral engine, chosen by the "FFT SIZE"
// and "HOP SIZE" parameters, with the rule hop < FFT size enforced by
// fall-backs (FFT 256, hop 32).
//
// The sizes are atomics: setters on any thread write them; display texts and
// the reported delay read them. The engine takes its sizes from the values.
#pragma once

#include <atomic>

class SpectralSizes {
public:
    struct Change {
        float stored;  // normalised value the parameter store keeps
        bool apply;    // the engine must rebuild (FFT) or reset its buffers (hop)
    };

    static constexpr float kFftFallbackValue = 0.33333334f;  // maps back to 256
    static constexpr float kHopFallbackValue = 0.0f;         // maps back to 32

    // 128, 256, 512 or 1024; 0 for a value above 1 or NaN.
    static int fftSizeFor(float v);
    // 32, 64, 96 or 128; 0 for a value above 1 or NaN.
    static int hopSizeFor(float v);

    struct Pair {
        int fftSize;
        int hopSize;
    };
    // The sizes two values select taken together: no size falls back to FFT
    // 256, and a hop that is none or not below the FFT size to 32, which
    // fits every size.
    static Pair pairFor(float fftValue, float hopValue);

    int fftSize() const { return fftSize_.load(std::memory_order_acquire); }
    int hopSize() const { return hopSize_.load(std::memory_order_acquire); }

    Change setFftSize(float v);
    Change setHopSize(float v);

private:
    std::atomic<int> fftSize_{512};
    std::atomic<int> hopSize_{128};
};
