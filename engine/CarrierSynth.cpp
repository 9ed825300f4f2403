#include "CarrierSynth.h"

#include "SynthMapping.h"
#include "tools/Cpu.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <ctime>

namespace {

constexpr int kLowestKey = -32;
constexpr int kHighestKey = 159;

float frequencyOfKey(int key)
{
    return static_cast<float>(440.0 * std::exp2((key - 69) / 12.0));
}

template <int First, int Last>
std::array<float, Last - First + 1> makeTable()
{
    std::array<float, Last - First + 1> table{};
    for (int key = First; key <= Last; ++key)
        table[static_cast<size_t>(key - First)] = frequencyOfKey(key);
    return table;
}

const std::array<float, kHighestKey - kLowestKey + 1> extendedTable =
    makeTable<kLowestKey, kHighestKey>();

// Sine kernel: reduction by π/2 in two parts (exact for these phases), then
// the odd and even minimax polynomials on [−π/4, π/4], in double.
inline double sineKernel(double x)
{
    constexpr double invPio2 = 6.36619772367581382433e-01;
    constexpr double pio2Hi = 1.57079632673412561417e+00;  // first 33 bits of π/2
    constexpr double pio2Lo = 6.07710050650619224932e-11;  // the rest
    constexpr double roundingShift = 6755399441055744.0;   // 1.5 × 2^52: adds round to integers
    // The sum's low mantissa bits hold n; selections are bit masks, so the
    // loops over many phases vectorise.
    const double shifted = x * invPio2 + roundingShift;
    const double n = shifted - roundingShift;
    const std::uint64_t quadrant = std::bit_cast<std::uint64_t>(shifted);
    const double r = (x - n * pio2Hi) - n * pio2Lo;
    const double z = r * r;
    const double sine =
        r + r * z * (-1.66666666666666324348e-01 +
                     z * (8.33333333332248946124e-03 +
                          z * (-1.98412698298579493134e-04 +
                               z * (2.75573137070700676789e-06 +
                                    z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
    const double cosine =
        1.0 - 0.5 * z +
        z * z * (4.16666666666666019037e-02 +
                 z * (-1.38888888888741095749e-03 +
                      z * (2.48015872894767294178e-05 +
                           z * (-2.75573143513906633035e-07 +
                                z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    const std::uint64_t odd = 0 - (quadrant & 1);
    const std::uint64_t value =
        (std::bit_cast<std::uint64_t>(cosine) & odd) | (std::bit_cast<std::uint64_t>(sine) & ~odd);
    return std::bit_cast<double>(value ^ ((quadrant & 2) << 62));
}

inline float wrapPhase(float phase)
{
    return phase > TWO_PI_F ? std::fmod(phase, TWO_PI_F) : phase;
}

}  // namespace

const std::array<float, 128> frequencyTable = [] {
    std::array<float, 128> table{};
    for (int key = 0; key < 128; ++key)
        table[static_cast<size_t>(key)] = extendedTable[static_cast<size_t>(key - kLowestKey)];
    return table;
}();

float keyFrequency(int key)
{
    return extendedTable[static_cast<size_t>(std::clamp(key, kLowestKey, kHighestKey) - kLowestKey)];
}

float sineOf(float x) { return static_cast<float>(sineKernel(x)); }

namespace {

ALWAYS_INLINE void sinesLoop(const float* x, float* out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<float>(sineKernel(x[i]));
}

WIDE_TARGET void sinesWide(const float* x, float* out, int count)
{
    sinesLoop(x, out, count);
}

void sinesNarrow(const float* x, float* out, int count) { sinesLoop(x, out, count); }

const auto sinesBest = kWideVectors ? sinesWide : sinesNarrow;

}  // namespace

void sinesOf(const float* x, float* out, int count) { sinesBest(x, out, count); }

// ---------------------------------------------------------------- SynthVoice

void SynthVoice::noteOn(int key, float velocity)
{
    if (active_)
        return;
    phase1_ = 0.0f;
    frequency1_ = keyFrequency(key);
    key_ = key;
    increment1_ = static_cast<float>(frequency1_ * k());
    phase2_ = 0.0f;
    frequency2_ = keyFrequency(key + transposition_) * octaveMultiplier_;
    increment2_ = static_cast<float>(frequency2_ * k());
    active_ = true;
    attacking_ = true;
    releasing_ = false;
    attackPosition_ = 0.0f;
    releasePosition_ = 0.0f;
    amplitude_ = velocity;
    if (bend_ != 0.5f)
        setPitchBend(bend_);
}

void SynthVoice::release()
{
    if (active_)
        releasing_ = true;
}

// Linear in hertz between `frequency` and the target key's frequency.
float SynthVoice::bent(int targetKey, float multiplier, float frequency, float a) const
{
    const float target = keyFrequency(targetKey) * multiplier;
    return static_cast<float>(k() * ((target - frequency) * a + frequency));
}

void SynthVoice::setPitchBend(float x)
{
    bend_ = x;
    if (x > 0.5f) {
        const float a = 2.0f * (x - 0.5f);
        increment1_ = bent(key_ + bendRange_, 1.0f, frequency1_, a);
        increment2_ = bent(key_ + bendRange_ + transposition_, octaveMultiplier_, frequency2_, a);
    } else if (x < 0.5f) {
        const float a = 2.0f * (0.5f - x);
        increment1_ = bent(key_ - bendRange_, 1.0f, frequency1_, a);
        increment2_ = bent(key_ - bendRange_ + transposition_, octaveMultiplier_, frequency2_, a);
    } else {
        increment1_ = static_cast<float>(k() * frequency1_);
        increment2_ = static_cast<float>(k() * frequency2_);
    }
}

void SynthVoice::setModulation(float x)
{
    if (x > 0.0f) {
        modulationRate_ = 30.0f * x;
        modulationIncrement_ = static_cast<float>(modulationRate_ * k());
        modulationPhase_ = 0.0f;
    } else {
        modulationRate_ = 0.0f;
    }
}

void SynthVoice::setOsc2(int index, float volume, float multiplier)
{
    osc2Volume_ = volume;
    octaveMultiplier_ = multiplier;
    waveform2_ = index;
    frequency2_ = multiplier * keyFrequency(key_ + transposition_);
    increment2_ = static_cast<float>(frequency2_ * k());
}

void SynthVoice::setTranspose(int t)
{
    transposition_ = t;
    frequency2_ = keyFrequency(key_ + t) * octaveMultiplier_;
    increment2_ = static_cast<float>(frequency2_ * k());
}

// Ramps of (0.999·value + 0.001) seconds.
void SynthVoice::setAttack(float a)
{
    attackValue_ = a;
    attackIncrement_ = static_cast<float>(1.0 / ((a * 0.999f + 0.001f) * sampleRate_));
}

void SynthVoice::setRelease(float v)
{
    releaseValue_ = v;
    releaseIncrement_ = static_cast<float>(1.0 / ((v * 0.999f + 0.001f) * sampleRate_));
}

void SynthVoice::setSampleRate(float rate)
{
    sampleRate_ = rate;
    setAttack(attackValue_);
    setRelease(releaseValue_);
    if (modulationRate_ > 0.0f)
        modulationIncrement_ = static_cast<float>(modulationRate_ * k());
    setPitchBend(bend_);
}

int SynthVoice::sinePhases(float* phases) const
{
    int n = 0;
    if (waveform1_ == 0)
        phases[n++] = phase1_;
    if (waveform2_ == 0)
        phases[n++] = phase2_;
    if (modulationRate_ > 0.0f)
        phases[n++] = modulationPhase_;
    return n;
}

float SynthVoice::render(NoiseSource& noise)
{
    float phases[3];
    float sines[3];
    const int n = sinePhases(phases);
    for (int i = 0; i < n; ++i)
        sines[i] = sineOf(phases[i]);
    return finish(sines, noise);
}

// The rest of render, with the sines of sinePhases() in that order.
inline float SynthVoice::finish(const float* sines, NoiseSource& noise)
{
    constexpr float noiseScale = 1.0f / 32768.0f;
    float s;
    switch (waveform1_) {
    case 0: s = *sines++ * 0.5f; break;
    case 1: s = (phase1_ - PI_F) / PI_F * 0.5f; break;
    case 2: s = phase1_ < PI_F ? -0.5f : 0.5f; break;
    default: s = static_cast<float>(noise.next()) * noiseScale - 0.5f; break;
    }
    const float h = osc2Volume_ * 0.5f;
    switch (waveform2_) {
    case 0: s += *sines++ * h; break;
    case 1: s += (phase2_ - PI_F) / PI_F * h; break;
    case 2: s = phase2_ < PI_F ? s - h : s + h; break;
    default: s += (static_cast<float>(noise.next()) * noiseScale - 0.5f) * osc2Volume_; break;
    }
    phase1_ = wrapPhase(phase1_ + increment1_);
    phase2_ = wrapPhase(phase2_ + increment2_);
    if (modulationRate_ > 0.0f)
        s *= *sines;
    modulationPhase_ = wrapPhase(modulationPhase_ + modulationIncrement_);

    if (attacking_) {
        if (attackPosition_ <= 1.0f) {
            s *= attackPosition_;
            attackPosition_ += attackIncrement_;
            return amplitude_ * s;
        }
        attacking_ = false;
    }
    if (releasing_) {
        if (releasePosition_ <= 0.999) {
            s *= 1.0f - releasePosition_;
            releasePosition_ += releaseIncrement_;
            return amplitude_ * s;
        }
        releasing_ = false;
        active_ = false;
    }
    return active_ ? amplitude_ * s : 0.0f;
}

// -------------------------------------------------------------- CarrierSynth

CarrierSynth::CarrierSynth() : noise_(static_cast<std::uint32_t>(std::time(nullptr)))
{
    noteOf_.fill(-1);
}

void CarrierSynth::noteOn(int key, float velocity)
{
    if (velocity == 0.0f)
        return;
    if (std::find(noteOf_.begin(), noteOf_.end(), key) != noteOf_.end())
        return;
    for (int slot = 0; slot < kVoices; ++slot) {
        SynthVoice& voice = voices_[static_cast<size_t>(slot)];
        if (!voice.active()) {
            voice.noteOn(key, velocity);
            noteOf_[static_cast<size_t>(slot)] = key;
            return;
        }
    }
}

void CarrierSynth::noteOff(int key)
{
    const auto held = std::find(noteOf_.begin(), noteOf_.end(), key);
    if (held == noteOf_.end())
        return;
    voices_[static_cast<size_t>(held - noteOf_.begin())].release();
    *held = -1;
}

void CarrierSynth::setPitchBend(float x)
{
    for (SynthVoice& voice : voices_)
        voice.setPitchBend(x);
}

void CarrierSynth::setModulation(float x)
{
    modulation_ = x;
    for (SynthVoice& voice : voices_)
        voice.setModulation(x);
}

void CarrierSynth::setOsc1Waveform(float v)
{
    const int index = synth::waveformIndex(v);
    for (SynthVoice& voice : voices_)
        voice.setWaveform1(index);
}

void CarrierSynth::setOsc2(float waveform, float volume, float octave)
{
    const int index = synth::waveformIndex(waveform);
    const float multiplier = synth::octaveMultiplier(octave);
    for (SynthVoice& voice : voices_)
        voice.setOsc2(index, volume, multiplier);
}

void CarrierSynth::setTranspose(float v)
{
    transposition_ = synth::transposeSemitones(v);
    for (SynthVoice& voice : voices_)
        voice.setTranspose(transposition_);
}

void CarrierSynth::setAttack(float v)
{
    const float a = synth::attackSetting(v);
    for (SynthVoice& voice : voices_)
        voice.setAttack(a);
}

void CarrierSynth::setRelease(float v)
{
    for (SynthVoice& voice : voices_)
        voice.setRelease(v);
}

void CarrierSynth::setBendRange(float v)
{
    bendRange_ = synth::bendRangeSemitones(v);
    for (SynthVoice& voice : voices_)
        voice.setBendRange(bendRange_);
}

void CarrierSynth::setSampleRate(float rate)
{
    for (SynthVoice& voice : voices_)
        voice.setSampleRate(rate);
}

int CarrierSynth::soundingVoices() const
{
    return static_cast<int>(std::count_if(voices_.begin(), voices_.end(),
                                          [](const SynthVoice& v) { return v.active(); }));
}

// The sines of all sounding voices are taken in one batch, then each voice
// finishes its sample in slot order (which also fixes the order of noise draws).
float CarrierSynth::render()
{
    float phases[kVoices * 3];
    float sines[kVoices * 3];
    SynthVoice* sounding[kVoices];
    int first[kVoices];
    int voices = 0;
    int count = 0;
    for (SynthVoice& voice : voices_) {
        if (!voice.active())
            continue;
        first[voices] = count;
        sounding[voices++] = &voice;
        count += voice.sinePhases(phases + count);
    }
    if (voices == 0)
        return 0.0f;
    sinesOf(phases, sines, count);
    float sum = 0.0f;
    for (int v = 0; v < voices; ++v)
        sum += sounding[v]->finish(sines + first[v], noise_);
    return sum;
}
