// The parameter table: indices, names, labels, defaults, the conversions of
// normalised values into the settings they drive, and the display texts.
#pragma once

#include "formats/vst2/aeffect.h"

#include <array>
#include <bit>
#include <cmath>

enum ParameterIndex : VstInt32 {
    kOsc1, kOsc2, kOsc2Volume, kOsc2Octave, kAttack, kRelease, kPitchbend, kTranspose,
    kLowCut, kPeak1Freq, kPeak1Q, kPeak1Gain, kPeak2Freq, kPeak2Q, kPeak2Gain, kHighCut,
    kCarrierVolume, kAudioLimiter, kAudioGain, kVocoderRatio, kVocoderThreshold,
    kVocoderAttack, kVocoderRelease, kVocoderGain, kMode, kCarrier, kFftSize, kHopSize,
    kNumParameters
};

struct ParameterSpec {
    const char* name;   // nullptr: the name text is left untouched
    const char* label;  // nullptr: the label text is left untouched
    float defaultValue;
};

extern const std::array<ParameterSpec, kNumParameters> kParameterTable;

enum class CarrierSource { Synth, Audio2 };

// Conversions shared by the settings and their display texts; x in [0, 1].
namespace params {
inline float gain(float x) { return static_cast<float>(1.5 * x); }  // 16, 18, 23
inline double thresholdDb(float x) { return 40.0 * x - 40.0 - 0.01; }  // 17, 20
inline double ratio(float x) { return 0.99 * x + 0.01; }            // 19
inline double attackMs(float x) { return 99.0 * x + 1.0; }          // 21
inline double releaseMs(float x) { return 399.0 * x + 1.0; }        // 22
inline int mode(float x) { return static_cast<int>(2.99 * x); }     // 24: 0 to 2
inline CarrierSource carrier(float x) { return x < 0.5f ? CarrierSource::Synth : CarrierSource::Audio2; }
}  // namespace params

// What the display texts need beyond the normalised value.
struct DisplayState {
    int bendRange;
    int mode;
    CarrierSource carrier;
    int fftSize;
    int hopSize;
};

// Writes the display text of parameter `index` for the normalised value x.
// Leaves the text untouched for parameter 7 and for indices outside the table.
void formatParameterDisplay(VstInt32 index, float x, const DisplayState& state, char* text);

// Copies at most `limit` characters and a terminating zero.
void copyText(char* text, const char* source, int limit);

// One program: 28 normalised values and a name of at most 23 characters.
struct ProgramRecord {
    std::array<float, kNumParameters> values;
    char name[kVstMaxProgNameLen];

    ProgramRecord();  // the defaults and "Init"
};
