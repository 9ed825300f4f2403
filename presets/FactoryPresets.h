// The factory presets: named sets of the 28 normalised parameter values,
// in parameter index order. The program files in presets/ are written from
// this table (./run presets).
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <span>
#include <string_view>

struct FactoryPreset {
    const char* name;         // at most 23 characters, a program name's limit
    const char* description;  // one line: what it is for and how to play it
    std::array<float, kNumParameters> values;
};

std::span<const FactoryPreset> factoryPresets();

// The preset of that name, compared without case; nullptr when none.
const FactoryPreset* findFactoryPreset(std::string_view name);
