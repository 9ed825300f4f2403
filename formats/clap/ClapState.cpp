#include "ClapState.h"

#include <cmath>
#include <cstring>

namespace clapstate {

namespace {

constexpr char kMagic[4] = {'V', 'O', 'C', 'S'};

void put(std::vector<std::uint8_t>& out, std::uint32_t word)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(word >> shift));
}

std::uint32_t get(const std::uint8_t* in)
{
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

}  // namespace

std::vector<std::uint8_t> encode(const Settings& settings)
{
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    put(out, kVersion);
    put(out, kNumParameters);
    for (const float value : settings.values) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        put(out, bits);
    }
    const std::size_t length = std::min(settings.name.size(), kMaxNameLength);
    put(out, static_cast<std::uint32_t>(length));
    out.insert(out.end(), settings.name.begin(), settings.name.begin() + static_cast<std::ptrdiff_t>(length));
    return out;
}

std::optional<Settings> decode(const std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t kFixed = kMaxSize - kMaxNameLength;
    if (bytes.size() < kFixed || bytes.size() > kMaxSize || std::memcmp(bytes.data(), kMagic, 4) != 0 ||
        get(&bytes[4]) != kVersion || get(&bytes[8]) != kNumParameters)
        return std::nullopt;
    Settings settings;
    for (std::size_t i = 0; i < kNumParameters; ++i) {
        const std::uint32_t bits = get(&bytes[12 + 4 * i]);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!(value >= 0.0f && value <= 1.0f))
            return std::nullopt;
        settings.values[i] = value;
    }
    const std::uint32_t length = get(&bytes[kFixed - 4]);
    if (bytes.size() != kFixed + length)
        return std::nullopt;
    for (std::size_t i = kFixed; i < bytes.size(); ++i) {
        if (bytes[i] < 0x20 || bytes[i] == 0x7F)
            return std::nullopt;
        settings.name.push_back(static_cast<char>(bytes[i]));
    }
    return settings;
}

}  // namespace clapstate
