// Who the plug-in is, whatever the format.
#pragma once

#include <cstdint>

// The VST 2 plug-in's unique id ('Qzt'), which program files carry too.
inline constexpr std::int32_t kVocoderUniqueId = 0x00517A74;
// The version program files carry.
inline constexpr std::int32_t kVocoderVersion = 1;
