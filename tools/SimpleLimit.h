// Look-ahead peak limiter on a stereo pair, one pair per call.
//
// The largest recent peak is held for `latency()` samples and followed by a
// fast envelope; the input leaves a delay line of the same length, so the gain
// is already down when a peak comes out. A plain value owned by the audio thread.
#pragma once

#include "Decibels.h"
#include "SimpleEnvelope.h"

#include <cmath>
#include <cstdint>
#include <vector>

class SimpleLimit {
public:
    static constexpr std::uint32_t BUFFER_SIZE = 1024;  // delay-line length, samples

    // Envelope whose step is followed by 99 % after one time constant.
    class FastEnvelope : public EnvelopeDetector {
    public:
        using EnvelopeDetector::EnvelopeDetector;

    protected:
        void updateCoefficient() override;
    };

    SimpleLimit();  // 0 dB, attack 1 ms (44-sample hold), release 10 ms, 44100 Hz
    virtual ~SimpleLimit() = default;

    virtual void setThreshold(double dB);
    virtual void setAttack(double ms);  // also sets the peak hold and so the delay
    virtual void setRelease(double ms);
    virtual double threshold() const;
    virtual double attack() const;
    virtual double release() const;
    virtual int latency() const;  // samples
    // The peak hold, and so the delay, that an attack of `ms` gives at `sampleRate`.
    static double holdFor(double ms, double sampleRate) { return std::trunc(sampleRate * (ms * 0.001)); }
    virtual void setSampleRate(double sampleRate);  // keeps the peak hold
    virtual double sampleRate() const;
    virtual void resetState();

    double envelope() const { return envelope_; }
    double heldPeak() const { return heldPeak_; }
    double attackCoefficient() const { return attack_.coefficient(); }
    double releaseCoefficient() const { return release_.coefficient(); }

    // Replaces in1 and in2 with the limited, delayed samples. They may name the
    // same sample, which is then delayed and multiplied once.
    void process(double& in1, double& in2)
    {
        const double level = thresholdLevel_;
        const auto hold = static_cast<std::uint32_t>(peakHold_);

        double key = std::fabs(in1) > std::fabs(in2) ? std::fabs(in1) : std::fabs(in2);
        if (key < level)
            key = level;
        ++peakTimer_;
        if (peakTimer_ >= hold || key > heldPeak_) {
            heldPeak_ = key;
            peakTimer_ = 0;
        }
        if (heldPeak_ > envelope_)
            attack_.run(heldPeak_, envelope_);
        else
            release_.run(heldPeak_, envelope_);
        const double gain = level / envelope_;

        const std::uint32_t readIndex = (writeIndex_ - hold) & indexMask_;
        const double d1 = delay1_[readIndex];
        const double d2 = delay2_[readIndex];
        delay1_[writeIndex_] = in1;
        delay2_[writeIndex_] = in2;
        writeIndex_ = (writeIndex_ + 1) & indexMask_;
        in1 = d1 * gain;
        in2 = d2 * gain;
    }

    // process(x[i], x[i]) for every sample, with the state in locals.
    void processBlock(double* x, int count);

private:
    double threshold_ = 0.0;
    double thresholdLevel_ = 1.0;
    std::int32_t peakHold_ = 0;
    std::uint32_t peakTimer_ = 0;
    double heldPeak_ = 1.0;
    FastEnvelope attack_;
    FastEnvelope release_;
    double envelope_ = 1.0;
    std::uint32_t indexMask_ = BUFFER_SIZE - 1;
    std::uint32_t writeIndex_ = 0;
    std::vector<double> delay1_;
    std::vector<double> delay2_;
};
