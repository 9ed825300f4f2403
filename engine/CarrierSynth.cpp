#include "CarrierSynth.h"

#include "tools/Cpu.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <ctime>
#include <utility>

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

// Built on first use: libraries loaded on several threads at once then
// share it through the guard of a local static, which every checker sees,
// rather than through the loader's own lock.
const std::array<float, kHighestKey - kLowestKey + 1>& extendedTable()
{
    static const std::array<float, kHighestKey - kLowestKey + 1> table = makeTable<kLowestKey, kHighestKey>();
    return table;
}

// Sine kernel in float: x = n·π/2 + r with |r| ≤ π/4, π/2 in three parts
// (the first two products exact) and r carried as r + lo through two exact
// two-sums; then the odd and even polynomials on [−π/4, π/4] with lo folded
// in. n's low bits select the polynomial and the sign.
ALWAYS_INLINE float sineKernel(float x)
{
    constexpr float roundingShift = 12582912.0f;  // 1.5 × 2^23: adds round to integers
    const float shifted = x * 0.636619772367581343f + roundingShift;
    const float n = shifted - roundingShift;
    const std::uint32_t quadrant = std::bit_cast<std::uint32_t>(shifted);
    const float a = x - n * 1.5703125f;
    const float b = n * 4.837512969970703125e-4f;
    const float r1 = a - b;
    const float b1 = r1 - a;
    const float e1 = (a - (r1 - b1)) - (b + b1);
    const float c = n * 7.54978995489188216e-8f;
    const float r = r1 - c;
    const float b2 = r - r1;
    const float e2 = (r1 - (r - b2)) - (c + b2);
    const float lo = e1 + e2;
    const float z = r * r;
    const float sine = r + (lo + r * z * (-1.6666654611e-1f + z * (8.3321608736e-3f + z * -1.9515295891e-4f)));
    const float cosine =
        1.0f - 0.5f * z +
        (z * z * (4.166664568298827e-2f + z * (-1.388731625493765e-3f + z * 2.443315711809948e-5f)) - r * lo);
    const std::uint32_t odd = 0u - (quadrant & 1u);
    const std::uint32_t value =
        (std::bit_cast<std::uint32_t>(cosine) & odd) | (std::bit_cast<std::uint32_t>(sine) & ~odd);
    return std::bit_cast<float>(value ^ ((quadrant & 2u) << 30));
}

constexpr float kNoiseScale = 1.0f / 32768.0f;

// The largest float not above 0.999: `position <= 0.999` in double, as a float test.
constexpr float kReleaseEnd = 0.99899995f;
static_assert(static_cast<double>(kReleaseEnd) <= 0.999 && static_cast<double>(kReleaseEnd) + 0x1p-24 > 0.999);

inline float wrapPhase(float phase)
{
    return phase > TWO_PI_F ? std::fmod(phase, TWO_PI_F) : phase;
}

}  // namespace

const std::array<float, 128> frequencyTable = [] {
    std::array<float, 128> table{};
    for (int key = 0; key < 128; ++key)
        table[static_cast<size_t>(key)] = extendedTable()[static_cast<size_t>(key - kLowestKey)];
    return table;
}();

float keyFrequency(int key)
{
    return extendedTable()[static_cast<size_t>(std::clamp(key, kLowestKey, kHighestKey) - kLowestKey)];
}

float sineOf(float x) { return sineKernel(x); }

// ---------------------------------------------------------------- SynthVoice

SynthVoice::SynthVoice(VoiceLanes& lanes, int lane) : l_(&lanes), i_(lane)
{
    sampleRate_() = 44100.0f;
    phase1_() = 0.0f;
    increment1_() = 1.0f;
    frequency1_() = 440.0f;
    phase2_() = 0.0f;
    increment2_() = 1.0f;
    frequency2_() = 880.0f;
    key_() = -1;
    amplitude_() = 0.0f;
    bend_() = 0.5f;
    bendRange_() = 2;
    transposition_() = 0;
    modulationRate_() = 0.0f;
    modulationIncrement_() = 0.0f;
    modulationPhase_() = 0.0f;
    active_() = false;
    releasing_() = false;
    releasePosition_() = 0.0f;
    releaseSeconds_() = 0.01f * 0.999f + 0.001f;
    releaseIncrement_() = 0.0020633063f;
    attacking_() = false;
    attackPosition_() = 0.0f;
    attackSeconds_() = 0.006f * 0.999f + 0.001f;
    attackIncrement_() = 0.00324217f;
    waveform1_() = 3;
    waveform2_() = 0;
    octaveMultiplier_() = 4.0f;
    osc2Volume_() = 0.5f;
    l_->tuning[i_] = l_->detune[i_] = 1.0f;
    l_->glide[i_] = l_->glideRate[i_] = l_->offset[i_] = 0.0f;
    l_->noiseLevel[i_] = 0.0f;
    seedNoise(0x9E3779B9u * static_cast<std::uint32_t>(lane + 1));
}

