#include "ClapState.h"

#include <cmath>
#include <cstring>

namespace clapstate {

namespace {

constexpr char kMagic[4] = {'V', 'O', 'C', 'S'};
constexpr std::uint32_t kFirstVersionCount = 28;

void put(std::vector<std::uint8_t>& out, std::uint32_t word)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(word >> shift));
}

// Reads through the bytes; every read past the end fails the whole decode.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool word(std::uint32_t& out)
    {
        if (left() < 4)
            return false;
        const std::uint8_t* in = bytes_.data() + at_;
        out = static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
              static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
        at_ += 4;
        return true;
    }
    bool value(float& out)
    {
        std::uint32_t bits;
        if (!word(bits))
            return false;
        std::memcpy(&out, &bits, sizeof out);
        return out >= 0.0f && out <= 1.0f;
    }
    bool byte(std::uint8_t& out)
    {
        if (left() < 1)
            return false;
        out = bytes_[at_++];
        return true;
    }
    bool text(std::size_t length, std::string& out)
    {
        if (left() < length)
            return false;
        out.assign(reinterpret_cast<const char*>(bytes_.data() + at_), length);
        at_ += length;
        return true;
    }
    std::size_t left() const { return bytes_.size() - at_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

int indexOf(const std::string& symbol)
{
    for (int i = 0; i < kNumParameters; ++i)
        if (symbol == kParameterTable[static_cast<size_t>(i)].symbol)
            return i;
    return -1;
}

bool printable(const std::string& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

}  // namespace

std::vector<std::uint8_t> encode(const Settings& settings)
{
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    put(out, kVersion);
    put(out, kNumParameters);
    for (int i = 0; i < kNumParameters; ++i) {
        const char* symbol = kParameterTable[static_cast<size_t>(i)].symbol;
        const auto length = static_cast<std::uint8_t>(std::strlen(symbol));
        out.push_back(length);
        out.insert(out.end(), symbol, symbol + length);
        std::uint32_t bits;
        std::memcpy(&bits, &settings.values[static_cast<size_t>(i)], sizeof bits);
        put(out, bits);
    }
    const std::size_t length = std::min(settings.name.size(), kMaxNameLength);
    put(out, static_cast<std::uint32_t>(length));
    out.insert(out.end(), settings.name.begin(), settings.name.begin() + static_cast<std::ptrdiff_t>(length));
    return out;
}

std::optional<Decoded> decode(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() < 12 || bytes.size() > kMaxSize || std::memcmp(bytes.data(), kMagic, 4) != 0)
        return std::nullopt;
    Reader in(bytes);
    std::string magic;
    std::uint32_t version = 0, count = 0;
    in.text(4, magic);
    if (!in.word(version) || !in.word(count) || version == 0 || count > kMaxCount)
        return std::nullopt;
    if (version == 1 && count != kFirstVersionCount)
        return std::nullopt;

    Decoded decoded;
    for (int i = 0; i < kNumParameters; ++i)
        decoded.settings.values[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
    std::array<bool, kNumParameters> seen{};
    for (std::uint32_t n = 0; n < count; ++n) {
        int index = static_cast<int>(n);  // version 1: index order
        std::string symbol;
        if (version >= 2) {
            std::uint8_t length = 0;
            if (!in.byte(length) || length == 0 || length > kMaxSymbolLength || !in.text(length, symbol))
                return std::nullopt;
            index = indexOf(symbol);
        }
        float value;
        if (!in.value(value))
            return std::nullopt;
        if (index < 0) {
            if (!printable(symbol))
                return std::nullopt;
            decoded.ignored.push_back(symbol);
            continue;
        }
        if (seen[static_cast<size_t>(index)])
            return std::nullopt;
        seen[static_cast<size_t>(index)] = true;
        decoded.settings.values[static_cast<size_t>(index)] = value;
    }
    std::uint32_t length = 0;
    if (!in.word(length) || length > kMaxNameLength || !in.text(length, decoded.settings.name) ||
        !printable(decoded.settings.name))
        return std::nullopt;
    if (in.left() > 0) {
        if (version <= kVersion)
            return std::nullopt;
        decoded.ignored.push_back(std::to_string(in.left()) + " bytes of version " + std::to_string(version));
    }
    return decoded;
}

}  // namespace clapstate
