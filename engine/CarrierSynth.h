// The carrier synthesiser: 16 voices of two oscillators, a linear
// attack/release envelope, pitch bend and a ring modulator on the
// modulation wheel. Played by the event queue at exact sample positions.
//
// Everything here runs on the audio thread: the plug-in hands parameter
// changes over at block starts. 32-bit float arithmetic throughout, with the
// roundings written out where a product or quotient is formed wider.
#pragma once

#include "EventQueue.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

constexpr float TWO_PI_F = 6.2831854820251465f;  // 2π rounded to float
constexpr float PI_F = 3.1415927410125732f;      // π rounded to float

// 440 × 2^((key − 69) / 12) Hz rounded to float, MIDI keys 0 to 127.
extern const std::array<float, 128> frequencyTable;

// The same rule for any key. Transposition and bend reach up to 24 semitones
// past either end of the keyboard, and voices holding no key use −1; keys
// beyond −32 … 159 are clamped.
float keyFrequency(int key);

// float(sin(x)) for the oscillators' phases (0 to 2π and a little beyond),
// within an ulp of the C library's sine rounded to float (equal to it for
// most phases, about 87 %): a float kernel with the reduction carried in two
// parts. Branch-free, so loops over many phases vectorise.
float sineOf(float x);

// Uniform integers 0 … 32767, one generator per synthesiser.
class NoiseSource {
public:
    explicit NoiseSource(std::uint32_t seed) : state_(seed) {}
    void seed(std::uint32_t seed) { state_ = seed; }
    int next()
    {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_;
};

constexpr int kSynthVoices = 16;
// Copies of each note's oscillators (unison): lane slot + 16 × copy.
constexpr int kMaxUnison = 4;
constexpr int kSynthLanes = kSynthVoices * kMaxUnison;

// The voices' fields, one array element (lane) per voice or unison copy, so
// that one sample of all of them runs in vector lanes. Flags are 0 or 1.
struct VoiceLanes {
    template <typename T>
    using Lane = T[kSynthLanes];
    alignas(64) Lane<float> sampleRate, phase1, increment1, frequency1, phase2, increment2, frequency2;
    Lane<std::int32_t> key;
    Lane<float> amplitude, bend;
    Lane<std::int32_t> bendRange, transposition;
    Lane<float> modulationRate, modulationIncrement, modulationPhase;
    Lane<std::int32_t> active, releasing;
    Lane<float> releasePosition, releaseSeconds, releaseIncrement;
    Lane<std::int32_t> attacking;
    Lane<float> attackPosition, attackSeconds, attackIncrement;
    Lane<std::int32_t> waveform1, waveform2;
    Lane<float> octaveMultiplier, osc2Volume;
    // The phase steps' factor: a unison copy's detune times a glide's
    // remaining interval (exactly 1 without either, which changes no sum).
    Lane<float> tuning, detune, glide, glideRate;  // glide in semitones, its rate per sample
    Lane<float> offset;  // semitones beside the key, for a pitch between keys
    Lane<float> noiseLevel;
    Lane<std::uint32_t> noiseState;  // each lane's own white noise
};

// One voice: a view of its lane. Note and setting operations run per voice;
// CarrierSynth::render runs the sample of all voices at once, and render here
// is the same step for this voice alone.
class SynthVoice {
public:
    SynthVoice(VoiceLanes& lanes, int lane);  // the construction values

    void noteOn(int key, float velocity);
    void release();
    void stop();  // silent at once, free for the next note
    // Fades out from the level it has now within `seconds`, then is free.
    void fadeOut(float seconds);
    void setPitchBend(float x);
    void setModulation(float x);
    void setOsc2(int index, float volume, float multiplier);
    void setTranspose(int t);
    void setAttack(float seconds);  // the ramps' lengths
    void setRelease(float seconds);
    void setWaveform1(int index) { waveform1_() = index; }
    void setBendRange(int semitones) { bendRange_() = semitones; }
    // Recomputes every step from the stored settings (44100 Hz until called).
    void setSampleRate(float rate);

    // The formats we design: a unison copy's detune (a factor), its phases'
    // start, the noise mixed into its oscillators (0 to 1).
    void setDetune(float factor);
    void setPhases(float phase);
    void setNoise(float level) { l_->noiseLevel[i_] = level; }
    void seedNoise(std::uint32_t seed) { l_->noiseState[i_] = seed | 1u; }
    // Moves the sounding note to `key` without a new attack, gliding from the
    // pitch it has now over `seconds` (0: at once).
    void glideTo(int key, float seconds) { glideToPitch(static_cast<float>(key), seconds); }
    // The same to a pitch between keys (a MIDI number with a fraction).
    void glideToPitch(float pitch, float seconds);
    // Advances a glide by `samples`.
    void advanceGlide(int samples);
    bool gliding() const { return l_->glide[i_] != 0.0f; }
    // Starts the envelope's attack again from the level it has now, at a new
    // amplitude, so the level goes on without a step.
    void restart(float velocity);
    // The envelope times the amplitude, as the next sample takes it.
    float level() const;

