// The parameter table: one descriptor per parameter, built by name, with
// everything every format, the engine, the editor, the artwork generator and
// the documents take from it: symbol, names, unit, what plays and its range,
// the default in that unit, the choices, the display texts and the typed-text
// rule, how the engine reaches a new value, which formats have it and where
// the editor shows it.
#pragma once

#include "Mappings.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

enum ParameterIndex : std::int32_t {
    kOsc1, kOsc2, kOsc2Volume, kOsc2Octave, kAttack, kRelease, kPitchbend, kTranspose,
    kLowCut, kPeak1Freq, kPeak1Q, kPeak1Gain, kPeak2Freq, kPeak2Q, kPeak2Gain, kHighCut,
    kCarrierVolume, kAudioLimiter, kAudioGain, kVocoderRatio, kVocoderThreshold,
    kVocoderAttack, kVocoderRelease, kVocoderGain, kMode, kCarrier, kFftSize, kHopSize,
    // The formats we design only:
    kEngine, kBands, kFlatten, kFormant, kSibilance, kFreeze, kMix, kWidth,
    kVelocity, kVoiceMode, kGlide, kUnison, kDetune, kNoise,
    kTrack, kScale, kKey, kHarmony,
    kNumParameters
};

// The Engine parameter's choices, as they play.
enum EngineChoice : int { kClassicEngine = 0, kClearEngine = 1, kLiveEngine = 2 };

// The VST 2 library's parameters: the first 28 rows, for ever. Rows added
// later exist only in the formats we design.
inline constexpr std::int32_t kVst2Parameters = 28;
static_assert(kNumParameters >= kVst2Parameters);

// One bit per parameter, for masks of what changed.
using ChangeMask = std::uint64_t;
constexpr ChangeMask changeBit(std::int32_t index) { return ChangeMask{1} << index; }
static_assert(kNumParameters <= 61, "a change mask holds every parameter and a few flags");

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

// What the value that plays is measured in.
enum class ParameterUnit { Unitless, Hertz, Decibels, Milliseconds, Percent, Semitones, Cents, Factor };

// How the engine reaches a new value: at the start of the next block; in a
// ramp from there (the gains, in the formats we design); or at the next hop
// of the spectral engine (the Clear engine's settings).
enum class Reach { atOnce, ramped, perHop };

// Which formats have a parameter: every one (the VST 2 library's 28), or
// only the formats we design.
enum class Formats { all, designed };

// Where the editor shows a parameter: on the first panel, which every format
// shows and whose places are fixed, or in a column of a page below it (in
// the formats we design), each page with a tab of its title.
enum class Page { first, clear, play, track };
inline constexpr const char* kPageTitles[] = {nullptr, "CLEAR", "PLAY", "TRACK"};
inline constexpr int kPages = static_cast<int>(std::size(kPageTitles)) - 1;  // the pages below the first panel
inline constexpr int pageNumber(Page page) { return static_cast<int>(page) - 1; }  // 0 for the first with a tab
enum class Control { knob, button, verticalSlider, horizontalSlider, numbers };
struct Placement {
    Page page = Page::first;
    int slot = 0;                       // a page's column, 0 to 7
    Control control = Control::knob;
    const char* caption = nullptr;      // above the control on a page
    std::span<const char* const> buttonLabels = {};  // a button's faces, one a choice, in the order of their values
};

struct DisplayState;

// Writes a parameter's display text for the normalised value x (in [0, 1]).
using DisplayFormat = void (*)(float x, const DisplayState& state, char* text);

struct ParameterSpec {
    const char* symbol;  // lower case and unique, never renamed (sessions and states are keyed by it)
    const char* name;    // the effect record's name; nullptr: left untouched
    const char* title;   // the name every other format shows
    const char* label;   // the unit's text; nullptr: the label text is left untouched
    const char* editorSuffix;  // after the display text in the editor's value display, or nullptr
    ParameterUnit unit;
    // What plays for a normalised value x, in `unit` (a choice's index for
    // stepped parameters), and its inverse, clamped to [0, 1], exact at both
    // ends. The engine takes this value.
    double (*plays)(float x);
    float (*normalised)(double plain);
    // The formats we design show, take and type what plays (LV2 ports in
    // the unit, CLAP texts, --set); the others cross as normalised values.
    bool typed;
    std::span<const ParameterChoice> choices;  // empty for continuous parameters
    // The choice the engine takes for a normalised value (stepped parameters).
    int (*choiceOf)(float x);
    float defaultValue;  // normalised, from the default given in the unit
    // The VST 2 display text; nullptr: the text is left untouched.
    DisplayFormat format;
    // The text in the formats we design, where the VST 2 text does not say
    // what plays; nullptr: the VST 2 text.
    DisplayFormat extendedFormat;
    Reach reach;
    Formats formats;
    Placement placement;
    const char* summary;  // what it does, for the documents
};

extern const std::array<ParameterSpec, kNumParameters> kParameterTable;

inline const ParameterSpec& parameter(std::int32_t index) { return kParameterTable[static_cast<size_t>(index)]; }

// What plays for the normalised value x: a choice's index, or the value in
// the parameter's unit. The engine applies this.
inline double played(std::int32_t index, float x)
{
    const ParameterSpec& p = parameter(index);
    return p.choiceOf ? p.choiceOf(x) : p.plays(x);
}

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

// The text the formats we design show for a parameter at x, on its own: a
// choice's text, else the display with the state x itself selects.
std::string shownText(std::int32_t index, float x);

// The normalised value for a typed value of what plays (Hz, dB, ms, …) of a
// typed parameter, so that the display of the formats we design shows the
// typed number again; -1 for the others and for values beyond the range.
float normalisedForTyped(std::int32_t index, double plain);

// The typed-text rule every format and host shares: a choice's text (any
// case), or for a typed parameter a number in its unit, optionally followed
// by its label ("Formant=-4", "80 %", "Clear"). Numbers beyond the range
// take the nearest end when `clamp`, else are refused. -1 when refused.
float parseTyped(std::int32_t index, const char* text, bool clamp);
