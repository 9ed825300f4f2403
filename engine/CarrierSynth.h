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

// float(sin(x)) for the oscillators' phases (0 to 2π and a little beyond):
// a double-precision kernel, so equal to the C library's result rounded to
// float, except within an ulp where that rounding is a near tie. The batch
// form is written to vectorise; both give identical results.
float sineOf(float x);
void sinesOf(const float* x, float* out, int count);

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

class SynthVoice {
public:
    void noteOn(int key, float velocity);
    void release();
    void setPitchBend(float x);
    void setModulation(float x);
    void setOsc2(int index, float volume, float multiplier);
    void setTranspose(int t);
    void setAttack(float a);
    void setRelease(float v);
    void setWaveform1(int index) { waveform1_ = index; }
    void setBendRange(int semitones) { bendRange_ = semitones; }
    // Recomputes every step from the stored settings (44100 Hz until called).
    void setSampleRate(float rate);

    // One sample; advances phases and envelope.
    float render(NoiseSource& noise);

    bool active() const { return active_; }
    bool releasing() const { return releasing_; }
    int key() const { return key_; }
    float increment1() const { return increment1_; }
    float increment2() const { return increment2_; }
    float frequency2() const { return frequency2_; }
    float attackIncrement() const { return attackIncrement_; }
    float releaseIncrement() const { return releaseIncrement_; }

private:
    friend class CarrierSynth;

    // Phases whose sine this sample needs, in the order of render.
    int sinePhases(float* phases) const;
    inline float finish(const float* sines, NoiseSource& noise);
    double k() const { return static_cast<double>(TWO_PI_F) / sampleRate_; }
    float bent(int targetKey, float multiplier, float frequency, float a) const;

    float sampleRate_ = 44100.0f;
    float phase1_ = 0.0f;
    float increment1_ = 1.0f;
    float frequency1_ = 440.0f;
    float phase2_ = 0.0f;
    float increment2_ = 1.0f;
    float frequency2_ = 880.0f;
    int key_ = -1;
    float amplitude_ = 0.0f;
    float bend_ = 0.5f;
    int bendRange_ = 2;
    int transposition_ = 0;
    float modulationRate_ = 0.0f;
    float modulationIncrement_ = 0.0f;
    float modulationPhase_ = 0.0f;
    bool active_ = false;
    bool releasing_ = false;
    float releasePosition_ = 0.0f;
    float releaseValue_ = 0.01f;
    float releaseIncrement_ = 0.0020633063f;
    bool attacking_ = false;
    float attackPosition_ = 0.0f;
    float attackValue_ = 0.006f;
    float attackIncrement_ = 0.00324217f;
    int waveform1_ = 3;
    int waveform2_ = 0;
    float octaveMultiplier_ = 4.0f;
    float osc2Volume_ = 0.5f;
};

class CarrierSynth final : public MidiReceiver {
public:
    static constexpr int kVoices = 16;

    CarrierSynth();  // noise seeded from the time

    void noteOn(int key, float velocity) override;
    void noteOff(int key) override;
    void setPitchBend(float x) override;
    void setModulation(float x) override;

    // Parameter settings, from normalised values.
    void setOsc1Waveform(float v);
    void setOsc2(float waveform, float volume, float octave);
    void setTranspose(float v);
    void setAttack(float v);
    void setRelease(float v);
    void setBendRange(float v);
    int bendRange() const { return bendRange_; }
    void setSampleRate(float rate);

    // The sum of the sounding voices, one sample.
    float render();

    void seedNoise(std::uint32_t seed) { noise_.seed(seed); }
    const SynthVoice& voice(int slot) const { return voices_[static_cast<std::size_t>(slot)]; }
    int noteOf(int slot) const { return noteOf_[static_cast<std::size_t>(slot)]; }
    int soundingVoices() const;

private:
    std::array<SynthVoice, kVoices> voices_{};
    std::array<int, kVoices> noteOf_{};
    int bendRange_ = 2;
    int transposition_ = 0;
    float modulation_ = 0.0f;
    NoiseSource noise_;
};