void SynthVoice::noteOn(int key, float velocity)
{
    if (active_())
        return;
    phase1_() = 0.0f;
    frequency1_() = keyFrequency(key);
    key_() = key;
    increment1_() = static_cast<float>(frequency1_() * k());
    phase2_() = 0.0f;
    frequency2_() = keyFrequency(key + transposition_()) * octaveMultiplier_();
    increment2_() = static_cast<float>(frequency2_() * k());
    active_() = true;
    attacking_() = true;
    releasing_() = false;
    setRelease(releaseSeconds_());  // the voice's own, after a fade that quickened it
    attackPosition_() = 0.0f;
    releasePosition_() = 0.0f;
    amplitude_() = velocity;
    if (bend_() != 0.5f)
        setPitchBend(bend_());
    l_->glide[i_] = l_->offset[i_] = 0.0f;
    retune();
}

void SynthVoice::release()
{
    if (active_())
        releasing_() = true;
}

// From the level it has now: an attack stops where it is, a release goes
// on from where it is, quicker.
void SynthVoice::fadeOut(float seconds)
{
    if (!active_())
        return;
    if (attacking_() && attackPosition_() <= 1.0f)
        releasePosition_() = 1.0f - attackPosition_();
    else if (!releasing_())
        releasePosition_() = 0.0f;
    attacking_() = false;
    releasing_() = true;
    const float steps = std::max(1.0f, seconds * sampleRate_());
    releaseIncrement_() = std::max(releaseIncrement_(), (kReleaseEnd - releasePosition_()) / steps);
}

void SynthVoice::stop()
{
    active_() = false;
    attacking_() = false;
    releasing_() = false;
}

// Linear in hertz between `frequency` and the target key's frequency.
float SynthVoice::bent(int targetKey, float multiplier, float frequency, float a)
{
    const float target = keyFrequency(targetKey) * multiplier;
    return static_cast<float>(k() * ((target - frequency) * a + frequency));
}

void SynthVoice::setPitchBend(float x)
{
    bend_() = x;
    if (x > 0.5f) {
        const float a = 2.0f * (x - 0.5f);
        increment1_() = bent(key_() + bendRange_(), 1.0f, frequency1_(), a);
        increment2_() = bent(key_() + bendRange_() + transposition_(), octaveMultiplier_(), frequency2_(), a);
    } else if (x < 0.5f) {
        const float a = 2.0f * (0.5f - x);
        increment1_() = bent(key_() - bendRange_(), 1.0f, frequency1_(), a);
        increment2_() = bent(key_() - bendRange_() + transposition_(), octaveMultiplier_(), frequency2_(), a);
    } else {
        increment1_() = static_cast<float>(k() * frequency1_());
        increment2_() = static_cast<float>(k() * frequency2_());
    }
}

void SynthVoice::setModulation(float x)
{
    if (x > 0.0f) {
        modulationRate_() = 30.0f * x;
        modulationIncrement_() = static_cast<float>(modulationRate_() * k());
        modulationPhase_() = 0.0f;
    } else {
        modulationRate_() = 0.0f;
    }
}

void SynthVoice::setOsc2(int index, float volume, float multiplier)
{
    osc2Volume_() = volume;
    octaveMultiplier_() = multiplier;
    waveform2_() = index;
    frequency2_() = multiplier * keyFrequency(key_() + transposition_());
    increment2_() = static_cast<float>(frequency2_() * k());
}

void SynthVoice::setTranspose(int t)
{
    transposition_() = t;
    frequency2_() = keyFrequency(key_() + t) * octaveMultiplier_();
    increment2_() = static_cast<float>(frequency2_() * k());
}

void SynthVoice::setAttack(float seconds)
{
    attackSeconds_() = seconds;
    attackIncrement_() = static_cast<float>(1.0 / (seconds * sampleRate_()));
}

void SynthVoice::setRelease(float seconds)
{
    releaseSeconds_() = seconds;
    releaseIncrement_() = static_cast<float>(1.0 / (seconds * sampleRate_()));
}

void SynthVoice::setDetune(float factor)
{
    l_->detune[i_] = factor;
    retune();
}

void SynthVoice::setPhases(float phase)
{
    phase1_() = phase2_() = phase;
}

void SynthVoice::glideToPitch(float pitch, float seconds)
{
    const float from = static_cast<float>(key_()) + l_->glide[i_] + l_->offset[i_];
    const int key = static_cast<int>(std::lround(pitch));
    key_() = key;
    l_->offset[i_] = pitch - static_cast<float>(key);
    frequency1_() = keyFrequency(key);
    frequency2_() = keyFrequency(key + transposition_()) * octaveMultiplier_();
    setPitchBend(bend_());
    const float interval = from - pitch;
    const float samples = seconds * sampleRate_();
    l_->glide[i_] = samples >= 1.0f ? interval : 0.0f;
    l_->glideRate[i_] = samples >= 1.0f ? std::fabs(interval) / samples : 0.0f;
    retune();
}

void SynthVoice::advanceGlide(int samples)
{
    float& glide = l_->glide[i_];
    if (glide == 0.0f)
        return;
    const float step = l_->glideRate[i_] * static_cast<float>(samples);
    glide = std::fabs(glide) <= step ? 0.0f : glide - std::copysign(step, glide);
    retune();
}

