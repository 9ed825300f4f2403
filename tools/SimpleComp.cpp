#include "SimpleComp.h"

#include "ToolAssert.h"

#include <algorithm>

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

void SimpleCompRms::processBlock(double* x, int count)
{
    const double window = averager_.coefficient();
    const double threshold = threshold_.load(std::memory_order_relaxed);
    const double slope = ratio_.load(std::memory_order_relaxed) - 1.0;
    double* level = levels_;
    for (int start = 0; start < count; start += kChunk) {
        const int n = std::min(kChunk, count - start);
        double* in = x + start;
        double meanSquare = meanSquare_;
        for (int i = 0; i < n; ++i) {
            const double sum = in[i] * in[i] + in[i] * in[i] + DENORMAL_GUARD;
            meanSquare = sum + window * (meanSquare - sum);
            level[i] = meanSquare;
        }
        meanSquare_ = meanSquare;
        for (int i = 0; i < n; ++i)
            level[i] = logPositive(std::sqrt(level[i]) + DENORMAL_GUARD) * 8.685889638065037;
        double envelope = envelope_;
        for (int i = 0; i < n; ++i) {
            double overshoot = level[i] - threshold;
            if (overshoot < 0.0)
                overshoot = 0.0;
            overshoot += DENORMAL_GUARD;
            AttRelEnvelope::run(overshoot, envelope);
            level[i] = (envelope - DENORMAL_GUARD) * slope;
        }
        envelope_ = envelope;
        // Any float input keeps every gain within ±900 dB, well inside expModerate's range.
        for (int i = 0; i < n; ++i)
            in[i] *= expModerate(level[i] * 0.11512925464970228);
    }
}
