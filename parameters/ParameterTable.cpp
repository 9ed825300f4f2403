#include "ParameterTable.h"

#include "Normalised.h"
#include "SpectralSizes.h"
#include "TextFormat.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

constexpr ParameterChoice kWaveforms[] = {{"Sine", 0.0f}, {"Sawtooth", 1.0f / 3}, {"Square", 2.0f / 3}, {"White", 1.0f}};
constexpr ParameterChoice kModes[] = {{"Vocoder", 0.0f}, {"Carrier", 0.5f}, {"Audio1", 1.0f}};
constexpr ParameterChoice kCarriers[] = {{"Synth", 0.0f}, {"Audio2", 1.0f}};
constexpr ParameterChoice kFftSizes[] = {{"128", 0.0f}, {"256", 1.0f / 3}, {"512", 2.0f / 3}, {"1024", 1.0f}};
constexpr ParameterChoice kHopSizes[] = {{"32", 0.0f}, {"64", 1.0f / 3}, {"96", 2.0f / 3}, {"128", 1.0f}};
// Live came after Clear: it takes the middle of the range, so that a value
// saved as Clear (1) or as index 1 still selects Clear.
constexpr ParameterChoice kEngines[] = {{"Classic", 0.0f}, {"Clear", 1.0f}, {"Live", 0.5f}};
constexpr ParameterChoice kSwitch[] = {{"Off", 0.0f}, {"On", 1.0f}};
constexpr ParameterChoice kVoiceModes[] = {{"Poly", 0.0f}, {"Mono", 0.5f}, {"Legato", 1.0f}};
constexpr ParameterChoice kScales[] = {{"Free", 0.0f},          {"Chromatic", 1 / 8.0f},        {"Major", 2 / 8.0f},
                                       {"Minor", 3 / 8.0f},     {"Harmonic Minor", 4 / 8.0f},   {"Dorian", 5 / 8.0f},
                                       {"Pentatonic", 6 / 8.0f}, {"Minor Pentatonic", 7 / 8.0f}, {"Blues", 1.0f}};
constexpr ParameterChoice kKeys[] = {{"C", 0.0f},       {"C#", 1 / 11.0f},  {"D", 2 / 11.0f},  {"D#", 3 / 11.0f},
                                     {"E", 4 / 11.0f},  {"F", 5 / 11.0f},   {"F#", 6 / 11.0f}, {"G", 7 / 11.0f},
                                     {"G#", 8 / 11.0f}, {"A", 9 / 11.0f},   {"A#", 10 / 11.0f}, {"B", 1.0f}};
constexpr ParameterChoice kHarmonies[] = {{"None", 0.0f},       {"Third", 1 / 6.0f},       {"Fifth", 2 / 6.0f},
                                          {"Sixth", 3 / 6.0f},  {"Octave", 4 / 6.0f},      {"Octave Down", 5 / 6.0f},
                                          {"Triad", 1.0f}};

// The step of each stepped parameter that the engine takes.
int waveformChoice(float x) { return mapping::waveformIndex(x); }
int modeChoice(float x) { return mapping::mode(x); }
int carrierChoice(float x) { return mapping::carrier(x) == CarrierSource::Synth ? 0 : 1; }
int fftChoice(float x) { return std::countr_zero(static_cast<unsigned>(spectralsizes::fftSizeFor(clampNormalised(x)) / 128)); }
int hopChoice(float x) { return spectralsizes::hopSizeFor(clampNormalised(x)) / 32 - 1; }
int switchChoice(float x) { return mapping::on(x) ? 1 : 0; }
int engineChoice(float x)
{
    const float v = clampNormalised(x);
    return v < 0.25f ? kClassicEngine : v < 0.75f ? kLiveEngine : kClearEngine;
}
int voiceModeChoice(float x) { return std::min(2, static_cast<int>(3.0f * clampNormalised(x))); }
// N choices at i / (N − 1): each inside its N-th of the range.
template <int N>
int stepChoice(float x) { return std::min(N - 1, static_cast<int>(static_cast<float>(N) * clampNormalised(x))); }

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
    formatDecibels(mapping::gain(x), text, Limit);
    std::strcat(text, Unit);
}

