// What the tests read from rendered audio: a sine-like signal's frequency
// from its rising zero crossings, the two strongest sines in a stretch, and
// a stretch's RMS level.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <utility>
#include <vector>

// The frequency over samples [from, from + length), each crossing placed
// between its samples; 0 with fewer than two crossings.
inline double crossingFrequency(const std::vector<float>& x, std::size_t from, std::size_t length, double rate)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (std::size_t i = from + 1; i < from + length && i < x.size(); ++i)
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            const double at = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            first = first < 0.0 ? at : first;
            last = at;
            ++crossings;
        }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0;
}

inline double rmsOf(const std::vector<float>& x, std::size_t from, std::size_t length)
{
    double sum = 0.0;
    for (std::size_t i = from; i < from + length; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / static_cast<double>(length));
}

struct Peak {
    double hz = 0.0, power = 0.0;
};

// The two strongest spectral peaks below `highest` Hz in samples [from,
// from + length), the stronger first: a Hann-windowed transform four times
// zero-padded, each peak placed by a parabola through its log powers.
inline std::pair<Peak, Peak> strongestPeaks(const std::vector<float>& x, std::size_t from, std::size_t length,
                                            double rate, double highest = 1500.0)
{
    const double step = rate / (4.0 * static_cast<double>(length));
    const auto bins = static_cast<std::size_t>(highest / step) + 2;
    std::vector<double> power(bins);
    for (std::size_t k = 1; k < bins; ++k) {
        const std::complex<double> turn = std::polar(1.0, -2.0 * M_PI * static_cast<double>(k) * step / rate);
        std::complex<double> phasor = 1.0, sum = 0.0;
        for (std::size_t i = 0; i < length; ++i, phasor *= turn) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * (static_cast<double>(i) + 0.5) / static_cast<double>(length));
            sum += phasor * (hann * x[from + i]);
        }
        power[k] = std::norm(sum) + 1e-30;
    }
    Peak first, second;
    for (std::size_t k = 2; k + 1 < bins; ++k) {
        if (power[k] < power[k - 1] || power[k] < power[k + 1])
            continue;
        const double a = std::log(power[k - 1]), b = std::log(power[k]), c = std::log(power[k + 1]);
        const double offset = a - 2.0 * b + c < 0.0 ? 0.5 * (a - c) / (a - 2.0 * b + c) : 0.0;
        const Peak peak{(static_cast<double>(k) + offset) * step, power[k]};
        if (peak.power > first.power) {
            second = first;
            first = peak;
        } else if (peak.power > second.power) {
            second = peak;
        }
    }
    return {first, second};
}
