// libFuzzer target: any bytes as a program file (.fxp), read both ways the
// programs read one: as a preset for the VST 2 library's 28 parameters, and
// as the standalone program's settings file (every parameter, a later
// version's values kept). A file is refused with an error or applied, and
// applied values are what the parameters then hold.
#include "engine/ParameterStore.h"
#include "host/HostError.h"
#include "host/ProgramFile.h"
#include "host/StoreAccess.h"
#include "parameters/Identity.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void readAs(const std::vector<unsigned char>& bytes, Dialect dialect, int count)
{
    try {
        const ProgramFile program = parseProgramFile(bytes, "fuzz.fxp", kVocoderUniqueId, count);
        if (program.values.size() > static_cast<size_t>(count))
            std::abort();
        ParameterStore store(dialect);
        StoreAccess access(store);
        applyProgram(access, program);
        for (int i = 0; i < kNumParameters; ++i) {
            const float v = store.value(i);
            if (!(v >= 0.0f && v <= 1.0f))
                std::abort();
        }
    } catch (const HostError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<unsigned char> bytes(data, data + size);
    readAs(bytes, Dialect::vst2, kVst2Parameters);
    readAs(bytes, Dialect::extended, kNumParameters);
    return 0;
}