float SynthVoice::level() const
{
    if (!active())
        return 0.0f;
    const float envelope = l_->attacking[i_] && l_->attackPosition[i_] <= 1.0f ? l_->attackPosition[i_]
                           : l_->releasing[i_]                                  ? 1.0f - l_->releasePosition[i_]
                                                                               : 1.0f;
    return l_->amplitude[i_] * envelope;
}

void SynthVoice::restart(float velocity)
{
    const float now = level();
    attacking_() = true;
    releasing_() = false;
    setRelease(releaseSeconds_());
    releasePosition_() = 0.0f;
    amplitude_() = velocity;
    attackPosition_() = velocity > 0.0f ? std::min(1.0f, now / velocity) : 1.0f;
}

void SynthVoice::setSampleRate(float rate)
{
    sampleRate_() = rate;
    setAttack(attackSeconds_());
    setRelease(releaseSeconds_());
    if (modulationRate_() > 0.0f)
        modulationIncrement_() = static_cast<float>(modulationRate_() * k());
    setPitchBend(bend_());
}

float SynthVoice::render(NoiseSource& noise)
{
    float s;
    switch (waveform1_()) {
    case 0: s = sineOf(phase1_()) * 0.5f; break;
    case 1: s = (phase1_() - PI_F) / PI_F * 0.5f; break;
    case 2: s = phase1_() < PI_F ? -0.5f : 0.5f; break;
    default: s = static_cast<float>(noise.next()) * kNoiseScale - 0.5f; break;
    }
    const float h = osc2Volume_() * 0.5f;
    switch (waveform2_()) {
    case 0: s += sineOf(phase2_()) * h; break;
    case 1: s += (phase2_() - PI_F) / PI_F * h; break;
    case 2: s = phase2_() < PI_F ? s - h : s + h; break;
    default: s += (static_cast<float>(noise.next()) * kNoiseScale - 0.5f) * osc2Volume_(); break;
    }
    phase1_() = wrapPhase(phase1_() + increment1_() * l_->tuning[i_]);
    phase2_() = wrapPhase(phase2_() + increment2_() * l_->tuning[i_]);
    if (modulationRate_() > 0.0f)
        s *= sineOf(modulationPhase_());
    modulationPhase_() = wrapPhase(modulationPhase_() + modulationIncrement_());

    if (attacking_()) {
        if (attackPosition_() <= 1.0f) {
            s *= attackPosition_();
            attackPosition_() += attackIncrement_();
            return amplitude_() * s;
        }
        attacking_() = false;
    }
    if (releasing_()) {
        if (releasePosition_() <= 0.999) {
            s *= 1.0f - releasePosition_();
            releasePosition_() += releaseIncrement_();
            return amplitude_() * s;
        }
        releasing_() = false;
        active_() = false;
    }
    return active_() ? amplitude_() * s : 0.0f;
}

// -------------------------------------------------------------- CarrierSynth

namespace {

template <std::size_t... I>
std::array<SynthVoice, sizeof...(I)> voicesOf(VoiceLanes& lanes, std::index_sequence<I...>)
{
    return {SynthVoice(lanes, static_cast<int>(I))...};
}

}  // namespace

CarrierSynth::CarrierSynth()
    : voices_(voicesOf(lanes_, std::make_index_sequence<kSynthLanes>())),
      noise_(static_cast<std::uint32_t>(std::time(nullptr)))
{
    noteOf_.fill(-1);
    copies_.fill(1);
    levelOf_.fill(1.0f);
}

void CarrierSynth::seedNoise(std::uint32_t seed)
{
    noise_.seed(seed);
    for (int lane = 0; lane < kSynthLanes; ++lane)
        voices_[static_cast<size_t>(lane)].seedNoise(seed ^ (0x9E3779B9u * static_cast<std::uint32_t>(lane + 1)));
}

// A note in a free slot: every unison copy, spread evenly over the detune
// (cents either side of the key) and started at phases apart, the copies'
// sum about as loud as one oscillator.
void CarrierSynth::startNote(int slot, int key, float velocity)
{
    const auto s = static_cast<size_t>(slot);
    copies_[s] = unison_;
    levelOf_[s] = velocityLevelOf(velocity);
    const float scale = unisonScale(unison_);
    int copy = 0;
    eachCopy(slot, [&](SynthVoice& voice) {
        if (unison_ > 1) {
            const float spread = static_cast<float>(copy) / static_cast<float>(unison_ - 1) - 0.5f;
            voice.setDetune(std::exp2(spread * detuneCents_ / 1200.0f));
        } else {
            voice.setDetune(1.0f);
        }
        voice.noteOn(key, velocity * scale);
        if (copy > 0)
            voice.setPhases(std::fmod(static_cast<float>(copy) * 0.381966f, 1.0f) * TWO_PI_F);
        ++copy;
    });
    noteOf_[s] = key;
    startedAt_[s] = ++clock_;
}

