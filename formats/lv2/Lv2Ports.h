// The plug-in's LV2 ports and how a parameter's port value maps to its
// normalised value: choices as integer indices, continuous parameters with
// a plain value (Hz, dB, ms, ratio) as that value, the others normalised.
// Shared by the DSP library, the UI library and the Turtle generator.
#pragma once

#include "parameters/ParameterTable.h"

#include <cstdint>

namespace lv2ports {

inline constexpr const char* kPluginUri = "urn:velmora:vocoder";
inline constexpr const char* kUiUri = "urn:velmora:vocoder#ui";

enum Port : std::uint32_t {
    kModulator,
    kCarrierInput,
    kOutLeft,
    kOutRight,
    kMidiIn,
    kLatency,
    kFirstParameter,
    kPortCount = kFirstParameter + kNumParameters
};

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
