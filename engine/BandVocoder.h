// The Clear engine's spectral shaping, one frame at a time: the voice's
// envelope, measured in bands on a perceptual (ERB) scale, is imposed on the
// carrier, whose own envelope is divided out as far as Flatten asks while its
// broadband level is kept. Formant reads the voice's envelope at a shifted
// frequency, Sibilance lets noise-like frames of the voice through above
// about 4 kHz, Freeze holds the voice's envelope, and Width sends alternate
// bands to the two outputs.
//
// A value type owned by the audio thread: fixed arrays, nothing allocated.
// Settings may change at any frame; the band layouts are rebuilt at the next
// frame when the band count, the FFT size or the rate changed.
#pragma once

#include <fftw3.h>

#include <array>
#include <cstdint>

class BandVocoder {
public:
    static constexpr int kLargestFft = 4096;
    static constexpr int kMaxBins = kLargestFft / 2 + 1;
    static constexpr int kMaxBands = 80;

    BandVocoder();

    // The transform's size and hop and the rate, for frequencies and times.
    void configure(int fftSize, int hop, float sampleRate);
    void setBands(int count);          // 2 … kMaxBands, spread from 50 Hz to 18 kHz
    void setFlatten(double amount);    // 0 … 1
    void setFormant(double semitones);
    void setSibilance(double amount);  // 0 … 1
    void setFreeze(bool on);
    void setWidth(double amount);      // 0 … 1
    // Forgets the carrier's level, the sibilance weight and any held envelope.
    void clear();

    // The settings as given, for inspection.
    int bands() const { return bands_; }
    double flatten() const { return flatten_; }
    double formant() const { return formant_; }
    double sibilance() const { return sibilance_; }
    double width() const { return width_; }
    // Whether render writes two different spectra.
    bool stereo() const { return width_ > 0.0; }
    // The voice's bands as the last frame laid them out: how many, and
    // each one's centre in Hz (fewer than asked where the transform's bins
    // are too coarse for them).
    int bandsInUse() const { return voiceLayout_.count; }
    double bandCentre(int band) const { return voiceLayout_.centre[static_cast<size_t>(band)]; }

    // One frame. voice and carrier hold N / 2 + 1 bins; left receives the
    // result and may be the voice's own array (each bin is read before it is
    // written); right, when given, the right-hand result (else left is both).
    void render(const fftw_complex* voice, const fftw_complex* carrier, fftw_complex* left, fftw_complex* right);

private:
    // Where a bin falls between two band centres: `t` of the way from band
    // `band` to band + 1.
    struct Split {
        std::int16_t band;
        float t;
    };
    // Band centres from 50 Hz to 18 kHz on the ERB scale, at least
    // `minimumSpacing` bins apart, and each bin's split between them.
    struct Layout {
        int count = 0;
        std::array<double, kMaxBands> centre{};
        std::array<double, kMaxBands> weight{};  // the bins' shares of each band
        std::array<double, kMaxBands> inverseWeight{};
        std::array<Split, kMaxBins> split{};
        void build(int bands, double minimumSpacing, int bins, double binHz);
        // The splits of bins read at frequency f / ratio.
        void map(Split* out, int bins, double binHz, double ratio) const;
        // Mean power per bin of each band.
        double measure(const fftw_complex* spectrum, int bins, double* power, int from, double* above) const;
    };

    void rebuild();

    int bins_ = 257;
    double binHz_ = 44100.0 / 512;
    int bands_ = 40;
    double flatten_ = 1.0;
    double formant_ = 0.0;
    double sibilance_ = 0.5;
    bool freeze_ = false;
    double width_ = 0.0;
    bool layoutChanged_ = true;
    bool formantChanged_ = true;
    bool heldValid_ = false;  // the voice's bands hold a measurement of this layout

    Layout voiceLayout_;
    Layout carrierLayout_;
    std::array<Split, kMaxBins> voiceRead_{};  // voiceLayout_'s splits at the formant's shift
    std::array<float, kMaxBins> leftShare_{};  // of each bin, the share of its even-numbered bands
    std::array<float, kMaxBins> highBand_{};   // 0 below 3 kHz rising to 1 at 5 kHz
    int sibilanceFrom_ = 0;                    // the first bin above 3 kHz

    std::array<double, kMaxBands> voicePower_{};
    std::array<double, kMaxBands> voiceAmplitude_{};  // the square roots, interpolated across bins
    std::array<double, kMaxBands> carrierPower_{};
    std::array<double, kMaxBands> carrierGain_{};
    double carrierLevel_ = 0.0;   // smoothed mean power per bin
    double levelRise_ = 0.0;      // per-frame coefficients of that smoothing
    double levelFall_ = 0.0;
    double sibilanceWeight_ = 0.0;
    double sibilanceCoefficient_ = 0.0;
};
