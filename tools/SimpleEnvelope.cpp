#include "SimpleEnvelope.h"

#include "ToolAssert.h"

#include <cmath>

namespace {
constexpr const char* kSource = "tools/SimpleEnvelope";

double baseCoefficient(double ms, double sampleRate)
{
    return std::exp(-1000.0 / (ms * sampleRate));
}
}  // namespace

EnvelopeDetector::EnvelopeDetector(double ms, double sampleRate)
{
    TOOL_ASSERT(sampleRate > 0.0, "sampleRate > 0.0", kSource);
    TOOL_ASSERT(ms > 0.0, "ms > 0.0", kSource);
    sampleRate_ = sampleRate;
    timeConstant_ = ms;
    // The base rule, also in derived classes: theirs applies from the first setter on.
    setCoefficient(baseCoefficient(ms, sampleRate));
}

void EnvelopeDetector::setTimeConstant(double ms)
{
    TOOL_ASSERT(ms > 0.0, "ms > 0.0", kSource);
    timeConstant_ = ms;
    updateCoefficient();
}

double EnvelopeDetector::timeConstant() const
{
    return timeConstant_;
}

void EnvelopeDetector::setSampleRate(double sampleRate)
{
    TOOL_ASSERT(sampleRate > 0.0, "sampleRate > 0.0", kSource);
    sampleRate_ = sampleRate;
    updateCoefficient();
}

double EnvelopeDetector::sampleRate() const
{
    return sampleRate_;
}

void EnvelopeDetector::updateCoefficient()
{
    setCoefficient(baseCoefficient(timeConstant(), sampleRate()));
}

AttRelEnvelope::AttRelEnvelope(double attackMs, double releaseMs, double sampleRate)
    : attack_(attackMs, sampleRate), release_(releaseMs, sampleRate)
{
}

void AttRelEnvelope::setAttack(double ms) { attack_.setTimeConstant(ms); }
double AttRelEnvelope::attack() const { return attack_.timeConstant(); }
void AttRelEnvelope::setRelease(double ms) { release_.setTimeConstant(ms); }
double AttRelEnvelope::release() const { return release_.timeConstant(); }

void AttRelEnvelope::setSampleRate(double sampleRate)
{
    attack_.setSampleRate(sampleRate);
    release_.setSampleRate(sampleRate);
}

double AttRelEnvelope::sampleRate() const { return attack_.sampleRate(); }
