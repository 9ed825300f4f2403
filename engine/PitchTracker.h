// The pitch of a voice as it arrives, for a carrier that follows the singer:
// the voice low-passed and decimated to about 11 kHz, and every 5.8 ms the
// YIN difference function over the last 12 ms against lags of 1 to 16.7 ms
// (60 Hz to 1 kHz), normalised by its running mean. A frame is voiced where
// that dips below a threshold and the voice is above a level gate; the
// pitch comes from the first such dip, refined by a parabola.
//
// A value type owned by the audio thread: fixed arrays, nothing allocated
// after prepare.
#pragma once

#include "tools/Filter.h"

#include <array>
#include <cstdint>

class PitchTracker {
public:
    static constexpr double kLowestHz = 60.0, kHighestHz = 1000.0;

    // The host's rate; clears everything.
    void prepare(float sampleRate);
    void clear();
    // Voice samples in order; returns true when a new estimate is ready.
    bool push(float sample);

    // The latest estimate: voiced or not, the frequency in Hz, and how clear
    // the period is (1 − the normalised dip: 1 a perfect period).
    bool voiced() const { return voiced_; }
    float frequency() const { return frequency_; }
    float clarity() const { return clarity_; }
    // The level of the last analysis window, as RMS.
    float level() const { return level_; }
    // Input samples between estimates, and the delay of an estimate behind
    // the newest sample (about half the analysed span).
    int interval() const { return kHop * factor_; }

private:
    static constexpr int kWindow = 128;   // decimated samples summed per lag
    static constexpr int kMaxLag = 192;   // above 11025 / 60
    static constexpr int kHop = 64;       // decimated samples between estimates
    static constexpr int kRing = 512;     // a power of two above kWindow + kMaxLag + kHop
    void analyse();

    int factor_ = 4;
    int phase_ = 0;
    int sinceAnalysis_ = 0;
    float decimatedRate_ = 11025.0f;
    int minLag_ = 11, maxLag_ = 184;
    HighCutFilter first_{44100, 2000.0f}, second_{44100, 2000.0f};
    std::array<float, kRing> ring_{};
    unsigned write_ = 0;
    std::array<float, kMaxLag + 1> difference_{};
    std::array<float, kWindow + kMaxLag> frame_{};
    bool voiced_ = false;
    float frequency_ = 0.0f, clarity_ = 0.0f, level_ = 0.0f;
};
