// The factory presets: named sets of the VST 2 library's 28 normalised
// parameter values, in parameter index order; parameters added after them
// take their defaults. The program files in presets/ are written from this
// table (./run presets).
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <span>
#include <string_view>

struct FactoryPreset {
    const char* name;         // at most 23 characters, a program name's limit
    const char* description;  // one line: what it is for and how to play it
    std::array<float, kVst2Parameters> values;

    // Every parameter's value: the 28, then the defaults of any added since.
    std::array<float, kNumParameters> allValues() const
    {
        std::array<float, kNumParameters> all{};
        for (std::int32_t i = 0; i < kNumParameters; ++i)
            all[static_cast<size_t>(i)] =
                i < kVst2Parameters ? values[static_cast<size_t>(i)] : kParameterTable[static_cast<size_t>(i)].defaultValue;
        return all;
    }
};

std::span<const FactoryPreset> factoryPresets();

// The preset of that name, compared without case; nullptr when none.
const FactoryPreset* findFactoryPreset(std::string_view name);
