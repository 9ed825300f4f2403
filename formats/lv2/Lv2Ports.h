// The plug-in's LV2 ports and how a parameter's port value maps to its
// normalised value: choices as integer indices, continuous parameters with
// a plain value (Hz, dB, ms, ratio) as that value, the others normalised.
// Shared by the DSP library, the UI library and the Turtle generator. On
// kBandLevels the plug-in sends, about 30 times a second, one atom:Vector of
// atom:Float: the voice's band levels, then the output's, in dB, then the
// tuner's reading (the sung pitch and the held note as MIDI numbers; a held
// note of 0 when there is nothing to show).
#pragma once

#include "parameters/ParameterTable.h"

#include "parameters/Identity.h"

#include <cstdint>

namespace lv2ports {

inline constexpr const char* kPluginUri = identity::kLv2Uri;
inline constexpr const char* kUiUri = identity::kLv2UiUri;

enum Port : std::uint32_t {
    kModulator,
    kCarrierInput,
    kOutLeft,
    kOutRight,
    kMidiIn,
    kLatency,
    kFirstParameter,
    // The band display's levels for the UI, after the parameters: a
    // parameter added later moves this port, never a parameter's.
    kBandLevels = kFirstParameter + kNumParameters,
    kPortCount
};
// The values after the band levels in that vector: sung pitch, held note.
inline constexpr std::uint32_t kTunerValues = 2;

constexpr bool isParameterPort(std::uint32_t port) { return port >= kFirstParameter && port < kBandLevels; }

constexpr std::uint32_t portOf(std::int32_t parameter) { return kFirstParameter + static_cast<std::uint32_t>(parameter); }

enum class Kind { choice, plain, normalised };
Kind kindOf(std::int32_t parameter);

// The port value for a normalised value, and back. A port value outside
// the range, or not a number, is taken as the nearest end (NaN as the lower).
float portValue(std::int32_t parameter, float normalised);
float normalisedValue(std::int32_t parameter, float portValue);

// The port's lower and upper bounds and default, as port values.
float portMinimum(std::int32_t parameter);
float portMaximum(std::int32_t parameter);
float portDefault(std::int32_t parameter);

}  // namespace lv2ports
