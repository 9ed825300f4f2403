// What the tests read from rendered audio: a sine-like signal's frequency
// from its rising zero crossings, and a stretch's RMS level.
#pragma once

#include <cmath>
#include <cstddef>
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
