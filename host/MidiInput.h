// MIDI for the plug-in: Standard MIDI Files, and held notes
// given by name.
#pragma once

#include "PluginHost.h"

#include <string>
#include <vector>

// The channel messages of a type 0 or 1 file, at sample positions from the
// file's tempo map, in time order. Throws HostError.
std::vector<TimedEvent> readMidiFile(const std::string& path, double sampleRate);
// The same for a file's bytes; `path` names it in the errors.
std::vector<TimedEvent> parseMidiFile(const std::vector<unsigned char>& bytes, const std::string& path,
                                      double sampleRate);
inline constexpr size_t kLargestMidiFile = size_t{64} << 20;

// "C4 E4 G4" (C4 = MIDI key 60; sharps as C#4, flats as Db4): note-ons at
// sample 0, note-offs at `end`. Throws HostError for a name it cannot read.
std::vector<TimedEvent> heldNotes(const std::string& names, long long end);

// MIDI key of a note name, or -1.
int keyOfNoteName(const std::string& name);
