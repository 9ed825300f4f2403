// The audio thread's calls never touch the heap once warmed up: this program
// replaces malloc, free and their relatives for the whole process (the
// plug-in library included) and counts the calls made while the plug-in is
// inside processReplacing, processEvents or setParameter.
#include "formats/vst2/aeffectx.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
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
    std::vector<float> in1 = std::vector<float>(8192, 0.25f), in2 = std::vector<float>(8192, -0.25f);
    std::vector<float> out1 = std::vector<float>(8192), out2 = std::vector<float>(8192);
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
