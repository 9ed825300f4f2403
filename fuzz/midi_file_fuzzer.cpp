// libFuzzer target: any bytes as a Standard MIDI File, as the render host
// reads one for the synthesiser. A file is refused with an error or gives
// channel messages in time order.
#include "host/HostError.h"
#include "host/MidiInput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const auto events = parseMidiFile(std::vector<unsigned char>(data, data + size), "fuzz.mid", 44100.0);
        for (size_t i = 0; i < events.size(); ++i)
            if ((events[i].bytes[0] & 0x80) == 0 || (i > 0 && events[i].sample < events[i - 1].sample))
                std::abort();
    } catch (const HostError&) {
    }
    return 0;
}