void CarrierSynth::releaseNote(int slot)
{
    eachCopy(slot, [](SynthVoice& voice) { voice.release(); });
}

void CarrierSynth::noteOn(int key, float velocity)
{
    if (velocity == 0.0f)
        return;
    if (voiceMode_ != 0) {
        monoNoteOn(key, velocity);
        return;
    }
    if (std::find(noteOf_.begin(), noteOf_.end(), key) != noteOf_.end())
        return;
    if (const int slot = freeSlot(); slot >= 0) {
        startNote(slot, key, velocity);
        return;
    }
    if (!playerControls_)
        return;
    const int slot = voiceToTake();
    if (slot < 0)
        return;
    const auto s = static_cast<size_t>(slot);
    eachCopy(slot, [](SynthVoice& voice) { voice.fadeOut(kStealFadeSeconds); });
    sustained_[s] = false;
    noteOf_[s] = key;
    pending_[s] = {key, velocity};
    ++pendingCount_;
}

// Mono and Legato play in the first slot; the keys held make a stack.
void CarrierSynth::monoNoteOn(int key, float velocity)
{
    const auto end = held_.begin() + heldCount_;
    const auto found = std::find(held_.begin(), end, static_cast<std::int8_t>(key));
    if (found != end) {
        std::rotate(found, found + 1, end);
        --heldCount_;
    }
    held_[static_cast<size_t>(heldCount_++)] = static_cast<std::int8_t>(key);
    velocityOf_[static_cast<size_t>(key)] = velocity;
    playMono(key, velocity);
}

void CarrierSynth::monoNoteOff(int key)
{
    const auto end = held_.begin() + heldCount_;
    const auto found = std::find(held_.begin(), end, static_cast<std::int8_t>(key));
    if (found == end)
        return;
    std::rotate(found, found + 1, end);
    --heldCount_;
    if (noteOf_[0] != key)
        return;
    if (heldCount_ > 0) {
        const int back = held_[static_cast<size_t>(heldCount_ - 1)];
        playMono(back, velocityOf_[static_cast<size_t>(back)]);
        return;
    }
    noteOf_[0] = -1;
    releasedAt_[0] = ++clock_;
    if (sustain_)
        sustained_[0] = true;
    else
        releaseNote(0);
}

// A sounding note moves to the key (gliding); Mono, or a note already in
// its release, starts its envelope again from where it is.
void CarrierSynth::playMono(int key, float velocity)
{
    SynthVoice& first = voices_[0];
    if (!first.active()) {
        startNote(0, key, velocity);
        return;
    }
    const bool again = voiceMode_ == 1 || first.releasing();
    const float scale = unisonScale(copies_[0]);
    eachCopy(0, [&](SynthVoice& voice) {
        voice.glideTo(key, glideSeconds_);
        if (again)
            voice.restart(velocity * scale);
    });
    if (again)
        levelOf_[0] = velocityLevelOf(velocity);
    noteOf_[0] = key;
    sustained_[0] = false;
}

void CarrierSynth::setVoiceMode(int mode)
{
    if (mode == voiceMode_)
        return;
    allNotesOff();
    voiceMode_ = mode;
}

void CarrierSynth::setUnison(int copies, float detuneCents)
{
    unison_ = std::clamp(copies, 1, kMaxUnison);
    detuneCents_ = detuneCents;
}

void CarrierSynth::setNoise(float level, bool ramp)
{
    noiseLevel_.set(level, ramp, sampleRate_);
    for (SynthVoice& voice : voices_)
        voice.setNoise(noiseLevel_.value);
}

void CarrierSynth::Glider::set(float to, bool ramp, float rate)
{
    target = to;
    if (!ramp)
        value = to;
    step = std::fabs(target - value) / std::max(1.0f, kRampSeconds * rate);
}

void CarrierSynth::Glider::advance(int samples)
{
    const float move = step * static_cast<float>(samples);
    value = std::fabs(target - value) <= move ? target : value + std::copysign(move, target - value);
}

// The first silent voice no note waits for (Mono and Legato keep the first
// for their own), or -1.
int CarrierSynth::freeSlot() const
{
    for (int slot = voiceMode_ != 0 ? 1 : 0; slot < kVoices; ++slot)
        if (!voices_[static_cast<size_t>(slot)].active() && pending_[static_cast<size_t>(slot)].key < 0)
            return slot;
    return -1;
}

void CarrierSynth::setTracked(const float* pitches, int count, float velocity)
{
    for (int i = 0; i < kTracked; ++i) {
        int& slot = trackedSlot_[static_cast<size_t>(i)];
        if (i >= count) {
            if (slot >= 0) {
                releaseNote(slot);
                noteOf_[static_cast<size_t>(slot)] = -1;
                releasedAt_[static_cast<size_t>(slot)] = ++clock_;
                slot = -1;
            }
            continue;
        }
        const float pitch = pitches[i];
        if (slot >= 0) {
            eachCopy(slot, [&](SynthVoice& voice) { voice.glideToPitch(pitch, glideSeconds_); });
            continue;
        }
        slot = freeSlot();
        if (slot < 0)
            slot = voiceToTake();
        if (slot < 0)
            continue;
        if (voices_[static_cast<size_t>(slot)].active())
            eachCopy(slot, [](SynthVoice& voice) { voice.stop(); });
        startNote(slot, static_cast<int>(std::lround(pitch)), velocity);
        noteOf_[static_cast<size_t>(slot)] = kTrackedKey + i;
        eachCopy(slot, [&](SynthVoice& voice) { voice.glideToPitch(pitch, 0.0f); });
    }
}

