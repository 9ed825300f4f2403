#include "ParameterTable.h"

#include "Normalised.h"
#include "SpectralSizes.h"
#include "SynthMapping.h"
#include "TextFormat.h"
#include "tools/Equaliser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr float bits(unsigned pattern) { return std::bit_cast<float>(pattern); }

constexpr ParameterChoice kWaveforms[] = {{"Sine", 0.0f}, {"Sawtooth", 1.0f / 3}, {"Square", 2.0f / 3}, {"White", 1.0f}};
constexpr ParameterChoice kModes[] = {{"Vocoder", 0.0f}, {"Carrier", 0.5f}, {"Audio1", 1.0f}};
constexpr ParameterChoice kCarriers[] = {{"Synth", 0.0f}, {"Audio2", 1.0f}};
constexpr ParameterChoice kFftSizes[] = {{"128", 0.0f}, {"256", 1.0f / 3}, {"512", 2.0f / 3}, {"1024", 1.0f}};
constexpr ParameterChoice kHopSizes[] = {{"32", 0.0f}, {"64", 1.0f / 3}, {"96", 2.0f / 3}, {"128", 1.0f}};
constexpr ParameterChoice kEngines[] = {{"Classic", 0.0f}, {"Clear", 1.0f}};
constexpr ParameterChoice kSwitch[] = {{"Off", 0.0f}, {"On", 1.0f}};

// The step of each stepped parameter that the engine takes.
int waveformChoice(float x) { return synth::waveformIndex(x); }
int modeChoice(float x) { return params::mode(clampNormalised(x)); }
int carrierChoice(float x) { return params::carrier(clampNormalised(x)) == CarrierSource::Synth ? 0 : 1; }
int fftChoice(float x) { return std::countr_zero(static_cast<unsigned>(spectralsizes::fftSizeFor(clampNormalised(x)) / 128)); }
int hopChoice(float x) { return spectralsizes::hopSizeFor(clampNormalised(x)) / 32 - 1; }
int engineChoice(float x) { return params::clearEngine(clampNormalised(x)) ? 1 : 0; }
int switchChoice(float x) { return params::on(clampNormalised(x)) ? 1 : 0; }

// What plays, where no tool already says it. The synthesiser's attack ramp
// lasts (0.999 a + 0.001) s for its attack setting a, in float.
double attackMs(float x) { return static_cast<double>(synth::attackSetting(x) * 0.999f + 0.001f) * 1000.0; }
// The VST 2 display: within a tenth of a millisecond of the ramp.
double attackDisplayMs(float x) { return 199.9f * x + 1; }
// The VST 2 display: not the ramp's length.
double releaseDisplayMs(float x) { return 599.9f * x + 1; }
// The synthesiser's release ramp lasts (0.999 x + 0.001) s, in float.
double releaseMs(float x) { return static_cast<double>(x * 0.999f + 0.001f) * 1000.0; }
double normalisedRatio(float x) { return x; }  // the VST 2 display; the ratio is 0.99 x + 0.01
double gainSetting(float x) { return params::gain(x); }
double modeSetting(float x) { return params::mode(x); }
double bandCount(float x) { return params::bands(x); }

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

// ---- Display texts. x is a stored value, always in [0, 1], so every
// truncation is in range. Unit texts follow the number after it is cut.

void integer(double value, int limit, const char* unit, char* text)
{
    formatInteger(static_cast<std::int32_t>(value), text, limit);
    std::strcat(text, unit);
}

template <double (*Plain)(float), int Limit, const char* Unit>
void integerText(float x, const DisplayState&, char* text)
{
    integer(Plain(x), Limit, Unit, text);
}

template <double (*Plain)(float), int Limit>
void floatText(float x, const DisplayState&, char* text)
{
    formatFloat(static_cast<float>(Plain(x)), text, Limit);
}

// The same, one float step up first: a value such as 0.01, which rounds
// to just below itself as a float, shows as itself.
template <double (*Plain)(float), int Limit>
void exactFloatText(float x, const DisplayState&, char* text)
{
    formatFloat(std::nextafter(static_cast<float>(Plain(x)), INFINITY), text, Limit);
}

template <int Limit, const char* Unit>
void gainText(float x, const DisplayState&, char* text)
{
    formatDecibels(params::gain(x), text, Limit);
    std::strcat(text, Unit);
}

constexpr char kNone[] = "";
constexpr char kMs[] = " ms";
constexpr char kDb[] = " dB";
constexpr char kDbTight[] = "dB";
constexpr char kPercent[] = " %";

// Quarters, unlike the synthesiser's steps at multiples of 1/3.99.
void waveformText(float x, const DisplayState&, char* text)
{
    const int quarter = x <= 0.25f ? 0 : x <= 0.5f ? 1 : x <= 0.75f ? 2 : 3;
    copyText(text, kWaveforms[quarter].text, 8);
}