    // One sample; advances phases and envelope.
    float render(NoiseSource& noise);

    bool active() const { return l_->active[i_] != 0; }
    bool releasing() const { return l_->releasing[i_] != 0; }
    int key() const { return l_->key[i_]; }
    float increment1() const { return l_->increment1[i_]; }
    float increment2() const { return l_->increment2[i_]; }
    float frequency2() const { return l_->frequency2[i_]; }
    float attackIncrement() const { return l_->attackIncrement[i_]; }
    float releaseIncrement() const { return l_->releaseIncrement[i_]; }

private:
    // This voice's element of each lane array.
    float& sampleRate_() { return l_->sampleRate[i_]; }
    float& phase1_() { return l_->phase1[i_]; }
    float& increment1_() { return l_->increment1[i_]; }
    float& frequency1_() { return l_->frequency1[i_]; }
    float& phase2_() { return l_->phase2[i_]; }
    float& increment2_() { return l_->increment2[i_]; }
    float& frequency2_() { return l_->frequency2[i_]; }
    std::int32_t& key_() { return l_->key[i_]; }
    float& amplitude_() { return l_->amplitude[i_]; }
    float& bend_() { return l_->bend[i_]; }
    std::int32_t& bendRange_() { return l_->bendRange[i_]; }
    std::int32_t& transposition_() { return l_->transposition[i_]; }
    float& modulationRate_() { return l_->modulationRate[i_]; }
    float& modulationIncrement_() { return l_->modulationIncrement[i_]; }
    float& modulationPhase_() { return l_->modulationPhase[i_]; }
    std::int32_t& active_() { return l_->active[i_]; }
    std::int32_t& releasing_() { return l_->releasing[i_]; }
    float& releasePosition_() { return l_->releasePosition[i_]; }
    float& releaseSeconds_() { return l_->releaseSeconds[i_]; }
    float& releaseIncrement_() { return l_->releaseIncrement[i_]; }
    std::int32_t& attacking_() { return l_->attacking[i_]; }
    float& attackPosition_() { return l_->attackPosition[i_]; }
    float& attackSeconds_() { return l_->attackSeconds[i_]; }
    float& attackIncrement_() { return l_->attackIncrement[i_]; }
    std::int32_t& waveform1_() { return l_->waveform1[i_]; }
    std::int32_t& waveform2_() { return l_->waveform2[i_]; }
    float& octaveMultiplier_() { return l_->octaveMultiplier[i_]; }
    float& osc2Volume_() { return l_->osc2Volume[i_]; }

    double k() { return static_cast<double>(TWO_PI_F) / sampleRate_(); }
    void retune()
    {
        const float semitones = l_->glide[i_] + l_->offset[i_];
        l_->tuning[i_] = l_->detune[i_] * (semitones == 0.0f ? 1.0f : std::exp2(semitones / 12.0f));
    }
    float bent(int targetKey, float multiplier, float frequency, float a);

    VoiceLanes* l_;
    int i_;
};

class CarrierSynth final : public MidiReceiver {
public:
    static constexpr int kVoices = kSynthVoices;

    CarrierSynth();  // noise seeded from the time
    CarrierSynth(const CarrierSynth&) = delete;
    CarrierSynth& operator=(const CarrierSynth&) = delete;

    void noteOn(int key, float velocity) override;
    void noteOff(int key) override;
    void setPitchBend(float x) override;
    void setModulation(float x) override;
    void allNotesOff() override;
    void allSoundOff() override;
    void chokeNote(int key) override;
    void setSustain(bool down) override;

    // What a player meets in the formats we design: the sustain pedal holds
    // released notes, and a note that finds every voice sounding takes the
    // one released longest ago, else the one held longest, faded out first
    // over a few milliseconds (the note starts when the fade ends). Without
    // it, the pedal does nothing and a seventeenth note is dropped.
    void setPlayerControls(bool on) { playerControls_ = on; }
    static constexpr float kStealFadeSeconds = 0.003f;

    // Parameter settings, as they play: waveforms 0 sine, 1 sawtooth,
    // 2 square, 3 noise; OSC 2's amplitude and frequency factor; semitones;
    // the envelope's ramps in seconds. With `ramp`, OSC 2's amplitude moves
    // to its new value over kRampSeconds.
    void setOsc1Waveform(int waveform);
    void setOsc2(int waveform, float volume, float multiplier, bool ramp = false);
    void setTranspose(int semitones);
    void setAttack(float seconds);
    void setRelease(float seconds);
    void setBendRange(int semitones);
    int bendRange() const { return bendRange_; }
    void setSampleRate(float rate);
    static constexpr float kRampSeconds = 0.015f;

