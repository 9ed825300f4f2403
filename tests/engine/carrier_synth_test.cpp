#include "Readings.h"
#include "engine/CarrierSynth.h"
#include "parameters/Mappings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

std::vector<float> render(CarrierSynth& synth, int count)
{
    std::vector<float> out(static_cast<size_t>(count));
    for (float& sample : out)
        sample = synth.render();
    return out;
}

// OSC 1 square alone: ±0.5, so the output's magnitude is the envelope times
// 0.5 times the velocity (at key 0 it stays -0.5 for the first 2696 samples).
void envelopeProbe(CarrierSynth& synth, float attack, float release)
{
    synth.setOsc1Waveform(2);
    synth.setOsc2(0, 0.0f, 0.5f);
    synth.setAttack(mapping::attackSeconds(attack));
    synth.setRelease(mapping::releaseSeconds(release));
}

}  // namespace

TEST(FrequencyTable, KeysAndTheRuleBeyondTheKeyboard)
{
    EXPECT_EQ(frequencyTable[69], 440.0f);
    EXPECT_EQ(frequencyTable[60], 261.62558f);
    EXPECT_EQ(keyFrequency(60), frequencyTable[60]);
    EXPECT_EQ(keyFrequency(151), static_cast<float>(440.0 * std::exp2(82.0 / 12.0)));
    EXPECT_EQ(keyFrequency(-13), static_cast<float>(440.0 * std::exp2(-82.0 / 12.0)));
    EXPECT_EQ(keyFrequency(100000), keyFrequency(159));
    EXPECT_EQ(keyFrequency(-100000), keyFrequency(-32));
}

TEST(SineKernel, MatchesTheLibrarySineRoundedToFloat)
{
    int exact = 0, total = 0;
    std::vector<float> phases;
    for (float x = 0.0f; x <= TWO_PI_F + 0.5f; x = std::nextafter(x, 10.0f) + 1.0e-5f)
        phases.push_back(x);
    for (size_t i = 0; i < phases.size(); ++i) {
        const float reference = static_cast<float>(std::sin(static_cast<double>(phases[i])));
        const float mine = sineOf(phases[i]);
        ASSERT_LE(std::fabs(mine - reference), std::fabs(std::nextafter(reference, 2.0f) - reference))
            << phases[i];
        exact += mine == reference;
        ++total;
    }
    EXPECT_GT(exact, total * 8 / 10);  // and most are equal
}

TEST(SynthVoice, AttackAndReleaseLengthsAtTheirExtremes)
{
    CarrierSynth fast;
    envelopeProbe(fast, 0.0f, 0.0f);
    EXPECT_EQ(fast.voice(0).attackIncrement(), 0.020597471f);
    EXPECT_EQ(fast.voice(0).releaseIncrement(), 0.022675736f);
    fast.noteOn(0, 1.0f);
    fast.noteOff(0);  // waits for the end of the attack
    const auto out = render(fast, 120);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_GT(out[48], -0.5f);  // 49 ramp samples
    EXPECT_EQ(out[49], -0.5f);  // then the release from full level, 45 samples
    EXPECT_LT(out[49 + 44], 0.0f);
    EXPECT_EQ(out[49 + 45], 0.0f);
    EXPECT_EQ(fast.soundingVoices(), 0);

    CarrierSynth slow;
    envelopeProbe(slow, 1.0f, 1.0f);
    slow.noteOn(0, 1.0f);
    // 200.9 ms of attack: 8860 samples at 44100 Hz, within float accumulation.
    const auto attack = render(slow, 8870);
    size_t ramp = 0;
    while (ramp < attack.size() && std::fabs(attack[ramp]) != 0.5f)
        ++ramp;
    EXPECT_NEAR(static_cast<double>(ramp), 8860, 5);
    slow.noteOff(0);
    int release = 0;
    while (slow.soundingVoices() > 0 && release < 50000) {
        slow.render();
        ++release;
    }
    EXPECT_NEAR(release, 44057, 60);  // 1 s down to 0.999 (float steps drift), then free
}

