#include "LiveVocoder.h"

#include "BandRules.h"
#include "Erb.h"
#include "tools/Cpu.h"
#include "tools/Decibels.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>

// The helpers taking and returning vectors are always inlined, so the
// vectors' calling convention, which differs between the builds, never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

using Cascade = LiveVocoder::Cascade;
using Vec = LiveVocoder::Lanes;
constexpr int kLanes = LiveVocoder::kLanes;
constexpr int kMaxBands = LiveVocoder::kMaxBands;

// Bands from 100 Hz to 10 kHz (or 0.45 of the rate), spaced on the ERB
// scale but never closer than kNarrowestHz, each as wide as the spacing.
// The narrowest bands set the delay and how finely the voice's harmonics
// are told apart: narrower bands follow the voice more closely and answer
// later. A band's envelope comes out when half an impulse's energy has:
// kHalfEnergy times its group delay at the centre (2 / (pi width) seconds),
// 4.9 ms for the narrowest.
constexpr double kLowestHz = 100.0;
constexpr double kHighestHz = 10000.0;
constexpr double kNarrowestHz = 142.0;
constexpr double kHalfEnergy = 1.0875;
// The carrier's band power smoothed over 10 ms; its broadband level and
// Sibilance follow the Clear engine's rules.
constexpr double kCarrierMs = 10.0;
using namespace bandrules;
// The output's level against the voice's and the carrier's, so that a voice
// through a carrier sounds as loud as through the Clear engine.
constexpr double kLevel = 25.8;
// What the carrier's own envelope adds, kept as Flatten leaves it: the
// level of a voice on a chord moves with Flatten as in the Clear engine.
constexpr double kKeptEnvelope = 1.35;
// Levels go by density, a band's power over its width in units of this
// many Hz, as the Clear engine's go by the power per bin: the voice's
// envelope and the carrier's (over all bands and each band's) read the same
// whatever the widths, so Bands and Flatten move the level as they do there.
constexpr double kWidthUnitHz = 100.0;
// Silence into a filter never decays into denormals: a constant far below
// hearing (−200 dBFS), which the bands (none at 0 Hz) pass at a fraction,
// keeps every state and power in float's normal range.
constexpr float kGuard = 1e-10f;
constexpr float kGuardFloat = static_cast<float>(DENORMAL_GUARD);

// The sections of a band centred on `hz`, `width` wide (−3 dB), at `rate`:
// a third-order Butterworth low-pass prototype's poles moved up to the
// centre, mapped by z = exp(sT).
struct Band {
    std::complex<double> pole[3];
    double gain = 1.0;   // 1 / |H| at the centre
    double delay = 0.0;  // group delay at the centre, in samples

    Band(double hz, double width, double rate)
    {
        const double cutoff = M_PI * width;  // half the width, in rad/s
        const std::complex<double> prototype[3] = {{-1.0, 0.0}, {-0.5, std::sqrt(0.75)}, {-0.5, -std::sqrt(0.75)}};
        const double centre = 2.0 * M_PI * hz / rate;
        const std::complex<double> behind = std::polar(1.0, -centre);
        std::complex<double> response = 1.0;
        for (int k = 0; k < 3; ++k) {
            pole[k] = std::exp((cutoff * prototype[k] + std::complex<double>(0.0, 2.0 * M_PI * hz)) / rate);
            response /= 1.0 - pole[k] * behind;
            // The group delay of 1 / (1 − a e^{−jw}), a = r e^{jθ}, at w.
            const double r = std::abs(pole[k]);
            const double c = std::cos(centre - std::arg(pole[k]));
            delay += (r * c - r * r) / (1.0 - 2.0 * r * c + r * r);
        }
        gain = 1.0 / std::abs(response);
    }
};

