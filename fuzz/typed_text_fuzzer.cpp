// libFuzzer target: any text typed for any parameter, as CLAP hosts and
// the programs' --set take it. A text is refused or gives a value in [0, 1]
// whose own text reads back to the same value's text.
#include "engine/ParameterStore.h"
#include "formats/clap/ClapParams.h"
#include "host/HostError.h"
#include "host/Settings.h"
#include "host/StoreAccess.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int index = data[0] % kNumParameters;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const bool clamp : {false, true}) {
        const float x = parseTyped(index, text.c_str(), clamp);
        if (x == -1.0f)
            continue;
        if (!(x >= 0.0f && x <= 1.0f))
            std::abort();
        const std::string shown = shownText(index, x);
        const float again = parseTyped(index, shown.c_str(), clamp);
        if (again != -1.0f && shownText(index, again) != shown)
            std::abort();
    }
    double value = 0.0;
    if (clapparams::parse(index, text.c_str(), &value) && !(value >= clapparams::minimum(index) && value <= clapparams::maximum(index)))
        std::abort();
    ParameterStore store(Dialect::extended);
    StoreAccess access(store);
    try {
        applySetting(access, access.parameterName(index) + "=" + text);
        if (!(store.value(index) >= 0.0f && store.value(index) <= 1.0f))
            std::abort();
    } catch (const HostError&) {
    }
    return 0;
}
