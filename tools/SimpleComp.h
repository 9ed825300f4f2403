// Feed-forward compressor on a stereo pair, one pair per call.
//
// A plain value owned by the audio thread; the envelope and mean square are
// reset only by resetState().
#pragma once

#include "Decibels.h"
#include "SimpleEnvelope.h"

#include <cmath>

class SimpleComp : public AttRelEnvelope {
public:
    SimpleComp(double attackMs, double releaseMs, double sampleRate);

    virtual void setThreshold(double dB);  // 0 dB = sample value 1.0
    virtual void setRatio(double ratio);   // dB per dB above the threshold; 1 = none
    virtual double threshold() const;
    virtual double ratio() const;
    virtual void resetState();

    double envelope() const { return envelope_; }

    // Gain from a detector level supplied by the caller. in1 and in2 may name
    // the same sample, which is then multiplied once.
    void process(double& in1, double& in2, double key)
    {
        key = std::fabs(key) + DENORMAL_GUARD;
        double overshoot = linearToDecibels(key) - threshold_;
        if (overshoot < 0.0)
            overshoot = 0.0;
        overshoot += DENORMAL_GUARD;
        AttRelEnvelope::run(overshoot, envelope_);
        const double gainDb = (envelope_ - DENORMAL_GUARD) * (ratio_ - 1.0);
        const double gain = decibelsToLinear(gainDb);
        in1 *= gain;
        if (&in2 != &in1)
            in2 *= gain;
    }

protected:
    double threshold_ = 0.0;
    double ratio_ = 1.0;
    double envelope_ = DENORMAL_GUARD;  // smoothed overshoot in dB, plus the guard
};

// The compressor with an RMS detector over the pair's total power.
class SimpleCompRms : public SimpleComp {
public:
    SimpleCompRms();  // attack 10 ms, release 100 ms, window 5 ms, 44100 Hz

    void setSampleRate(double sampleRate) override;
    void resetState() override;
    virtual void setWindow(double ms);
    virtual double window() const;

    double meanSquare() const { return meanSquare_; }

    void process(double& in1, double& in2)
    {
        const double sum = in1 * in1 + in2 * in2 + DENORMAL_GUARD;
        averager_.run(sum, meanSquare_);
        SimpleComp::process(in1, in2, std::sqrt(meanSquare_));
    }

    // process(x[i], x[i]) for every sample: the two recursions run sample by
    // sample as there, the logarithms and exponentials between them over the
    // block (both within an ulp of the C library's).
    void processBlock(double* x, int count);
    // process(left[i], right[i]) for every sample, the same way.
    void processBlock(double* left, double* right, int count);

private:
    template <bool Pair>
    void run(double* x, double* y, int count);
    static constexpr int kChunk = 64;
    EnvelopeDetector averager_;
    double levels_[2][kChunk];
    double meanSquare_ = DENORMAL_GUARD;
};