ALWAYS_INLINE Vec load(const float* p)
{
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

ALWAYS_INLINE void store(float* p, const Vec& v) { std::memcpy(p, &v, sizeof v); }

// The lanes' sum, halving the vector at each step.
ALWAYS_INLINE float sum(const Vec& v)
{
    typedef float Half __attribute__((vector_size(kLanes * sizeof(float) / 2)));
    typedef float Quarter __attribute__((vector_size(kLanes * sizeof(float) / 4)));
    Half low, high;
    std::memcpy(&low, &v, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&v) + sizeof low, sizeof high);
    const Half eight = low + high;
    Quarter a, b;
    std::memcpy(&a, &eight, sizeof a);
    std::memcpy(&b, reinterpret_cast<const char*>(&eight) + sizeof a, sizeof b);
    const Quarter four = a + b;
    return (four[0] + four[2]) + (four[1] + four[3]);
}

// kLanes bands' three sections, their states kept in registers across the
// samples of a run.
struct Sections {
    Vec gain, a1r, a1i, a2r, a2i, a3r, a3i;
    Vec r1, i1, r2, i2, r3, i3;

    ALWAYS_INLINE Sections(const Cascade& c, int b)
        : gain(load(&c.gain[b])), a1r(load(&c.a1r[b])), a1i(load(&c.a1i[b])), a2r(load(&c.a2r[b])), a2i(load(&c.a2i[b])),
          a3r(load(&c.a3r[b])), a3i(load(&c.a3i[b])), r1(load(&c.r1[b])), i1(load(&c.i1[b])), r2(load(&c.r2[b])),
          i2(load(&c.i2[b])), r3(load(&c.r3[b])), i3(load(&c.i3[b]))
    {
    }
    ALWAYS_INLINE void save(Cascade& c, int b) const
    {
        store(&c.r1[b], r1), store(&c.i1[b], i1), store(&c.r2[b], r2);
        store(&c.i2[b], i2), store(&c.r3[b], r3), store(&c.i3[b], i3);
    }
    // One sample in; the last section's state is the band's analytic signal
    // (a sine at the band's centre comes out at half its amplitude).
    ALWAYS_INLINE void step(float x)
    {
        const Vec n1r = a1r * r1 - a1i * i1 + gain * x, n1i = a1r * i1 + a1i * r1;
        const Vec n2r = a2r * r2 - a2i * i2 + n1r, n2i = a2r * i2 + a2i * r2 + n1i;
        const Vec n3r = a3r * r3 - a3i * i3 + n2r, n3i = a3r * i3 + a3i * r3 + n2i;
        r1 = n1r, i1 = n1i, r2 = n2r, i2 = n2i, r3 = n3r, i3 = n3i;
    }
    ALWAYS_INLINE Vec power() const { return r3 * r3 + i3 * i3; }
};

// The voice through its bands: each band's power summed over each block
// (a row a block in `powers`), and each sample's lanes of the voice's own
// high band (its bands weighted by `highUnit`) in `high`.
ALWAYS_INLINE void voiceLoop(Cascade& c, const float* highUnit, const float* in, int count, int block, int bands,
                             LiveVocoder::Row* powers, Vec* high)
{
    for (int n = 0; n < count; ++n)
        high[n] = Vec{};
    for (int b = 0; b < bands; b += kLanes) {
        Sections s(c, b);
        const Vec weight = load(highUnit + b);
        Vec power{};
        for (int n = 0; n < count; ++n) {
            s.step(in[n] + kGuard);
            power += s.power();
            high[n] += weight * s.r3;
            if ((n + 1) % block == 0) {
                store(powers[n / block].data() + b, power);
                power = Vec{};
            }
        }
        s.save(c, b);
    }
}

