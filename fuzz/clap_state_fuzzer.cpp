// libFuzzer target: any bytes as a CLAP state. A state either is refused or
// gives every parameter a value in [0, 1] and a short name, and what it
// gives saves and loads again as itself.
#include "formats/clap/ClapState.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto decoded = clapstate::decode(bytes);
    if (!decoded)
        return 0;
    for (float v : decoded->settings.values)
        if (!(v >= 0.0f && v <= 1.0f))
            std::abort();
    if (decoded->settings.name.size() > clapstate::kMaxNameLength)
        std::abort();
    const auto again = clapstate::decode(clapstate::encode(decoded->settings));
    if (!again || again->settings.values != decoded->settings.values || again->settings.name != decoded->settings.name)
        std::abort();
    return 0;
}
