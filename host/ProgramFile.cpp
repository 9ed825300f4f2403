#include "ProgramFile.h"

#include "HostError.h"
#include "Settings.h"
#include "parameters/Identity.h"
#include "parameters/ParameterTable.h"
#include "presets/FactoryPresets.h"
#include "TemporaryFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr size_t kHeaderSize = 56;  // up to and with the name
constexpr size_t kNameSize = 28;
constexpr std::uintmax_t kLargest = 1 << 20;  // far above any program of parameter values

std::uint32_t bigEndian(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void putBigEndian(std::vector<unsigned char>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

std::string fourCharacters(const unsigned char* p)
{
    std::string s(reinterpret_cast<const char*>(p), 4);
    for (char& c : s)
        if (c < 0x20 || c > 0x7E)
            c = '?';
    return s;
}

std::string hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

}  // namespace

ProgramFile readProgramFile(const std::string& path, std::int32_t pluginId, int parameterCount)
{
    const auto fail = [&](const std::string& why) { return HostError("preset " + path + ": " + why); };
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        throw fail("cannot read it: " + error.message());
    if (size > kLargest)
        throw fail("too large to be a program file (" + std::to_string(size) + " bytes)");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw fail("cannot read it");
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    return parseProgramFile(bytes, path, pluginId, parameterCount);
}

ProgramFile parseProgramFile(const std::vector<unsigned char>& bytes, const std::string& path, std::int32_t pluginId,
                             int parameterCount)
{
    const auto fail = [&](const std::string& why) { return HostError("preset " + path + ": " + why); };
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "CcnK", 4) != 0)
        throw fail("not a VST program file (it does not begin with \"CcnK\")");
    if (bytes.size() < 12)
        throw fail("truncated: " + std::to_string(bytes.size()) + " bytes");
    const unsigned char* kind = bytes.data() + 8;
    if (std::memcmp(kind, "FxBk", 4) == 0 || std::memcmp(kind, "FBCh", 4) == 0)
        throw fail("a bank of programs (\"" + fourCharacters(kind) + "\"), not one program");
    if (std::memcmp(kind, "FPCh", 4) == 0)
        throw fail("a program saved as an opaque chunk (\"FPCh\"), not as parameter values");
    if (std::memcmp(kind, "FxCk", 4) != 0)
        throw fail("an unknown kind of file (\"" + fourCharacters(kind) + "\" where \"FxCk\" belongs)");
    if (bytes.size() < kHeaderSize)
        throw fail("truncated: " + std::to_string(bytes.size()) + " bytes, shorter than the header");

    ProgramFile program;
    program.pluginId = static_cast<std::int32_t>(bigEndian(bytes.data() + 16));
    program.pluginVersion = static_cast<std::int32_t>(bigEndian(bytes.data() + 20));
    if (program.pluginId != pluginId)
        throw fail("made for another plug-in (id " + hex(static_cast<std::uint32_t>(program.pluginId)) + " \"" +
                   fourCharacters(bytes.data() + 16) + "\"; this one is " + hex(static_cast<std::uint32_t>(pluginId)) +
                   ")");
    const std::uint32_t count = bigEndian(bytes.data() + 24);
    const bool grows = pluginId == kVocoderUniqueId && count > 0;
    if (count != static_cast<std::uint32_t>(parameterCount) && !grows)
        throw fail("holds " + std::to_string(count) + " parameters; the plug-in has " + std::to_string(parameterCount));
    const size_t needed = kHeaderSize + 4 * static_cast<size_t>(count);
    const std::uint32_t declared = bigEndian(bytes.data() + 4);
    if (bytes.size() < needed || declared < needed - 8)
        throw fail("truncated: " + std::to_string(count) + " values need " + std::to_string(needed) +
                   " bytes, the file has " + std::to_string(std::min<size_t>(bytes.size(), declared + size_t{8})));

    const auto* name = reinterpret_cast<const char*>(bytes.data() + 28);
    program.name.assign(name, strnlen(name, kNameSize));
    for (std::uint32_t i = 0; i < count; ++i) {
        const float value = std::bit_cast<float>(bigEndian(bytes.data() + kHeaderSize + 4 * i));
        if (!std::isfinite(value) || value < 0.0f || value > 1.0f) {
            char shown[32];
            std::snprintf(shown, sizeof shown, "%g", static_cast<double>(value));
            throw fail("parameter " + std::to_string(i) + " holds " + shown + ", not a value from 0 to 1");
        }
        (i < static_cast<std::uint32_t>(parameterCount) ? program.values : program.later).push_back(value);
    }
    if (count > static_cast<std::uint32_t>(parameterCount))
        program.ignored = "preset " + path + ": " + std::to_string(count - static_cast<std::uint32_t>(parameterCount)) +
                          " values after the " + std::to_string(parameterCount) +
                          " this version knows (from a later version) were ignored";
    return program;
}