// One block of the carrier through its bands: each band's gain moves in a
// straight line to its target, the bands summed into each sample's lanes in
// `left` (and `right`); the carrier's band power summed into `power`.
template <bool Stereo>
ALWAYS_INLINE void carrierLoop(Cascade& c, const float* in, int block, int bands, float* gainLeft, float* gainRight,
                               const float* targetLeft, const float* targetRight, float* power, Vec* left, Vec* right)
{
    for (int n = 0; n < block; ++n)
        left[n] = right[n] = Vec{};
    const float inverse = 1.0f / static_cast<float>(block);
    for (int b = 0; b < bands; b += kLanes) {
        Sections s(c, b);
        Vec gl = load(gainLeft + b), gr = load(gainRight + b);
        const Vec stepLeft = (load(targetLeft + b) - gl) * inverse;
        const Vec stepRight = Stereo ? (load(targetRight + b) - gr) * inverse : Vec{};
        Vec sum{};
        for (int n = 0; n < block; ++n) {
            s.step(in[n] + kGuard);
            sum += s.power();
            gl += stepLeft;
            left[n] += gl * s.r3;
            if constexpr (Stereo) {
                gr += stepRight;
                right[n] += gr * s.r3;
            }
        }
        s.save(c, b);
        store(power + b, sum);
        // The block ends on its targets exactly.
        store(gainLeft + b, load(targetLeft + b));
        store(gainRight + b, Stereo ? load(targetRight + b) : gr);
    }
}

// A block's voice band powers, summed over its samples, as means (into
// `power`) and the square roots of their densities; the sums of all and of
// those `above` marks.
ALWAYS_INLINE void amplitudeLoop(const float* raw, float mean, const float* density, const float* above, float* power,
                                 float* amplitude, double* sums)
{
    Vec all{}, high{};
    for (int b = 0; b < kMaxBands; b += kLanes) {
        const Vec p = load(raw + b) * mean;
        store(power + b, p);
        all += p;
        high += p * load(above + b);
    }
    alignas(64) float root[kMaxBands];
    for (int b = 0; b < kMaxBands; ++b)
        root[b] = std::sqrt(raw[b] * mean * density[b]);
    std::memcpy(amplitude, root, sizeof root);
    sums[0] = sum(all);
    sums[1] = sum(high);
}

// A block's targets for the gains: each band's scale (over the carrier's
// band level when `root`, as Flatten at 100 % asks) times the voice's
// envelope, the high bands giving way to the voice's own by `sibilance`.
ALWAYS_INLINE void targetLoop(const float* scale, const float* carrier, const float* density, float level,
                              float floor, bool root,
                              const float* envelope, const float* high, float sibilance, const float* leftShare,
                              const float* rightShare, float* left, float* right)
{
    alignas(64) float flat[kMaxBands];
    for (int b = 0; b < kMaxBands; ++b)
        flat[b] = root ? std::sqrt(level / std::max(carrier[b] * density[b], floor)) : 1.0f;
    for (int b = 0; b < kMaxBands; b += kLanes) {
        const Vec gain = load(scale + b) * load(flat + b) * load(envelope + b) * (1.0f - sibilance * load(high + b));
        store(left + b, gain * load(leftShare + b));
        store(right + b, gain * load(rightShare + b));
    }
}

// A block's carrier band powers (summed over its samples, made means by
// `mean`) into each band's smoothed level; their sum into `total`.
ALWAYS_INLINE void levelLoop(const float* raw, float mean, float keep, float* smoothed, float* total)
{
    Vec all{};
    for (int b = 0; b < kMaxBands; b += kLanes) {
        const Vec p = load(raw + b) * mean;
        store(smoothed + b, p + keep * (load(smoothed + b) - p));
        all += p;
    }
    *total = sum(all);
}

VECTOR_VARIANTS(voiceBest, voiceLoop,
                (Cascade & c, const float* h, const float* in, int count, int block, int bands, LiveVocoder::Row* p,
                 Vec* high),
                (c, h, in, count, block, bands, p, high));
VECTOR_VARIANTS(monoBest, carrierLoop<false>,
                (Cascade & c, const float* in, int block, int bands, float* gl, float* gr, const float* tl,
                 const float* tr, float* p, Vec* l, Vec* r),
                (c, in, block, bands, gl, gr, tl, tr, p, l, r));
