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
