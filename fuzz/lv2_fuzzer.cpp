// libFuzzer target: the LV2 plug-in as a host drives it, with any values on
// its parameter ports (NaN, infinities, anything) and any MIDI sequence on
// its event input, run over blocks of the lengths the input chooses. The
// outputs stay finite.
#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

std::vector<std::string>& uris()
{
    static std::vector<std::string> known;
    return known;
}

LV2_URID map(LV2_URID_Map_Handle, const char* uri)
{
    for (size_t i = 0; i < uris().size(); ++i)
        if (uris()[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    uris().emplace_back(uri);
    return static_cast<LV2_URID>(uris().size());
}

constexpr uint32_t kFrames = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LV2_URID_Map mapper{nullptr, map};
    const LV2_Feature mapFeature{LV2_URID__map, &mapper};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    const LV2_Descriptor* descriptor = lv2_descriptor(0);
    LV2_Handle plugin = descriptor->instantiate(descriptor, 44100.0, "", features);
    if (!plugin)
        std::abort();

    // The parameter ports' values, then the rest as the event sequence's events.
    std::array<float, kNumParameters> controls{};
    const size_t taken = std::min(size, sizeof controls);
    std::memcpy(controls.data(), data, taken);
    std::vector<std::uint64_t> sequence(2 + (size - taken + 7) / 8);  // 8-byte aligned, as hosts give it
    auto* atoms = reinterpret_cast<LV2_Atom_Sequence*>(sequence.data());
    atoms->atom.size = static_cast<uint32_t>(sizeof(LV2_Atom_Sequence_Body) + (size - taken));
    atoms->atom.type = map(nullptr, LV2_ATOM__Sequence);
    std::memcpy(atoms + 1, data + taken, size - taken);
    std::vector<float> modulator(kFrames), carrier(kFrames), left(kFrames), right(kFrames);
    for (uint32_t i = 0; i < kFrames; ++i) {
        modulator[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
        carrier[i] = 0.3f * std::sin(0.11f * static_cast<float>(i));
    }
    float latency = 0.0f;
    descriptor->connect_port(plugin, lv2ports::kModulator, modulator.data());
    descriptor->connect_port(plugin, lv2ports::kCarrierInput, carrier.data());
    descriptor->connect_port(plugin, lv2ports::kOutLeft, left.data());
    descriptor->connect_port(plugin, lv2ports::kOutRight, right.data());
    descriptor->connect_port(plugin, lv2ports::kMidiIn, atoms);
    descriptor->connect_port(plugin, lv2ports::kLatency, &latency);
    for (int i = 0; i < kNumParameters; ++i)
        descriptor->connect_port(plugin, lv2ports::portOf(i), &controls[static_cast<size_t>(i)]);
    descriptor->activate(plugin);
    // The first byte chooses the block length (1 to 4096); the same events come each block.
    const uint32_t frames = size > 0 ? 1 + (static_cast<uint32_t>(data[0]) * 16u) % kFrames : 256;
    for (int block = 0; block < 4; ++block) {
        descriptor->run(plugin, frames);
        for (uint32_t i = 0; i < frames; ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                std::abort();
    }
    descriptor->deactivate(plugin);
    descriptor->cleanup(plugin);
    return 0;
}