constexpr char kNone[] = "";
constexpr char kMs[] = " ms";
constexpr char kCents[] = " cents";
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
    copyText(text, kWaveforms[mapping::waveformIndex(x)].text, 8);
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
    const float factor = mapping::octaveMultiplier(x);
    copyText(text, factor < 1.0f ? "x0.5" : "x", 8);
    if (factor >= 1.0f) {
        char digits[16];
        formatInteger(static_cast<std::int32_t>(factor), digits, 8);
        std::strcat(text, digits);
    }
}

void bendText(float, const DisplayState& state, char* text) { integer(state.bendRange, 8, " 1/2tones", text); }

// No VST 2 text; elsewhere the semitones.
void transposeText(float x, const DisplayState&, char* text) { integer(mapping::transposeSemitones(x), 8, " 1/2tones", text); }

void modeText(float, const DisplayState& state, char* text)
{
    if (state.mode >= 0 && state.mode < static_cast<int>(std::size(kModes)))
        copyText(text, kModes[state.mode].text, 8);
}

void carrierText(float, const DisplayState& state, char* text)
{
    copyText(text, kCarriers[state.carrier == CarrierSource::Synth ? 0 : 1].text, 8);
}

// A choice's text, cut to a VST 2 display's eight characters unless a
// parameter of the formats we design allows more.
template <const ParameterChoice* Choices, int (*Choice)(float), int Limit = 8>
void choiceText(float x, const DisplayState&, char* text)
{
    copyText(text, Choices[Choice(x)].text, Limit);
}

// Semitones cut to tenths, with their sign: "+3.5 st", "0.0 st".
void semitonesText(float x, const DisplayState&, char* text)
{
    const double semitones = mapping::formantSemitones(x);
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

// What plays and its inverse.
struct Mapping {
    double (*plays)(float) = nullptr;
    float (*normalised)(double) = nullptr;
};
template <double (*Plain)(float)>
constexpr Mapping linear{Plain, &mapping::inverse<Plain>};

// One descriptor, by name; the default in the unit that plays (a choice's
// index for stepped parameters with choices).
struct Descriptor {
    const char* symbol;
    const char* name = nullptr;
    const char* title = nullptr;
    const char* label = nullptr;
    const char* editorSuffix = nullptr;
    Unit unit = Unit::Unitless;
    Mapping plays = {};
    bool typed = false;
    std::span<const ParameterChoice> choices = {};
    int (*choiceOf)(float) = nullptr;
    double byDefault = 0.0;
    DisplayFormat format = nullptr;
    DisplayFormat extendedFormat = nullptr;
    Reach reach = Reach::atOnce;
    Formats formats = Formats::all;
    Placement placement = {};
    const char* summary = nullptr;

    constexpr operator ParameterSpec() const
    {
        const bool stepped = !choices.empty();
        const Mapping m = stepped ? Mapping{nullptr, nullptr} : plays;
        const float value = stepped ? choices[static_cast<size_t>(byDefault)].value : m.normalised(byDefault);
        return {symbol, name, title ? title : name, label, editorSuffix, unit, m.plays, m.normalised, typed,
                choices, choiceOf, value, format, extendedFormat, reach, formats, placement, summary};
    }
};

constexpr const char* kEngineFaces[] = {"classic", "live", "clear"};
constexpr const char* kFreezeFaces[] = {"off", "hold"};
constexpr const char* kVoiceModeFaces[] = {"poly", "mono", "legato"};
constexpr const char* kTrackFaces[] = {"off", "track"};

constexpr Placement clearPage(int slot, const char* caption) { return {Page::clear, slot, Control::knob, caption}; }
constexpr Placement clearButton(int slot, const char* caption, std::span<const char* const> faces)
{
    return {Page::clear, slot, Control::button, caption, faces};
}

constexpr Placement playPage(int slot, const char* caption) { return {Page::play, slot, Control::knob, caption}; }
constexpr Placement trackPage(int slot, const char* caption) { return {Page::track, slot, Control::knob, caption}; }

}  // namespace

