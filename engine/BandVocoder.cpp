#include "BandVocoder.h"

#include "BandRules.h"
#include "Erb.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLowestHz = 50.0;
constexpr double kHighestHz = 18000.0;
// The carrier's envelope is measured in bands wide enough to hold several of
// a low note's partials, so dividing it out flattens the spectrum's tilt and
// formants but never fills the gaps between partials.
constexpr int kCarrierBands = 24;
constexpr double kCarrierSpacingBins = 3.0;
using namespace bandrules;

double power(const fftw_complex& z) { return z[0] * z[0] + z[1] * z[1]; }

// The coefficient of a one-pole smoothing run once per hop.
double perHop(double ms, int hop, float sampleRate)
{
    return std::exp(-static_cast<double>(hop) / (ms * 1e-3 * sampleRate));
}

}  // namespace

BandVocoder::BandVocoder() { configure(512, 128, 44100.0f); }

void BandVocoder::configure(int fftSize, int hop, float sampleRate)
{
    const int bins = std::clamp(fftSize, 4, kLargestFft) / 2 + 1;
    const double binHz = static_cast<double>(sampleRate) / fftSize;
    if (bins != bins_ || binHz != binHz_)
        layoutChanged_ = true;
    bins_ = bins;
    binHz_ = binHz;
    levelRise_ = perHop(kLevelRiseMs, hop, sampleRate);
    levelFall_ = perHop(kLevelFallMs, hop, sampleRate);
    sibilanceCoefficient_ = perHop(kSibilanceMs, hop, sampleRate);
}

void BandVocoder::setBands(int count)
{
    count = std::clamp(count, 2, kMaxBands);
    if (count != bands_)
        layoutChanged_ = true;
    bands_ = count;
}

void BandVocoder::setFlatten(double amount) { flatten_ = std::clamp(amount, 0.0, 1.0); }

void BandVocoder::setFormant(double semitones)
{
    if (semitones != formant_)
        formantChanged_ = true;
    formant_ = semitones;
}

void BandVocoder::setSibilance(double amount) { sibilance_ = std::clamp(amount, 0.0, 1.0); }
void BandVocoder::setFreeze(bool on) { freeze_ = on; }
void BandVocoder::setWidth(double amount) { width_ = std::clamp(amount, 0.0, 1.0); }

void BandVocoder::clear()
{
    carrierLevel_ = 0.0;
    sibilanceWeight_ = 0.0;
    heldValid_ = false;
    voicePower_.fill(0.0);
    voiceAmplitude_.fill(0.0);
}

void BandVocoder::Layout::build(int bands, double minimumSpacing, int bins, double binHz)
{
    const double nyquist = (bins - 1) * binHz;
    const double low = erbNumber(kLowestHz);
    const double high = erbNumber(std::min(kHighestHz, 0.95 * nyquist));
    count = 0;
    for (int b = 0; b < bands; ++b) {
        double hz = erbFrequency(low + (high - low) * b / (bands - 1));
        if (count > 0)
            hz = std::max(hz, centre[static_cast<size_t>(count - 1)] + minimumSpacing * binHz);
        if (hz > nyquist)
            break;
        centre[static_cast<size_t>(count++)] = hz;
    }
    if (count < 2) {
        centre[0] = std::min(centre[0], 0.5 * nyquist);
        centre[1] = nyquist;
        count = 2;
    }
    map(split.data(), bins, binHz, 1.0);
    weight.fill(0.0);
    for (int k = 0; k < bins; ++k) {
        const Split s = split[static_cast<size_t>(k)];
        weight[static_cast<size_t>(s.band)] += 1.0 - s.t;
        weight[static_cast<size_t>(s.band + 1)] += s.t;
    }
    for (int b = 0; b < count; ++b) {
        const double w = weight[static_cast<size_t>(b)];
        inverseWeight[static_cast<size_t>(b)] = w > 0.0 ? 1.0 / w : 0.0;
    }
}

void BandVocoder::Layout::map(Split* out, int bins, double binHz, double ratio) const
{
    int band = 0;
    for (int k = 0; k < bins; ++k) {
        const double hz = k * binHz / ratio;
        while (band + 2 < count && centre[static_cast<size_t>(band + 1)] <= hz)
            ++band;
        const double from = centre[static_cast<size_t>(band)];
        const double to = centre[static_cast<size_t>(band + 1)];
        const double t = std::clamp((hz - from) / (to - from), 0.0, 1.0);
        out[k] = {static_cast<std::int16_t>(band), static_cast<float>(t)};
    }
}

// Returns the spectrum's total power and, in `above`, that of bins from `from` on.
double BandVocoder::Layout::measure(const fftw_complex* spectrum, int bins, double* bandPower, int from,
                                    double* above) const
{
    std::fill(bandPower, bandPower + count, 0.0);
    double total = 0.0, high = 0.0;
    // Bins come in band order: the two bands a bin feeds are summed in
    // registers and stored when the bins move on to the next pair.
    int band = split[0].band;
    double lower = 0.0, upper = 0.0;
    for (int k = 0; k < bins; ++k) {
        const Split s = split[static_cast<size_t>(k)];
        const double p = power(spectrum[k]);
        if (s.band != band) {
            bandPower[band] += lower;
            bandPower[band + 1] += upper;
            band = s.band;
            lower = upper = 0.0;
        }
        lower += (1.0 - s.t) * p;
        upper += s.t * p;
        total += p;
        high += k >= from ? p : 0.0;
    }
    bandPower[band] += lower;
    bandPower[band + 1] += upper;
    for (int b = 0; b < count; ++b)
        bandPower[b] *= inverseWeight[static_cast<size_t>(b)];
    if (above)
        *above = high;
    return total;
}

