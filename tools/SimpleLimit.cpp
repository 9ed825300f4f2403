#include "SimpleLimit.h"

#include "ToolAssert.h"

#include <algorithm>
#include <cmath>

void SimpleLimit::FastEnvelope::updateCoefficient()
{
    setCoefficient(std::pow(0.01, 1000.0 / (timeConstant() * sampleRate())));
}

SimpleLimit::SimpleLimit() : attack_(1.0, 44100.0), release_(10.0, 44100.0)
{
    setAttack(1.0);
    delay1_.assign(BUFFER_SIZE, 0.0);
    delay2_.assign(BUFFER_SIZE, 0.0);
}

void SimpleLimit::setThreshold(double dB)
{
    threshold_ = dB;
    thresholdLevel_ = decibelsToLinear(dB);
}

void SimpleLimit::setAttack(double ms)
{
    // Truncated toward zero; the check is the unsigned "samp < BUFFER_SIZE" on the
    // truncated count, made before any conversion so that no value is undefined.
    const double samp = holdFor(ms, attack_.sampleRate());
    TOOL_ASSERT(samp > -1.0 && samp < BUFFER_SIZE, "samp < BUFFER_SIZE", "tools/SimpleLimit");
    peakHold_ = static_cast<std::int32_t>(samp);
    attack_.setTimeConstant(ms);
}

void SimpleLimit::setRelease(double ms) { release_.setTimeConstant(ms); }
double SimpleLimit::threshold() const { return threshold_; }
double SimpleLimit::attack() const { return attack_.timeConstant(); }
double SimpleLimit::release() const { return release_.timeConstant(); }
int SimpleLimit::latency() const { return peakHold_; }

void SimpleLimit::setSampleRate(double sampleRate)
{
    attack_.setSampleRate(sampleRate);
    release_.setSampleRate(sampleRate);
}

double SimpleLimit::sampleRate() const { return attack_.sampleRate(); }

void SimpleLimit::resetState()
{
    heldPeak_ = thresholdLevel_;
    envelope_ = heldPeak_;
    peakTimer_ = 0;
    writeIndex_ = 0;
    std::fill(delay1_.begin(), delay1_.end(), 0.0);
    std::fill(delay2_.begin(), delay2_.end(), 0.0);
}

void SimpleLimit::processBlock(double* x, int count)
{
    const double level = thresholdLevel_;
    const auto hold = static_cast<std::uint32_t>(peakHold_);
    const double attack = attack_.coefficient();
    const double release = release_.coefficient();
    std::uint32_t timer = peakTimer_;
    double held = heldPeak_;
    double envelope = envelope_;
    std::uint32_t write = writeIndex_;
    double* line1 = delay1_.data();
    double* line2 = delay2_.data();
    for (int i = 0; i < count; ++i) {
        const double in = x[i];
        double key = std::fabs(in);
        if (key < level)
            key = level;
        ++timer;
        if (timer >= hold || key > held) {
            held = key;
            timer = 0;
        }
        if (held > envelope)
            envelope = held + attack * (envelope - held);
        else
            envelope = held + release * (envelope - held);
        const double gain = level / envelope;
        const std::uint32_t read = (write - hold) & indexMask_;
        const double delayed = line2[read];
        line1[write] = in;
        line2[write] = in;
        write = (write + 1) & indexMask_;
        x[i] = delayed * gain;
    }
    peakTimer_ = timer;
    heldPeak_ = held;
    envelope_ = envelope;
    writeIndex_ = write;
}
