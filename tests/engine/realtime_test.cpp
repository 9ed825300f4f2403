// The audio thread's calls never touch the heap once warmed up: this program
// replaces malloc, free and their relatives for the whole process (the
// plug-in libraries included) and counts the calls made while a plug-in is
// inside processReplacing, processEvents or setParameter, LV2's run or
// CLAP's process.
#include "ClapTestHost.h"
#include "formats/lv2/Lv2Ports.h"
#include "formats/vst2/aeffectx.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<long> heapCalls{0};

inline void note()
{
    if (counting.load(std::memory_order_relaxed))
        heapCalls.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

extern "C" {
void* malloc(size_t size)
{
    note();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size)
{
    note();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size)
{
    note();
    return __libc_realloc(p, size);
}
void free(void* p)
{
    if (p)
        note();
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size)
{
    note();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size)
{
    note();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size)
{
    note();
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}
}

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A 220 Hz tone at 48 kHz: a voice the pitch tracker follows, so that
// rounds with Track On play notes for it.
std::vector<float> sungTone(size_t frames)
{
    std::vector<float> tone(frames);
    for (size_t i = 0; i < frames; ++i)
        tone[i] = 0.3f * std::sin(static_cast<float>(2.0 * M_PI * 220.0 / 48000.0 * static_cast<double>(i % 48000)));
    return tone;
}

struct Counted {
    Counted()
    {
        heapCalls.store(0);
        counting.store(true);
    }
    ~Counted() { counting.store(false); }
};

class Realtime : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = dlopen(VOCODER_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
        effect = entry(quietHost);
        ASSERT_NE(effect, nullptr);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect->dispatcher(effect, effSetBlockSize, 0, 512, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
        for (VstMidiEvent& e : midi) {
            e.type = kVstMidiType;
            e.byteSize = sizeof e;
        }
        events.numEvents = 2;
        events.events[0] = reinterpret_cast<VstEvent*>(&midi[0]);
        events.events[1] = reinterpret_cast<VstEvent*>(&midi[1]);
    }
    void TearDown() override
    {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        dlclose(library);
    }

    // One block with a note on and a bend, or a note off, in it.
    void block(int frames, int n)
    {
        midi[0].deltaFrames = frames / 2;
        midi[0].midiData[0] = static_cast<char>(n % 3 ? 0x90 : 0x80);
        midi[0].midiData[1] = static_cast<char>(40 + n % 30);
        midi[0].midiData[2] = 100;
        midi[1].deltaFrames = frames + 10;  // beyond the block
        midi[1].midiData[0] = static_cast<char>(0xE0);
        midi[1].midiData[2] = static_cast<char>(n % 128);
        effect->dispatcher(effect, effProcessEvents, 0, 0, &events, 0.0f);
        float* inputs[] = {in1.data(), in2.data()};
        float* outputs[] = {out1.data(), out2.data()};
        effect->processReplacing(effect, inputs, outputs, frames);
    }

    void* library = nullptr;
    AEffect* effect = nullptr;
    VstMidiEvent midi[2]{};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[2];
    } events{};
    static constexpr size_t kLongest = 65536;
    std::vector<float> in1 = std::vector<float>(kLongest, 0.25f), in2 = std::vector<float>(kLongest, -0.25f);
    std::vector<float> out1 = std::vector<float>(kLongest), out2 = std::vector<float>(kLongest);
};

const int kBlockLengths[] = {64, 512, 4096, 1, 1000, 333};
const float kModes[] = {0.0f, 0.5f, 1.0f};
const float kCarriers[] = {0.0f, 1.0f};

}  // namespace

TEST_F(Realtime, ProcessingAndEventsNeverTouchTheHeapAfterWarmUp)
{
    int n = 0;
    const auto everyModeAndCarrier = [&] {
        for (float mode : kModes)
            for (float carrier : kCarriers) {
                effect->setParameter(effect, 24, mode);
                effect->setParameter(effect, 25, carrier);
                for (int frames : kBlockLengths)
                    block(frames, n++);
            }
    };
    everyModeAndCarrier();

    Counted counted;
    for (int round = 0; round < 3; ++round)
        everyModeAndCarrier();
    EXPECT_EQ(heapCalls.load(), 0);
}

// A host that announced blocks of 512 and then sends longer ones (or one
// sample): the engine runs them in pieces of 512, from the first such block.
TEST_F(Realtime, BlocksLongerThanAnnouncedNeverTouchTheHeap)
{
    for (float mode : kModes) {
        effect->setParameter(effect, 24, mode);
        block(512, 1);
        Counted counted;
        for (int frames : {8192, 65536, 1, 512})
            block(frames, frames);
        EXPECT_EQ(heapCalls.load(), 0) << mode;
    }
}

// Hosts may send parameter changes on the audio thread too: every parameter,
// FFT and hop sizes included, changes without allocating.
TEST_F(Realtime, ParameterChangesNeverTouchTheHeap)
{
    block(512, 1);
    Counted counted;
    for (int round = 0; round < 20; ++round) {
        for (VstInt32 index = 0; index < 28; ++index)
            effect->setParameter(effect, index, static_cast<float>((round * 7 + index) % 11) / 10.0f);
        block(512, round);
    }
    EXPECT_EQ(heapCalls.load(), 0);
}