void BandVocoder::rebuild()
{
    voiceLayout_.build(bands_, 1.0, bins_, binHz_);
    carrierLayout_.build(std::min(bands_, kCarrierBands), kCarrierSpacingBins, bins_, binHz_);
    sibilanceFrom_ = bins_;
    for (int k = 0; k < bins_; ++k) {
        const Split s = voiceLayout_.split[static_cast<size_t>(k)];
        const bool evenLow = s.band % 2 == 0;
        leftShare_[static_cast<size_t>(k)] = evenLow ? 1.0f - s.t : s.t;
        const double hz = k * binHz_;
        const double rise = std::clamp((hz - kSibilanceFromHz) / (kSibilanceFullHz - kSibilanceFromHz), 0.0, 1.0);
        highBand_[static_cast<size_t>(k)] = static_cast<float>(rise * rise * (3.0 - 2.0 * rise));
        if (hz > kSibilanceFromHz && sibilanceFrom_ == bins_)
            sibilanceFrom_ = k;
    }
    layoutChanged_ = false;
    formantChanged_ = true;
    heldValid_ = false;
}

void BandVocoder::render(const fftw_complex* voice, const fftw_complex* carrier, fftw_complex* left,
                         fftw_complex* right)
{
    if (layoutChanged_)
        rebuild();
    const int bins = bins_;
    if (formantChanged_) {
        voiceLayout_.map(voiceRead_.data(), bins, binHz_, std::exp2(formant_ / 12.0));
        formantChanged_ = false;
    }

    // The voice: its bands and how noise-like it is, unless held.
    double noisy = 0.0;
    if (!freeze_ || !heldValid_) {
        double high = 0.0;
        const double total = voiceLayout_.measure(voice, bins, voicePower_.data(), sibilanceFrom_, &high);
        for (int b = 0; b < voiceLayout_.count; ++b)
            voiceAmplitude_[static_cast<size_t>(b)] = std::sqrt(voicePower_[static_cast<size_t>(b)]);
        heldValid_ = true;
        if (total > 0.0)
            noisy = std::clamp((high / total - kNoiseShareLow) / (kNoiseShareHigh - kNoiseShareLow), 0.0, 1.0);
    }
    sibilanceWeight_ = noisy + sibilanceCoefficient_ * (sibilanceWeight_ - noisy);

    // The carrier: its bands, and its broadband level (mean power per bin),
    // smoothed, which the output keeps as far as the envelope is divided out.
    const double target = carrierLayout_.measure(carrier, bins, carrierPower_.data(), bins, nullptr) / bins;
    const double levelCoefficient = target > carrierLevel_ ? levelRise_ : levelFall_;
    carrierLevel_ = target + levelCoefficient * (carrierLevel_ - target);
    const double sibilance = freeze_ ? 0.0 : sibilance_ * sibilanceWeight_;

    // Per carrier band: the gain that divides its envelope out as far as
    // Flatten asks.
    const double level = carrierLevel_;
    const double floor = level * kDeepestBand + 1e-30;
    const double exponent = 0.5 * flatten_;
    for (int b = 0; b < carrierLayout_.count; ++b) {
        const double p = std::max(carrierPower_[static_cast<size_t>(b)], floor);
        // Flatten at 100 % (the default) takes a square root, far cheaper than pow.
        const double gain = exponent == 0.5 ? std::sqrt(level / p) : exponent > 0.0 ? std::pow(level / p, exponent) : 1.0;
        carrierGain_[static_cast<size_t>(b)] = gain;
    }
    // The voice's own high band comes through at the carrier's broadband
    // level, whatever the carrier holds up there. Both paths grow as the
    // square root of the transform's size (its bins' powers grow with it):
    // scaled to a size of 512, so that every frame length sounds as loud.
    const double sizeGain = std::sqrt(512.0 / (2.0 * (bins - 1)));
    const double through = std::sqrt(level) * sizeGain;

    const double* voiceBands = voiceAmplitude_.data();
    const double* gains = carrierGain_.data();
    const Split* voiceRead = voiceRead_.data();
    const Split* carrierSplit = carrierLayout_.split.data();
    const double width = right ? width_ : 0.0;
    for (int k = 0; k < bins; ++k) {
        const Split v = voiceRead[k];
        const Split c = carrierSplit[k];
        const double envelope = (1.0 - v.t) * voiceBands[v.band] + v.t * voiceBands[v.band + 1];
        const double gain = (1.0 - c.t) * gains[c.band] + c.t * gains[c.band + 1];
        const double scale = envelope * gain * sizeGain;
        double re = carrier[k][0] * scale;
        double im = carrier[k][1] * scale;
        if (sibilance > 0.0 && k >= sibilanceFrom_) {
            const double share = sibilance * highBand_[static_cast<size_t>(k)];
            re = (1.0 - share) * re + share * through * voice[k][0];
            im = (1.0 - share) * im + share * through * voice[k][1];
        }
        if (right) {
            const double toLeft = leftShare_[static_cast<size_t>(k)];
            const double leftGain = 1.0 - width * (1.0 - toLeft);
            const double rightGain = 1.0 - width * toLeft;
            right[k][0] = re * rightGain;
            right[k][1] = im * rightGain;
            re *= leftGain;
            im *= leftGain;
        }
        left[k][0] = re;
        left[k][1] = im;
    }
}