TEST(CarrierSynth, SeventeenthVoiceIsDroppedHeldKeysAreNotRestarted)
{
    CarrierSynth synth;
    envelopeProbe(synth, 0.0f, 0.0f);
    for (int key = 40; key < 56; ++key)
        synth.noteOn(key, 0.5f);
    synth.noteOn(40, 1.0f);  // already held
    EXPECT_EQ(synth.soundingVoices(), 16);
    synth.noteOn(70, 0.5f);
    for (int slot = 0; slot < 16; ++slot)
        EXPECT_NE(synth.noteOf(slot), 70);

    // A releasing voice still counts; once it is free the key starts.
    synth.noteOff(40);
    synth.noteOn(70, 0.5f);
    EXPECT_EQ(synth.noteOf(0), -1);
    render(synth, 49 + 46);
    EXPECT_EQ(synth.soundingVoices(), 15);
    synth.noteOn(70, 0.5f);
    EXPECT_EQ(synth.noteOf(0), 70);

    // After a note-off the same key starts a second voice beside the releasing one.
    CarrierSynth other;
    envelopeProbe(other, 0.0f, 0.0f);
    other.noteOn(41, 0.5f);
    other.noteOff(41);
    other.noteOn(41, 0.5f);
    EXPECT_EQ(other.soundingVoices(), 2);
    EXPECT_TRUE(other.voice(0).releasing());
    EXPECT_EQ(other.noteOf(1), 41);
}

TEST(CarrierSynth, PitchBendInterpolatesInHertz)
{
    CarrierSynth synth;
    synth.setBendRange(12);
    synth.noteOn(57, 1.0f);    // 220 Hz
    const SynthVoice& voice = synth.voice(0);
    const float unbent = voice.increment1();
    EXPECT_EQ(unbent, static_cast<float>(220.0f * (static_cast<double>(TWO_PI_F) / 44100.0f)));

    synth.setPitchBend(0.0f);
    EXPECT_NEAR(voice.increment1() / unbent, 0.5, 1e-6);
    synth.setPitchBend(16383.0f / 16384.0f);
    EXPECT_NEAR(voice.increment1() / unbent, 1.99988, 1e-5);
    synth.setPitchBend(0.75f);  // half-way up: 1.5 times, not the square root of 2
    EXPECT_NEAR(voice.increment1() / unbent, 1.5, 1e-6);
    synth.setPitchBend(8192.0f / 16384.0f);
    EXPECT_EQ(voice.increment1(), unbent);

    // A bend in force applies to the next note too.
    synth.setPitchBend(0.0f);
    synth.noteOn(69, 1.0f);
    EXPECT_NEAR(synth.voice(1).increment1() / (440.0 * TWO_PI_F / 44100.0), 0.5, 1e-6);
}

TEST(CarrierSynth, OscillatorTwoOctaveAndTranspositionNearTheKeyboardEnds)
{
    CarrierSynth synth;
    synth.setOsc2(0, 1.0f, 6.0f);
    synth.noteOn(60, 1.0f);
    EXPECT_EQ(synth.voice(0).frequency2(), frequencyTable[60] * 6.0f);
    synth.setOsc2(0, 1.0f, 8.0f);
    EXPECT_EQ(synth.voice(0).frequency2(), frequencyTable[60] * 8.0f);

    // Key 127 transposed by 12 and bent up 12 more: the key rule, not a table overrun.
    synth.setTranspose(12);
    synth.setBendRange(12);
    synth.noteOn(127, 1.0f);
    synth.noteOn(0, 1.0f);
    synth.setPitchBend(16383.0f / 16384.0f);
    EXPECT_TRUE(std::isfinite(synth.voice(1).increment2()));
    synth.setPitchBend(0.0f);
    EXPECT_GT(synth.voice(2).increment2(), 0.0f);
    for (float sample : render(synth, 1000))
        EXPECT_TRUE(std::isfinite(sample));
}

TEST(CarrierSynth, ModulationWheelRingModulates)
{
    CarrierSynth synth;
    envelopeProbe(synth, 0.0f, 1.0f);
    synth.noteOn(0, 1.0f);
    render(synth, 100);  // past the attack: steady -0.5
    synth.setModulation(1.0f);  // 30 Hz, phase restarted at 0
    auto out = render(synth, 1471);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_LT(out[367], -0.49f);  // a quarter of 30 Hz: sin = 1
    EXPECT_GT(out[1102], 0.49f);  // three quarters: polarity reversed
    synth.setModulation(0.0f);
    out = render(synth, 1);
    EXPECT_EQ(out[0], -0.5f);
}

