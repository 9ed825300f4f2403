#include "PitchTracker.h"

#include "tools/Cpu.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr float kThreshold = 0.12f;    // the first dip below this is the period
// How clear a period must be: to start a voiced run, and to go on with one
// at about the same pitch (noise through a resonance can reach the lower).
constexpr float kStartClarity = 0.85f, kGoOnClarity = 0.7f;
// How alike a window and the one a period before must be (their normalised
// correlation, blind to a swelling level) to start a voiced run: a sung
// period repeats at 0.98 and above, whispered noise through a narrow
// formant reaches 0.94 at most.
constexpr float kStartLikeness = 0.96f;
constexpr float kGate = 1e-3f;          // RMS below about −60 dBFS is silence
// The difference function Σ (x[j] − x[j − lag])² over a window, for every
// lag up to maxLag: sixteen lags at a time in vector lanes (lane m holds lag
// first + 15 − m, whose older samples lie side by side in memory). Reads up
// to 15 samples before newest − maxLag.
using Lanes = float __attribute__((vector_size(64)));

ALWAYS_INLINE void differenceLoop(const float* newest, int window, int maxLag, float* out)
{
    for (int first = 1; first <= maxLag; first += 16) {
        Lanes sums = {};
        const float* base = newest - first - 15;
        for (int j = 0; j < window; ++j) {
            Lanes older;
            std::memcpy(&older, base + j, sizeof older);
            const Lanes d = newest[j] - older;
            sums += d * d;
        }
        for (int m = 0; m < 16; ++m)
            if (const int lag = first + 15 - m; lag <= maxLag)
                out[lag] = sums[m];
    }
}

VECTOR_VARIANTS(differences, differenceLoop, (const float* newest, int window, int maxLag, float* out),
                (newest, window, maxLag, out));

}  // namespace

void PitchTracker::prepare(float sampleRate)
{
    factor_ = std::max(1, static_cast<int>(std::lround(sampleRate / 11025.0f)));
    inverseFactor_ = 1.0f / static_cast<float>(factor_);
    decimatedRate_ = sampleRate / static_cast<float>(factor_);
    minLag_ = std::max(2, static_cast<int>(std::floor(decimatedRate_ / kHighestHz)));
    maxLag_ = std::min(kMaxLag - 1, static_cast<int>(std::ceil(decimatedRate_ / kLowestHz)));
    // Below the decimated Nyquist frequency, with the fundamentals' range well inside.
    const float cut = std::min(2000.0f, 0.4f * decimatedRate_);
    first_ = HighCutFilter(static_cast<int>(decimatedRate_), cut);
    second_ = HighCutFilter(static_cast<int>(decimatedRate_), cut);
    clear();
}

void PitchTracker::clear()
{
    for (HighCutFilter* f : {&first_, &second_})
        f->section().x1 = f->section().x2 = f->section().y1 = f->section().y2 = 0.0f;
    ring_.fill(0.0f);
    sum_ = 0.0f;
    write_ = 0;
    phase_ = 0;
    sinceAnalysis_ = 0;
    voiced_ = false;
    frequency_ = clarity_ = level_ = 0.0f;
}

// The normalised correlation of the window with the one `lag` before it:
// 1 for the same shape at any level.
float PitchTracker::likeness(const float* newest, int lag)
{
    float now = 0.0f, then = 0.0f, both = 0.0f;
    for (int j = 0; j < kWindow; ++j) {
        now += newest[j] * newest[j];
        then += newest[j - lag] * newest[j - lag];
        both += newest[j] * newest[j - lag];
    }
    return both / std::sqrt(now * then + 1e-30f);
}

// YIN over the newest kWindow + maxLag decimated samples.
void PitchTracker::analyse()
{
    const int span = kWindow + maxLag_;
    const unsigned start = write_ - static_cast<unsigned>(span);
    for (int i = 0; i < span; ++i)
        frame_[static_cast<size_t>(kLead + i)] = ring_[(start + static_cast<unsigned>(i)) & (kRing - 1)];
    // The window is the newest kWindow samples, compared with those `lag` before.
    const float* newest = frame_.data() + kLead + maxLag_;
    float energy = 0.0f;
    for (int j = 0; j < kWindow; ++j)
        energy += newest[j] * newest[j];
    level_ = std::sqrt(energy / kWindow);
    static_assert(kWindow % 16 == 0);
    differences(newest, kWindow, maxLag_, difference_.data());
    // Cumulative mean normalisation, then the first dip below the threshold.
    float running = 0.0f;
    int found = -1;
    float deepest = 1.0f;
    for (int lag = 1; lag <= maxLag_; ++lag) {
        running += difference_[static_cast<size_t>(lag)];
        const float normalised = running > 0.0f ? difference_[static_cast<size_t>(lag)] * lag / running : 1.0f;
        difference_[static_cast<size_t>(lag)] = normalised;
        if (lag >= minLag_)
            deepest = std::min(deepest, normalised);
    }
    for (int lag = minLag_; lag <= maxLag_; ++lag)
        if (difference_[static_cast<size_t>(lag)] < kThreshold) {
            while (lag + 1 <= maxLag_ && difference_[static_cast<size_t>(lag + 1)] < difference_[static_cast<size_t>(lag)])
                ++lag;
            found = lag;
            break;
        }
    // None so deep: the deepest dip, if deep enough to call the frame voiced.
    if (found < 0)
        for (int lag = minLag_; lag <= maxLag_; ++lag)
            if (difference_[static_cast<size_t>(lag)] == deepest) {
                found = lag;
                break;
            }
    clarity_ = 1.0f - (found > 0 ? difference_[static_cast<size_t>(found)] : deepest);
    const bool wasVoiced = voiced_;
    const float before = frequency_;
    voiced_ = found > 0 && level_ > kGate && clarity_ >= kGoOnClarity;
    if (!voiced_)
        return;
    // A parabola through the dip and its neighbours places it between lags.
    float where = static_cast<float>(found);
    if (found > minLag_ && found < maxLag_) {
        const float a = difference_[static_cast<size_t>(found - 1)], b = difference_[static_cast<size_t>(found)],
                    c = difference_[static_cast<size_t>(found + 1)];
        const float curve = a - 2.0f * b + c;
        if (curve > 0.0f)
            where += 0.5f * (a - c) / curve;
    }
    const float frequency = decimatedRate_ / where;
    const bool goesOn = wasVoiced && std::fabs(std::log2(frequency / before)) < 1.0f / 12.0f;
    voiced_ = goesOn || (clarity_ >= kStartClarity && likeness(newest, found) >= kStartLikeness);
    if (voiced_)
        frequency_ = frequency;
}
