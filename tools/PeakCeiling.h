// A ceiling without look-ahead, for an output that must never go over a
// level: a peak envelope that rises with the signal at once and falls
// slowly, and a gain that maps the envelope through a soft knee onto a curve
// approaching the ceiling without reaching it. Below the knee the signal
// passes untouched (a gain of exactly 1); a new peak lowers the gain as it
// rises, so no sample passes the ceiling, and the slow fall keeps the next
// cycles of a loud sound from being squashed one by one (a gain that
// breathes, not a clipper).
//
// A value type owned by the audio thread.
#pragma once

#include <algorithm>
#include <cmath>

class PeakCeiling {
public:
    // The ceiling and where the knee starts below it, in dBFS; the fall, in
    // ms at `sampleRate`.
    void prepare(double sampleRate, double ceilingDb, double kneeDb, double fallMs)
    {
        ceiling_ = std::pow(10.0, ceilingDb / 20.0);
        knee_ = std::pow(10.0, (ceilingDb - kneeDb) / 20.0);
        fall_ = std::exp(-1.0 / (fallMs * 1e-3 * sampleRate));
    }
    void reset() { envelope_ = 0.0; }

    // One gain for both outputs; `right` may be null.
    void process(float* left, float* right, int frames)
    {
        for (int i = 0; i < frames; ++i) {
            const double peak = std::max(std::fabs(static_cast<double>(left[i])),
                                         right ? std::fabs(static_cast<double>(right[i])) : 0.0);
            envelope_ = std::max(peak, envelope_ * fall_);
            if (envelope_ <= knee_)
                continue;
            const auto g = static_cast<float>(shaped(envelope_) / envelope_);
            left[i] *= g;
            if (right)
                right[i] *= g;
        }
    }

private:
    // Straight up to the knee, then bending over towards the ceiling.
    double shaped(double level) const
    {
        const double room = ceiling_ - knee_;
        return knee_ + room * std::tanh((level - knee_) / room);
    }

    double ceiling_ = 1.0, knee_ = 1.0, fall_ = 0.0, envelope_ = 0.0;
};