// The voice a note takes when all sound: the one released longest ago (by
// its key, the pedal holding it or not), else the one held longest; none
// when every voice already waits for a note. Tracked notes keep theirs.
int CarrierSynth::voiceToTake()
{
    int released = -1, held = -1;
    for (int slot = 0; slot < kVoices; ++slot) {
        const auto s = static_cast<size_t>(slot);
        if (pending_[s].key >= 0 || noteOf_[s] >= kTrackedKey)
            continue;
        if (noteOf_[s] < 0) {
            if (released < 0 || releasedAt_[s] < releasedAt_[static_cast<size_t>(released)])
                released = slot;
        } else if (held < 0 || startedAt_[s] < startedAt_[static_cast<size_t>(held)]) {
            held = slot;
        }
    }
    return released >= 0 ? released : held;
}

// Each waiting note whose voice has faded starts.
void CarrierSynth::startPending()
{
    for (int slot = 0; slot < kVoices; ++slot) {
        const auto s = static_cast<size_t>(slot);
        if (pending_[s].key < 0 || voices_[s].active())
            continue;
        const Pending note = pending_[s];
        pending_[s] = {};
        --pendingCount_;
        startNote(slot, note.key, note.velocity);
    }
}

void CarrierSynth::cancelPending(int slot)
{
    const auto s = static_cast<size_t>(slot);
    if (pending_[s].key < 0)
        return;
    pending_[s] = {};
    --pendingCount_;
}

void CarrierSynth::noteOff(int key)
{
    if (voiceMode_ != 0) {
        monoNoteOff(key);
        return;
    }
    const auto held = std::find(noteOf_.begin(), noteOf_.end(), key);
    if (held == noteOf_.end())
        return;
    const auto slot = static_cast<size_t>(held - noteOf_.begin());
    *held = -1;
    releasedAt_[slot] = ++clock_;
    if (pending_[slot].key >= 0) {  // released before it could start
        cancelPending(static_cast<int>(slot));
        return;
    }
    if (playerControls_ && sustain_)
        sustained_[slot] = true;
    else
        releaseNote(static_cast<int>(slot));
}

void CarrierSynth::setSustain(bool down)
{
    if (!playerControls_)
        return;
    sustain_ = down;
    if (down)
        return;
    for (int slot = 0; slot < kVoices; ++slot)
        if (sustained_[static_cast<size_t>(slot)]) {
            releaseNote(slot);
            sustained_[static_cast<size_t>(slot)] = false;
        }
}

void CarrierSynth::allNotesOff()
{
    heldCount_ = 0;
    trackedSlot_.fill(-1);
    for (int slot = 0; slot < kVoices; ++slot) {
        const auto s = static_cast<size_t>(slot);
        cancelPending(slot);
        if (noteOf_[s] >= 0 || sustained_[s]) {
            releaseNote(slot);
            noteOf_[s] = -1;
            sustained_[s] = false;
        }
    }
}

void CarrierSynth::allSoundOff()
{
    for (SynthVoice& voice : voices_)
        voice.stop();
    heldCount_ = 0;
    trackedSlot_.fill(-1);
    noteOf_.fill(-1);
    sustained_.fill(false);
    pending_.fill({});
    pendingCount_ = 0;
}

