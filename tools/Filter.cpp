#include "Filter.h"

#include <cmath>

namespace {
constexpr float kPiFloat = 3.14159274f;
constexpr double kSqrt2 = 1.4142135623730951;
}  // namespace

void Filter::process(const float* in, float* out, int count)
{
    Section section = section_;
    for (int n = 0; n < count; ++n)
        out[n] = section.step(in[n]);
    section_ = section;
}

double Filter::prewarp() const
{
    const auto quotient =
        static_cast<float>(static_cast<double>(kPiFloat) * frequency_ / sampleRate_);
    return static_cast<float>(std::tan(static_cast<double>(quotient)));
}

void Filter::setCoefficients(double b0, double b1, double b2, double a1, double a2)
{
    section_.b0 = static_cast<float>(b0);
    section_.b1 = static_cast<float>(b1);
    section_.b2 = static_cast<float>(b2);
    section_.a1 = static_cast<float>(a1);
    section_.a2 = static_cast<float>(a2);
}

LowCutFilter::LowCutFilter(int sampleRate, float frequency) : Filter(sampleRate, frequency)
{
    updateCoefficients();
}

void LowCutFilter::updateCoefficients()
{
    const double k = prewarp();
    const double d = 1.0 + kSqrt2 * k + k * k;
    const double b0 = 1.0 / d;
    setCoefficients(b0, -2.0 * b0, b0, 2.0 * (k * k - 1.0) / d, (1.0 - kSqrt2 * k + k * k) / d);
}

HighCutFilter::HighCutFilter(int sampleRate, float frequency) : Filter(sampleRate, frequency)
{
    updateCoefficients();
}

void HighCutFilter::updateCoefficients()
{
    const double k = prewarp();
    const double d = 1.0 + kSqrt2 * k + k * k;
    const double b0 = k * k / d;
    setCoefficients(b0, 2.0 * b0, b0, 2.0 * (k * k - 1.0) / d, (1.0 - kSqrt2 * k + k * k) / d);
}

PeakFilter::PeakFilter(int sampleRate, float frequency) : Filter(sampleRate, frequency)
{
    updateCoefficients();
}

void PeakFilter::updateCoefficients()
{
    const double k = prewarp();
    const double v = std::pow(10.0, std::fabs(gain_) / 20.0);
    const double kq = k / q_;
    const double b1 = 2.0 * (k * k - 1.0);
    if (gain_ >= 0.0f) {
        const double d = 1.0 + kq + k * k;
        setCoefficients((1.0 + v * kq + k * k) / d, b1 / d, (1.0 - v * kq + k * k) / d, b1 / d,
                        (1.0 - kq + k * k) / d);
    } else {
        const double d = 1.0 + v * kq + k * k;
        setCoefficients((1.0 + kq + k * k) / d, b1 / d, (1.0 - kq + k * k) / d, b1 / d,
                        (1.0 - v * kq + k * k) / d);
    }
}

StateVariable::Design StateVariable::lowCut(double g)
{
    return {static_cast<float>(g), static_cast<float>(kSqrt2), 1.0f, static_cast<float>(-kSqrt2), -1.0f};
}

StateVariable::Design StateVariable::highCut(double g)
{
    return {static_cast<float>(g), static_cast<float>(kSqrt2), 0.0f, 0.0f, 1.0f};
}

// Boost: (s² + v·s/Q + 1) / (s² + s/Q + 1); cut: its inverse.
StateVariable::Design StateVariable::peak(double g, double q, double gainDb)
{
    const double v = std::pow(10.0, std::fabs(gainDb) / 20.0);
    const double k = gainDb >= 0.0 ? 1.0 / q : v / q;
    const double c1 = gainDb >= 0.0 ? (v - 1.0) / q : (1.0 - v) / q;
    return {static_cast<float>(g), static_cast<float>(k), 1.0f, static_cast<float>(c1), 0.0f};
}

void StateVariable::jumpTo(const Design& d)
{
    now = target = d;
    left = 0;
    derive();
}

void StateVariable::glideTo(const Design& d, int samples)
{
    target = d;
    left = samples > 1 ? samples : 1;
    const float n = static_cast<float>(left);
    delta = {(d.g - now.g) / n, (d.k - now.k) / n, (d.c0 - now.c0) / n, (d.c1 - now.c1) / n, (d.c2 - now.c2) / n};
}

void StateVariable::advance()
{
    if (--left == 0) {
        now = target;
    } else {
        now.g += delta.g;
        now.k += delta.k;
        now.c0 += delta.c0;
        now.c1 += delta.c1;
        now.c2 += delta.c2;
    }
    derive();
}

void StateVariable::derive()
{
    a1 = 1.0f / (1.0f + now.g * (now.g + now.k));
    a2 = now.g * a1;
    a3 = now.g * a2;
}
