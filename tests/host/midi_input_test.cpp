// The Standard MIDI File reader: a type 1 file of two tracks with a tempo
// change, running status, a system-exclusive message and a chunk of an
// unknown kind gives its channel messages at the samples its tempo map
// puts them; SMPTE time counts frames; every damaged variant is refused.
#include "host/HostError.h"
#include "host/MidiInput.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes chunk(const std::string& tag, const Bytes& body)
{
    Bytes out(tag.begin(), tag.end());
    const auto n = static_cast<std::uint32_t>(body.size());
    out.insert(out.end(), {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                           static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A type 1 file of these chunks; the header counts those that are tracks.
Bytes file(unsigned division, std::initializer_list<Bytes> chunks)
{
    unsigned char tracks = 0;
    for (const Bytes& c : chunks)
        tracks += c[0] == 'M' ? 1 : 0;
    Bytes out = chunk("MThd", {0, 1, 0, tracks, static_cast<unsigned char>(division >> 8),
                               static_cast<unsigned char>(division)});
    for (const Bytes& c : chunks)
        out.insert(out.end(), c.begin(), c.end());
    return out;
}

}  // namespace

TEST(MidiInput, ChannelMessagesAtTheirSamplesAndDamagedFilesRefused)
{
    // 480 ticks a quarter: 120 bpm until tick 960 (1 s), then 60 bpm.
    const Bytes tempo = chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x87, 0x40, 0xFF, 0x51, 0x03, 0x0F,
                                       0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    // Note on at 0, running-status note on at 480 (0.5 s), a sysex, note off at 1440 (2 s).
    const Bytes notes = chunk("MTrk", {0x00, 0x90, 60, 100, 0x83, 0x60, 64, 90, 0x00, 0xF0, 0x02, 0x01, 0xF7, 0x87,
                                       0x40, 0x80, 60, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes unknown = chunk("XYZW", {1, 2, 3});
    Bytes good = file(480, {tempo, unknown, notes});
    const auto events = parseMidiFile(good, "good.mid", 1000.0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].sample, 0);
    EXPECT_EQ(events[1].sample, 500);
    EXPECT_EQ(events[1].bytes[0], 0x90);
    EXPECT_EQ(events[1].bytes[1], 64);
    EXPECT_EQ(events[2].sample, 2000);
    EXPECT_EQ(events[2].bytes[0], 0x80);

    // 25 frames a second of 40 ticks: tick 480 is at 0.48 s, tempo aside.
    const auto smpte = parseMidiFile(file(0xE728, {tempo, notes}), "smpte.mid", 1000.0);
    ASSERT_EQ(smpte.size(), 3u);
    EXPECT_EQ(smpte[1].sample, 480);

    std::vector<Bytes> damaged;
    for (size_t cut = 0; cut < good.size(); cut += 3)
        damaged.emplace_back(good.begin(), good.begin() + static_cast<long>(cut));
    damaged.push_back(file(480, {chunk("MTrk", {0x00, 64, 90})}));                  // running status with none
    damaged.push_back(file(480, {chunk("MTrk", {0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}));  // a delta of five bytes
    damaged.push_back(file(480, {chunk("MTrk", {0x00, 0xFF, 0x51, 0x10, 0x07})}));  // a meta event past the track
    damaged.push_back(file(0, {notes}));                                              // no time division
    for (const Bytes& bytes : damaged)
        EXPECT_THROW(parseMidiFile(bytes, "damaged.mid", 1000.0), HostError) << bytes.size();
}