// Held or in its release: either way the key's voice ends now.
void CarrierSynth::chokeNote(int key)
{
    if (voiceMode_ != 0) {
        monoNoteOff(key);
        if (voices_[0].key() == key && noteOf_[0] < 0) {
            eachCopy(0, [](SynthVoice& voice) { voice.stop(); });
            sustained_[0] = false;
        }
        return;
    }
    for (int slot = 0; slot < kVoices; ++slot) {
        const auto s = static_cast<size_t>(slot);
        if (pending_[s].key == key) {
            cancelPending(slot);
            noteOf_[s] = -1;
        }
        SynthVoice& voice = voices_[s];
        if (voice.active() && voice.key() == key && pending_[s].key < 0) {
            eachCopy(slot, [](SynthVoice& copy) { copy.stop(); });
            noteOf_[s] = -1;
            sustained_[s] = false;
        }
    }
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

void CarrierSynth::setOsc1Waveform(int waveform)
{
    for (SynthVoice& voice : voices_)
        voice.setWaveform1(waveform);
}

void CarrierSynth::setOsc2(int waveform, float volume, float multiplier, bool ramp)
{
    osc2Volume_.set(volume, ramp, sampleRate_);
    for (SynthVoice& voice : voices_)
        voice.setOsc2(waveform, osc2Volume_.value, multiplier);
}

void CarrierSynth::setTranspose(int semitones)
{
    transposition_ = semitones;
    for (SynthVoice& voice : voices_)
        voice.setTranspose(transposition_);
}

void CarrierSynth::setAttack(float seconds)
{
    for (SynthVoice& voice : voices_)
        voice.setAttack(seconds);
}

void CarrierSynth::setRelease(float seconds)
{
    for (SynthVoice& voice : voices_)
        voice.setRelease(seconds);
}

void CarrierSynth::setBendRange(int semitones)
{
    bendRange_ = semitones;
    for (SynthVoice& voice : voices_)
        voice.setBendRange(bendRange_);
}

void CarrierSynth::setSampleRate(float rate)
{
    sampleRate_ = rate;
    for (SynthVoice& voice : voices_)
        voice.setSampleRate(rate);
}

int CarrierSynth::soundingVoices() const
{
    return static_cast<int>(std::count_if(voices_.begin(), voices_.begin() + kVoices,
                                          [](const SynthVoice& v) { return v.active(); }));
}

// The sounding notes' velocity levels weighed by their envelopes; the last
// one while nothing sounds.
float CarrierSynth::velocityLevel() const
{
    float weighed = 0.0f, weights = 0.0f;
    for (int slot = 0; slot < kVoices; ++slot) {
        const float w = voices_[static_cast<size_t>(slot)].level();
        weighed += w * levelOf_[static_cast<size_t>(slot)];
        weights += w;
    }
    return weights > 0.0f ? weighed / weights : lastLevel_;
}

bool CarrierSynth::controlsMove() const
{
    if (osc2Volume_.moving() || noiseLevel_.moving())
        return true;
    for (int slot = 0; slot < kVoices; ++slot)
        if (voices_[static_cast<size_t>(slot)].gliding())
            return true;
    return false;
}

// Glides and OSC 2's amplitude, `samples` on.
void CarrierSynth::advanceControls(int samples)
{
    for (int slot = 0; slot < kVoices; ++slot)
        if (voices_[static_cast<size_t>(slot)].gliding())
            eachCopy(slot, [samples](SynthVoice& voice) { voice.advanceGlide(samples); });
    if (osc2Volume_.moving()) {
        osc2Volume_.advance(samples);
        for (float& volume : lanes_.osc2Volume)
            volume = osc2Volume_.value;
    }
    if (noiseLevel_.moving()) {
        noiseLevel_.advance(samples);
        for (float& level : lanes_.noiseLevel)
            level = noiseLevel_.value;
    }
}

namespace {

// One sample of every voice, lane by lane, without branches: each lane does
// what SynthVoice::render does (inactive lanes keep their state and give 0).
// The sines are computed only where some voice uses them. Returns whether a
// phase needs the caller's fmod.
// Selections as bit masks, which the vectoriser takes where it gives up on
// conditional expressions.
ALWAYS_INLINE std::uint32_t maskOf(bool c) { return 0u - static_cast<std::uint32_t>(c); }

ALWAYS_INLINE float pick(std::uint32_t mask, float a, float b)
{
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) | (std::bit_cast<std::uint32_t>(b) & ~mask));
}

ALWAYS_INLINE std::int32_t pick(std::uint32_t mask, std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(a) & mask) | (static_cast<std::uint32_t>(b) & ~mask));
}

// fmod(p, 2π) for p up to twice 2π: p − 2π is exact there (Sterbenz). Larger
// phases (steps of 2π or more, oscillators above the sample rate) stay above
// 2π and are left to the caller's fmod.
ALWAYS_INLINE float wrapOnce(float p)
{
    return pick(maskOf(p > TWO_PI_F) & maskOf(p <= 2.0f * TWO_PI_F), p - TWO_PI_F, p);
}

// Waveform 0 … 3 of every voice, or kMixed when the voices differ.
constexpr int kMixed = 4;