constinit const std::array<ParameterSpec, kNumParameters> kParameterTable{{
    Descriptor{.symbol = "osc1", .name = "OSC 1", .choices = kWaveforms, .choiceOf = waveformChoice,
               .byDefault = 0, .format = waveformText, .extendedFormat = playedWaveformText,
               .placement = {.control = Control::button},
               .summary = "the first oscillator's waveform"},
    Descriptor{.symbol = "osc2", .name = "OSC 2", .choices = kWaveforms, .choiceOf = waveformChoice,
               .byDefault = 0, .format = waveformText, .extendedFormat = playedWaveformText,
               .placement = {.control = Control::button},
               .summary = "the second oscillator's waveform"},
    Descriptor{.symbol = "osc2_volume", .name = "OSC 2 Volume", .label = "dB", .unit = Unit::Factor,
               .plays = linear<mapping::amplitude>, .byDefault = 0.5, .format = osc2VolumeText,
               .summary = "the second oscillator's level against the first"},
    Descriptor{.symbol = "osc2_octave", .name = "OSC 2 Octave", .unit = Unit::Factor,
               .plays = {mapping::octaveFactor, mapping::octaveNormalised}, .byDefault = 0.5, .format = octaveText,
               .extendedFormat = octaveFactorText, .placement = {.control = Control::button},
               .summary = "the second oscillator's pitch as a factor of the note's (an octave down to three octaves up)"},
    Descriptor{.symbol = "attack", .name = "Attack", .label = "ms", .unit = Unit::Milliseconds,
               .plays = {mapping::attackMs, mapping::attackNormalised}, .typed = true, .byDefault = 7.094899,
               .format = integerText<mapping::attackDisplayMs, 8, kMs>,
               .extendedFormat = integerText<mapping::attackMs, 8, kMs>,
               .summary = "how long a note takes to reach its level"},
    Descriptor{.symbol = "release", .name = "Release", .label = "ms", .unit = Unit::Milliseconds,
               .plays = linear<mapping::releaseMs>, .typed = true, .byDefault = 167.5,
               .format = integerText<mapping::releaseDisplayMs, 8, kMs>,
               .extendedFormat = integerText<mapping::releaseMs, 8, kMs>,
               .summary = "how long a note takes to fade after its key is released"},
    Descriptor{.symbol = "pitchbend", .name = "Pitchbend", .label = "Semitones", .unit = Unit::Semitones,
               .plays = linear<mapping::bendSteps>, .byDefault = 1, .format = bendText,
               .placement = {.control = Control::numbers},
               .summary = "how far the pitch wheel bends the notes"},
    Descriptor{.symbol = "transpose", .title = "OSC 2 Transpose", .unit = Unit::Semitones,
               .plays = linear<mapping::transposeSteps>, .byDefault = 0, .extendedFormat = transposeText,
               .placement = {.control = Control::numbers},
               .summary = "the second oscillator's pitch above its octave, in semitones"},
    Descriptor{.symbol = "low_cut", .name = "Low Cut", .label = "Hz", .editorSuffix = "Hz", .unit = Unit::Hertz,
               .plays = linear<mapping::lowCutHz>, .typed = true, .byDefault = 735.2,
               .format = integerText<mapping::lowCutHz, 5, kNone>, .placement = {.control = Control::verticalSlider},
               .summary = "the corner of the output's low cut"},
    Descriptor{.symbol = "peak1_freq", .name = "Peak1 Freq", .label = "Hz", .unit = Unit::Hertz,
               .plays = linear<mapping::peakHz>, .typed = true, .byDefault = 820,
               .format = integerText<mapping::peakHz, 5, kNone>,
               .summary = "the first peak's centre"},
    Descriptor{.symbol = "peak1_q", .name = "Peak1 Q", .plays = linear<mapping::peakQ>, .typed = true,
               .byDefault = 3.0762402, .format = floatText<mapping::peakQ, 4>,
               .summary = "the first peak's sharpness"},
    Descriptor{.symbol = "peak1_gain", .name = "Peak1 Gain", .label = "dB", .unit = Unit::Decibels,
               .plays = linear<mapping::peakGainDb>, .typed = true, .byDefault = 0,
               .format = floatText<mapping::peakGainDb, 5>,
               .summary = "the first peak's boost or cut"},
    Descriptor{.symbol = "peak2_freq", .name = "Peak2 Freq", .label = "Hz", .unit = Unit::Hertz,
               .plays = linear<mapping::peakHz>, .typed = true, .byDefault = 2020,
               .format = integerText<mapping::peakHz, 5, kNone>,
               .summary = "the second peak's centre"},
    Descriptor{.symbol = "peak2_q", .name = "Peak2 Q", .plays = linear<mapping::peakQ>, .typed = true,
               .byDefault = 3.0762402, .format = floatText<mapping::peakQ, 4>,
               .summary = "the second peak's sharpness"},
    Descriptor{.symbol = "peak2_gain", .name = "Peak2 Gain", .label = "dB", .unit = Unit::Decibels,
               .plays = linear<mapping::peakGainDb>, .typed = true, .byDefault = 0,
               .format = floatText<mapping::peakGainDb, 5>,
               .summary = "the second peak's boost or cut"},
    Descriptor{.symbol = "high_cut", .name = "High Cut", .label = "Hz", .editorSuffix = "Hz", .unit = Unit::Hertz,
               .plays = linear<mapping::highCutHz>, .typed = true, .byDefault = 13609.61,
               .format = integerText<mapping::highCutDisplayHz, 5, kNone>,
               .extendedFormat = integerText<mapping::highCutHz, 5, kNone>,
               .placement = {.control = Control::verticalSlider},
               .summary = "the corner of the output's high cut"},
    Descriptor{.symbol = "carrier_volume", .name = "Carrier Volume", .label = "dB", .unit = Unit::Factor,
               .plays = linear<mapping::gainFactor>, .byDefault = 1.5, .format = gainText<4, kDb>,
               .reach = Reach::ramped,
               .placement = {.control = Control::verticalSlider},
               .summary = "the carrier's level before the vocoder"},
    Descriptor{.symbol = "audio_limiter", .name = "Audio Limiter", .label = "dB", .unit = Unit::Decibels,
               .plays = linear<mapping::thresholdDb>, .typed = true, .byDefault = -20.01,
               .format = integerText<mapping::thresholdDb, 4, kDb>,
               .summary = "the voice limiter's threshold: 0 dB only catches overs, lower values flatten the voice before analysis"},
    Descriptor{.symbol = "audio_gain", .name = "Audio Gain", .label = "dB", .unit = Unit::Factor,
               .plays = linear<mapping::gainFactor>, .byDefault = 1.5, .format = gainText<4, kDbTight>,
               .reach = Reach::ramped,
               .placement = {.control = Control::verticalSlider},
               .summary = "the voice's level after the limiter"},
    Descriptor{.symbol = "vocoder_ratio", .name = "Vocoder Ratio", .plays = linear<mapping::ratio>, .typed = true,
               .byDefault = 0.505, .format = floatText<mapping::normalisedRatio, 4>,
               .extendedFormat = exactFloatText<mapping::ratio, 4>,
               .summary = "the output compressor's slope (1 none, lower compresses harder)"},
    Descriptor{.symbol = "vocoder_threshold", .name = "Vocoder Threshold", .label = "dB", .unit = Unit::Decibels,
               .plays = linear<mapping::thresholdDb>, .typed = true, .byDefault = -20.01,
               .format = integerText<mapping::thresholdDb, 4, kDb>,
               .summary = "where the output compressor starts"},
    Descriptor{.symbol = "vocoder_attack", .name = "Vocoder Attack", .label = "ms", .unit = Unit::Milliseconds,
               .plays = linear<mapping::compressorAttackMs>, .typed = true, .byDefault = 50.5,
               .format = integerText<mapping::compressorAttackMs, 4, kMs>,
               .summary = "how fast the output compressor acts"},
    Descriptor{.symbol = "vocoder_release", .name = "Vocoder Release", .label = "ms", .unit = Unit::Milliseconds,
               .plays = linear<mapping::compressorReleaseMs>, .typed = true, .byDefault = 200.5,
               .format = integerText<mapping::compressorReleaseMs, 4, kMs>,
               .summary = "how fast the output compressor lets go"},
    Descriptor{.symbol = "vocoder_gain", .name = "Vocoder Gain", .label = "dB", .unit = Unit::Factor,
               .plays = linear<mapping::gainFactor>, .byDefault = 0.99, .format = gainText<4, kDb>,
               .reach = Reach::ramped,
               .placement = {.control = Control::horizontalSlider},
               .summary = "the output's level"},
    Descriptor{.symbol = "mode", .name = "Mode", .choices = kModes, .choiceOf = modeChoice, .byDefault = 0,
               .format = modeText, .placement = {.control = Control::button},
               .summary = "Vocoder: the voice shapes the carrier; Carrier: the carrier alone; Audio1: the limited voice alone"},
    Descriptor{.symbol = "carrier", .name = "Carrier", .choices = kCarriers, .choiceOf = carrierChoice,
               .byDefault = 0, .format = carrierText, .placement = {.control = Control::button},
               .summary = "the synthesiser (played by MIDI) or input 2"},
    Descriptor{.symbol = "fft_size", .name = "FFT SIZE", .label = "samples", .choices = kFftSizes,
               .choiceOf = fftChoice, .byDefault = 2, .format = fftText, .placement = {.control = Control::button},
               .summary = "the analysis frame: longer frames give finer frequencies and a longer delay"},
    Descriptor{.symbol = "hop_size", .name = "HOP SIZE", .label = "samples", .choices = kHopSizes,
               .choiceOf = hopChoice, .byDefault = 3, .format = hopText, .placement = {.control = Control::button},
               .summary = "the step between frames: shorter steps follow the voice more closely and cost more"},
    // Only in the formats we design; their texts are the same in both dialects.
    Descriptor{.symbol = "engine", .name = "Engine", .choices = kEngines, .choiceOf = engineChoice, .byDefault = 0,
               .format = choiceText<kEngines, engineChoice>, .formats = Formats::designed,
               .placement = clearButton(0, "engine", kEngineFaces),
               .summary = "Classic (each carrier bin takes the voice bin's level), Clear (band envelopes) or Live (band filters: the voice out in 6 ms, for singing while you hear it)"},
    Descriptor{.symbol = "bands", .name = "Bands", .plays = linear<mapping::bandCount>, .typed = true,
               .byDefault = 64, .format = integerText<mapping::bandCount, 8, kNone>, .reach = Reach::perHop,
               .formats = Formats::designed, .placement = clearPage(1, "bands"),
               .summary = "the resolution of the voice's envelope: 10 is a coarse, classic vocoder, 80 the clearest speech"},
    Descriptor{.symbol = "flatten", .name = "Flatten", .label = "%", .unit = Unit::Percent,
               .plays = linear<mapping::percent>, .typed = true, .byDefault = 100,
               .format = integerText<mapping::percent, 8, kPercent>, .reach = Reach::perHop,
               .formats = Formats::designed, .placement = clearPage(2, "flatten"),
               .summary = "how far the carrier's own envelope is divided out: 0 keeps its tilt (dark), 100 % gives the voice's balance; the carrier's broadband level stays, so notes, envelopes and Carrier Volume act and silence stays silent"},
    Descriptor{.symbol = "formant", .name = "Formant", .label = "st", .unit = Unit::Semitones,
               .plays = linear<mapping::formantSemitones>, .typed = true, .byDefault = 0, .format = semitonesText,
               .reach = Reach::perHop, .formats = Formats::designed, .placement = clearPage(3, "formant"),
               .summary = "moves the voice's envelope down (a larger throat) or up (a smaller one)"},
    Descriptor{.symbol = "sibilance", .name = "Sibilance", .label = "%", .unit = Unit::Percent,
               .plays = linear<mapping::percent>, .typed = true, .byDefault = 50,
               .format = integerText<mapping::percent, 8, kPercent>, .reach = Reach::perHop,
               .formats = Formats::designed, .placement = clearPage(4, "sibilance"),
               .summary = "in noise-like frames of the voice (s, sh, f, t) lets the voice's own band above about 4 kHz through, so consonants read as consonants"},
    Descriptor{.symbol = "freeze", .name = "Freeze", .choices = kSwitch, .choiceOf = switchChoice, .byDefault = 0,
               .format = choiceText<kSwitch, switchChoice>, .reach = Reach::perHop, .formats = Formats::designed,
               .placement = clearButton(5, "freeze", kFreezeFaces),
               .summary = "holds the voice's envelope; the carrier plays on through it"},
    Descriptor{.symbol = "mix", .name = "Mix", .label = "%", .unit = Unit::Percent, .plays = linear<mapping::percent>,
               .typed = true, .byDefault = 100, .format = integerText<mapping::percent, 8, kPercent>,
               .reach = Reach::ramped, .formats = Formats::designed, .placement = clearPage(6, "mix"),
               .summary = "the vocoded signal against the voice itself, delayed by the latency so both line up (0 % is the delayed voice, sample for sample)"},
    Descriptor{.symbol = "width", .name = "Width", .label = "%", .unit = Unit::Percent,
               .plays = linear<mapping::percent>, .typed = true, .byDefault = 0,
               .format = integerText<mapping::percent, 8, kPercent>, .reach = Reach::perHop,
               .formats = Formats::designed, .placement = clearPage(7, "width"),
               .summary = "spreads alternate bands to the left and right outputs; 0 gives both outputs the same signal"},
    Descriptor{.symbol = "velocity", .name = "Velocity", .label = "%", .unit = Unit::Percent,
               .plays = linear<mapping::percent>, .typed = true, .byDefault = 0,
               .format = integerText<mapping::percent, 8, kPercent>, .formats = Formats::designed,
               .placement = playPage(0, "velocity"),
               .summary = "how far a note's velocity sets its level: at 0 the level follows velocity in a straight line, as the VST 2 library's does (a key struck at 32 sounds 12 dB below one at 127); at 100 % velocity squared (24 dB below)"},
    Descriptor{.symbol = "voice_mode", .name = "Voice Mode", .choices = kVoiceModes, .choiceOf = voiceModeChoice,
               .byDefault = 0, .format = choiceText<kVoiceModes, voiceModeChoice>, .formats = Formats::designed,
               .placement = {Page::play, 1, Control::button, "voice", kVoiceModeFaces},
               .summary = "Poly plays sixteen notes; Mono one, the newest key winning and a released key handing back to the last one held, the envelope starting again; Legato the same, the envelope going on while keys overlap"},
    Descriptor{.symbol = "glide", .name = "Glide", .label = "ms", .unit = Unit::Milliseconds,
               .plays = linear<mapping::line<0, 2000>>, .typed = true, .byDefault = 0,
               .format = integerText<mapping::line<0, 2000>, 8, kMs>, .formats = Formats::designed,
               .placement = playPage(2, "glide"),
               .summary = "the time a Mono or Legato note takes to move to the next pitch, whatever the interval"},
    Descriptor{.symbol = "unison", .name = "Unison", .plays = linear<mapping::unisonCount>, .typed = true,
               .byDefault = 1, .format = integerText<mapping::unisonCount, 8, kNone>, .formats = Formats::designed,
               .placement = playPage(3, "unison"),
               .summary = "copies of each oscillator within a note, spread over Detune, from the next note on (the sixteen voices stay sixteen)"},
    Descriptor{.symbol = "detune", .name = "Detune", .label = "cents", .unit = Unit::Cents,
               .plays = linear<mapping::line<0, 50>>, .typed = true, .byDefault = 10,
               .format = integerText<mapping::line<0, 50>, 8, kCents>, .formats = Formats::designed,
               .placement = playPage(4, "detune"),
               .summary = "the spread of the unison copies, from the lowest to the highest"},
    Descriptor{.symbol = "noise", .name = "Noise", .label = "%", .unit = Unit::Percent,
               .plays = linear<mapping::percent>, .typed = true, .byDefault = 0,
               .format = integerText<mapping::percent, 8, kPercent>, .reach = Reach::ramped,
               .formats = Formats::designed, .placement = playPage(5, "noise"),
               .summary = "white noise in each sounding note, following its envelope (at 100 % as loud as a sawtooth): breath and consonants for a carrier with few high harmonics"},
    Descriptor{.symbol = "track", .name = "Track", .choices = kSwitch, .choiceOf = switchChoice, .byDefault = 0,
               .format = choiceText<kSwitch, switchChoice>, .formats = Formats::designed,
               .placement = {Page::track, 0, Control::button, "track", kTrackFaces},
               .summary = "On: the synthesiser plays the pitch the voice sings, a note from when the voice starts singing until it stops; MIDI notes play beside it"},
    Descriptor{.symbol = "scale", .name = "Scale", .choices = kScales, .choiceOf = stepChoice<9>, .byDefault = 1,
               .format = choiceText<kScales, stepChoice<9>, 24>, .formats = Formats::designed,
               .placement = trackPage(1, "scale"),
               .summary = "Free follows the voice's pitch, vibrato and slides included; Chromatic holds the nearest semitone; a scale the nearest of its notes in Key"},
    Descriptor{.symbol = "key", .name = "Key", .choices = kKeys, .choiceOf = stepChoice<12>, .byDefault = 0,
               .format = choiceText<kKeys, stepChoice<12>>, .formats = Formats::designed,
               .placement = trackPage(2, "key"), .summary = "the key of the scale"},
    Descriptor{.symbol = "harmony", .name = "Harmony", .choices = kHarmonies, .choiceOf = stepChoice<7>,
               .byDefault = 0, .format = choiceText<kHarmonies, stepChoice<7>, 24>, .formats = Formats::designed,
               .placement = trackPage(3, "harmony"),
               .summary = "notes added to the tracked one: in a scale the scale's own (a third above E in C major is G), in Chromatic and Free fixed intervals (a third is four semitones)"},
}};

