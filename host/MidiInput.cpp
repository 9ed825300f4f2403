#include "MidiInput.h"

#include <smf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>

std::vector<TimedEvent> readMidiFile(const std::string& path, double sampleRate)
{
    smf_t* smf = smf_load(path.c_str());
    if (!smf)
        throw HostError("cannot read " + path + ": not a Standard MIDI File, or a damaged one");
    std::vector<TimedEvent> events;
    while (smf_event_t* event = smf_get_next_event(smf)) {
        if (smf_event_is_metadata(event) || smf_event_is_sysex(event) || event->midi_buffer_length < 1)
            continue;
        const unsigned char status = event->midi_buffer[0];
        if (status < 0x80 || status >= 0xF0)
            continue;
        TimedEvent timed{};
        timed.sample = static_cast<long long>(std::llround(event->time_seconds * sampleRate));
        for (int b = 0; b < 3 && b < event->midi_buffer_length; ++b)
            timed.bytes[b] = event->midi_buffer[b];
        events.push_back(timed);
    }
    smf_delete(smf);
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.sample < b.sample; });
    return events;
}

int keyOfNoteName(const std::string& name)
{
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2)
        return -1;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letter < 'A' || letter > 'G')
        return -1;
    int key = semitones[letter - 'A'];
    size_t i = 1;
    if (name[i] == '#') {
        ++key;
        ++i;
    } else if (name[i] == 'b') {
        --key;
        ++i;
    }
    const std::string octave = name.substr(i);
    if (octave.empty() || octave.size() > 2 || !std::all_of(octave.begin(), octave.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || c == '-';
        }))
        return -1;
    try {
        size_t used = 0;
        const int number = std::stoi(octave, &used);
        if (used != octave.size())
            return -1;
        key += (number + 1) * 12;
    } catch (...) {
        return -1;
    }
    return key >= 0 && key <= 127 ? key : -1;
}

std::vector<TimedEvent> heldNotes(const std::string& names, long long end)
{
    std::vector<TimedEvent> ons, offs;
    std::istringstream words(names);
    std::string name;
    while (words >> name) {
        const int key = keyOfNoteName(name);
        if (key < 0)
            throw HostError("--notes: \"" + name + "\" is not a note name (for example C4, F#3, Bb2)");
        ons.push_back({0, {0x90, static_cast<unsigned char>(key), 100}});
        offs.push_back({end, {0x80, static_cast<unsigned char>(key), 0}});
    }
    if (ons.empty())
        throw HostError("--notes: no notes given");
    ons.insert(ons.end(), offs.begin(), offs.end());
    return ons;
}
