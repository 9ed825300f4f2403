#include "FactoryPresets.h"

#include <algorithm>
#include <cctype>

namespace {

// Each preset: the settings that differ from a new instance's, in the units
// that play (Hz, dB, ms, semitones, %, gain and amplitude factors) or by a
// choice's text. Only sizes of 256 and more: a host that loads a program in
// index order sets FFT SIZE while the hop size is still 128, which rules out
// 128. Presets that set a parameter beyond the 28 (the Clear engine's) play
// only in the formats we design.
constexpr FactoryPreset kPresets[] = {
    {"Init", "the plug-in's own defaults: sine oscillators, the settings of a new instance",
     {}},
    {"Classic Vocoder", "the demo's sound: speech through chords, square and sawtooth an octave apart",
     {{{kOsc1, "Square"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 2}, {kAttack, 11.090899},
      {kRelease, 250.75}, {kPitchbend, 2}, {kLowCut, 467}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 9},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 10.9},
      {kVocoderRelease, 120.7}, {kVocoderGain, 0.27}}}},
    {"Robot Voice", "a buzzing machine voice: play one low note (--notes C3)",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Square"}, {kOsc2Octave, 0.5}, {kAttack, 5.096899}, {kRelease, 100.9},
      {kPitchbend, 2}, {kLowCut, 198.8}, {kPeak1Freq, 999.02}, {kPeak1Q, 1.29}, {kPeak1Gain, 3.96},
      {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 6.12}, {kHighCut, 12000}, {kAudioLimiter, -0.01},
      {kVocoderThreshold, -22.01}, {kVocoderAttack, 5.95}, {kVocoderRelease, 80.8}, {kVocoderGain, 0.33}}}},
    {"Choir Pad", "slow, soft chords that sing the words: hold chords of three or four notes",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.35}, {kOsc2Octave, 2}, {kAttack, 120.9809},
      {kRelease, 800.2}, {kPitchbend, 2}, {kLowCut, 377.6}, {kPeak1Freq, 499.52}, {kPeak1Q, 0.695},
      {kPeak1Gain, 1.98}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 3.6}, {kHighCut, 12000},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.604}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 30.7},
      {kVocoderRelease, 240.4}, {kVocoderGain, 0.15}, {kFftSize, "1024"}}}},
    {"Bright Lead", "a cutting lead for melodies: single notes, the fifth is built in",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Square"}, {kOsc2Volume, 0.45}, {kOsc2Octave, 1}, {kAttack, 5.096899},
      {kRelease, 150.85}, {kPitchbend, 2}, {kTranspose, 7}, {kLowCut, 318}, {kPeak1Freq, 1218.8},
      {kPeak2Freq, 4016}, {kPeak2Q, 1.885}, {kPeak2Gain, 7.92}, {kHighCut, 20000}, {kAudioLimiter, -0.01},
      {kVocoderThreshold, -22.01}, {kVocoderAttack, 5.95}, {kVocoderRelease, 80.8}, {kVocoderGain, 0.33},
      {kHopSize, "96"}}}},
    {"Whisper", "breath instead of pitch: any one note turns the voice into a whisper",
     {{{kOsc1, "White"}, {kOsc2, "White"}, {kOsc2Volume, 0.0}, {kOsc2Octave, 1}, {kAttack, 11.090899},
      {kRelease, 300.7}, {kPitchbend, 2}, {kLowCut, 318}, {kPeak2Freq, 5015}, {kPeak2Q, 1.885}, {kPeak2Gain, 3.96},
      {kHighCut, 16800}, {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01},
      {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7}, {kVocoderGain, 0.84}}}},
    {"Talk Box", "a guitar-amp talk box: mid-range formants, narrow and nasal",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Square"}, {kOsc2Octave, 2}, {kAttack, 5.096899}, {kRelease, 120.88},
      {kPitchbend, 2}, {kLowCut, 139.2}, {kPeak1Freq, 899.12}, {kPeak1Q, 2.004}, {kPeak1Gain, 6.12},
      {kPeak2Freq, 2217.8}, {kPeak2Q, 2.004}, {kPeak2Gain, 3.96}, {kHighCut, 5600}, {kAudioLimiter, -0.01},
      {kVocoderRatio, 0.406}, {kVocoderThreshold, -22.01}, {kVocoderAttack, 3.97}, {kVocoderRelease, 60.85},
      {kVocoderGain, 0.285}, {kFftSize, "1024"}}}},
    {"Bass Voice", "a singing bass line: notes from C1 to C3",
     {{{kOsc1, "Square"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.6}, {kOsc2Octave, 0.5}, {kAttack, 5.096899},
      {kRelease, 150.85}, {kPitchbend, 2}, {kLowCut, 79.6}, {kPeak1Freq, 149.87}, {kPeak1Q, 1.29},
      {kPeak1Gain, 3.96}, {kPeak2Freq, 1498.52}, {kPeak2Q, 1.29}, {kPeak2Gain, 5.04}, {kHighCut, 7200},
      {kAudioLimiter, -0.01}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 5.95}, {kVocoderRelease, 80.8},
      {kVocoderGain, 0.195}, {kFftSize, "1024"}}}},
    {"Audio Carrier", "the voice shapes a recording on input 2: pads, strings, drones, guitars",
     {{{kLowCut, 318}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 6.12}, {kCarrierVolume, 1},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 10.9},
      {kVocoderRelease, 120.7}, {kVocoderGain, 0.6}, {kCarrier, "Audio2"}}}},
    {"Clear Voice", "Clear engine: the clearest speech, every consonant; chords or single notes",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 1}, {kAttack, 5.096899},
      {kRelease, 200.8}, {kPitchbend, 2}, {kLowCut, 79.6}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 2.988},
      {kHighCut, 16800}, {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01},
      {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7}, {kVocoderGain, 0.3}, {kEngine, "Clear"}, {kBands, 80},
      {kSibilance, 60}}}},
    {"Clear Choir", "Clear engine: a soft choir that sings the words; hold chords of three or four notes",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.35}, {kOsc2Octave, 2}, {kAttack, 120.9809},
      {kRelease, 800.2}, {kPitchbend, 2}, {kLowCut, 109.4}, {kPeak1Freq, 499.52}, {kPeak1Q, 0.695},
      {kPeak1Gain, 1.98}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 1.8}, {kHighCut, 12000},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.604}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 30.7},
      {kVocoderRelease, 240.4}, {kVocoderGain, 0.24}, {kFftSize, "512"}, {kEngine, "Clear"}, {kBands, 50},
      {kSibilance, 30}, {::kWidth, 40}}}},
    {"Deep Voice", "Clear engine: a large, dark throat; low notes from C2 to C3 (--notes \"C2 G2\")",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Square"}, {kOsc2Octave, 0.5}, {kAttack, 5.096899}, {kRelease, 150.85},
      {kPitchbend, 2}, {kLowCut, 49.8}, {kPeak1Freq, 149.87}, {kPeak1Q, 1.29}, {kPeak1Gain, 2.988},
      {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kHighCut, 12000}, {kAudioLimiter, -0.01}, {kVocoderThreshold, -24.01},
      {kVocoderAttack, 5.95}, {kVocoderRelease, 80.8}, {kVocoderGain, 0.33}, {kFftSize, "512"}, {kEngine, "Clear"},
      {kFormant, -3}}}},
    {"Wide Pad", "Clear engine: a stereo pad, bands alternating left and right; long chords",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Square"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 1}, {kAttack, 150.9509},
      {kRelease, 900.1}, {kPitchbend, 2}, {kTranspose, 7}, {kLowCut, 109.4}, {kPeak1Freq, 499.52}, {kPeak1Q, 0.695},
      {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kHighCut, 12000}, {kAudioLimiter, -0.01}, {kVocoderRatio, 0.604},
      {kVocoderThreshold, -24.01}, {kVocoderAttack, 30.7}, {kVocoderRelease, 240.4}, {kVocoderGain, 0.24},
      {kFftSize, "512"}, {kEngine, "Clear"}, {kBands, 40}, {kFlatten, 80}, {::kWidth, 100}}}},
    {"Clear Robot", "Clear engine: a precise machine voice; play one low note (--notes C3)",
     {{{kOsc1, "Square"}, {kOsc2, "Square"}, {kOsc2Octave, 0.5}, {kAttack, 3.098899}, {kRelease, 80.92},
      {kPitchbend, 2}, {kLowCut, 154.1}, {kPeak1Freq, 999.02}, {kPeak1Q, 1.29}, {kPeak1Gain, 3.96},
      {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kHighCut, 12000}, {kAudioLimiter, -0.01}, {kVocoderThreshold, -22.01},
      {kVocoderAttack, 5.95}, {kVocoderRelease, 80.8}, {kVocoderGain, 0.33}, {kEngine, "Clear"}, {kBands, 30},
      {kSibilance, 40}}}},
    {"Clear Whisper", "Clear engine: an intelligible whisper; any one note",
     {{{kOsc1, "White"}, {kOsc2, "White"}, {kOsc2Volume, 0.0}, {kOsc2Octave, 1}, {kAttack, 11.090899},
      {kRelease, 300.7}, {kPitchbend, 2}, {kLowCut, 100.46}, {kPeak2Freq, 5015}, {kPeak2Q, 1.29}, {kHighCut, 16800},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 10.9},
      {kVocoderRelease, 120.7}, {kVocoderGain, 0.63}, {kEngine, "Clear"}, {kBands, 80}, {kSibilance, 80}}}},
    {"Gliding Lead", "Clear engine: a mono lead that glides; play a melody legato, one key at a time",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.6}, {kOsc2Octave, 0.5}, {kAttack, 5.096899},
      {kRelease, 150.85}, {kPitchbend, 2}, {kLowCut, 79.6}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 2.988},
      {kHighCut, 16800}, {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01},
      {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7}, {kVocoderGain, 0.3}, {kEngine, "Clear"}, {kBands, 80},
      {kSibilance, 60}, {kVelocity, 50}, {kVoiceMode, "Legato"}, {kGlide, 120}}}},
    {"Unison Choir", "Clear engine: a wide choir, three voices a note; hold chords of three or four notes",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.35}, {kOsc2Octave, 2}, {kAttack, 120.9809},
      {kRelease, 800.2}, {kPitchbend, 2}, {kLowCut, 109.4}, {kPeak1Freq, 499.52}, {kPeak1Q, 0.695},
      {kPeak1Gain, 1.98}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 1.8}, {kHighCut, 12000},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.604}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 30.7},
      {kVocoderRelease, 240.4}, {kVocoderGain, 0.24}, {kFftSize, "512"}, {kEngine, "Clear"}, {kBands, 50},
      {kSibilance, 30}, {::kWidth, 60}, {kUnison, 3}, {kDetune, 20}, {kVelocity, 30}}}},
    {"Breathy Pad", "Clear engine: a soft pad with breath in it; long chords, the consonants carried by noise",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sine"}, {kOsc2Volume, 0.5}, {kOsc2Octave, 2}, {kAttack, 200.9609},
      {kRelease, 1200.1}, {kPitchbend, 2}, {kLowCut, 109.4}, {kPeak1Freq, 499.52}, {kPeak1Q, 0.695},
      {kPeak1Gain, 1.98}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 1.8}, {kHighCut, 12000},
      {kAudioLimiter, -0.01}, {kVocoderRatio, 0.604}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 30.7},
      {kVocoderRelease, 240.4}, {kVocoderGain, 0.24}, {kFftSize, "512"}, {kEngine, "Clear"}, {kBands, 50},
      {kSibilance, 40}, {::kWidth, 30}, {kNoise, 35}}}},
    {"Robot Choir", "Clear engine: sing, and a robot choir sings your line in triads of C major; no keyboard needed",
     {{{kOsc1, "Square"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 0.5}, {kAttack, 20.979},
      {kRelease, 200.8}, {kPitchbend, 2}, {kLowCut, 109.4}, {kPeak1Freq, 999.02}, {kPeak1Q, 1.29}, {kPeak1Gain, 1.98},
      {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 1.8}, {kHighCut, 12000}, {kAudioLimiter, -0.01},
      {kVocoderRatio, 0.604}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7},
      {kVocoderGain, 0.27}, {kEngine, "Clear"}, {kBands, 60}, {kSibilance, 50}, {::kWidth, 40}, {kGlide, 40},
      {kUnison, 2}, {kDetune, 12}, {kTrack, "On"}, {kScale, "Major"}, {kKey, "C"}, {kHarmony, "Triad"}}}},
    {"Sung Solo", "Clear engine: sing, and the carrier follows your voice freely, vibrato and slides included",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 1}, {kAttack, 10.9809},
      {kRelease, 150.85}, {kPitchbend, 2}, {kLowCut, 79.6}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 2.988},
      {kHighCut, 16800}, {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01},
      {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7}, {kVocoderGain, 0.3}, {kEngine, "Clear"}, {kBands, 80},
      {kSibilance, 60}, {kGlide, 20}, {kTrack, "On"}, {kScale, "Free"}}}},
    {"Live Voice", "Live engine: your voice back within 6 ms, for singing on stage; chords or single notes",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Sawtooth"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 1}, {kAttack, 5.096899},
      {kRelease, 200.8}, {kPitchbend, 2}, {kLowCut, 79.6}, {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 2.988},
      {kHighCut, 16800}, {kAudioLimiter, -0.01}, {kVocoderRatio, 0.6733}, {kVocoderThreshold, -24.01},
      {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7}, {kVocoderGain, 0.3}, {kEngine, "Live"}, {kBands, 48},
      {kSibilance, 60}}}},
    {"Live Harmony", "Live engine: sing and hear yourself at once, with a fifth above in C major; no keyboard needed",
     {{{kOsc1, "Sawtooth"}, {kOsc2, "Square"}, {kOsc2Volume, 0.4}, {kOsc2Octave, 0.5}, {kAttack, 10.9809},
      {kRelease, 150.85}, {kPitchbend, 2}, {kLowCut, 79.6}, {kPeak1Freq, 999.02}, {kPeak1Q, 1.29}, {kPeak1Gain, 1.98},
      {kPeak2Freq, 3017}, {kPeak2Q, 1.29}, {kPeak2Gain, 1.8}, {kHighCut, 12000}, {kAudioLimiter, -0.01},
      {kVocoderRatio, 0.604}, {kVocoderThreshold, -24.01}, {kVocoderAttack, 10.9}, {kVocoderRelease, 120.7},
      {kVocoderGain, 0.27}, {kEngine, "Live"}, {kBands, 48}, {kSibilance, 50}, {::kWidth, 30}, {kGlide, 20},
      {kTrack, "On"}, {kScale, "Major"}, {kKey, "C"}, {kHarmony, "Fifth"}}}},
};

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::array<float, kNumParameters> FactoryPreset::allValues() const
{
    std::array<float, kNumParameters> all{};
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        all[static_cast<size_t>(i)] = parameter(i).defaultValue;
    for (const PresetSetting& s : settings) {
        if (s.index < 0 || s.index >= kNumParameters)
            break;
        const ParameterSpec& p = parameter(s.index);
        float& value = all[static_cast<size_t>(s.index)];
        if (s.choice) {
            for (const ParameterChoice& c : p.choices)
                if (std::string_view(c.text) == s.choice)
                    value = c.value;
        } else if (p.normalised) {
            value = p.normalised(s.plays);
        }
    }
    return all;
}

bool FactoryPreset::designedOnly() const
{
    return std::any_of(settings.begin(), settings.end(),
                       [](const PresetSetting& s) { return s.index >= kVst2Parameters && s.index < kNumParameters; });
}

std::span<const FactoryPreset> factoryPresets() { return kPresets; }

const FactoryPreset* findFactoryPreset(std::string_view name)
{
    for (const FactoryPreset& preset : kPresets)
        if (sameName(preset.name, name))
            return &preset;
    return nullptr;
}