ProgramFile presetProgram(const std::string& preset, std::int32_t pluginId, int parameterCount)
{
    const bool isFile = preset.find('/') != std::string::npos ||
                        std::filesystem::path(preset).extension() == ".fxp" || std::filesystem::exists(preset);
    if (isFile)
        return readProgramFile(preset, pluginId, parameterCount);
    const FactoryPreset* factory = findFactoryPreset(preset);
    if (!factory)
        throw HostError("--preset " + preset + ": no factory preset of that name (see --list-presets) and no such file");
    if (pluginId != kVocoderUniqueId)
        throw HostError("--preset " + preset + ": the factory presets are the Vocoder's, not this plug-in's");
    ProgramFile program;
    program.pluginId = kVocoderUniqueId;
    program.pluginVersion = kVocoderVersion;
    program.name = factory->name;
    const std::array<float, kNumParameters> all = factory->allValues();
    const size_t count = factory->designedOnly()
                             ? static_cast<size_t>(std::clamp(parameterCount, 0, static_cast<int>(kNumParameters)))
                             : static_cast<size_t>(kVst2Parameters);
    program.values.assign(all.begin(), all.begin() + static_cast<long>(count));
    return program;
}

void writeProgramFile(const std::string& path, const ProgramFile& program)
{
    std::vector<unsigned char> bytes;
    bytes.insert(bytes.end(), {'C', 'c', 'n', 'K'});
    putBigEndian(bytes, static_cast<std::uint32_t>(kHeaderSize - 8 + 4 * program.values.size()));
    bytes.insert(bytes.end(), {'F', 'x', 'C', 'k'});
    putBigEndian(bytes, 1);
    putBigEndian(bytes, static_cast<std::uint32_t>(program.pluginId));
    putBigEndian(bytes, static_cast<std::uint32_t>(program.pluginVersion));
    putBigEndian(bytes, static_cast<std::uint32_t>(program.values.size()));
    char name[kNameSize] = {};
    std::strncpy(name, program.name.c_str(), kNameSize - 1);
    bytes.insert(bytes.end(), name, name + kNameSize);
    for (float v : program.values)
        putBigEndian(bytes, std::bit_cast<std::uint32_t>(v));

    const std::string temporary = temporaryBeside(path);
    std::ofstream out(temporary, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        discard(temporary);
        throw HostError("cannot write " + path);
    }
    moveOver(temporary, path);
}

ProgramFile currentProgram(const ParameterAccess& host, std::int32_t pluginId, std::int32_t pluginVersion)
{
    ProgramFile program;
    program.pluginId = pluginId;
    program.pluginVersion = pluginVersion;
    program.name = host.programName();
    for (int i = 0; i < host.parameterCount(); ++i)
        program.values.push_back(host.parameter(i));
    return program;
}

void applyProgram(ParameterAccess& host, const ProgramFile& program)
{
    std::vector<float> values = program.values;
    if (program.pluginId == kVocoderUniqueId)
        for (size_t i = values.size(); i < static_cast<size_t>(host.parameterCount()) && i < kNumParameters; ++i)
            values.push_back(kParameterTable[i].defaultValue);
    const int count = std::min(host.parameterCount(), static_cast<int>(values.size()));
    for (int i = 0; i < count; ++i)
        host.setParameter(i, values[static_cast<size_t>(i)]);
    // A value the plug-in adjusted may have depended on a later one.
    for (int i = 0; i < count; ++i)
        if (host.parameter(i) != values[static_cast<size_t>(i)])
            host.setParameter(i, values[static_cast<size_t>(i)]);
    host.setProgramName(program.name);
}