// The LV2 plug-in's run, with notes and every control port changing between
// runs, in blocks up to the host's largest (4096 without the option) and
// far beyond it.
TEST(RealtimeLv2, RunNeverTouchesTheHeap)
{
    void* library = dlopen(VOCODER_LV2_BUNDLE "/vocoder.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2_Descriptor* descriptor = entry(0);
    static std::vector<std::string> uris;  // mapped before counting starts
    const auto map = [](LV2_URID_Map_Handle, const char* uri) -> LV2_URID {
        for (size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        uris.push_back(uri);
        return static_cast<LV2_URID>(uris.size());
    };
    LV2_URID_Map mapData{nullptr, map};
    const LV2_Feature mapFeature{LV2_URID__map, &mapData};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    LV2_Handle plugin = descriptor->instantiate(descriptor, 48000.0, VOCODER_LV2_BUNDLE, features);
    ASSERT_NE(plugin, nullptr);

    std::vector<float> in = sungTone(65536), left(65536), right(65536);
    std::array<float, lv2ports::kBandLevels> controls{};
    alignas(8) std::array<std::uint8_t, 4096> levels{};
    auto* levelsOut = reinterpret_cast<LV2_Atom_Sequence*>(levels.data());
    float latency = 0.0f;
    alignas(8) std::array<std::uint8_t, 256> events{};
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(events.data());
    sequence->atom.type = map(nullptr, LV2_ATOM__Sequence);
    const LV2_URID midi = map(nullptr, LV2_MIDI__MidiEvent);
    descriptor->connect_port(plugin, 0, in.data());
    descriptor->connect_port(plugin, 1, in.data());
    descriptor->connect_port(plugin, 2, left.data());
    descriptor->connect_port(plugin, 3, right.data());
    descriptor->connect_port(plugin, 4, sequence);
    descriptor->connect_port(plugin, 5, &latency);
    for (uint32_t i = lv2ports::kFirstParameter; i < controls.size(); ++i)
        descriptor->connect_port(plugin, i, &controls[i]);
    descriptor->connect_port(plugin, lv2ports::kBandLevels, levelsOut);
    descriptor->activate(plugin);
    const auto runWith = [&](uint32_t frames, int round) {
        auto* event = reinterpret_cast<LV2_Atom_Event*>(sequence + 1);
        event->time.frames = frames / 2;
        event->body.type = midi;
        event->body.size = 3;
        const std::uint8_t note[] = {static_cast<std::uint8_t>(round % 2 ? 0x80 : 0x90), 60, 100};
        std::memcpy(event + 1, note, 3);
        sequence->atom.size = sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event) + 8;
        for (uint32_t i = lv2ports::kFirstParameter; i < controls.size(); ++i)
            controls[i] = static_cast<float>((round * 7 + static_cast<int>(i)) % 5);
        levelsOut->atom.size = static_cast<uint32_t>(levels.size() - sizeof(LV2_Atom));  // as a host offers its space
        descriptor->run(plugin, frames);
    };
    runWith(4096, 0);
    {
        Counted counted;
        int round = 1;
        for (uint32_t frames : {0u, 8192u, 65536u, 1u, 64u, 4096u, 333u})
            for (int repeat = 0; repeat < 4; ++repeat)
                runWith(frames, round++);
        EXPECT_EQ(heapCalls.load(), 0);
    }
    descriptor->cleanup(plugin);
    dlclose(library);
}

// The CLAP plug-in's process with notes and every parameter changing inside
// the blocks, which splits them, activated for 512 and sent blocks of any
// length, far longer ones first: twenty notes at once (voices stolen, four
// unison copies each in some rounds), the sustain pedal going down and up,
// and in rounds with Track On the synthesiser following a sung tone.
TEST(RealtimeClap, ProcessNeverTouchesTheHeap)
{
    ClapLibrary library;
    ClapInstance plugin(library);
    ASSERT_TRUE(plugin.activate(48000.0, 512));
    std::vector<float> in = sungTone(65536), left(65536), right(65536);
    const std::uint32_t lengths[] = {8192, 65536, 1, 0, 64, 4096, 333, 512, 17};
    std::vector<EventList> lists(std::size(lengths) * 4);
    for (size_t round = 0; round < lists.size(); ++round) {
        const std::uint32_t frames = lengths[round % std::size(lengths)];
        for (std::int16_t key = 40; key < 60; ++key)
            lists[round].note(round % 2 ? CLAP_EVENT_NOTE_OFF : CLAP_EVENT_NOTE_ON, frames / 3, key, 0.8);
        lists[round].midi(frames / 4, 0xB0, 64, round % 4 < 2 ? 127 : 0);
        for (clap_id id = 0; id < kNumParameters; ++id)
            lists[round].paramValue(frames * id / kNumParameters, id, static_cast<double>((round * 7 + id) % 5) / 2.0);
    }
    EventList none;
    plugin.process(in.data(), in.data(), left.data(), right.data(), 512, none);
    Counted counted;
    for (size_t round = 0; round < lists.size(); ++round)
        plugin.process(in.data(), in.data(), left.data(), right.data(), lengths[round % std::size(lengths)],
                       lists[round]);
    EXPECT_EQ(heapCalls.load(), 0);
}
