// The plug-in's saved state: the 28 normalised values and the program name
// in a small versioned format of our own,
//   "VOCS", version (uint32), count (uint32), count × float32, name length
//   (uint32), the name's bytes
// all little-endian. Decoding takes nothing that is not exactly that.
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clapstate {

inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kMaxNameLength = 23;
// The largest encoding, so that a reader can stop at once on anything longer.
inline constexpr std::size_t kMaxSize = 4 + 4 + 4 + 4 * kNumParameters + 4 + kMaxNameLength;

struct Settings {
    std::array<float, kNumParameters> values{};
    std::string name;
};

std::vector<std::uint8_t> encode(const Settings& settings);
// Values outside [0, 1] or not finite, a longer name or one with control
// characters, another version or count, a short or long record: nothing.
std::optional<Settings> decode(const std::vector<std::uint8_t>& bytes);

}  // namespace clapstate
