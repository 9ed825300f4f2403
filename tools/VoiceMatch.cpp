#include "VoiceMatch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

constexpr double kFrameSeconds = 0.032;
constexpr double kStepSeconds = 0.008;
constexpr double kCentres[] = {315, 400, 500, 630, 800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000};
constexpr int kBands = static_cast<int>(std::size(kCentres));
// Frames within 40 dB of the voice's loudest speak; pauses are 60 dB below it or more.
constexpr double kSpeechDb = 40.0;
constexpr double kPauseDb = 60.0;
constexpr double kFloorDb = -120.0;

// In place, radix 2; size a power of two.
void fft(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0);
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const auto u = a[i + k];
                const auto v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
            }
        }
    }
}

struct Frames {
    std::vector<std::array<double, kBands>> bandDb;  // per frame
    std::vector<double> totalDb;                     // per frame, the whole spectrum
    std::vector<double> high, all;                   // per frame, power above 1 kHz and in all
};

// The bands' centres are scaled by `scale` (1 for the voice).
Frames analyse(std::span<const float> x, size_t offset, size_t count, double rate, double scale = 1.0)
{
    const auto length = static_cast<size_t>(kFrameSeconds * rate);
    const auto step = static_cast<size_t>(kStepSeconds * rate);
    size_t n = 1;
    while (n < length)
        n <<= 1;
    std::vector<double> window(length);
    for (size_t i = 0; i < length; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(length));
    std::array<std::pair<size_t, size_t>, kBands> edges{};
    const double binHz = rate / static_cast<double>(n);
    for (int b = 0; b < kBands; ++b)
        edges[static_cast<size_t>(b)] = {
            static_cast<size_t>(std::ceil(scale * kCentres[b] * std::pow(2.0, -1.0 / 6) / binHz)),
            static_cast<size_t>(std::floor(scale * kCentres[b] * std::pow(2.0, 1.0 / 6) / binHz))};
    const auto highFrom = static_cast<size_t>(1000.0 / binHz);
    Frames frames;
    std::vector<std::complex<double>> a(n);
    for (size_t start = 0; start + length <= count; start += step) {
        std::fill(a.begin(), a.end(), 0.0);
        for (size_t i = 0; i < length; ++i) {
            const size_t at = offset + start + i;
            a[i] = at < x.size() ? x[at] * window[i] : 0.0;
        }
        fft(a);
        std::array<double, kBands> bands{};
        double all = 0.0, high = 0.0;
        for (size_t k = 1; k <= n / 2; ++k) {
            const double p = std::norm(a[k]);
            all += p;
            high += k >= highFrom ? p : 0.0;
        }
        for (int b = 0; b < kBands; ++b) {
            double p = 0.0;
            for (size_t k = edges[static_cast<size_t>(b)].first; k <= edges[static_cast<size_t>(b)].second; ++k)
                p += std::norm(a[k]);
            bands[static_cast<size_t>(b)] = std::max(10.0 * std::log10(p + 1e-30), kFloorDb);
        }
        frames.bandDb.push_back(bands);
        frames.totalDb.push_back(std::max(10.0 * std::log10(all + 1e-30), kFloorDb));
        frames.all.push_back(all);
        frames.high.push_back(high);
    }
    return frames;
}

double pearson(const std::vector<double>& a, const std::vector<double>& b)
{
    const auto n = static_cast<double>(a.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= n;
    mb /= n;
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

}  // namespace

VoiceMatch matchVoice(std::span<const float> voice, std::span<const float> output, double sampleRate, int maxLag,
                      double formantSemitones)
{
    const double scale = std::pow(2.0, formantSemitones / 12.0);
    VoiceMatch match;
    const size_t count = voice.size();
    const Frames v = analyse(voice, 0, count, sampleRate);
    if (v.totalDb.empty())
        return match;
    const double loudest = *std::max_element(v.totalDb.begin(), v.totalDb.end());
    std::vector<size_t> speech, pauses;
    for (size_t f = 0; f < v.totalDb.size(); ++f) {
        if (v.totalDb[f] > loudest - kSpeechDb)
            speech.push_back(f);
        else if (v.totalDb[f] < loudest - kPauseDb)
            pauses.push_back(f);
    }
    for (float s : output)
        match.peak = std::max(match.peak, static_cast<double>(std::fabs(s)));

    // Coarse lags every 1 ms, then every sample around the best.
    // Each band over the frames (the contour), and each frame over the
    // bands (the spectral shape: are the formants where the voice has them?).
    double shape = 0.0;
    const auto score = [&](int lag) {
        const Frames o = analyse(output, static_cast<size_t>(lag), count, sampleRate, scale);
        double sum = 0.0;
        for (int b = 0; b < kBands; ++b) {
            std::vector<double> a, c;
            for (size_t f : speech) {
                a.push_back(v.bandDb[f][static_cast<size_t>(b)]);
                c.push_back(o.bandDb[f][static_cast<size_t>(b)]);
            }
            sum += pearson(a, c);
        }
        shape = 0.0;
        for (size_t f : speech) {
            const std::vector<double> a(v.bandDb[f].begin(), v.bandDb[f].end());
            const std::vector<double> c(o.bandDb[f].begin(), o.bandDb[f].end());
            shape += pearson(a, c) / static_cast<double>(speech.size());
        }
        return sum / kBands;
    };
    const int coarse = std::max(1, static_cast<int>(sampleRate / 1000.0));
    double best = -2.0;
    int bestLag = 0;
    for (int lag = 0; lag <= maxLag; lag += coarse)
        if (const double r = score(lag); r > best) {
            best = r;
            bestLag = lag;
        }
    for (int lag = std::max(0, bestLag - coarse); lag <= std::min(maxLag, bestLag + coarse); lag += std::max(1, coarse / 8))
        if (const double r = score(lag); r > best) {
            best = r;
            bestLag = lag;
        }
    match.correlation = best;
    match.lag = bestLag;
    score(bestLag);
    match.shape = shape;

    const Frames o = analyse(output, static_cast<size_t>(bestLag), count, sampleRate, scale);
    double voiceHigh = 0, voiceAll = 0, outHigh = 0, outAll = 0, speechPower = 0, pausePower = 0;
    for (size_t f : speech) {
        voiceHigh += v.high[f];
        voiceAll += v.all[f];
        outHigh += o.high[f];
        outAll += o.all[f];
        speechPower += o.all[f];
    }
    for (size_t f : pauses)
        pausePower += o.all[f];
    match.voiceHighShare = voiceAll > 0 ? voiceHigh / voiceAll : 0.0;
    match.outputHighShare = outAll > 0 ? outHigh / outAll : 0.0;
    if (!pauses.empty() && !speech.empty())
        match.pauseDb = 10.0 * std::log10((speechPower / static_cast<double>(speech.size()) + 1e-30) /
                                          (pausePower / static_cast<double>(pauses.size()) + 1e-30));
    return match;
}
