// Program files (.fxp): one program of a VST 2 plug-in as parameter values,
// the form hosts import and export. Big-endian throughout: "CcnK", the
// byte size of the rest, "FxCk", format version 1, the plug-in's id and
// version, the parameter count, a 28-byte zero-padded name, then one 32-bit
// float per parameter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ParameterAccess;

struct ProgramFile {
    std::int32_t pluginId = 0;
    std::int32_t pluginVersion = 0;
    std::string name;  // at most 27 characters are written
    std::vector<float> values;
    // Values of a later version after the known ones, and what the reader
    // says of them, to tell the user once; empty when there are none.
    std::vector<float> later;
    std::string ignored;
};

// Reads a program of parameter values for the plug-in `pluginId` with
// `parameterCount` parameters, each value a finite number in 0…1. The
// Vocoder's parameters only ever grow at the end, so for its id a file of
// an earlier version (fewer values) reads as it is, and one of a later
// version (more) gives the values this one knows and says in `ignored`
// what it skipped. Anything else (a short file, another magic, a bank or a
// chunk, another plug-in's id, another count for another plug-in, a bad
// value anywhere) throws HostError naming the file and what is wrong with it.
ProgramFile readProgramFile(const std::string& path, std::int32_t pluginId, int parameterCount);
// The same for a file's bytes; `path` names it in the errors.
ProgramFile parseProgramFile(const std::vector<unsigned char>& bytes, const std::string& path, std::int32_t pluginId,
                             int parameterCount);

// A factory preset by name (for the Vocoder's id only), or a program file
// (a name with a slash or ending in .fxp, or one that exists), as
// readProgramFile reads it. Throws HostError.
ProgramFile presetProgram(const std::string& preset, std::int32_t pluginId, int parameterCount);

// Writes through a temporary file beside `path`, renamed when complete.
// Throws HostError.
void writeProgramFile(const std::string& path, const ProgramFile& program);

// The plug-in's current values and name, with its id and version.
ProgramFile currentProgram(const ParameterAccess& access, std::int32_t pluginId, std::int32_t pluginVersion);

// Gives the plug-in every value in index order, as hosts load programs, then
// once more each value it adjusted, which may have depended on a later one
// (an FFT size refused for the hop size still in place). The Vocoder's
// parameters the program has no value for go to their defaults. Then the name.
void applyProgram(ParameterAccess& access, const ProgramFile& program);
