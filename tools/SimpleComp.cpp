#include "SimpleComp.h"

#include "Cpu.h"
#include "ToolAssert.h"

#include <algorithm>

SimpleComp::SimpleComp(double attackMs, double releaseMs, double sampleRate)
    : AttRelEnvelope(attackMs, releaseMs, sampleRate)
{
}

void SimpleComp::setThreshold(double dB) { threshold_ = dB; }

void SimpleComp::setRatio(double ratio)
{
    TOOL_ASSERT(ratio > 0.0, "ratio > 0.0", "tools/SimpleComp");
    ratio_ = ratio;
}

double SimpleComp::threshold() const { return threshold_; }
double SimpleComp::ratio() const { return ratio_; }
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

namespace {

// level[i] <- the key level in dB of the mean square level[i].
ALWAYS_INLINE void levelsLoop(double* level, int n)
{
    for (int i = 0; i < n; ++i)
        level[i] = logPositive(std::sqrt(level[i]) + DENORMAL_GUARD) * 8.685889638065037;
}

// x[i] *= decibelsToLinear(gainDb[i]). Any float input keeps every gain
// within ±900 dB, well inside expModerate's range.
ALWAYS_INLINE void gainsLoop(double* x, const double* gainDb, int n)
{
    for (int i = 0; i < n; ++i)
        x[i] *= expModerate(gainDb[i] * 0.11512925464970228);
}

VECTOR_VARIANTS(levelsInDecibels, levelsLoop, (double* level, int n), (level, n));
VECTOR_VARIANTS(applyGains, gainsLoop, (double* x, const double* gainDb, int n), (x, gainDb, n));

}  // namespace

// The mean-square recursion of one chunk runs in the same loop as the
// envelope recursion of the chunk before it: two independent chains that the
// processor overlaps. Each still runs sample by sample in its own order.
// With a second channel, the key is the pair's total power and both take the gain.
template <bool Pair>
void SimpleCompRms::run(double* x, double* y, int count)
{
    const double window = averager_.coefficient();
    const double attack = attack_.coefficient();
    const double release = release_.coefficient();
    const double threshold = threshold_;
    const double slope = ratio_ - 1.0;
    double meanSquare = meanSquare_;
    double envelope = envelope_;
    const auto meanSquareStep = [&](double v, double w) {
        const double sum = Pair ? v * v + w * w + DENORMAL_GUARD : v * v + v * v + DENORMAL_GUARD;
        meanSquare = sum + window * (meanSquare - sum);
        return meanSquare;
    };
    // Key level in dB in, gain in dB out.
    const auto envelopeStep = [&](double level) {
        double overshoot = level - threshold;
        overshoot = overshoot < 0.0 ? 0.0 : overshoot;
        overshoot += DENORMAL_GUARD;
        if (overshoot > envelope)
            envelope = overshoot + attack * (envelope - overshoot);
        else
            envelope = overshoot + release * (envelope - overshoot);
        return (envelope - DENORMAL_GUARD) * slope;
    };
    const auto gains = [&](int start, const double* gainDb, int n) {
        applyGains(x + start, gainDb, n);
        if (Pair)
            applyGains(y + start, gainDb, n);
    };

    double* current = levels_[0];
    double* previous = levels_[1];
    int previousStart = 0;
    int previousLength = 0;
    for (int start = 0; start < count; start += kChunk) {
        const int n = std::min(kChunk, count - start);
        const double* in = x + start;
        const double* second = Pair ? y + start : in;
        const int both = std::min(n, previousLength);
        int i = 0;
        for (; i < both; ++i) {
            current[i] = meanSquareStep(in[i], second[i]);
            previous[i] = envelopeStep(previous[i]);
        }
        for (int j = i; j < n; ++j)
            current[j] = meanSquareStep(in[j], second[j]);
        for (int j = i; j < previousLength; ++j)
            previous[j] = envelopeStep(previous[j]);
        gains(previousStart, previous, previousLength);
        levelsInDecibels(current, n);
        std::swap(current, previous);
        previousStart = start;
        previousLength = n;
    }
    for (int i = 0; i < previousLength; ++i)
        previous[i] = envelopeStep(previous[i]);
    gains(previousStart, previous, previousLength);
    meanSquare_ = meanSquare;
    envelope_ = envelope;
}

void SimpleCompRms::processBlock(double* x, int count) { run<false>(x, x, count); }
void SimpleCompRms::processBlock(double* left, double* right, int count) { run<true>(left, right, count); }