VECTOR_VARIANTS(stereoBest, carrierLoop<true>,
                (Cascade & c, const float* in, int block, int bands, float* gl, float* gr, const float* tl,
                 const float* tr, float* p, Vec* l, Vec* r),
                (c, in, block, bands, gl, gr, tl, tr, p, l, r));
VECTOR_VARIANTS(levelBest, levelLoop, (const float* raw, float mean, float keep, float* smoothed, float* total),
                (raw, mean, keep, smoothed, total));

VECTOR_VARIANTS(amplitudeBest, amplitudeLoop,
                (const float* raw, float mean, const float* d, const float* above, float* p, float* a, double* sums),
                (raw, mean, d, above, p, a, sums));
VECTOR_VARIANTS(targetBest, targetLoop,
                (const float* s, const float* c, const float* d, float level, float floor, bool root,
                 const float* e, const float* h, float sib, const float* ls, const float* rs, float* l, float* r),
                (s, c, d, level, floor, root, e, h, sib, ls, rs, l, r));

double smoothstep(double from, double to, double x)
{
    const double t = std::clamp((x - from) / (to - from), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// The coefficient of a one-pole smoothing run once a block.
double perBlock(double ms, int block, float rate) { return std::exp(-block / (ms * 1e-3 * rate)); }

}  // namespace

int LiveVocoder::blockFor(float sampleRate)
{
    return sampleRate < 60000.0f ? 4 : sampleRate < 120000.0f ? 8 : sampleRate < 240000.0f ? 16 : 32;
}

int LiveVocoder::slowestBand(float sampleRate)
{
    return static_cast<int>(std::ceil(kHalfEnergy * Band(1000.0, kNarrowestHz, sampleRate).delay));
}

void LiveVocoder::prepare(float sampleRate, int delay)
{
    sampleRate_ = sampleRate;
    block_ = blockFor(sampleRate);
    delay_ = delay;
    carrierCoefficient_ = perBlock(kCarrierMs, block_, sampleRate);
    levelRise_ = perBlock(kLevelRiseMs, block_, sampleRate);
    levelFall_ = perBlock(kLevelFallMs, block_, sampleRate);
    sibilanceCoefficient_ = perBlock(kSibilanceMs, block_, sampleRate);
    rebuild();
    clear();
}

void LiveVocoder::setBands(int count)
{
    count = std::clamp(count, 2, kMaxBands);
    if (count != wanted_)
        layoutChanged_ = true;
    wanted_ = count;
}

void LiveVocoder::setFlatten(double amount) { flatten_ = std::clamp(amount, 0.0, 1.0); }

void LiveVocoder::setFormant(double semitones)
{
    if (semitones != formant_)
        formantChanged_ = true;
    formant_ = semitones;
}

void LiveVocoder::setSibilance(double amount) { sibilance_ = std::clamp(amount, 0.0, 1.0); }
void LiveVocoder::setFreeze(bool on) { freeze_ = on; }

void LiveVocoder::setWidth(double amount)
{
    width_ = std::clamp(amount, 0.0, 1.0);
    for (int b = 0; b < kMaxBands; ++b) {
        const bool even = b % 2 == 0, used = b < count_;
        leftShare_[static_cast<size_t>(b)] = static_cast<float>(used ? (even ? 1.0 : 1.0 - width_) : 0.0);
        rightShare_[static_cast<size_t>(b)] = static_cast<float>(used ? (even ? 1.0 - width_ : 1.0) : 0.0);
    }
}

void LiveVocoder::clear()
{
    for (Cascade* c : {&voice_, &carrier_})
        for (Row* state : {&c->r1, &c->i1, &c->r2, &c->i2, &c->r3, &c->i3})
            state->fill(0.0f);
    for (Row* row : {&envelope_, &held_, &carrierPower_, &lastVoice_, &gainLeft_, &gainRight_})
        row->fill(0.0f);
    for (Row& row : amplitudes_)
        row.fill(0.0f);
    weights_.fill(0.0);
    through_.fill(0.0f);
    carrierLevel_ = sibilanceWeight_ = throughGain_ = 0.0;
    heldValid_ = false;
}

// Centres from kLowestHz up, each the next band's spacing below the next:
// the ERB scale's widths times a factor, never below kNarrowestHz, the
// factor found so that the last band sits at the top. Bands the rate has no
// room for at the narrowest spacing are left out.
void LiveVocoder::rebuild()
{
    const double rate = sampleRate_;
    const double low = kLowestHz, high = std::min(kHighestHz, 0.45 * rate);
    const int room = 1 + static_cast<int>((high - low) / kNarrowestHz);
    count_ = std::clamp(std::min(wanted_, room), 2, kMaxBands);
    lanes_ = (count_ + kLanes - 1) / kLanes * kLanes;
    const auto spacing = [](double hz, double factor) { return std::max(kNarrowestHz, factor * erbWidth(hz)); };
    const auto last = [&](double factor) {
        double hz = low;
        for (int b = 1; b < count_; ++b)
            hz += spacing(hz, factor);
        return hz;
    };
    double lower = 0.0, upper = 64.0;
    for (int i = 0; i < 60; ++i) {
        const double middle = 0.5 * (lower + upper);
        (last(middle) > high ? upper : lower) = middle;
    }
    const double factor = lower;

    for (Cascade* c : {&voice_, &carrier_})
        for (Row* pole : {&c->gain, &c->a1r, &c->a1i, &c->a2r, &c->a2i, &c->a3r, &c->a3i})
            pole->fill(0.0f);
    for (Row* row : {&density_, &high_, &above_, &scale_, &highReal_})
        row->fill(0.0f);
    widths_ = 0.0;
    double hz = low;
    double throughDelay = -1.0;
    for (int b = 0; b < count_; ++b, hz += spacing(hz, factor)) {
        const auto at = static_cast<size_t>(b);
        const double width = spacing(hz, factor);
        const Band band(hz, width, rate);
        density_[at] = static_cast<float>(kWidthUnitHz / width);
        widths_ += width / kWidthUnitHz;
        centre_[at] = hz;
        for (Cascade* c : {&voice_, &carrier_}) {
            c->gain[at] = static_cast<float>(band.gain);
            c->a1r[at] = static_cast<float>(band.pole[0].real()), c->a1i[at] = static_cast<float>(band.pole[0].imag());
            c->a2r[at] = static_cast<float>(band.pole[1].real()), c->a2i[at] = static_cast<float>(band.pole[1].imag());
            c->a3r[at] = static_cast<float>(band.pole[2].real()), c->a3i[at] = static_cast<float>(band.pole[2].imag());
        }
        const double arrives = kHalfEnergy * band.delay;
        hold_[at] = std::clamp(static_cast<int>(std::lround((delay_ - arrives) / block_)), 0, kDelayBlocks - 1);
        const double sibilant = smoothstep(kSibilanceFromHz, kSibilanceFullHz, hz);
        high_[at] = static_cast<float>(sibilant);
        highReal_[at] = static_cast<float>(2.0 * sibilant);
        above_[at] = hz > kSibilanceFromHz ? 1.0f : 0.0f;
        if (hz > kSibilanceFromHz && throughDelay < 0.0)
            throughDelay = delay_ - arrives;
    }
    throughDelay_ = std::clamp(static_cast<int>(std::lround(throughDelay)), 0, kThroughRing - 1);
    weightHold_ = std::clamp(static_cast<int>(std::lround(throughDelay / block_)), 0, kDelayBlocks - 1);
    setWidth(width_);
    layoutChanged_ = false;
    mapFormant();
}

// Each band reads the voice's envelope at its centre divided by the
// formant's ratio, between the two bands around it.
void LiveVocoder::mapFormant()
{
    const double ratio = std::exp2(formant_ / 12.0);
    int from = 0;
    for (int b = 0; b < count_; ++b) {
        const double hz = centre_[static_cast<size_t>(b)] / ratio;
        while (from + 2 < count_ && centre_[static_cast<size_t>(from + 1)] <= hz)
            ++from;
        const double lower = centre_[static_cast<size_t>(from)], upper = centre_[static_cast<size_t>(from + 1)];
        readFrom_[static_cast<size_t>(b)] = from;
        readT_[static_cast<size_t>(b)] = std::clamp((hz - lower) / (upper - lower), 0.0, 1.0);
    }
    formantChanged_ = false;
}

void LiveVocoder::process(const float* voice, const float* carrier, float* left, float* right, int count)
{
    if (layoutChanged_) {
        rebuild();
        clear();
    }
    if (formantChanged_)
        mapFormant();
    for (int at = 0; at + block_ <= count; at += kChunk) {
        const int length = std::min(kChunk, count - at) / block_ * block_;
        runChunk(voice + at, carrier + at, left + at, right + at, length);
    }
}

void LiveVocoder::runChunk(const float* voice, const float* carrier, float* left, float* right, int count)
{
    voiceBest(voice_, highReal_.data(), voice, count, block_, lanes_, voicePowers_.data(), highLanes_.data());
    // The voice's own high band, held back to where the bands' envelopes come out.
    constexpr unsigned kMask = kThroughRing - 1;
    for (int n = 0; n < count; ++n, ++throughWrite_) {
        const auto at = static_cast<size_t>(n);
        through_[throughWrite_ & kMask] = static_cast<float>(sum(highLanes_[at]));
        highVoice_[at] = through_[(throughWrite_ - static_cast<unsigned>(throughDelay_)) & kMask];
    }
    // Each band's gain before the voice's: twice (for the real part), the engine's level,
    // and Flatten's share of the carrier's band level divided out. At 100 %
    // each block divides by the carrier's level as it stands (a square
    // root); other amounts take a power once a chunk.
    const double exponent = 0.5 * flatten_;
    const double floor = carrierLevel_ * kDeepestBand + 1e-30;
    const double kept = std::pow(kKeptEnvelope, 1.0 - flatten_);
    for (int b = 0; b < count_; ++b) {
        const auto at = static_cast<size_t>(b);
        const double flat = exponent == 0.5 || exponent == 0.0
                                ? 1.0
                                : std::pow(carrierLevel_ / std::max(carrierPower_[at] * static_cast<double>(density_[at]), floor), exponent);
        scale_[at] = static_cast<float>(kLevel * 2.0 * flat * kept);
    }
    const bool stereo = width_ > 0.0;
    const float inverse = 1.0f / static_cast<float>(block_);
    for (int at = 0, block = 0; at < count; at += block_, ++block) {
        startBlock(block);
        (stereo ? stereoBest : monoBest)(carrier_, carrier + at, block_, lanes_, gainLeft_.data(), gainRight_.data(),
                                         targetLeft_.data(), targetRight_.data(), carrierBlock_.data(),
                                         leftLanes_.data() + at, rightLanes_.data() + at);
        const double target = throughTarget_[static_cast<size_t>(block)];
        const double step = (target - throughGain_) * inverse;
        for (int n = at; n < at + block_; ++n) {
            const auto i = static_cast<size_t>(n);
            throughGain_ += step;
            const double own = throughGain_ * highVoice_[i];
            left[n] = static_cast<float>(sum(leftLanes_[i]) + own) + kGuardFloat;
            right[n] = stereo ? static_cast<float>(sum(rightLanes_[i]) + own) + kGuardFloat : left[n];
        }
        throughGain_ = target;
        endBlock(block);
    }
}

// A block's gains: the voice's band amplitudes held back and moved by the
// formant (or held by Freeze), over the carrier's own as far as Flatten
// asks, at the carrier's broadband level; in sibilant blocks the high
// bands give way to the voice's own.
void LiveVocoder::startBlock(int block)
{
    constexpr unsigned kMask = kDelayBlocks - 1;
    const unsigned slot = blockWrite_ & kMask;
    double sums[2];
    amplitudeBest(voicePowers_[static_cast<size_t>(block)].data(), 1.0f / static_cast<float>(block_), density_.data(),
                  above_.data(), lastVoice_.data(), amplitudes_[slot].data(), sums);
    const double noisy = sums[0] > 0.0 ? smoothstep(kNoiseShareLow, kNoiseShareHigh, sums[1] / sums[0]) : 0.0;
    sibilanceWeight_ = noisy + sibilanceCoefficient_ * (sibilanceWeight_ - noisy);
    if (sibilanceWeight_ < 1e-9)
        sibilanceWeight_ = 0.0;  // not decaying on into the denormal range through a silence
    weights_[slot] = sibilanceWeight_;

    Row& envelope = envelope_;
    for (int b = 0; b < count_; ++b) {
        const auto at = static_cast<size_t>(b);
        envelope[at] = amplitudes_[(blockWrite_ - static_cast<unsigned>(hold_[at])) & kMask][at];
    }
    if (formant_ != 0.0) {
        Row moved{};
        for (int b = 0; b < count_; ++b) {
            const auto at = static_cast<size_t>(b);
            const auto from = static_cast<size_t>(readFrom_[at]);
            const auto t = static_cast<float>(readT_[at]);
            moved[at] = (1.0f - t) * envelope[from] + t * envelope[from + 1];
        }
        envelope = moved;
    }
    if (freeze_) {
        if (!heldValid_)
            held_ = envelope;
        heldValid_ = true;
        envelope = held_;
    } else {
        heldValid_ = false;
    }
    const double sibilance =
        freeze_ ? 0.0 : sibilance_ * weights_[(blockWrite_ - static_cast<unsigned>(weightHold_)) & kMask];
    ++blockWrite_;
    const double level = carrierLevel_;
    targetBest(scale_.data(), carrierPower_.data(), density_.data(), static_cast<float>(level),
               static_cast<float>(level * kDeepestBand + 1e-30), flatten_ == 1.0, envelope.data(), high_.data(),
               static_cast<float>(sibilance), leftShare_.data(), rightShare_.data(), targetLeft_.data(),
               targetRight_.data());
    throughTarget_[static_cast<size_t>(block)] = kLevel * sibilance * std::sqrt(level);
}

// The carrier's band powers and broadband level, after a block.
void LiveVocoder::endBlock(int)
{
    float total = 0.0f;
    levelBest(carrierBlock_.data(), 1.0f / static_cast<float>(block_), static_cast<float>(carrierCoefficient_),
              carrierPower_.data(), &total);
    const double target = total / widths_;
    const double coefficient = target > carrierLevel_ ? levelRise_ : levelFall_;
    carrierLevel_ = target + coefficient * (carrierLevel_ - target);
}

void LiveVocoder::measure(BandLevels& levels, float sampleRate) const
{
    constexpr float kFloorDb = -120.0f;
    const double spacing = centre_[1] - centre_[0];
    for (int m = 0; m < BandLevels::kBands; ++m) {
        const double hz = BandMeter::centreHz(m, sampleRate);
        float& voice = levels.voice[static_cast<size_t>(m)];
        float& output = levels.output[static_cast<size_t>(m)];
        voice = output = kFloorDb;
        if (hz < centre_[0] - spacing || hz > centre_[static_cast<size_t>(count_ - 1)] + spacing)
            continue;
        int nearest = 0;
        for (int b = 1; b < count_; ++b)
            if (std::fabs(centre_[static_cast<size_t>(b)] - hz) < std::fabs(centre_[static_cast<size_t>(nearest)] - hz))
                nearest = b;
        const auto at = static_cast<size_t>(nearest);
        const double gain = std::max(gainLeft_[at], gainRight_[at]) / 2.0;
        voice = std::max(kFloorDb, static_cast<float>(10.0 * std::log10(4.0 * lastVoice_[at] + 1e-12)));
        output = std::max(kFloorDb, static_cast<float>(10.0 * std::log10(4.0 * gain * gain * carrierPower_[at] + 1e-12)));
    }
}