// The display's waveform steps differ from the synthesiser's: the formats we
// design name the waveform that plays.
void playedWaveformText(float x, const DisplayState&, char* text)
{
    copyText(text, kWaveforms[synth::waveformIndex(x)].text, 8);
}

void osc2VolumeText(float x, const DisplayState&, char* text)
{
    formatDecibels(x, text, 3);
    std::strcat(text, "dB");
}

// 1 to 4, while the factor takes six steps.
void octaveText(float x, const DisplayState&, char* text) { integer(3.99f * x + 1, 8, "", text); }

// The factor that plays: x0.5, x1, x2, x4, x6 or x8.
void octaveFactorText(float x, const DisplayState&, char* text)
{
    const float factor = synth::octaveMultiplier(x);
    copyText(text, factor < 1.0f ? "x0.5" : "x", 8);
    if (factor >= 1.0f) {
        char digits[16];
        formatInteger(static_cast<std::int32_t>(factor), digits, 8);
        std::strcat(text, digits);
    }
}

void bendText(float, const DisplayState& state, char* text) { integer(state.bendRange, 8, " 1/2tones", text); }

// No VST 2 text; elsewhere the semitones.
void transposeText(float x, const DisplayState&, char* text) { integer(synth::transposeSemitones(x), 8, " 1/2tones", text); }

// The VST 2 display's range (3000 to 20000) differs from the filter's.
double highCutDisplayHz(float x) { return 17000.0 * x + 3000.0; }

void modeText(float, const DisplayState& state, char* text)
{
    if (state.mode >= 0 && state.mode < static_cast<int>(std::size(kModes)))
        copyText(text, kModes[state.mode].text, 8);
}

void carrierText(float, const DisplayState& state, char* text)
{
    copyText(text, kCarriers[state.carrier == CarrierSource::Synth ? 0 : 1].text, 8);
}

template <const ParameterChoice* Choices, int (*Choice)(float)>
void choiceText(float x, const DisplayState&, char* text)
{
    copyText(text, Choices[Choice(x)].text, 8);
}

// Semitones cut to tenths, with their sign: "+3.5 st", "0.0 st".
void semitonesText(float x, const DisplayState&, char* text)
{
    const double semitones = params::formantSemitones(x);
    const auto tenths = static_cast<std::int32_t>(semitones * 10.0);
    const std::int32_t magnitude = tenths < 0 ? -tenths : tenths;
    char digits[16];
    formatInteger(magnitude / 10, digits, 8);
    copyText(text, tenths < 0 ? "-" : tenths > 0 ? "+" : "", 1);
    std::strcat(text, digits);
    const char fraction[] = {'.', static_cast<char>('0' + magnitude % 10), 0};
    std::strcat(text, fraction);
    std::strcat(text, " st");
}

void fftText(float, const DisplayState& state, char* text) { integer(state.fftSize, 8, "", text); }
void hopText(float, const DisplayState& state, char* text) { integer(state.hopSize, 8, "", text); }

using Unit = ParameterUnit;
using Plain = std::pair<double (*)(float), float (*)(double)>;
constexpr Plain kNoPlain{nullptr, nullptr};

// One row: what every format, the engine and the editor take from it.
struct Row {
    const char* symbol;
    const char* name;
    const char* title;
    const char* label;
    float defaultValue;
    DisplayFormat format;
    std::span<const ParameterChoice> choices = {};
    int (*choiceOf)(float) = nullptr;
    Unit unit = Unit::Unitless;
    Plain plain = kNoPlain;
    DisplayFormat extendedFormat = nullptr;
    double (*setting)(float) = nullptr;
    const char* editorSuffix = nullptr;

    constexpr operator ParameterSpec() const
    {
        return {symbol,  name,       title,       label,  editorSuffix,   defaultValue, choices,
                choiceOf, unit,      plain.first, plain.second, format, extendedFormat, setting};
    }
};

}  // namespace

