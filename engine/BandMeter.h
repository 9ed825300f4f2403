// Band levels for a display, from the audio thread to any other: the
// voice's and the output's power in kBands bands spaced on the ERB scale
// from 50 Hz to 18 kHz, in dB (a full-scale sine in a band reads about 0),
// measured on every hop's spectra. The audio thread publishes without ever
// waiting; a reader takes a whole, consistent snapshot or, while a write is
// under way, tries again (a sequence lock over relaxed atomic values).
#pragma once

#include <fftw3.h>

#include <array>
#include <atomic>
#include <cstdint>

struct BandLevels {
    static constexpr int kBands = 32;
    std::array<float, kBands> voice{}, output{};
};

class BandMeter {
public:
    // The bands' bins for an FFT size and rate (audio thread, before measuring).
    void prepare(int fftSize, float sampleRate);
    // The middle of band `band` on the ERB scale, in Hz.
    static double centreHz(int band, float sampleRate);
    // The power of each band of `spectrum` (fftSize / 2 + 1 bins), in dB;
    // with a second spectrum (the other side of a stereo output), the power
    // of the side that is louder in that band.
    void measure(const fftw_complex* spectrum, std::array<float, BandLevels::kBands>& levels,
                 const fftw_complex* other = nullptr) const;

    // Audio thread.
    void publish(const BandLevels& levels);
    // Any thread: false until the first publish, or if every try met a write.
    bool read(BandLevels& levels) const;
    // The same into a display's arrays: how many bands it gave (0 for none).
    int read(float* voice, float* output, int capacity) const;

private:
    static constexpr int kValues = 2 * BandLevels::kBands;
    std::array<int, BandLevels::kBands + 1> edges_{};  // band b covers bins edges_[b] … edges_[b + 1] − 1
    double scale_ = 1.0;                                // power to full scale
    std::atomic<std::uint32_t> sequence_{0};            // odd while a write is under way
    std::array<std::atomic<float>, kValues> values_{};
};