template <int W1, int W2, bool Modulation, bool Noise>
ALWAYS_INLINE bool renderLoop(VoiceLanes& L, const float* noise1, const float* noise2, float* out, int lanes)
{
    std::uint32_t wrap = 0;
    for (int group = 0; group < lanes; group += kSynthVoices)
    for (int i = group; i < group + kSynthVoices; ++i) {
        const std::uint32_t on = maskOf(L.active[i] != 0);
        const float p1 = L.phase1[i], p2 = L.phase2[i], pm = L.modulationPhase[i];
        const std::int32_t w1 = L.waveform1[i], w2 = L.waveform2[i];

        const auto oscillator1 = [&](int w) {
            switch (w) {
            case 0: return sineKernel(p1) * 0.5f;
            case 1: return (p1 - PI_F) / PI_F * 0.5f;
            case 2: return pick(maskOf(p1 < PI_F), -0.5f, 0.5f);
            default: return noise1[i] * kNoiseScale - 0.5f;
            }
        };
        float s;
        if constexpr (W1 == kMixed)
            s = pick(maskOf(w1 == 0), oscillator1(0),
                     pick(maskOf(w1 == 1), oscillator1(1), pick(maskOf(w1 == 2), oscillator1(2), oscillator1(3))));
        else
            s = oscillator1(W1);

        const float volume = L.osc2Volume[i];
        const float h = volume * 0.5f;
        const auto oscillator2 = [&](int w) {
            switch (w) {
            case 0: return s + sineKernel(p2) * h;
            case 1: return s + (p2 - PI_F) / PI_F * h;
            case 2: return pick(maskOf(p2 < PI_F), s - h, s + h);
            default: return s + (noise2[i] * kNoiseScale - 0.5f) * volume;
            }
        };
        if constexpr (W2 == kMixed)
            s = pick(maskOf(w2 == 0), oscillator2(0),
                     pick(maskOf(w2 == 1), oscillator2(1), pick(maskOf(w2 == 2), oscillator2(2), oscillator2(3))));
        else
            s = oscillator2(W2);

        if constexpr (Noise) {
            // xorshift32, one generator a lane; the signed draw scaled to ±0.5.
            std::uint32_t x = L.noiseState[i];
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            L.noiseState[i] = (x & on) | (L.noiseState[i] & ~on);
            s += L.noiseLevel[i] * (static_cast<float>(static_cast<std::int32_t>(x)) * 0x1p-32f);
        }
        // The tuning factor is 1 without unison or glide: the same sums.
        const float next1 = wrapOnce(p1 + L.increment1[i] * L.tuning[i]);
        const float next2 = wrapOnce(p2 + L.increment2[i] * L.tuning[i]);
        if (Modulation)
            s = pick(maskOf(L.modulationRate[i] > 0.0f), s * sineKernel(pm), s);
        const float nextM = wrapOnce(pm + L.modulationIncrement[i]);
        wrap |= on & (maskOf(next1 > TWO_PI_F) | maskOf(next2 > TWO_PI_F) | maskOf(nextM > TWO_PI_F));
        L.phase1[i] = pick(on, next1, p1);
        L.phase2[i] = pick(on, next2, p2);
        L.modulationPhase[i] = pick(on, nextM, pm);

        const float attackPosition = L.attackPosition[i];
        const float releasePosition = L.releasePosition[i];
        const std::uint32_t attacking = on & maskOf(L.attacking[i] != 0) & maskOf(attackPosition <= 1.0f);
        const std::uint32_t releaseTurn = on & ~attacking & maskOf(L.releasing[i] != 0);
        const std::uint32_t releasing = releaseTurn & maskOf(releasePosition <= kReleaseEnd);
        const std::uint32_t ended = releaseTurn & ~releasing;
        L.attacking[i] = pick(on, static_cast<std::int32_t>(attacking & 1u), L.attacking[i]);
        L.attackPosition[i] = pick(attacking, attackPosition + L.attackIncrement[i], attackPosition);
        L.releasePosition[i] = pick(releasing, releasePosition + L.releaseIncrement[i], releasePosition);
        L.releasing[i] = pick(ended, 0, L.releasing[i]);
        L.active[i] = pick(ended, 0, L.active[i]);
        // attack position × s, (1 − release position) × s, or 1 × s: the same products.
        const float ramp = pick(attacking, attackPosition, pick(releasing, 1.0f - releasePosition, 1.0f));
        out[i] = pick(on & ~ended, L.amplitude[i] * (ramp * s), 0.0f);
    }
    return wrap != 0;
}

// `count` samples of the sum of the sounding voices. The voices' values of
// up to kRun samples are kept row by row, then summed in slot order with the
// samples in vector lanes.
template <int W1, int W2, bool Modulation, bool Noise>
ALWAYS_INLINE void renderRun(VoiceLanes& L, NoiseSource& noise, float* noise1, float* noise2, float* out, int count,
                             int lanes)
{
    constexpr int kRun = 16;
    alignas(64) float rows[kRun][kSynthLanes];
    for (int start = 0; start < count; start += kRun) {
        const int length = count - start < kRun ? count - start : kRun;
        for (int n = 0; n < length; ++n) {
            float* values = rows[n];
            std::int32_t sounding = 0;
            for (int i = 0; i < lanes; ++i)
                sounding |= L.active[i];
            if (!sounding) {
                for (int i = 0; i < lanes; ++i)
                    values[i] = 0.0f;
                continue;
            }
            // Noise in slot order, OSC 1 before OSC 2, as voice by voice.
            constexpr bool white = W1 == 3 || W2 == 3 || W1 == kMixed || W2 == kMixed;
            if (white)
                for (int i = 0; i < lanes; ++i)
                    if (L.active[i]) {
                        if (static_cast<std::uint32_t>(L.waveform1[i]) > 2)
                            noise1[i] = static_cast<float>(noise.next());
                        if (static_cast<std::uint32_t>(L.waveform2[i]) > 2)
                            noise2[i] = static_cast<float>(noise.next());
                    }
            if (renderLoop<W1, W2, Modulation, Noise>(L, noise1, noise2, values, lanes))
                for (int i = 0; i < lanes; ++i) {
                    L.phase1[i] = wrapPhase(L.phase1[i]);
                    L.phase2[i] = wrapPhase(L.phase2[i]);
                    L.modulationPhase[i] = wrapPhase(L.modulationPhase[i]);
                }
        }
        // Slot order within each sample; silent lanes add +0, which changes no sum.
        float* sums = out + start;
        for (int n = 0; n < length; ++n)
            sums[n] = 0.0f;
        for (int i = 0; i < lanes; ++i)
            for (int n = 0; n < length; ++n)
                sums[n] += rows[n][i];
    }
}