TEST(CarrierSynth, WhiteNoiseIsUniformAndSeedable)
{
    CarrierSynth a, b;
    for (CarrierSynth* synth : {&a, &b}) {
        synth->seedNoise(1234);
        synth->setOsc1Waveform(3);
        synth->setOsc2(0, 0.0f, 0.5f);
        synth->setAttack(mapping::attackSeconds(0.0f));
        synth->noteOn(60, 1.0f);
        render(*synth, 100);
    }
    const auto x = render(a, 20000);
    EXPECT_EQ(x, render(b, 20000));
    double sum = 0.0;
    for (float v : x) {
        EXPECT_GE(v, -0.5f);
        EXPECT_LT(v, 0.5f);
        sum += v;
    }
    EXPECT_NEAR(sum / x.size(), -1.0 / 65536, 0.01);
}

TEST(CarrierSynth, HostSampleRateKeepsThePitch)
{
    CarrierSynth synth;
    synth.noteOn(69, 1.0f);
    for (float rate : {48000.0f, 96000.0f}) {
        synth.setSampleRate(rate);
        EXPECT_EQ(synth.voice(0).increment1(), static_cast<float>(440.0f * (static_cast<double>(TWO_PI_F) / rate)));
    }
}

// The sample of all voices in vector lanes equals each voice's own render
// summed in slot order, bit for bit, through notes, releases, bends,
// modulation and every waveform (noise included).
TEST(CarrierSynth, AllVoicesAtOnceEqualVoiceByVoice)
{
    CarrierSynth lanes, single;
    NoiseSource noise(7);
    lanes.seedNoise(7);
    std::vector<float> expected, actual;
    for (int waveforms = 0; waveforms < 16; ++waveforms) {
        for (CarrierSynth* synth : {&lanes, &single}) {
            synth->setOsc1Waveform(waveforms % 4);
            synth->setOsc2(waveforms / 4, 0.7f, 6.0f);
            synth->setAttack(mapping::attackSeconds(0.02f));
            synth->setRelease(mapping::releaseSeconds(0.01f));
            synth->setBendRange(6);
            synth->setTranspose(3);
            for (int n = 0; n < 18; ++n)
                synth->noteOn(30 + 5 * n + waveforms, 0.3f + 0.03f * static_cast<float>(n));
            synth->setModulation(waveforms % 3 == 0 ? 0.0f : 0.5f);
            synth->setPitchBend(waveforms % 2 ? 0.7f : 0.2f);
        }
        for (int t = 0; t < 3000; ++t) {
            if (t == 1000)
                for (CarrierSynth* synth : {&lanes, &single})
                    for (int n = 0; n < 18; n += 2)
                        synth->noteOff(30 + 5 * n + waveforms);
            actual.push_back(lanes.render());
            float sum = 0.0f;
            for (int v = 0; v < CarrierSynth::kVoices; ++v)
                if (single.voice(v).active())
                    sum += single.voice(v).render(noise);
            expected.push_back(sum);
        }
        for (CarrierSynth* synth : {&lanes, &single})
            for (int n = 0; n < 18; ++n)
                synth->noteOff(30 + 5 * n + waveforms);
        for (int t = 0; t < 3000; ++t) {
            lanes.render();
            for (int v = 0; v < CarrierSynth::kVoices; ++v)
                if (single.voice(v).active())
                    single.voice(v).render(noise);
        }
    }
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << i;
}

