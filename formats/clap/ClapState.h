// The plug-in's saved state, in a small versioned format of our own, all
// little-endian:
//   "VOCS", version (uint32), count (uint32), then per parameter its symbol's
//   length (uint8), the symbol's bytes and its normalised value (float32);
//   then the name's length (uint32) and the name's bytes.
// Values are keyed by symbol, so a parameter added later is simply absent
// from older states (and takes its default), and one this version does not
// know is skipped. Later versions keep this layout and may add after the
// name. Version 1 held exactly 28 values in index order, without symbols.
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clapstate {

inline constexpr std::uint32_t kVersion = 2;
inline constexpr std::size_t kMaxNameLength = 23;
inline constexpr std::size_t kMaxSymbolLength = 63;
inline constexpr std::uint32_t kMaxCount = 1024;
// The largest state read, so that a reader can stop at once on anything longer.
inline constexpr std::size_t kMaxSize = 12 + kMaxCount * (1 + kMaxSymbolLength + 4) + 4 + kMaxNameLength + 4096;

struct Settings {
    std::array<float, kNumParameters> values{};
    std::string name;
};

struct Decoded {
    Settings settings;                 // every parameter: from the state, or its default
    std::vector<std::string> ignored;  // what the state holds that this version does not know
};

std::vector<std::uint8_t> encode(const Settings& settings);
// Values outside [0, 1] or not finite, a symbol given twice, a longer name
// or one with control characters, a short record, another magic or version
// 0: nothing. Unknown symbols and bytes after the name of a later version
// are skipped and listed in `ignored`.
std::optional<Decoded> decode(const std::vector<std::uint8_t>& bytes);

}  // namespace clapstate
