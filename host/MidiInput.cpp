#include "MidiInput.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

std::vector<TimedEvent> readMidiFile(const std::string& path, double sampleRate)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw HostError("cannot read " + path);
    std::vector<unsigned char> bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > kLargestMidiFile)
            throw HostError("cannot read " + path + ": larger than " + std::to_string(kLargestMidiFile >> 20) +
                            " MB, too large for a Standard MIDI File of notes");
    }
    return parseMidiFile(bytes, path, sampleRate);
}

namespace {

// A Standard MIDI File's bytes, read with every length checked against
// what is left: a damaged file is refused, never read past its end.
class Reader {
public:
    Reader(const unsigned char* data, size_t size) : at_(data), end_(data + size) {}
    bool done() const { return at_ == end_; }
    size_t left() const { return static_cast<size_t>(end_ - at_); }
    bool byte(unsigned& value)
    {
        if (at_ == end_)
            return false;
        value = *at_++;
        return true;
    }
    bool bigEndian(int bytes, std::uint32_t& value)
    {
        value = 0;
        for (unsigned b = 0; bytes-- > 0;) {
            if (!byte(b))
                return false;
            value = value << 8 | b;
        }
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    bool quantity(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned b = 0;
            if (!byte(b))
                return false;
            value = value << 7 | (b & 0x7F);
            if ((b & 0x80) == 0)
                return true;
        }
        return false;
    }
    bool skip(size_t count)
    {
        if (count > left())
            return false;
        at_ += count;
        return true;
    }
    bool tag(const char* name)
    {
        if (left() < 4 || std::memcmp(at_, name, 4) != 0)
            return false;
        at_ += 4;
        return true;
    }
    const unsigned char* here() const { return at_; }

private:
    const unsigned char* at_;
    const unsigned char* end_;
};

struct Event {
    std::uint64_t tick;
    unsigned track;
    std::array<unsigned char, 3> bytes;
};

struct Tempo {
    std::uint64_t tick;
    std::uint32_t microsecondsPerQuarter;
};

// One track's channel messages and tempo changes, at their ticks.
bool readTrack(Reader track, unsigned index, std::vector<Event>& events, std::vector<Tempo>& tempi)
{
    std::uint64_t tick = 0;
    unsigned running = 0;
    while (!track.done()) {
        std::uint32_t delta = 0;
        unsigned status = 0;
        if (!track.quantity(delta) || !track.byte(status))
            return false;
        tick += delta;
        if (status == 0xFF) {  // meta event: type, length, data
            unsigned type = 0;
            std::uint32_t length = 0;
            if (!track.byte(type) || !track.quantity(length) || length > track.left())
                return false;
            if (type == 0x51 && length == 3) {
                Reader tempo = track;
                std::uint32_t value = 0;
                tempo.bigEndian(3, value);
                if (value > 0)
                    tempi.push_back({tick, value});
            }
            track.skip(length);
            if (type == 0x2F)  // end of track
                return true;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {  // system exclusive: length, data
            std::uint32_t length = 0;
            if (!track.quantity(length) || !track.skip(length))
                return false;
            running = 0;
            continue;
        }
        std::array<unsigned char, 3> bytes{};
        unsigned first = 0;
        if (status < 0x80) {  // running status: this byte is the first data byte
            if (running == 0)
                return false;
            first = status;
            status = running;
        } else if (status >= 0xF0) {
            return false;  // system common and real-time messages do not belong in a file
        } else if (!track.byte(first)) {
            return false;
        }
        running = status;
        bytes[0] = static_cast<unsigned char>(status);
        bytes[1] = static_cast<unsigned char>(first & 0x7F);
        const unsigned kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0) {
            unsigned second = 0;
            if (!track.byte(second))
                return false;
            bytes[2] = static_cast<unsigned char>(second & 0x7F);
        }
        events.push_back({tick, index, bytes});
    }
    return true;
}

}  // namespace

std::vector<TimedEvent> parseMidiFile(const std::vector<unsigned char>& bytes, const std::string& path,
                                      double sampleRate)
{
    const auto damaged = [&] { return HostError("cannot read " + path + ": not a Standard MIDI File, or a damaged one"); };
    Reader file(bytes.data(), bytes.size());
    std::uint32_t headerLength = 0, format = 0, tracks = 0, division = 0;
    if (!file.tag("MThd") || !file.bigEndian(4, headerLength) || headerLength < 6 || headerLength > file.left() ||
        !file.bigEndian(2, format) || !file.bigEndian(2, tracks) || !file.bigEndian(2, division) ||
        !file.skip(headerLength - 6) || format > 2 || division == 0)
        throw damaged();

    std::vector<Event> events;
    std::vector<Tempo> tempi;
    for (unsigned track = 0; track < tracks; ++track) {
        // Chunks of other kinds are skipped, as the format asks.
        std::uint32_t length = 0;
        while (!file.done() && !file.tag("MTrk")) {
            if (!file.skip(4) || !file.bigEndian(4, length) || !file.skip(length))
                throw damaged();
        }
        if (file.done() || !file.bigEndian(4, length) || length > file.left())
            throw damaged();
        if (!readTrack(Reader(file.here(), length), track, events, tempi))
            throw damaged();
        file.skip(length);
    }

    // Ticks into seconds: by the tempo map (500000 µs a quarter until the
    // first change) for ticks per quarter, by frames for SMPTE time.
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
    std::stable_sort(tempi.begin(), tempi.end(), [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    const bool smpte = (division & 0x8000) != 0;
    double ticksPerSecond = 0.0;
    if (smpte) {
        const int fps = 256 - static_cast<int>(division >> 8);
        const double frames = fps == 29 ? 29.97 : fps;
        ticksPerSecond = frames * static_cast<double>(division & 0xFF);
        if (!(ticksPerSecond > 0.0))
            throw damaged();
    }
    std::vector<TimedEvent> timed;
    timed.reserve(events.size());
    size_t nextTempo = 0;
    std::uint64_t tempoTick = 0;
    double tempoSeconds = 0.0, secondsPerTick = 0.5 / division;
    for (const Event& e : events) {
        double seconds = 0.0;
        if (smpte) {
            seconds = static_cast<double>(e.tick) / ticksPerSecond;
        } else {
            for (; nextTempo < tempi.size() && tempi[nextTempo].tick <= e.tick; ++nextTempo) {
                tempoSeconds += static_cast<double>(tempi[nextTempo].tick - tempoTick) * secondsPerTick;
                tempoTick = tempi[nextTempo].tick;
                secondsPerTick = tempi[nextTempo].microsecondsPerQuarter * 1e-6 / division;
            }
            seconds = tempoSeconds + static_cast<double>(e.tick - tempoTick) * secondsPerTick;
        }
        TimedEvent t{};
        t.sample = static_cast<long long>(std::llround(std::min(seconds, 1e9) * sampleRate));
        std::copy(e.bytes.begin(), e.bytes.end(), t.bytes);
        timed.push_back(t);
    }
    return timed;
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