// What a player meets in the formats we design: the pedal holds a released
// note until it comes up; a seventeenth note takes the voice released
// longest ago, else the one held longest, after a fade that adds no step
// larger than the sine voices' own; without the player controls (the VST 2
// library) the pedal does nothing and the seventeenth note is dropped.
TEST(CarrierSynth, SustainPedalAndVoiceStealing)
{
    const auto makeSynth = [](bool playerControls) {
        auto synth = std::make_unique<CarrierSynth>();
        synth->setPlayerControls(playerControls);
        synth->setOsc1Waveform(0);
        synth->setOsc2(0, 0.0f, 1.0f);
        synth->setAttack(mapping::attackSeconds(0.0f));
        synth->setRelease(mapping::releaseSeconds(0.02f));
        return synth;
    };
    const auto rms = [](const std::vector<float>& x) {
        double sum = 0.0;
        for (float v : x)
            sum += static_cast<double>(v) * v;
        return std::sqrt(sum / static_cast<double>(x.size()));
    };
    for (const bool controls : {true, false}) {
        auto synth = makeSynth(controls);
        synth->noteOn(60, 1.0f);
        const double playing = rms(render(*synth, 4410));
        synth->setSustain(true);
        synth->noteOff(60);
        render(*synth, 22050);
        const double held = rms(render(*synth, 4410));
        if (controls) {
            EXPECT_NEAR(held, playing, 0.01 * playing);
            synth->setSustain(false);
            render(*synth, 2205);
        }
        EXPECT_EQ(rms(render(*synth, 441)), 0.0) << controls;
    }

    for (const bool controls : {true, false}) {
        auto synth = makeSynth(controls);
        synth->setRelease(mapping::releaseSeconds(1.0f));  // released notes sound on
        for (int key = 40; key < 56; ++key)
            synth->noteOn(key, 1.0f);
        render(*synth, 441);
        synth->noteOff(45);
        synth->noteOff(41);
        const std::vector<float> before = render(*synth, 2205);
        int oldest = 0;
        while (synth->voice(oldest).key() != 40)
            ++oldest;
        synth->noteOn(70, 1.0f);  // takes 45's voice, released longest ago
        synth->noteOn(71, 1.0f);  // then 41's
        synth->noteOn(72, 1.0f);  // then the oldest held: 40's
        // 40 fades for 3 ms (132 samples at 44.1 kHz) before 72 starts in its voice.
        std::vector<float> during = render(*synth, 128);
        EXPECT_EQ(synth->voice(oldest).key(), 40);
        EXPECT_EQ(synth->pendingNoteOf(oldest), controls ? 72 : -1);
        const std::vector<float> rest = render(*synth, 313);
        during.insert(during.end(), rest.begin(), rest.end());
        std::vector<int> keys;
        for (int slot = 0; slot < CarrierSynth::kVoices; ++slot)
            if (synth->voice(slot).active())
                keys.push_back(synth->voice(slot).key());
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(synth->soundingVoices(), 16);
        if (!controls) {
            EXPECT_TRUE(std::find(keys.begin(), keys.end(), 70) == keys.end());
            continue;
        }
        EXPECT_EQ(keys, (std::vector<int>{42, 43, 44, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 70, 71, 72}));
        EXPECT_EQ(synth->pendingNoteOf(oldest), -1);
        // A voice cut at once leaves a step: a second difference up to its
        // amplitude (0.5); the fades and the new notes' attacks stay near
        // the sines' own curvature.
        const auto sharpest = [](const std::vector<float>& x) {
            float bend = 0.0f;
            for (size_t i = 2; i < x.size(); ++i)
                bend = std::max(bend, std::fabs(x[i] - 2.0f * x[i - 1] + x[i - 2]));
            return bend;
        };
        EXPECT_LT(sharpest(before), 0.01f);
        EXPECT_LT(sharpest(during), 0.03f);
        synth->noteOff(72);  // the new notes play and end as any other
        render(*synth, 44100 + 441);
        EXPECT_EQ(synth->soundingVoices(), 15);  // 72 has ended
    }
}

namespace {

std::unique_ptr<CarrierSynth> sineSynth()
{
    auto synth = std::make_unique<CarrierSynth>();
    synth->setPlayerControls(true);
    synth->setOsc1Waveform(0);
    synth->setOsc2(0, 0.0f, 1.0f);
    synth->setAttack(mapping::attackSeconds(0.0f));
    synth->setRelease(mapping::releaseSeconds(0.0f));
    return synth;
}

void append(std::vector<float>& to, const std::vector<float>& more) { to.insert(to.end(), more.begin(), more.end()); }

}  // namespace

