#include "ParameterTable.h"

#include "Normalised.h"
#include "SpectralSizes.h"
#include "SynthMapping.h"
#include "TextFormat.h"
#include "tools/Equaliser.h"

#include <bit>
#include <cstring>
#include <utility>

namespace {

constexpr float bits(unsigned pattern) { return std::bit_cast<float>(pattern); }

constexpr ParameterChoice kWaveforms[] = {{"Sine", 0.0f}, {"Sawtooth", 1.0f / 3}, {"Square", 2.0f / 3}, {"White", 1.0f}};
constexpr ParameterChoice kModes[] = {{"Vocoder", 0.0f}, {"Carrier", 0.5f}, {"Audio1", 1.0f}};
constexpr ParameterChoice kCarriers[] = {{"Synth", 0.0f}, {"Audio2", 1.0f}};
constexpr ParameterChoice kFftSizes[] = {{"128", 0.0f}, {"256", 1.0f / 3}, {"512", 2.0f / 3}, {"1024", 1.0f}};
constexpr ParameterChoice kHopSizes[] = {{"32", 0.0f}, {"64", 1.0f / 3}, {"96", 2.0f / 3}, {"128", 1.0f}};

// The step of each stepped parameter that the engine takes.
int waveformChoice(float x) { return synth::waveformIndex(x); }
int modeChoice(float x) { return params::mode(clampNormalised(x)); }
int carrierChoice(float x) { return params::carrier(clampNormalised(x)) == CarrierSource::Synth ? 0 : 1; }
int fftChoice(float x) { return std::countr_zero(static_cast<unsigned>(spectralsizes::fftSizeFor(clampNormalised(x)) / 128)); }
int hopChoice(float x) { return spectralsizes::hopSizeFor(clampNormalised(x)) / 32 - 1; }

// The values the displays show before truncating or cutting them.
double attackMs(float x) { return 199.9f * x + 1; }
double releaseMs(float x) { return 599.9f * x + 1; }
double highCutDisplayHz(float x) { return 17000.0 * x + 3000.0; }
double normalisedRatio(float x) { return x; }

// The inverse of a plain function that is linear in x, exact at both ends.
template <double (*Plain)(float)>
float inverse(double plain)
{
    const double low = Plain(0.0f);
    const double high = Plain(1.0f);
    const double x = (plain - low) / (high - low);
    return x > 0.0 ? (x < 1.0 ? static_cast<float>(x) : 1.0f) : 0.0f;
}

template <double (*Plain)(float)>
constexpr auto linear = std::pair{Plain, &inverse<Plain>};

using Unit = ParameterUnit;
constexpr std::pair<double (*)(float), float (*)(double)> kNoPlain{nullptr, nullptr};

constexpr ParameterSpec stepped(ParameterSpec spec, int (*choiceOf)(float))
{
    spec.choiceOf = choiceOf;
    return spec;
}

constexpr ParameterSpec withEditorSuffix(ParameterSpec spec, const char* suffix)
{
    spec.editorSuffix = suffix;
    return spec;
}

constexpr ParameterSpec spec(const char* symbol, const char* name, const char* title, const char* label,
                             float defaultValue, std::span<const ParameterChoice> choices = {},
                             Unit unit = Unit::Unitless,
                             std::pair<double (*)(float), float (*)(double)> plain = kNoPlain)
{
    return {symbol, name, title, label, nullptr, defaultValue, choices, nullptr, unit, plain.first, plain.second};
}

}  // namespace

