// The parameter table: one descriptor per parameter with its index, symbol,
// names, label, default, choices, unit and the value a user reads; the
// conversions of normalised values into the settings they drive; the
// display texts. Every format, the engine and the editor take these from here.
#pragma once

#include <array>
#include <cstdint>
#include <span>

enum ParameterIndex : std::int32_t {
    kOsc1, kOsc2, kOsc2Volume, kOsc2Octave, kAttack, kRelease, kPitchbend, kTranspose,
    kLowCut, kPeak1Freq, kPeak1Q, kPeak1Gain, kPeak2Freq, kPeak2Q, kPeak2Gain, kHighCut,
    kCarrierVolume, kAudioLimiter, kAudioGain, kVocoderRatio, kVocoderThreshold,
    kVocoderAttack, kVocoderRelease, kVocoderGain, kMode, kCarrier, kFftSize, kHopSize,
    // The formats we design only:
    kEngine, kBands, kFlatten, kFormant, kSibilance, kFreeze, kMix, kWidth,
    kNumParameters
};

// The VST 2 library's parameters: the first 28 rows, for ever. Rows added
// later exist only in the formats we design.
inline constexpr std::int32_t kVst2Parameters = 28;
static_assert(kNumParameters >= kVst2Parameters);

// One bit per parameter, for masks of what changed.
using ChangeMask = std::uint64_t;
constexpr ChangeMask changeBit(std::int32_t index) { return ChangeMask{1} << index; }
static_assert(kNumParameters <= 61, "a change mask holds every parameter and a few flags");

enum class CarrierSource { Synth, Audio2 };

// The conventions a format follows. The VST 2 library keeps its own: FFT
// SIZE and HOP SIZE applied in the order they arrive, each mode at its own
// delay. The formats we design (LV2, CLAP, the standalone program) take the
// sizes as a pair, whatever order a host sets them in, and delay every mode
// to the vocoded voice's latency, so a mode change never moves it.
enum class Dialect { vst2, extended };

// One choice of a stepped parameter: its display text and the normalised
// value that selects it (inside its step, where the sound and the text agree).
struct ParameterChoice {
    const char* text;
    float value;
};

// What the value a user reads is measured in.
enum class ParameterUnit { Unitless, Hertz, Decibels, Milliseconds, Percent, Semitones };

struct DisplayState;

// Writes a parameter's display text for the normalised value x (in [0, 1]).
using DisplayFormat = void (*)(float x, const DisplayState& state, char* text);

struct ParameterSpec {
    const char* symbol;  // lower case and unique, for formats that need one
    const char* name;    // the effect record's name; nullptr: left untouched
    const char* title;   // a name for formats that require one
    const char* label;   // nullptr: the label text is left untouched
    const char* editorSuffix;  // after the display text in the editor's value display, or nullptr
    float defaultValue;
    std::span<const ParameterChoice> choices;  // empty for continuous parameters
    // The choice the engine takes for a normalised value (stepped parameters).
    int (*choiceOf)(float x);
    ParameterUnit unit;
    // What plays, in `unit`, for continuous parameters where that is a
    // monotonic function of the normalised value x; nullptr elsewhere. The
    // formats we design show, take and type this value.
    double (*plain)(float x);
    // Its inverse, clamped to [0, 1]; plain(0) and plain(1) map back exactly.
    float (*normalised)(double plain);
    // The VST 2 display text; nullptr: the text is left untouched.
    DisplayFormat format;
    // The text in the formats we design, where the VST 2 text does not say
    // what plays; nullptr: the VST 2 text.
    DisplayFormat extendedFormat;
    // The value the engine applies, for parameters it takes converted
    // (gains, the compressor's and limiter's settings, mode); nullptr: the
    // normalised value itself.
    double (*setting)(float x);
};

extern const std::array<ParameterSpec, kNumParameters> kParameterTable;

// Conversions shared by the settings and their display texts; x in [0, 1].
namespace params {
inline float gain(float x) { return static_cast<float>(1.5 * x); }  // 16, 18, 23
inline double thresholdDb(float x) { return 40.0 * x - 40.0 - 0.01; }  // 17, 20
inline double ratio(float x) { return 0.99 * x + 0.01; }            // 19
inline double attackMs(float x) { return 99.0 * x + 1.0; }          // 21
inline double releaseMs(float x) { return 399.0 * x + 1.0; }        // 22
inline int mode(float x) { return static_cast<int>(2.99 * x); }     // 24: 0 to 2
inline CarrierSource carrier(float x) { return x < 0.5f ? CarrierSource::Synth : CarrierSource::Audio2; }
inline bool clearEngine(float x) { return x >= 0.5f; }                 // Engine: Classic or Clear
inline int bands(float x) { return 10 + static_cast<int>(70.0f * x + 0.5f); }  // 10 to 80
inline double fraction(float x) { return x; }                           // Flatten, Sibilance, Mix, Width
inline double percent(float x) { return 100.0 * x; }
inline double formantSemitones(float x) { return 24.0 * x - 12.0; }    // -12 to +12
inline bool on(float x) { return x >= 0.5f; }                           // Freeze
}  // namespace params

// What the display texts need beyond the normalised value.
struct DisplayState {
    int bendRange;
    int mode;
    CarrierSource carrier;
    int fftSize;
    int hopSize;
};

// The display state the values select, `values` holding every parameter.
DisplayState displayStateOf(std::span<const float, kNumParameters> values);

// Writes the display text of parameter `index` for the normalised value x
// in the given dialect. Leaves the text untouched where a parameter has
// none and for indices outside the table.
void formatParameterDisplay(std::int32_t index, float x, const DisplayState& state, char* text,
                            Dialect dialect = Dialect::vst2);

// The normalised value for a typed value of what plays (Hz, dB, ms, …) of a
// parameter that has one, so that the display of the formats we design
// shows the typed number again; -1 for the others and for values beyond
// the range.
float normalisedForTyped(std::int32_t index, double plain);
