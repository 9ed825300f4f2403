#include "Parameters.h"

#include "AudioEffect.h"
#include "tools/Equaliser.h"

#include <cstring>

namespace {
constexpr float bits(unsigned pattern) { return std::bit_cast<float>(pattern); }
}  // namespace

const std::array<ParameterSpec, kNumParameters> kParameterTable{{
    {"OSC 1", nullptr, 0.0f},
    {"OSC 2", nullptr, 0.0f},
    {"OSC 2 Volume", "dB", 0.5f},
    {"OSC 2 Octave", nullptr, 0.0f},
    {"Attack", "ms", bits(0x3CF5C28F)},
    {"Release", "ms", bits(0x3E2AAAAB)},
    {"Pitchbend", "Semitones", 0.0f},
    {nullptr, nullptr, 0.0f},
    {"Low Cut", "Hz", bits(0x3E75C28F)},
    {"Peak1 Freq", "Hz", bits(0x3D240106)},
    {"Peak1 Q", nullptr, bits(0x3E800DA9)},
    {"Peak1 Gain", "dB", 0.5f},
    {"Peak2 Freq", "Hz", bits(0x3DCD0148)},
    {"Peak2 Q", nullptr, bits(0x3E800DA9)},
    {"Peak2 Gain", "dB", 0.5f},
    {"High Cut", "Hz", bits(0x3F19C0F6)},
    {"Carrier Volume", "dB", 1.0f},
    {"Audio Limiter", "dB", 0.5f},
    {"Audio Gain", "dB", 1.0f},
    {"Vocoder Ratio", nullptr, 0.5f},
    {"Vocoder Threshold", "dB", 0.5f},
    {"Vocoder Attack", "ms", 0.5f},
    {"Vocoder Release", "ms", 0.5f},
    {"Vocoder Gain", "dB", bits(0x3F28F5C3)},
    {"Mode", nullptr, 0.0f},
    {"Carrier", nullptr, 0.0f},
    {"FFT SIZE", "samples", bits(0x3F2AAAAB)},
    {"HOP SIZE", "samples", 1.0f},
}};

void copyText(char* text, const char* source, int limit)
{
    int n = 0;
    for (; n < limit && source[n]; ++n)
        text[n] = source[n];
    text[n] = 0;
}

ProgramRecord::ProgramRecord()
{
    for (int i = 0; i < kNumParameters; ++i)
        values[i] = kParameterTable[i].defaultValue;
    copyText(name, "Init", kVstMaxProgNameLen - 1);
}

namespace {

// Quarters, unlike the synthesiser's steps at multiples of 1/3.99.
const char* waveformName(float x)
{
    if (x <= 0.25f) return "Sine";
    if (x <= 0.5f) return "Sawtooth";
    if (x <= 0.75f) return "Square";
    return "White";
}

const char* modeName(int mode)
{
    switch (mode) {
    case 0: return "Vocoder";
    case 1: return "Carrier";
    case 2: return "Audio1";
    default: return nullptr;
    }
}

void integer(double value, int limit, const char* unit, char* text)
{
    AudioEffect::int2string(static_cast<VstInt32>(value), text, limit);
    std::strcat(text, unit);
}

}  // namespace

// x is a stored value, always in [0, 1], so every truncation is in range.
void formatParameterDisplay(VstInt32 index, float x, const DisplayState& state, char* text)
{
    switch (index) {
    case kOsc1:
    case kOsc2:
        copyText(text, waveformName(x), 8);
        break;
    case kOsc2Volume:
        AudioEffect::dB2string(x, text, 3);
        std::strcat(text, "dB");
        break;
    case kOsc2Octave:
        integer(3.99f * x + 1, 8, "", text);
        break;
    case kAttack:
        integer(199.9f * x + 1, 8, " ms", text);
        break;
    case kRelease:
        integer(599.9f * x + 1, 8, " ms", text);
        break;
    case kPitchbend:
        integer(state.bendRange, 8, " 1/2tones", text);
        break;
    case kLowCut:
        integer(Equaliser::lowCutHz(x), 5, "", text);
        break;
    case kPeak1Freq:
    case kPeak2Freq:
        integer(Equaliser::peakHz(x), 5, "", text);
        break;
    case kPeak1Q:
    case kPeak2Q:
        AudioEffect::float2string(Equaliser::peakQ(x), text, 4);
        break;
    case kPeak1Gain:
    case kPeak2Gain:
        AudioEffect::float2string(Equaliser::peakGainDb(x), text, 5);
        break;
    case kHighCut:
        // The display's range (3000 to 20000) differs from the filter's (4000 to 20000).
        integer(17000.0 * x + 3000.0, 5, "", text);
        break;
    case kCarrierVolume:
    case kVocoderGain:
        AudioEffect::dB2string(params::gain(x), text, 4);
        std::strcat(text, " dB");
        break;
    case kAudioGain:
        AudioEffect::dB2string(params::gain(x), text, 4);
        std::strcat(text, "dB");
        break;
    case kAudioLimiter:
    case kVocoderThreshold:
        integer(params::thresholdDb(x), 4, " dB", text);
        break;
    case kVocoderRatio:
        AudioEffect::float2string(x, text, 4);
        break;
    case kVocoderAttack:
        integer(params::attackMs(x), 4, " ms", text);
        break;
    case kVocoderRelease:
        integer(params::releaseMs(x), 4, " ms", text);
        break;
    case kMode:
        if (const char* name = modeName(state.mode))
            copyText(text, name, 8);
        break;
    case kCarrier:
        copyText(text, state.carrier == CarrierSource::Synth ? "Synth" : "Audio2", 8);
        break;
    case kFftSize:
        integer(state.fftSize, 8, "", text);
        break;
    case kHopSize:
        integer(state.hopSize, 8, "", text);
        break;
    default:
        break;
    }
}
