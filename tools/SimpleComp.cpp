#include "SimpleComp.h"

#include "ToolAssert.h"

SimpleComp::SimpleComp(double attackMs, double releaseMs, double sampleRate)
    : AttRelEnvelope(attackMs, releaseMs, sampleRate)
{
}

void SimpleComp::setThreshold(double dB) { threshold_.store(dB, std::memory_order_relaxed); }

void SimpleComp::setRatio(double ratio)
{
    TOOL_ASSERT(ratio > 0.0, "ratio > 0.0", "tools/SimpleComp");
    ratio_.store(ratio, std::memory_order_relaxed);
}

double SimpleComp::threshold() const { return threshold_.load(std::memory_order_relaxed); }
double SimpleComp::ratio() const { return ratio_.load(std::memory_order_relaxed); }
void SimpleComp::resetState() { envelope_ = DENORMAL_GUARD; }

SimpleCompRms::SimpleCompRms() : SimpleComp(10.0, 100.0, 44100.0), averager_(5.0, 44100.0) {}

void SimpleCompRms::setSampleRate(double sampleRate)
{
    SimpleComp::setSampleRate(sampleRate);
    averager_.setSampleRate(sampleRate);
}

void SimpleCompRms::resetState()
{
    SimpleComp::resetState();
    meanSquare_ = DENORMAL_GUARD;
}

void SimpleCompRms::setWindow(double ms) { averager_.setTimeConstant(ms); }
double SimpleCompRms::window() const { return averager_.timeConstant(); }