// The fields after the display text are given only as far as a row needs them.
const std::array<ParameterSpec, kNumParameters> kParameterTable{{
    Row{"osc1", "OSC 1", "OSC 1", nullptr, 0.0f, waveformText, kWaveforms, waveformChoice, Unit::Unitless, kNoPlain,
        playedWaveformText},
    Row{"osc2", "OSC 2", "OSC 2", nullptr, 0.0f, waveformText, kWaveforms, waveformChoice, Unit::Unitless, kNoPlain,
        playedWaveformText},
    Row{"osc2_volume", "OSC 2 Volume", "OSC 2 Volume", "dB", 0.5f, osc2VolumeText},
    Row{"osc2_octave", "OSC 2 Octave", "OSC 2 Octave", nullptr, 0.0f, octaveText, {}, nullptr, Unit::Unitless, kNoPlain,
        octaveFactorText},
    Row{"attack", "Attack", "Attack", "ms", bits(0x3CF5C28F), integerText<attackDisplayMs, 8, kMs>, {}, nullptr,
        Unit::Milliseconds, linear<attackMs>, integerText<attackMs, 8, kMs>},
    Row{"release", "Release", "Release", "ms", bits(0x3E2AAAAB), integerText<releaseDisplayMs, 8, kMs>,
        {}, nullptr, Unit::Milliseconds, linear<releaseMs>, integerText<releaseMs, 8, kMs>},
    Row{"pitchbend", "Pitchbend", "Pitchbend", "Semitones", 0.0f, bendText},
    Row{"transpose", nullptr, "OSC 2 Transpose", nullptr, 0.0f, nullptr, {}, nullptr, Unit::Unitless, kNoPlain,
        transposeText},
    Row{"low_cut", "Low Cut", "Low Cut", "Hz", bits(0x3E75C28F), integerText<Equaliser::lowCutHz, 5, kNone>, {}, nullptr,
        Unit::Hertz, linear<Equaliser::lowCutHz>, nullptr, nullptr, "Hz"},
    Row{"peak1_freq", "Peak1 Freq", "Peak1 Freq", "Hz", bits(0x3D240106), integerText<Equaliser::peakHz, 5, kNone>, {},
        nullptr, Unit::Hertz, linear<Equaliser::peakHz>},
    Row{"peak1_q", "Peak1 Q", "Peak1 Q", nullptr, bits(0x3E800DA9), floatText<Equaliser::peakQ, 4>, {}, nullptr,
        Unit::Unitless, linear<Equaliser::peakQ>},
    Row{"peak1_gain", "Peak1 Gain", "Peak1 Gain", "dB", 0.5f, floatText<Equaliser::peakGainDb, 5>, {}, nullptr,
        Unit::Decibels, linear<Equaliser::peakGainDb>},
    Row{"peak2_freq", "Peak2 Freq", "Peak2 Freq", "Hz", bits(0x3DCD0148), integerText<Equaliser::peakHz, 5, kNone>, {},
        nullptr, Unit::Hertz, linear<Equaliser::peakHz>},
    Row{"peak2_q", "Peak2 Q", "Peak2 Q", nullptr, bits(0x3E800DA9), floatText<Equaliser::peakQ, 4>, {}, nullptr,
        Unit::Unitless, linear<Equaliser::peakQ>},
    Row{"peak2_gain", "Peak2 Gain", "Peak2 Gain", "dB", 0.5f, floatText<Equaliser::peakGainDb, 5>, {}, nullptr,
        Unit::Decibels, linear<Equaliser::peakGainDb>},
    Row{"high_cut", "High Cut", "High Cut", "Hz", bits(0x3F19C0F6), integerText<highCutDisplayHz, 5, kNone>, {}, nullptr,
        Unit::Hertz, linear<Equaliser::highCutHz>, integerText<Equaliser::highCutHz, 5, kNone>, nullptr, "Hz"},
    Row{"carrier_volume", "Carrier Volume", "Carrier Volume", "dB", 1.0f, gainText<4, kDb>, {}, nullptr, Unit::Unitless,
        kNoPlain, nullptr, gainSetting},
    Row{"audio_limiter", "Audio Limiter", "Audio Limiter", "dB", 0.5f, integerText<params::thresholdDb, 4, kDb>, {},
        nullptr, Unit::Decibels, linear<params::thresholdDb>, nullptr, params::thresholdDb},
    Row{"audio_gain", "Audio Gain", "Audio Gain", "dB", 1.0f, gainText<4, kDbTight>, {}, nullptr, Unit::Unitless,
        kNoPlain, nullptr, gainSetting},
    Row{"vocoder_ratio", "Vocoder Ratio", "Vocoder Ratio", nullptr, 0.5f, floatText<normalisedRatio, 4>, {}, nullptr,
        Unit::Unitless, linear<params::ratio>, exactFloatText<params::ratio, 4>, params::ratio},
    Row{"vocoder_threshold", "Vocoder Threshold", "Vocoder Threshold", "dB", 0.5f,
        integerText<params::thresholdDb, 4, kDb>, {}, nullptr, Unit::Decibels, linear<params::thresholdDb>, nullptr,
        params::thresholdDb},
    Row{"vocoder_attack", "Vocoder Attack", "Vocoder Attack", "ms", 0.5f, integerText<params::attackMs, 4, kMs>, {},
        nullptr, Unit::Milliseconds, linear<params::attackMs>, nullptr, params::attackMs},
    Row{"vocoder_release", "Vocoder Release", "Vocoder Release", "ms", 0.5f, integerText<params::releaseMs, 4, kMs>, {},
        nullptr, Unit::Milliseconds, linear<params::releaseMs>, nullptr, params::releaseMs},
    Row{"vocoder_gain", "Vocoder Gain", "Vocoder Gain", "dB", bits(0x3F28F5C3), gainText<4, kDb>, {}, nullptr,
        Unit::Unitless, kNoPlain, nullptr, gainSetting},
    Row{"mode", "Mode", "Mode", nullptr, 0.0f, modeText, kModes, modeChoice, Unit::Unitless, kNoPlain, nullptr,
        modeSetting},
    Row{"carrier", "Carrier", "Carrier", nullptr, 0.0f, carrierText, kCarriers, carrierChoice},
    Row{"fft_size", "FFT SIZE", "FFT SIZE", "samples", bits(0x3F2AAAAB), fftText, kFftSizes, fftChoice},
    Row{"hop_size", "HOP SIZE", "HOP SIZE", "samples", 1.0f, hopText, kHopSizes, hopChoice},
    // Only in the formats we design; their texts are the same in both dialects.
    Row{"engine", "Engine", "Engine", nullptr, 0.0f, choiceText<kEngines, engineChoice>, kEngines, engineChoice},
    Row{"bands", "Bands", "Bands", nullptr, 54.0f / 70.0f, integerText<bandCount, 8, kNone>, {}, nullptr,
        Unit::Unitless, linear<bandCount>},
    Row{"flatten", "Flatten", "Flatten", "%", 1.0f, integerText<params::percent, 8, kPercent>, {}, nullptr,
        Unit::Percent, linear<params::percent>},
    Row{"formant", "Formant", "Formant", "st", 0.5f, semitonesText, {}, nullptr, Unit::Semitones,
        linear<params::formantSemitones>},
    Row{"sibilance", "Sibilance", "Sibilance", "%", 0.5f, integerText<params::percent, 8, kPercent>, {}, nullptr,
        Unit::Percent, linear<params::percent>},
    Row{"freeze", "Freeze", "Freeze", nullptr, 0.0f, choiceText<kSwitch, switchChoice>, kSwitch, switchChoice},
    Row{"mix", "Mix", "Mix", "%", 1.0f, integerText<params::percent, 8, kPercent>, {}, nullptr, Unit::Percent,
        linear<params::percent>},
    Row{"width", "Width", "Width", "%", 0.0f, integerText<params::percent, 8, kPercent>, {}, nullptr,
        Unit::Percent, linear<params::percent>},
}};