    // The formats we design. Voice mode 0 Poly; 1 Mono (one note, the newest
    // key wins, a released key hands back to the last one still held, the
    // envelope starting again); 2 Legato (the same, the envelope going on
    // while keys overlap). Glide: the seconds a Mono or Legato note takes to
    // reach the next pitch, whatever the interval. Unison: copies of each
    // note's oscillators spread over `detuneCents`, from the next note on.
    // Noise: white noise added to each note's oscillators (0 to 1).
    // Velocity depth 0 to 1: how far a note's velocity sets the level that
    // render reports beside its amplitude (velocity at 1; 1 for every note
    // at 0), so that the level follows velocity squared at 1.
    void setVoiceMode(int mode);
    void setGlide(float seconds) { glideSeconds_ = seconds; }
    void setUnison(int copies, float detuneCents);
    void setNoise(float level, bool ramp = false);
    void setVelocityDepth(float depth) { velocityDepth_ = depth; }
    // The notes the voice's pitch plays, beside MIDI's: up to kTracked
    // pitches (MIDI numbers, fractions allowed), the first count of them
    // sounding; a note already sounding glides to its new pitch over Glide,
    // a new one starts at `velocity`, the rest are released.
    static constexpr int kTracked = 3;
    void setTracked(const float* pitches, int count, float velocity);

    // The sum of the sounding voices, one sample: all voices in vector lanes,
    // the same values as each voice's render summed in slot order.
    float render(float* level = nullptr);
    // `count` samples of render, as many calls would give them. With
    // `level`, also the sounding notes' velocity level, sample by sample
    // (their envelopes weigh it; it holds while nothing sounds).
    void renderBlock(float* out, int count, float* level = nullptr);

    void seedNoise(std::uint32_t seed);
    const SynthVoice& voice(int slot) const { return voices_[static_cast<std::size_t>(slot)]; }
    SynthVoice& voice(int slot) { return voices_[static_cast<std::size_t>(slot)]; }
    int noteOf(int slot) const { return noteOf_[static_cast<std::size_t>(slot)]; }
    // A note waiting for its voice's fade to end, or -1.
    int pendingNoteOf(int slot) const { return pending_[static_cast<std::size_t>(slot)].key; }
    int soundingVoices() const;

private:
    VoiceLanes lanes_{};
    std::array<SynthVoice, kSynthLanes> voices_;
    // Every copy of the note in `slot`.
    template <typename Action>
    void eachCopy(int slot, Action&& action)
    {
        for (int copy = 0; copy < copies_[static_cast<std::size_t>(slot)]; ++copy)
            action(voices_[static_cast<std::size_t>(slot + kVoices * copy)]);
    }
    void startNote(int slot, int key, float velocity);
    void releaseNote(int slot);
    void monoNoteOn(int key, float velocity);
    void monoNoteOff(int key);
    void playMono(int key, float velocity);
    float velocityLevel() const;
    // A note's velocity level at the depth set, and its copies' scale (their
    // sum about as loud as one oscillator).
    float velocityLevelOf(float velocity) const { return velocityDepth_ > 0.0f ? std::pow(velocity, velocityDepth_) : 1.0f; }
    static float unisonScale(int copies) { return copies > 1 ? 1.0f / std::sqrt(static_cast<float>(copies)) : 1.0f; }
    void advanceControls(int samples);
    bool controlsMove() const;
    // Voices whose notes wait for the fade of the note they take over from.
    struct Pending {
        int key = -1;
        float velocity = 0.0f;
    };
    int voiceToTake();
    void startPending();
    void cancelPending(int slot);

    std::array<int, kVoices> noteOf_{};  // the key holding each voice, or -1
    bool playerControls_ = false;
    bool sustain_ = false;
    std::array<bool, kVoices> sustained_{};  // released by its key, held by the pedal
    std::array<std::uint32_t, kVoices> startedAt_{}, releasedAt_{};
    std::uint32_t clock_ = 0;  // counts note-ons and releases, for their order
    std::array<Pending, kVoices> pending_{};
    int pendingCount_ = 0;
    std::array<int, kVoices> copies_{};  // the unison copies each note started with
    // Tracked notes hold their slots under keys no MIDI note has.
    static constexpr int kTrackedKey = 1000;
    std::array<int, kTracked> trackedSlot_{-1, -1, -1};
    int freeSlot() const;
    std::array<float, kVoices> levelOf_{};  // each note's velocity level
    int voiceMode_ = 0;
    float glideSeconds_ = 0.0f;
    int unison_ = 1;
    float detuneCents_ = 0.0f;
    float velocityDepth_ = 0.0f;
    float sampleRate_ = 44100.0f;
    float lastLevel_ = 1.0f;
    // Mono and Legato: the keys held, oldest first, and their velocities.
    std::array<std::int8_t, 128> held_{};
    int heldCount_ = 0;
    std::array<float, 128> velocityOf_{};
    // Levels on their way to a new value, kRampSeconds from where they are.
    struct Glider {
        float value = 0.0f, target = 0.0f, step = 0.0f;
        void set(float to, bool ramp, float rate);
        bool moving() const { return value != target; }
        void advance(int samples);
    };
    Glider osc2Volume_{0.5f, 0.5f}, noiseLevel_{};
    int bendRange_ = 2;
    int transposition_ = 0;
    float modulation_ = 0.0f;
    NoiseSource noise_;
    // The latest draws for voices playing noise (0 … 32767).
    float noise1_[kSynthLanes]{};
    float noise2_[kSynthLanes]{};
};
