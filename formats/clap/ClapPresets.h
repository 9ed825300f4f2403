// The factory presets as CLAP's preset discovery and preset loading see them.
#pragma once

#include "clap_abi.h"

struct FactoryPreset;

const clap_preset_discovery_factory_t* clapPresetDiscovery();
// The preset a host asks to load: inside the plug-in, by its name; null otherwise.
const FactoryPreset* clapPresetToLoad(std::uint32_t kind, const char* location, const char* key);