const std::array<ParameterSpec, kNumParameters> kParameterTable{{
    stepped(spec("osc1", "OSC 1", "OSC 1", nullptr, 0.0f, kWaveforms), waveformChoice),
    stepped(spec("osc2", "OSC 2", "OSC 2", nullptr, 0.0f, kWaveforms), waveformChoice),
    spec("osc2_volume", "OSC 2 Volume", "OSC 2 Volume", "dB", 0.5f),
    spec("osc2_octave", "OSC 2 Octave", "OSC 2 Octave", nullptr, 0.0f),
    spec("attack", "Attack", "Attack", "ms", bits(0x3CF5C28F), {}, Unit::Milliseconds, linear<attackMs>),
    spec("release", "Release", "Release", "ms", bits(0x3E2AAAAB), {}, Unit::Milliseconds, linear<releaseMs>),
    spec("pitchbend", "Pitchbend", "Pitchbend", "Semitones", 0.0f),
    spec("transpose", nullptr, "OSC 2 Transpose", nullptr, 0.0f),
    withEditorSuffix(spec("low_cut", "Low Cut", "Low Cut", "Hz", bits(0x3E75C28F), {}, Unit::Hertz,
                          linear<Equaliser::lowCutHz>), "Hz"),
    spec("peak1_freq", "Peak1 Freq", "Peak1 Freq", "Hz", bits(0x3D240106), {}, Unit::Hertz,
         linear<Equaliser::peakHz>),
    spec("peak1_q", "Peak1 Q", "Peak1 Q", nullptr, bits(0x3E800DA9), {}, Unit::Unitless, linear<Equaliser::peakQ>),
    spec("peak1_gain", "Peak1 Gain", "Peak1 Gain", "dB", 0.5f, {}, Unit::Decibels, linear<Equaliser::peakGainDb>),
    spec("peak2_freq", "Peak2 Freq", "Peak2 Freq", "Hz", bits(0x3DCD0148), {}, Unit::Hertz,
         linear<Equaliser::peakHz>),
    spec("peak2_q", "Peak2 Q", "Peak2 Q", nullptr, bits(0x3E800DA9), {}, Unit::Unitless, linear<Equaliser::peakQ>),
    spec("peak2_gain", "Peak2 Gain", "Peak2 Gain", "dB", 0.5f, {}, Unit::Decibels, linear<Equaliser::peakGainDb>),
    withEditorSuffix(spec("high_cut", "High Cut", "High Cut", "Hz", bits(0x3F19C0F6), {}, Unit::Hertz,
                          linear<highCutDisplayHz>), "Hz"),
    spec("carrier_volume", "Carrier Volume", "Carrier Volume", "dB", 1.0f),
    spec("audio_limiter", "Audio Limiter", "Audio Limiter", "dB", 0.5f, {}, Unit::Decibels,
         linear<params::thresholdDb>),
    spec("audio_gain", "Audio Gain", "Audio Gain", "dB", 1.0f),
    spec("vocoder_ratio", "Vocoder Ratio", "Vocoder Ratio", nullptr, 0.5f, {}, Unit::Unitless, linear<normalisedRatio>),
    spec("vocoder_threshold", "Vocoder Threshold", "Vocoder Threshold", "dB", 0.5f, {}, Unit::Decibels,
         linear<params::thresholdDb>),
    spec("vocoder_attack", "Vocoder Attack", "Vocoder Attack", "ms", 0.5f, {}, Unit::Milliseconds,
         linear<params::attackMs>),
    spec("vocoder_release", "Vocoder Release", "Vocoder Release", "ms", 0.5f, {}, Unit::Milliseconds,
         linear<params::releaseMs>),
    spec("vocoder_gain", "Vocoder Gain", "Vocoder Gain", "dB", bits(0x3F28F5C3)),
    stepped(spec("mode", "Mode", "Mode", nullptr, 0.0f, kModes), modeChoice),
    stepped(spec("carrier", "Carrier", "Carrier", nullptr, 0.0f, kCarriers), carrierChoice),
    stepped(spec("fft_size", "FFT SIZE", "FFT SIZE", "samples", bits(0x3F2AAAAB), kFftSizes), fftChoice),
    stepped(spec("hop_size", "HOP SIZE", "HOP SIZE", "samples", 1.0f, kHopSizes), hopChoice),
}};

namespace {

// Quarters, unlike the synthesiser's steps at multiples of 1/3.99.
const char* waveformName(float x)
{
    const int quarter = x <= 0.25f ? 0 : x <= 0.5f ? 1 : x <= 0.75f ? 2 : 3;
    return kWaveforms[quarter].text;
}

void integer(double value, int limit, const char* unit, char* text)
{
    formatInteger(static_cast<std::int32_t>(value), text, limit);
    std::strcat(text, unit);
}

}  // namespace

DisplayState displayStateOf(std::span<const float, kNumParameters> values)
{
    const SpectralPair sizes = spectralsizes::pairFor(values[kFftSize], values[kHopSize]);
    return {synth::bendRangeSemitones(values[kPitchbend]), params::mode(values[kMode]), params::carrier(values[kCarrier]),
            sizes.fftSize, sizes.hopSize};
}

// x is a stored value, always in [0, 1], so every truncation is in range.
void formatParameterDisplay(std::int32_t index, float x, const DisplayState& state, char* text)
{
    switch (index) {
    case kOsc1:
    case kOsc2:
        copyText(text, waveformName(x), 8);
        break;
    case kOsc2Volume:
        formatDecibels(x, text, 3);
        std::strcat(text, "dB");
        break;
    case kOsc2Octave:
        integer(3.99f * x + 1, 8, "", text);
        break;
    case kAttack:
        integer(attackMs(x), 8, " ms", text);
        break;
    case kRelease:
        integer(releaseMs(x), 8, " ms", text);
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
        formatFloat(Equaliser::peakQ(x), text, 4);
        break;
    case kPeak1Gain:
    case kPeak2Gain:
        formatFloat(Equaliser::peakGainDb(x), text, 5);
        break;
    case kHighCut:
        // The display's range (3000 to 20000) differs from the filter's (4000 to 20000).
        integer(highCutDisplayHz(x), 5, "", text);
        break;
    case kCarrierVolume:
    case kVocoderGain:
        formatDecibels(params::gain(x), text, 4);
        std::strcat(text, " dB");
        break;
    case kAudioGain:
        formatDecibels(params::gain(x), text, 4);
        std::strcat(text, "dB");
        break;
    case kAudioLimiter:
    case kVocoderThreshold:
        integer(params::thresholdDb(x), 4, " dB", text);
        break;
    case kVocoderRatio:
        formatFloat(x, text, 4);
        break;
    case kVocoderAttack:
        integer(params::attackMs(x), 4, " ms", text);
        break;
    case kVocoderRelease:
        integer(params::releaseMs(x), 4, " ms", text);
        break;
    case kMode:
        if (state.mode >= 0 && state.mode < static_cast<int>(std::size(kModes)))
            copyText(text, kModes[state.mode].text, 8);
        break;
    case kCarrier:
        copyText(text, kCarriers[state.carrier == CarrierSource::Synth ? 0 : 1].text, 8);
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
