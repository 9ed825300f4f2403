// The pitch of a voice as it arrives, for a carrier that follows the singer:
// the voice decimated to about 11 kHz (the mean of each group of samples,
// then a low-pass at the decimated rate: cheap, and what aliases is weak in
// a voice and does not move its period), and every 5.8 ms the
// YIN difference function over the last 12 ms against lags of 1 to 16.7 ms
// (60 Hz to 1 kHz), normalised by its running mean. A frame is voiced where
// that dips below a threshold and the voice is above a level gate; the
// pitch comes from the first such dip, refined by a parabola. A voiced run
// starts only where the window also correlates closely with the one a
// period before, which breath and whispered consonants do not.
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
    // Inline: it runs for every sample of the voice.
    bool push(float sample)
    {
        sum_ += sample;
        if (++phase_ < factor_)
            return false;
        phase_ = 0;
        const float low = second_.section().step(first_.section().step(sum_ * inverseFactor_));
        sum_ = 0.0f;
        ring_[write_++ & (kRing - 1)] = low;
        if (++sinceAnalysis_ < kHop)
            return false;
        sinceAnalysis_ = 0;
        analyse();
        return true;
    }

    // The latest estimate: voiced or not, the frequency in Hz, and how clear
    // the period is (1 − the normalised dip: 1 a perfect period).
    bool voiced() const { return voiced_; }
    float frequency() const { return frequency_; }
    float clarity() const { return clarity_; }
    // The level of the last analysis window, as RMS.
    float level() const { return level_; }

private:
    static constexpr int kWindow = 128;   // decimated samples summed per lag
    static constexpr int kMaxLag = 192;   // above 11025 / 60
    static constexpr int kHop = 64;       // decimated samples between estimates
    static constexpr int kRing = 512;     // a power of two above kWindow + kMaxLag + kHop
    void analyse();
    static float likeness(const float* newest, int lag);

    int factor_ = 4;
    float inverseFactor_ = 0.25f;
    float sum_ = 0.0f;
    int phase_ = 0;
    int sinceAnalysis_ = 0;
    float decimatedRate_ = 11025.0f;
    int minLag_ = 11, maxLag_ = 184;
    HighCutFilter first_{44100, 2000.0f}, second_{44100, 2000.0f};
    std::array<float, kRing> ring_{};
    unsigned write_ = 0;
    std::array<float, kMaxLag + 1> difference_{};
    static constexpr int kLead = 16;  // zeros before the span, which the lag blocks may read
    std::array<float, kLead + kWindow + kMaxLag> frame_{};
    bool voiced_ = false;
    float frequency_ = 0.0f, clarity_ = 0.0f, level_ = 0.0f;
};
