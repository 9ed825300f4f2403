#include "Filter.h"

#include <cmath>

namespace {
constexpr float kPiFloat = 3.14159274f;
constexpr double kSqrt2 = 1.4142135623730951;
}  // namespace

void Filter::process(const float* in, float* out, int count)
{
    const float b0 = b0_, b1 = b1_, b2 = b2_, a1 = a1_, a2 = a2_;
    float x1 = x1_, x2 = x2_, y1 = y1_, y2 = y2_;
    for (int n = 0; n < count; ++n) {
        const float x = in[n];
        const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        out[n] = y;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    x1_ = x1;
    x2_ = x2;
    y1_ = y1;
    y2_ = y2;
}

double Filter::prewarp() const
{
    const auto quotient =
        static_cast<float>(static_cast<double>(kPiFloat) * frequency_ / sampleRate_);
    return static_cast<float>(std::tan(static_cast<double>(quotient)));
}

void Filter::setCoefficients(double b0, double b1, double b2, double a1, double a2)
{
    b0_ = static_cast<float>(b0);
    b1_ = static_cast<float>(b1);
    b2_ = static_cast<float>(b2);
    a1_ = static_cast<float>(a1);
    a2_ = static_cast<float>(a2);
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
