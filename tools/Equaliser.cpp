#include "Equaliser.h"

#include "Cpu.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>

Equaliser::Equaliser(int sampleRate)
    : highCut_(sampleRate, 8000.0f),
      peak1_(sampleRate, 800.0f),
      peak2_(sampleRate, 2000.0f),
      lowCut_(sampleRate, 200.0f),
      sampleRate_(sampleRate)
{
}

void Equaliser::store(float& setting, double value)
{
    setting = static_cast<float>(value);
    changed_ = true;
}

void Equaliser::setLowCutHz(double hz) { store(lowCutHz_, hz); }
void Equaliser::setPeak1Hz(double hz) { store(peak1Settings_.frequency, hz); }
void Equaliser::setPeak1Q(double q) { store(peak1Settings_.q, q); }
void Equaliser::setPeak1GainDb(double db) { store(peak1Settings_.gain, db); }
void Equaliser::setPeak2Hz(double hz) { store(peak2Settings_.frequency, hz); }
void Equaliser::setPeak2Q(double q) { store(peak2Settings_.q, q); }
void Equaliser::setPeak2GainDb(double db) { store(peak2Settings_.gain, db); }
void Equaliser::setHighCutHz(double hz) { store(highCutHz_, hz); }

void Equaliser::setSampleRate(int rate)
{
    sampleRate_ = rate;
    changed_ = true;
    settle_ = true;
}

// The state-variable sections' designs for the settings, reached at once
// after a settle or a new rate, else in a glide.
void Equaliser::designGliding()
{
    const double highest = 0.49 * sampleRate_;
    const auto g = [this, highest](float hz) { return std::tan(M_PI * std::min<double>(hz, highest) / sampleRate_); };
    const StateVariable::Design designs[] = {
        StateVariable::lowCut(g(lowCutHz_)),
        StateVariable::peak(g(peak1Settings_.frequency), peak1Settings_.q, peak1Settings_.gain),
        StateVariable::peak(g(peak2Settings_.frequency), peak2Settings_.q, peak2Settings_.gain),
        StateVariable::highCut(g(highCutHz_)),
    };
    const int samples = static_cast<int>(kGlideSeconds * sampleRate_);
    for (size_t i = 0; i < glidingSections_.size(); ++i) {
        if (settle_)
            glidingSections_[i].jumpTo(designs[i]);
        else
            glidingSections_[i].glideTo(designs[i], samples);
    }
    settle_ = false;
}

void Equaliser::applySettings()
{
    const int rate = sampleRate_;
    const float highest = static_cast<float>(0.49 * rate);
    const auto below = [highest](float hz) { return std::min(hz, highest); };
    for (Filter* filter : std::initializer_list<Filter*>{&lowCut_, &peak1_, &peak2_, &highCut_})
        filter->setSampleRate(rate);
    lowCut_.setFrequency(below(lowCutHz_));
    lowCut_.updateCoefficients();
    for (auto [filter, settings] : {std::pair{&peak1_, &peak1Settings_}, {&peak2_, &peak2Settings_}}) {
        filter->setFrequency(below(settings->frequency));
        filter->setQ(settings->q);
        filter->setGain(settings->gain);
        filter->updateCoefficients();
    }
    highCut_.setFrequency(below(highCutHz_));
    highCut_.updateCoefficients();
}

namespace {

// A random sign, the exponent 2^-67 and seven random mantissa bits:
// magnitudes in [6.78e-21, 1.35e-20).
ALWAYS_INLINE float nextNoise(std::uint32_t& state)
{
    state = state * 1234567u + 890123u;
    return std::bit_cast<float>((state & 0x9E7F0000u) | 0x1E000000u);
}

// The noise, then the four sections in series, sample by sample: each
// recursion as written; the processor overlaps the four chains.
ALWAYS_INLINE void cascadeLoop(float* buffer, float* out, int count, Filter::Section* sections,
                               std::uint32_t& noise)
{
    Filter::Section low = sections[0], first = sections[1], second = sections[2], high = sections[3];
    std::uint32_t state = noise;
    for (int i = 0; i < count; ++i) {
        const float x = buffer[i] + nextNoise(state);
        buffer[i] = x;
        out[i] = high.step(second.step(first.step(low.step(x))));
    }
    sections[0] = low;
    sections[1] = first;
    sections[2] = second;
    sections[3] = high;
    noise = state;
}

// The same for the gliding sections: sample by sample while any moves, else
// without the test.
ALWAYS_INLINE void glidingLoop(float* buffer, float* out, int count, StateVariable* sections, std::uint32_t& noise,
                               bool moving)
{
    StateVariable low = sections[0], first = sections[1], second = sections[2], high = sections[3];
    std::uint32_t state = noise;
    if (moving) {
        for (int i = 0; i < count; ++i) {
            const float x = buffer[i] + nextNoise(state);
            buffer[i] = x;
            out[i] = high.step(second.step(first.step(low.step(x))));
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const float x = buffer[i] + nextNoise(state);
            buffer[i] = x;
            out[i] = high.steady(second.steady(first.steady(low.steady(x))));
        }
    }
    sections[0] = low;
    sections[1] = first;
    sections[2] = second;
    sections[3] = high;
    noise = state;
}

VECTOR_VARIANTS(glidingCascade, glidingLoop,
                (float* b, float* o, int n, StateVariable* s, std::uint32_t& noise, bool moving),
                (b, o, n, s, noise, moving));

VECTOR_VARIANTS(cascade, cascadeLoop, (float* b, float* o, int n, Filter::Section* s, std::uint32_t& noise),
                (b, o, n, s, noise));

}  // namespace

void Equaliser::process(float* buffer, float* out, int count)
{
    if (gliding_) {
        if (changed_ || settle_) {
            changed_ = false;
            applySettings();  // the settings the accessors show
            designGliding();
        }
        bool moving = false;
        for (const StateVariable& section : glidingSections_)
            moving = moving || section.moving();
        glidingCascade(buffer, out, count, glidingSections_.data(), noise_, moving);
        return;
    }
    if (changed_) {
        changed_ = false;
        applySettings();
    }
    Filter::Section sections[] = {lowCut_.section(), peak1_.section(), peak2_.section(), highCut_.section()};
    cascade(buffer, out, count, sections, noise_);
    lowCut_.section() = sections[0];
    peak1_.section() = sections[1];
    peak2_.section() = sections[2];
    highCut_.section() = sections[3];
}
