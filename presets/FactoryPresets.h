// The factory presets: named settings over a new instance's, each in the
// unit that plays, taken into normalised values through the parameter
// table. Presets that set a parameter only the formats we design have play
// only there. The program files in presets/ are written from this table
// (./run presets).
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <span>
#include <string_view>

// One setting: a value in the parameter's unit (Hz, dB, ms, …), or a
// choice by its text.
struct PresetSetting {
    std::int32_t index = -1;  // -1: no setting
    double plays = 0.0;
    const char* choice = nullptr;
    constexpr PresetSetting() = default;
    constexpr PresetSetting(std::int32_t i, double value) : index(i), plays(value) {}
    constexpr PresetSetting(std::int32_t i, const char* text) : index(i), choice(text) {}
};

struct FactoryPreset {
    const char* name;         // at most 23 characters, a program name's limit
    const char* description;  // one line: what it is for and how to play it
    std::array<PresetSetting, 32> settings;  // in any order, up to the first without an index

    // Every parameter's normalised value: the defaults, then the settings.
    std::array<float, kNumParameters> allValues() const;
    // Whether it sets a parameter the VST 2 library does not have.
    bool designedOnly() const;
};

std::span<const FactoryPreset> factoryPresets();

// The preset of that name, compared without case; nullptr when none.
const FactoryPreset* findFactoryPreset(std::string_view name);
