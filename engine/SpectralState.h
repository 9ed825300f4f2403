// The spectral core: per hop, window N samples of carrier and modulator,
// transform both, give every carrier bin the modulator's magnitude, and
// transform back. Buffers come from fftw_malloc and the three plans are made
// once per FFT size, never per frame.
#pragma once

#include <fftw3.h>

class BandMeter;
struct BandLevels;
class BandVocoder;

#include <memory>
#include <vector>

class SpectralState {
public:
    explicit SpectralState(int fftSize);  // builds buffers, plans and window
    ~SpectralState();
    SpectralState(const SpectralState&) = delete;
    SpectralState& operator=(const SpectralState&) = delete;

    int fftSize() const { return n_; }
    // The periodic Hann window scaled by 0.45, shared by analysis and synthesis.
    const double* window() const { return window_.data(); }

    // Reads carrier[0..N-1] and modulator[0..N-1]; leaves N resynthesised samples
    // (N times the inverse transform of the product spectrum) in output().
    // With `meter`, the voice's and the output's band levels go to `levels`.
    void frame(const float* carrier, const float* modulator, const BandMeter* meter = nullptr,
               BandLevels* levels = nullptr);
    const double* output() const { return modulatorFrame_; }
    // The same frame through the band vocoder, its spectrum blended with the
    // product above by `blend` (1: the band vocoder alone, 0: the product
    // alone, exactly). With `stereo`, a second result for the right-hand
    // output goes to rightOutput().
    void frame(const float* carrier, const float* modulator, BandVocoder& shaper, double blend, bool stereo,
               const BandMeter* meter = nullptr, BandLevels* levels = nullptr);
    const double* rightOutput() const { return rightFrame_; }
    // Zeroes the two real transform buffers.
    void clear();

private:
    // Windows both inputs and transforms them into their spectra.
    void analyse(const float* carrier, const float* modulator);
    void release();

    int n_;
    double* carrierFrame_ = nullptr;
    double* modulatorFrame_ = nullptr;
    fftw_complex* modulatorSpectrum_ = nullptr;
    fftw_complex* carrierSpectrum_ = nullptr;
    fftw_complex* bandSpectrum_ = nullptr;   // the band vocoder's result while blending
    fftw_complex* rightSpectrum_ = nullptr;
    double* rightFrame_ = nullptr;
    fftw_plan carrierPlan_ = nullptr;
    fftw_plan modulatorPlan_ = nullptr;
    fftw_plan inversePlan_ = nullptr;
    fftw_plan rightPlan_ = nullptr;
    std::vector<double> window_;
};

// One spectral state for each FFT size, built up front, so that a size change
// is a switch between ready states: nothing is built or released while the
// audio thread may be using a state.
class SpectralBank {
public:
    // The sizes of the table, and the Clear engine's at higher rates.
    static constexpr int kSizes[] = {128, 256, 512, 1024, 2048, 4096};
    static constexpr int kLargestSize = 4096;

    SpectralBank();
    SpectralState& forSize(int fftSize);  // one of kSizes

private:
    std::vector<std::unique_ptr<SpectralState>> states_;
};
