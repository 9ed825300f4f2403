// libFuzzer target: any bytes as a PNG image. Decoding must never crash,
// read out of bounds or leak, whatever the damage.
#include "platform/Resources.h"
#include "toolkit/CBitmap.h"

#include <cstddef>
#include <cstdint>

std::span<const platform::Resource> platform::resourceTable() { return {}; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    VSTGUI::CBitmap bitmap(0);
    bitmap.loadPng(data, size);
    return 0;
}
