// Four-band equaliser on one mono signal: low cut, two peaks, high cut in
// series, with a tiny noise added against denormals.
//
// A plain value owned by the audio thread. Setters only store settings;
// `process` redesigns the filters from them at the start of its next block,
// so every change of a block takes effect at once. Gliding, the same
// responses come from state-variable sections whose frequencies, gains and
// Q move to new settings in a straight line over kGlideSeconds, sample by
// sample, so automation neither steps nor clicks.
#pragma once

#include "Filter.h"

#include <array>
#include <cstdint>

class Equaliser {
public:
    explicit Equaliser(int sampleRate);

    // Frequencies in Hz, gains in dB; the filters store them as 32-bit floats.
    void setLowCutHz(double hz);
    void setPeak1Hz(double hz);
    void setPeak1Q(double q);
    void setPeak1GainDb(double db);
    void setPeak2Hz(double hz);
    void setPeak2Q(double q);
    void setPeak2GainDb(double db);
    void setHighCutHz(double hz);
    // Applied with the next block; frequencies are kept below 0.49 × rate, which
    // no setting reaches at 44100 Hz.
    void setSampleRate(int rate);
    // Settings glide from the next change on; `settle` jumps to them.
    void setGliding(bool on) { gliding_ = on; }
    void settle() { settle_ = true; }
    static constexpr double kGlideSeconds = 0.015;

    // Adds the noise to `buffer` in place, then filters it into `out` (distinct
    // arrays, any count). Never allocates.
    void process(float* buffer, float* out, int count);

    // The filters as the audio thread last designed them.
    const LowCutFilter& lowCut() const { return lowCut_; }
    const PeakFilter& peak1() const { return peak1_; }
    const PeakFilter& peak2() const { return peak2_; }
    const HighCutFilter& highCut() const { return highCut_; }
    // The first bell's gliding section as it plays now.
    const StateVariable::Design& peak1Design() const { return glidingSections_[1].now; }

private:
    struct PeakSettings {
        float frequency;
        float q = 4.0f;
        float gain = 0.0f;
    };

    void store(float& setting, double value);
    void applySettings();

    void designGliding();

    HighCutFilter highCut_;
    PeakFilter peak1_;
    PeakFilter peak2_;
    LowCutFilter lowCut_;
    std::uint32_t noise_ = 1;

    float lowCutHz_ = 200.0f;
    PeakSettings peak1Settings_{800.0f};
    PeakSettings peak2Settings_{2000.0f};
    float highCutHz_ = 8000.0f;
    int sampleRate_;
    bool changed_ = false;
    bool gliding_ = false;
    bool settle_ = true;
    std::array<StateVariable, 4> glidingSections_{};  // low cut, peaks, high cut
};
