// The factory presets: named sets of the VST 2 library's 28 normalised
// parameter values, in parameter index order, and values of parameters
// added after them (the Clear engine's), which otherwise take their
// defaults. Presets with such values play only in the formats we design. The program files in presets/ are written from this
// table (./run presets).
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <span>
#include <string_view>

// A value of a parameter after the first 28.
struct PresetValue {
    std::int32_t index;
    float value;
};

struct FactoryPreset {
    const char* name;         // at most 23 characters, a program name's limit
    const char* description;  // one line: what it is for and how to play it
    std::array<float, kVst2Parameters> values;
    std::span<const PresetValue> later = {};

    // Every parameter's value: the 28, then those given in `later`, the
    // defaults for the rest.
    std::array<float, kNumParameters> allValues() const
    {
        std::array<float, kNumParameters> all{};
        for (std::int32_t i = 0; i < kNumParameters; ++i)
            all[static_cast<size_t>(i)] =
                i < kVst2Parameters ? values[static_cast<size_t>(i)] : kParameterTable[static_cast<size_t>(i)].defaultValue;
        for (const PresetValue& v : later)
            if (v.index >= kVst2Parameters && v.index < kNumParameters)
                all[static_cast<size_t>(v.index)] = v.value;
        return all;
    }
};

std::span<const FactoryPreset> factoryPresets();

// The preset of that name, compared without case; nullptr when none.
const FactoryPreset* findFactoryPreset(std::string_view name);