DisplayState displayStateOf(std::span<const float, kNumParameters> values)
{
    const SpectralPair sizes = spectralsizes::pairFor(values[kFftSize], values[kHopSize]);
    return {mapping::bendRangeSemitones(values[kPitchbend]), mapping::mode(values[kMode]),
            mapping::carrier(values[kCarrier]), sizes.fftSize, sizes.hopSize};
}

void formatParameterDisplay(std::int32_t index, float x, const DisplayState& state, char* text, Dialect dialect)
{
    if (index < 0 || index >= kNumParameters)
        return;
    const ParameterSpec& spec = parameter(index);
    const DisplayFormat format = dialect == Dialect::extended && spec.extendedFormat ? spec.extendedFormat : spec.format;
    if (format)
        format(x, state, text);
}

std::string shownText(std::int32_t index, float x)
{
    if (index < 0 || index >= kNumParameters)
        return {};
    const ParameterSpec& p = parameter(index);
    if (!p.choices.empty())
        return p.choices[static_cast<size_t>(p.choiceOf(x))].text;
    std::array<float, kNumParameters> values{};
    values[static_cast<size_t>(index)] = x;
    DisplayState own = displayStateOf(values);
    char display[256] = {};
    formatParameterDisplay(index, x, own, display, Dialect::extended);
    return display;
}