// Mono and Legato: one voice; the newest key wins and a released key hands
// back to the last one held, gliding there in the same time whatever the
// interval (the pitch read from the audio, halfway in semitones at half the
// glide). Mono takes each key's velocity (its envelope starts again);
// Legato goes on at the first's while keys overlap.
TEST(CarrierSynth, MonoLegatoAndGlide)
{
    auto synth = sineSynth();
    synth->setVoiceMode(1);
    synth->setGlide(0.2f);
    synth->noteOn(57, 1.0f);  // 220 Hz
    std::vector<float> out = render(*synth, 8820);
    synth->noteOn(69, 1.0f);  // 440 Hz, 12 semitones in 200 ms
    append(out, render(*synth, 17640));
    EXPECT_EQ(synth->soundingVoices(), 1);
    EXPECT_NEAR(crossingFrequency(out, 4410, 2205, 44100.0), 220.0, 1.0);
    EXPECT_NEAR(crossingFrequency(out, 8820 + 4410 - 441, 882, 44100.0), 311.1, 6.0);
    EXPECT_NEAR(crossingFrequency(out, 8820 + 11025, 2205, 44100.0), 440.0, 1.0);
    synth->setGlide(0.05f);
    synth->noteOn(64, 1.0f);
    render(*synth, 4410);
    synth->noteOff(64);  // back to 69, held
    std::vector<float> back = render(*synth, 4410);
    EXPECT_NEAR(crossingFrequency(back, 2205, 2205, 44100.0), 440.0, 1.0);
    synth->noteOff(69);  // back to 57, still held
    back = render(*synth, 4410);
    EXPECT_NEAR(crossingFrequency(back, 2205, 2205, 44100.0), 220.0, 1.0);
    synth->noteOff(57);
    render(*synth, 2205);
    EXPECT_EQ(synth->soundingVoices(), 0);

    for (const int mode : {1, 2}) {
        auto s = sineSynth();
        s->setVoiceMode(mode);
        s->noteOn(57, 1.0f);
        render(*s, 4410);
        s->noteOn(60, 0.25f);
        const std::vector<float> second = render(*s, 4410);
        const double ratio = rmsOf(second, 2205, 2205) / (0.5 / std::sqrt(2.0));
        EXPECT_NEAR(ratio, mode == 1 ? 0.25 : 1.0, 0.02) << mode;
        EXPECT_EQ(s->soundingVoices(), 1);
    }
}

// Unison: copies spread over Detune beat against each other (two sines 50
// cents apart: 12.9 Hz at 440 Hz), about as loud as one oscillator; 16 notes
// of 4 copies all sound. Noise adds white noise (energy at the top of the
// spectrum) that ends with the note's envelope.
TEST(CarrierSynth, UnisonAndNoise)
{
    auto single = sineSynth();
    single->noteOn(69, 1.0f);
    const std::vector<float> one = render(*single, 8820);
    auto synth = sineSynth();
    synth->setUnison(2, 50.0f);
    synth->noteOn(69, 1.0f);
    const std::vector<float> two = render(*synth, 8820);
    double quietest = 1.0, loudest = 0.0;
    for (size_t at = 0; at + 220 <= two.size(); at += 220) {
        quietest = std::min(quietest, rmsOf(two, at, 220));
        loudest = std::max(loudest, rmsOf(two, at, 220));
    }
    EXPECT_LT(quietest, 0.2 * loudest);
    EXPECT_NEAR(20.0 * std::log10(rmsOf(two, 0, two.size()) / rmsOf(one, 0, one.size())), 0.0, 1.5);

    synth->setUnison(4, 20.0f);
    for (int key = 40; key < 56; ++key)
        synth->noteOn(key, 1.0f);
    const std::vector<float> chord = render(*synth, 4410);
    EXPECT_EQ(synth->soundingVoices(), 16);
    EXPECT_TRUE(std::all_of(chord.begin(), chord.end(), [](float v) { return std::isfinite(v) && std::fabs(v) < 16.0f; }));

    const auto curvature = [](const std::vector<float>& x) {
        double sum = 0.0;
        for (size_t i = 2; i < x.size(); ++i) {
            const double d = x[i] - 2.0 * x[i - 1] + x[i - 2];
            sum += d * d;
        }
        return sum;
    };
    auto breathy = sineSynth();
    breathy->setNoise(0.5f);
    breathy->noteOn(57, 1.0f);
    const std::vector<float> noisy = render(*breathy, 4410);
    auto clean = sineSynth();
    clean->noteOn(57, 1.0f);
    EXPECT_GT(curvature(noisy), 1000.0 * curvature(render(*clean, 4410)));
    breathy->noteOff(57);
    render(*breathy, 2205);
    const std::vector<float> after = render(*breathy, 441);
    EXPECT_EQ(rmsOf(after, 0, after.size()), 0.0);
}
