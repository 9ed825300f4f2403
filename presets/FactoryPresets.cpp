#include "FactoryPresets.h"

#include <algorithm>
#include <cctype>

namespace {

// Each row of values, in index order:
//   OSC 1, OSC 2, OSC 2 Volume, OSC 2 Octave, Attack, Release, Pitchbend,
//   (OSC 2 transposition), Low Cut, Peak1 Freq, Peak1 Q, Peak1 Gain, Peak2 Freq, Peak2 Q,
//   Peak2 Gain, High Cut, Carrier Volume, Audio Limiter, Audio Gain, Vocoder Ratio, Vocoder Threshold,
//   Vocoder Attack, Vocoder Release, Vocoder Gain, Mode, Carrier, FFT SIZE, HOP SIZE.
// Waveforms: 0 sine, 0.375 sawtooth, 0.625 square, 1 white noise. OSC 2
// Octave: 0.1 an octave down, 0.3 unison, 0.5 an octave up. FFT SIZE: 0.4
// is 256, 0.6666667 is 512, 1 is 1024; HOP SIZE: 0.33333334 is 64,
// 0.6666667 is 96, 1 is 128. Each comment gives what the editor shows.
// Only sizes of 256 and more: a host that loads a program in index order
// sets FFT SIZE while the hop size is still 128, which rules out 128.
//
// The Clear engine's presets give the later parameters after the 28:
// Bands 0 is 10 and 1 is 80 (x = (bands - 10) / 70); Formant 0.5 is none,
// each 1/24 a semitone; Flatten, Sibilance, Mix and Width in hundredths.
constexpr float kClear = 1.0f;
constexpr PresetValue kClearVoice[] = {{kEngine, kClear}, {kBands, 1.0f}, {kSibilance, 0.6f}};
constexpr PresetValue kClearChoir[] = {{kEngine, kClear}, {kBands, 40.0f / 70}, {kWidth, 0.4f}, {kSibilance, 0.3f}};
constexpr PresetValue kDeepVoice[] = {{kEngine, kClear}, {kBands, 54.0f / 70}, {kFormant, 0.5f - 3.0f / 24}};
constexpr PresetValue kClearWhisper[] = {{kEngine, kClear}, {kBands, 1.0f}, {kSibilance, 0.8f}};
constexpr PresetValue kWidePad[] = {{kEngine, kClear}, {kBands, 30.0f / 70}, {kWidth, 1.0f}, {kFlatten, 0.8f}};
constexpr PresetValue kClearRobot[] = {{kEngine, kClear}, {kBands, 20.0f / 70}, {kSibilance, 0.4f}};

constexpr FactoryPreset kPresets[] = {
    {"Init", "the plug-in's own defaults: sine oscillators, the settings of a new instance",
     {0.0f, 0.0f, 0.5f, 0.0f, 0.03f, 0.16666667f, 0.0f,
      0.0f, 0.24f, 0.040040039f, 0.25010422f, 0.5f, 0.1001001f, 0.25010422f,
      0.5f, 0.6006006f, 1.0f, 0.5f, 1.0f, 0.5f, 0.5f,
      0.5f, 0.5f, 0.66f, 0.0f, 0.0f, 0.6666667f, 1.0f}},
    // Square, sawtooth an octave up at 0.4; 10 ms / 150 ms; low cut 467 Hz,
    // +9 dB at 3 kHz; limiter at 0 dB; 1.5:1 above -24 dB; 512 / 128.
    {"Classic Vocoder", "the demo's sound: speech through chords, square and sawtooth an octave apart",
     {0.625f, 0.375f, 0.4f, 0.5f, 0.05f, 0.25f, 0.09f,
      0.0f, 0.15f, 0.040040039f, 0.25010422f, 0.5f, 0.15f, 0.1f,
      0.75f, 0.6006006f, 1.0f, 1.0f, 1.0f, 0.67f, 0.4f,
      0.1f, 0.3f, 0.18f, 0.0f, 0.0f, 0.6666667f, 1.0f}},
    // Sawtooth, square an octave down; low cut 199 Hz, +4 dB at 1 kHz and
    // +6 dB at 3 kHz; 2:1 above -22 dB; 512 / 128.
    {"Robot Voice", "a buzzing machine voice: play one low note (--notes C3)",
     {0.375f, 0.625f, 0.5f, 0.1f, 0.02f, 0.1f, 0.09f,
      0.0f, 0.06f, 0.049f, 0.1f, 0.61f, 0.15f, 0.1f,
      0.67f, 0.5f, 1.0f, 1.0f, 1.0f, 0.5f, 0.45f,
      0.05f, 0.2f, 0.22f, 0.0f, 0.0f, 0.6666667f, 1.0f}},
    // Two sawtooths an octave apart; 120 ms / 480 ms; low cut 378 Hz, +2 dB
    // at 500 Hz, +3.6 dB at 3 kHz, high cut 12 kHz; 1024 / 128 for smooth vowels.
    {"Choir Pad", "slow, soft chords that sing the words: hold chords of three or four notes",
     {0.375f, 0.375f, 0.35f, 0.5f, 0.6f, 0.8f, 0.09f,
      0.0f, 0.12f, 0.024f, 0.05f, 0.555f, 0.15f, 0.1f,
      0.6f, 0.5f, 1.0f, 1.0f, 1.0f, 0.6f, 0.4f,
      0.3f, 0.6f, 0.1f, 0.0f, 0.0f, 1.0f, 1.0f}},
    // Sawtooth with a square a fifth up; +8 dB at 4 kHz, high cut open;
    // 2:1 above -22 dB; 512 / 96.
    {"Bright Lead", "a cutting lead for melodies: single notes, the fifth is built in",
     {0.375f, 0.625f, 0.45f, 0.3f, 0.02f, 0.15f, 0.09f,
      0.5833f, 0.1f, 0.06f, 0.25010422f, 0.5f, 0.2f, 0.15f,
      0.72f, 1.0f, 1.0f, 1.0f, 1.0f, 0.5f, 0.45f,
      0.05f, 0.2f, 0.22f, 0.0f, 0.0f, 0.6666667f, 0.6666667f}},
    // White noise alone; +4 dB at 5 kHz.
    {"Whisper", "breath instead of pitch: any one note turns the voice into a whisper",
     {1.0f, 1.0f, 0.0f, 0.3f, 0.05f, 0.3f, 0.09f,
      0.0f, 0.1f, 0.040040039f, 0.25010422f, 0.5f, 0.25f, 0.15f,
      0.61f, 0.8f, 1.0f, 1.0f, 1.0f, 0.67f, 0.4f,
      0.1f, 0.3f, 0.56f, 0.0f, 0.0f, 0.6666667f, 1.0f}},
    // Sawtooth and square an octave up; narrow boosts at 900 Hz and 2.2 kHz,
    // high cut 5.6 kHz like a tube; 2.5:1 above -22 dB; 1024 / 128.
    {"Talk Box", "a guitar-amp talk box: mid-range formants, narrow and nasal",
     {0.375f, 0.625f, 0.5f, 0.5f, 0.02f, 0.12f, 0.09f,
      0.0f, 0.04f, 0.044f, 0.16f, 0.67f, 0.11f, 0.16f,
      0.61f, 0.1f, 1.0f, 1.0f, 1.0f, 0.4f, 0.45f,
      0.03f, 0.15f, 0.19f, 0.0f, 0.0f, 1.0f, 1.0f}},
    // Square with a sawtooth an octave down; low cut 80 Hz, +4 dB at 150 Hz,
    // +5 dB at 1.5 kHz, high cut 7.2 kHz; 1024 / 128 for the low notes.
    {"Bass Voice", "a singing bass line: notes from C1 to C3",
     {0.625f, 0.375f, 0.6f, 0.1f, 0.02f, 0.15f, 0.09f,
      0.0f, 0.02f, 0.0065f, 0.1f, 0.61f, 0.074f, 0.1f,
      0.64f, 0.2f, 1.0f, 1.0f, 1.0f, 0.5f, 0.4f,
      0.05f, 0.2f, 0.13f, 0.0f, 0.0f, 1.0f, 1.0f}},
    // Input 2 as the carrier at unity gain; low cut 318 Hz, +6 dB at 3 kHz.
    {"Audio Carrier", "the voice shapes a recording on input 2: pads, strings, drones, guitars",
     {0.0f, 0.0f, 0.5f, 0.0f, 0.03f, 0.16666667f, 0.0f,
      0.0f, 0.1f, 0.040040039f, 0.25010422f, 0.5f, 0.15f, 0.1f,
      0.67f, 0.6006006f, 0.6666667f, 1.0f, 1.0f, 0.67f, 0.4f,
      0.1f, 0.3f, 0.4f, 0.0f, 1.0f, 0.6666667f, 1.0f}},
    // Clear, 80 bands: two sawtooths in unison; low cut 80 Hz, +3 dB at
    // 3 kHz; limiter at 0 dB; 1.5:1 above -24 dB; 512 / 128.
    {"Clear Voice", "Clear engine: the clearest speech, every consonant; chords or single notes",
     {0.375f, 0.375f, 0.4f, 0.3f, 0.02f, 0.2f, 0.09f,
      0.0f, 0.02f, 0.040040039f, 0.25010422f, 0.5f, 0.15f, 0.1f,
      0.583f, 0.8f, 1.0f, 1.0f, 1.0f, 0.67f, 0.4f,
      0.1f, 0.3f, 0.2f, 0.0f, 0.0f, 0.6666667f, 1.0f},
     kClearVoice},
    // Clear, 40 bands, 40 % wide: two sawtooths an octave apart; 120 ms /
    // 480 ms; low cut 110 Hz; 1024 / 128 for smooth vowels.
    {"Clear Choir", "Clear engine: a soft choir that sings the words; hold chords of three or four notes",
     {0.375f, 0.375f, 0.35f, 0.5f, 0.6f, 0.8f, 0.09f,
      0.0f, 0.03f, 0.024f, 0.05f, 0.555f, 0.15f, 0.1f,
      0.55f, 0.5f, 1.0f, 1.0f, 1.0f, 0.6f, 0.4f,
      0.3f, 0.6f, 0.16f, 0.0f, 0.0f, 1.0f, 1.0f},
     kClearChoir},
    // Clear, formants 3 semitones down: sawtooth with a square an octave
    // down; low cut 50 Hz, +3 dB at 150 Hz; 1024 / 128 for the low notes.
    {"Deep Voice", "Clear engine: a large, dark throat; low notes from C2 to C3 (--notes \"C2 G2\")",
     {0.375f, 0.625f, 0.5f, 0.1f, 0.02f, 0.15f, 0.09f,
      0.0f, 0.01f, 0.0065f, 0.1f, 0.583f, 0.15f, 0.1f,
      0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 0.5f, 0.4f,
      0.05f, 0.2f, 0.22f, 0.0f, 0.0f, 1.0f, 1.0f},
     kDeepVoice},
    // Clear, 40 bands spread fully across the outputs: sawtooth and
    // square a fifth apart; 250 ms / 600 ms; 1024 / 128.
    {"Wide Pad", "Clear engine: a stereo pad, bands alternating left and right; long chords",
     {0.375f, 0.625f, 0.4f, 0.3f, 0.75f, 0.9f, 0.09f,
      0.5833f, 0.03f, 0.024f, 0.05f, 0.5f, 0.15f, 0.1f,
      0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 0.6f, 0.4f,
      0.3f, 0.6f, 0.16f, 0.0f, 0.0f, 1.0f, 1.0f},
     kWidePad},
    // Clear, 30 bands: square with a square an octave down; low cut 150 Hz,
    // +4 dB at 1 kHz; 2:1 above -22 dB; 512 / 128.
    {"Clear Robot", "Clear engine: a precise machine voice; play one low note (--notes C3)",
     {0.625f, 0.625f, 0.5f, 0.1f, 0.01f, 0.08f, 0.09f,
      0.0f, 0.045f, 0.049f, 0.1f, 0.61f, 0.15f, 0.1f,
      0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 0.5f, 0.45f,
      0.05f, 0.2f, 0.22f, 0.0f, 0.0f, 0.6666667f, 1.0f},
     kClearRobot},
    // Clear, 80 bands: white noise alone, its flat spectrum shaped by the
    // voice; low cut 100 Hz; 512 / 128.
    {"Clear Whisper", "Clear engine: an intelligible whisper; any one note",
     {1.0f, 1.0f, 0.0f, 0.3f, 0.05f, 0.3f, 0.09f,
      0.0f, 0.027f, 0.040040039f, 0.25010422f, 0.5f, 0.25f, 0.1f,
      0.5f, 0.8f, 1.0f, 1.0f, 1.0f, 0.67f, 0.4f,
      0.1f, 0.3f, 0.42f, 0.0f, 0.0f, 0.6666667f, 1.0f},
     kClearWhisper},
};

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const FactoryPreset> factoryPresets() { return kPresets; }

const FactoryPreset* findFactoryPreset(std::string_view name)
{
    for (const FactoryPreset& preset : kPresets)
        if (sameName(preset.name, name))
            return &preset;
    return nullptr;
}