float normalisedForTyped(std::int32_t index, double plain)
{
    if (index < 0 || index >= kNumParameters || !std::isfinite(plain))
        return -1.0f;
    const ParameterSpec& p = parameter(index);
    if (!p.typed)
        return -1.0f;
    const double low = std::min(p.plays(0.0f), p.plays(1.0f)), high = std::max(p.plays(0.0f), p.plays(1.0f));
    if (plain < low || plain > high)
        return -1.0f;
    // Displays cut their digits towards zero: a value that lands just inside
    // the typed number would show the next one down, so it is moved outward
    // by float steps until its own display reads the typed number.
    float x = p.normalised(plain);
    const bool rising = p.plays(1.0f) > p.plays(0.0f);
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

float parseTyped(std::int32_t index, const char* text, bool clamp)
{
    if (!text || index < 0 || index >= kNumParameters)
        return -1.0f;
    while (*text == ' ')
        ++text;
    const ParameterSpec& p = parameter(index);
    for (const ParameterChoice& choice : p.choices)
        if (strcasecmp(text, choice.text) == 0)
            return choice.value;
    if (!p.typed)
        return -1.0f;
    char* end = nullptr;
    const double plain = std::strtod(text, &end);
    if (end == text || !std::isfinite(plain))
        return -1.0f;
    // After the number, nothing but spaces and the parameter's label.
    while (*end == ' ')
        ++end;
    if (*end && !(p.label && strcasecmp(end, p.label) == 0))
        return -1.0f;
    const double low = std::min(p.plays(0.0f), p.plays(1.0f)), high = std::max(p.plays(0.0f), p.plays(1.0f));
    return normalisedForTyped(index, clamp ? std::clamp(plain, low, high) : plain);
}