DisplayState displayStateOf(std::span<const float, kNumParameters> values)
{
    const SpectralPair sizes = spectralsizes::pairFor(values[kFftSize], values[kHopSize]);
    return {synth::bendRangeSemitones(values[kPitchbend]), params::mode(values[kMode]), params::carrier(values[kCarrier]),
            sizes.fftSize, sizes.hopSize};
}

float normalisedForTyped(std::int32_t index, double plain)
{
    if (index < 0 || index >= kNumParameters || !std::isfinite(plain))
        return -1.0f;
    const ParameterSpec& p = kParameterTable[static_cast<size_t>(index)];
    if (!p.plain || !p.normalised)
        return -1.0f;
    const double low = std::min(p.plain(0.0f), p.plain(1.0f)), high = std::max(p.plain(0.0f), p.plain(1.0f));
    if (plain < low || plain > high)
        return -1.0f;
    // Displays cut their digits towards zero: a value that lands just inside
    // the typed number would show the next one down, so it is moved outward
    // by float steps until its own display reads the typed number.
    float x = p.normalised(plain);
    const bool rising = p.plain(1.0f) > p.plain(0.0f);
    const float outward = (plain >= 0.0) == rising ? 1.0f : 0.0f;
    const auto shown = [index](float v) {
        char display[256] = {};
        formatParameterDisplay(index, v, DisplayState{}, display, Dialect::extended);
        return std::strtod(display, nullptr);
    };
    for (int step = 0; step < 64 && std::fabs(shown(x)) < std::fabs(plain) && x != outward; ++step)
        x = std::nextafter(x, outward);
    return x;
}

void formatParameterDisplay(std::int32_t index, float x, const DisplayState& state, char* text, Dialect dialect)
{
    if (index < 0 || index >= kNumParameters)
        return;
    const ParameterSpec& spec = kParameterTable[static_cast<size_t>(index)];
    const DisplayFormat format = dialect == Dialect::extended && spec.extendedFormat ? spec.extendedFormat : spec.format;
    if (format)
        format(x, state, text);
}