using RenderRun = void (*)(VoiceLanes&, NoiseSource&, float*, float*, float*, int, int);

// Variant index: W1 + 5 × W2 + 25 × modulation + 50 × noise.
#define RENDER_VARIANT renderRun<Variant % 5, Variant / 5 % 5, (Variant / 25 % 2) != 0, (Variant / 50) != 0>
template <int Variant>
WIDE_TARGET void renderWide(VoiceLanes& l, NoiseSource& noise, float* n1, float* n2, float* out, int count, int lanes)
{
    RENDER_VARIANT(l, noise, n1, n2, out, count, lanes);
}

template <int Variant>
WIDEST_TARGET void renderWidest(VoiceLanes& l, NoiseSource& noise, float* n1, float* n2, float* out, int count,
                                int lanes)
{
    RENDER_VARIANT(l, noise, n1, n2, out, count, lanes);
}

template <int Variant>
void renderNarrow(VoiceLanes& l, NoiseSource& noise, float* n1, float* n2, float* out, int count, int lanes)
{
    RENDER_VARIANT(l, noise, n1, n2, out, count, lanes);
}
#undef RENDER_VARIANT

template <int... Flags>
constexpr std::array<RenderRun, sizeof...(Flags)> renderTable(std::integer_sequence<int, Flags...>)
{
    if (kVectorLevel == 2)
        return {renderWidest<Flags>...};
    if (kVectorLevel == 1)
        return {renderWide<Flags>...};
    return {renderNarrow<Flags>...};
}

const std::array<RenderRun, 100> renderRuns = renderTable(std::make_integer_sequence<int, 100>());

}  // namespace

// What a run must compute follows from the settings of all voices (the same
// for every voice), which only events and setters change.
void CarrierSynth::renderBlock(float* out, int count, float* level)
{
    const VoiceLanes& L = lanes_;
    int w1 = L.waveform1[0], w2 = L.waveform2[0];
    std::int32_t modulation = 0;
    for (int i = 0; i < kVoices; ++i) {
        w1 = L.waveform1[i] == w1 ? w1 : kMixed;
        w2 = L.waveform2[i] == w2 ? w2 : kMixed;
        modulation |= L.modulationRate[i] > 0.0f;
    }
    // Indices outside 0 … 3 play noise, as the voice-by-voice step does.
    w1 = w1 < 0 || w1 > 3 ? kMixed : w1;
    w2 = w2 < 0 || w2 > 3 ? kMixed : w2;
    const bool noise = L.noiseLevel[0] > 0.0f || noiseLevel_.moving();
    const RenderRun run = renderRuns[static_cast<std::size_t>(w1 + 5 * w2 + 25 * modulation + 50 * noise)];
    // Only the lanes of unison copies that sound or wait to.
    int copies = 1;
    for (size_t s = 0; s < kVoices; ++s) {
        if (voices_[s].active())
            copies = std::max(copies, copies_[s]);
        if (pending_[s].key >= 0)  // starts with the copies Unison asks for now
            copies = std::max(copies, unison_);
    }
    const int lanes = kVoices * copies;
    // A level every sounding note shares (as at Velocity 0) holds for the block.
    if (level) {
        bool shared = true;
        for (int slot = 0; slot < kVoices; ++slot)
            shared = shared && (!voices_[static_cast<size_t>(slot)].active() || levelOf_[static_cast<size_t>(slot)] == lastLevel_);
        if (shared && pendingCount_ == 0) {
            std::fill(level, level + count, lastLevel_);
            level = nullptr;
        }
    }
    // While notes wait for their voices' fades, sample by sample, so each
    // starts at the sample its fade ends; while glides, OSC 2's amplitude or
    // the velocity level move, in steps of kControlStep.
    constexpr int kControlStep = 16;
    for (int i = 0; i < count;) {
        int length = count - i;
        if (pendingCount_ > 0)
            length = 1;
        else if (level || controlsMove())
            length = std::min(length, kControlStep);
        run(lanes_, noise_, noise1_, noise2_, out + i, length, lanes);
        if (pendingCount_ > 0)
            startPending();
        if (level) {
            // From the last level to the one the envelopes give now.
            const float from = lastLevel_;
            lastLevel_ = velocityLevel();
            const float step = (lastLevel_ - from) / static_cast<float>(length);
            for (int n = 0; n < length; ++n)
                level[i + n] = from + step * static_cast<float>(n + 1);
        }
        advanceControls(length);
        i += length;
    }
}

float CarrierSynth::render(float* level)
{
    float out;
    renderBlock(&out, 1, level);
    return out;
}
