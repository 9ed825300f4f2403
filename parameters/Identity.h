// Who the plug-in is, whatever the format: its name, its maker, its version
// (the project's, from the build) and the ids hosts and files know it by.
#pragma once

#include <cstdint>

#ifndef VOCODER_VERSION
#error "VOCODER_VERSION, VOCODER_VERSION_MAJOR, _MINOR and _PATCH come from the build"
#endif

namespace identity {

inline constexpr const char* kName = "Vocoder";
inline constexpr const char* kVendor = "Velmora";
inline constexpr const char* kVersion = VOCODER_VERSION;
inline constexpr int kMajor = VOCODER_VERSION_MAJOR, kMinor = VOCODER_VERSION_MINOR, kPatch = VOCODER_VERSION_PATCH;
// The VST 2 vendor version: major × 1000 + minor × 100 + patch (1.3.0 is 1300).
inline constexpr std::int32_t kVendorVersion = kMajor * 1000 + kMinor * 100 + kPatch;
inline constexpr const char* kClapId = "com.velmora.vocoder";
inline constexpr const char* kLv2Uri = "urn:velmora:vocoder";
inline constexpr const char* kLv2UiUri = "urn:velmora:vocoder#ui";

}  // namespace identity

// The VST 2 plug-in's unique id ('Qzt'), which program files carry too.
inline constexpr std::int32_t kVocoderUniqueId = 0x00517A74;
// The version program files carry: their format's, not the project's.
inline constexpr std::int32_t kVocoderVersion = 1;
