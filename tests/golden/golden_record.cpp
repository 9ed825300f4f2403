// Prints a digest of what the built plug-in library does, for comparing two
// builds: the audio of a corpus (every mode, both carriers, every size pair,
// MIDI with bends and modulation, parameter changes mid-stream, random block
// lengths, three sample rates), hashed per case, and every name, label and
// display text for many settings. Two builds that print the same lines
// behave the same through the effect record.
//
//     golden_record path/to/Vocoder.so > digest.txt
#include "formats/vst2/aeffectx.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct Random {
    std::uint64_t state;
    std::uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
    float unit() { return static_cast<float>(next() % 1000001u) / 1000000.0f; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
};

struct Hash {
    std::uint64_t value = 1469598103934665603ull;
    void add(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i)
            value = (value ^ bytes[i]) * 1099511628211ull;
    }
};

class Plugin {
public:
    Plugin(AEffect* (*entry)(audioMasterCallback), float rate, int block) : effect_(entry(&hostCallback))
    {
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effSetBlockSize, 0, block);
        dispatch(effMainsChanged, 0, 1);
    }
    ~Plugin()
    {
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    void set(int index, float value) { effect_->setParameter(effect_, index, value); }
    float get(int index) { return effect_->getParameter(effect_, index); }
    std::string text(VstInt32 opcode, int index)
    {
        char buffer[256] = "";
        dispatch(opcode, index, 0, buffer);
        return buffer;
    }
    void events(const std::vector<VstMidiEvent>& midi)
    {
        std::vector<unsigned char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(midi.size());
        for (size_t i = 0; i < midi.size(); ++i)
            list->events[i] = reinterpret_cast<VstEvent*>(const_cast<VstMidiEvent*>(&midi[i]));
        dispatch(effProcessEvents, 0, 0, list);
    }
    void process(float* in1, float* in2, float* out1, float* out2, int frames)
    {
        float* inputs[2] = {in1, in2};
        float* outputs[2] = {out1, out2};
        effect_->processReplacing(effect_, inputs, outputs, frames);
    }

private:
    AEffect* effect_;
};

VstMidiEvent midiEvent(int offset, int status, int data1, int data2)
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = offset;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

// A voice-like modulator (harmonics under a syllable envelope, a little
// noise) and a bright carrier (sawtooth and noise), deterministic.
void makeInputs(float rate, int frames, std::uint64_t seed, std::vector<float>& voice, std::vector<float>& carrier)
{
    Random random{seed};
    voice.resize(static_cast<size_t>(frames));
    carrier.resize(static_cast<size_t>(frames));
    double saw = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = i / static_cast<double>(rate);
        const double syllable = 0.5 + 0.5 * std::sin(2.0 * M_PI * 3.0 * t);
        double v = 0.0;
        for (int h = 1; h <= 12; ++h)
            v += std::sin(2.0 * M_PI * 140.0 * h * t) / h;
        voice[static_cast<size_t>(i)] =
            static_cast<float>(0.3 * syllable * v + 0.01 * (random.unit() - 0.5));
        saw += 110.0 / rate;
        if (saw >= 1.0)
            saw -= 1.0;
        carrier[static_cast<size_t>(i)] = static_cast<float>(0.5 * (2.0 * saw - 1.0) + 0.05 * (random.unit() - 0.5));
    }
}

// A setting that never picks the white-noise waveform, whose generator is
// seeded from the clock.
float randomValue(Random& random, int index)
{
    const float v = random.unit();
    return index <= 1 ? 0.74f * v : v;
}

struct Case {
    std::string name;
    float rate;
    int block;
    bool randomBlocks;
    std::vector<std::pair<int, float>> settings;
    bool changesMidStream;
    bool midi;
    std::uint64_t seed;
    bool panic = false;  // held notes, then all notes off, notes again, all sound off
};

void render(AEffect* (*entry)(audioMasterCallback), const Case& c)
{
    Plugin plugin(entry, c.rate, c.block);
    for (const auto& [index, value] : c.settings)
        plugin.set(index, value);
    const int frames = static_cast<int>(c.rate * 1.2f);
    std::vector<float> voice, carrier;
    makeInputs(c.rate, frames, c.seed, voice, carrier);
    std::vector<float> out1(static_cast<size_t>(frames)), out2(static_cast<size_t>(frames));
    Random random{c.seed * 7 + 3};
    Hash hash;
    int position = 0;
    int blockNumber = 0;
    while (position < frames) {
        int length = c.randomBlocks ? 1 + random.below(c.block) : c.block;
        if (length > frames - position)
            length = frames - position;
        if (c.midi) {
            std::vector<VstMidiEvent> events;
            if (blockNumber % 7 == 0)
                events.push_back(midiEvent(random.below(length), 0x90, 40 + random.below(40), 1 + random.below(126)));
            if (blockNumber % 11 == 5)
                events.push_back(midiEvent(random.below(length), 0x80, 40 + random.below(40), 0));
            if (blockNumber % 5 == 2)
                events.push_back(midiEvent(random.below(length), 0xE0, random.below(128), random.below(128)));
            if (blockNumber % 9 == 4)
                events.push_back(midiEvent(random.below(length), 0xB0, 1, random.below(128)));
            if (blockNumber % 13 == 6)  // due in a later block
                events.push_back(midiEvent(length + random.below(2 * length + 1), 0x90, 60, 100));
            if (!events.empty())
                plugin.events(events);
        }
        if (c.panic) {
            std::vector<VstMidiEvent> events;
            if (blockNumber == 0 || blockNumber == 60)
                for (int key : {48, 55, 60})
                    events.push_back(midiEvent(0, 0x90, key, 100));
            if (blockNumber == 30)
                events.push_back(midiEvent(length / 2, 0xB0, 123, 0));
            if (blockNumber == 90)
                events.push_back(midiEvent(length / 2, 0xB0, 120, 0));
            if (!events.empty())
                plugin.events(events);
        }
        if (c.changesMidStream && blockNumber % 10 == 9) {
            const int index = random.below(28);
            plugin.set(index, randomValue(random, index));
        }
        plugin.process(voice.data() + position, carrier.data() + position, out1.data() + position,
                       out2.data() + position, length);
        position += length;
        ++blockNumber;
    }
    hash.add(out1.data(), out1.size() * sizeof(float));
    hash.add(out2.data(), out2.size() * sizeof(float));
    std::printf("audio %s %016llx\n", c.name.c_str(), static_cast<unsigned long long>(hash.value));
}

void texts(AEffect* (*entry)(audioMasterCallback))
{
    Plugin plugin(entry, 44100.0f, 512);
    const auto dump = [&plugin](const std::string& what) {
        for (int i = 0; i < 28; ++i) {
            float value = plugin.get(i);
            std::uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            std::printf("text %s %d [%s] [%s] [%s] %08x\n", what.c_str(), i,
                        plugin.text(effGetParamName, i).c_str(), plugin.text(effGetParamLabel, i).c_str(),
                        plugin.text(effGetParamDisplay, i).c_str(), bits);
        }
    };
    dump("defaults");
    for (int index = 0; index < 28; ++index)
        for (int step = 0; step <= 200; ++step) {
            plugin.set(index, step / 200.0f);
            std::printf("sweep %d %d [%s]\n", index, step, plugin.text(effGetParamDisplay, index).c_str());
        }
    Random random{99};
    const float odd[] = {-1.0f, 2.0f, NAN, INFINITY, -INFINITY, 1e-30f, 0.99999994f};
    for (int round = 0; round < 300; ++round) {
        for (int i = 0; i < 28; ++i)
            plugin.set(i, random.below(10) == 0 ? odd[random.below(7)] : random.unit());
        dump("random" + std::to_string(round));
    }
    char name[64] = "";
    plugin.dispatch(effGetEffectName, 0, 0, name);
    std::printf("effect [%s]\n", name);
    std::printf("program [%s]\n", plugin.text(effGetProgramName, 0).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: golden_record LIBRARY\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
    if (!entry) {
        std::fprintf(stderr, "no VSTPluginMain\n");
        return 1;
    }

    texts(entry);
    std::vector<Case> cases;
    const float rates[] = {44100.0f, 48000.0f, 96000.0f};
    std::uint64_t seed = 1;
    for (const float rate : rates) {
        const std::string r = std::to_string(static_cast<int>(rate));
        for (int mode = 0; mode < 3; ++mode)
            for (int carrier = 0; carrier < 2; ++carrier)
                for (int fft = 0; fft < 4; ++fft)
                    for (int hop = 0; hop < 4; ++hop) {
                        Case c{"r" + r + "-m" + std::to_string(mode) + "-c" + std::to_string(carrier) + "-f" +
                                   std::to_string(fft) + "-h" + std::to_string(hop),
                               rate, 512, false, {}, false, carrier == 0, seed++};
                        c.settings = {{24, mode * 0.5f}, {25, static_cast<float>(carrier)},
                                      {26, fft / 3.0f}, {27, hop / 3.0f}};
                        if (hop % 2)  // the other order: hop first
                            std::swap(c.settings[2], c.settings[3]);
                        cases.push_back(c);
                    }
        Random random{seed * 31};
        for (int n = 0; n < 24; ++n) {
            Case c{"r" + r + "-random" + std::to_string(n), rate, 64 + random.below(2048), true, {}, true, true,
                   seed++};
            for (int i = 0; i < 28; ++i)
                c.settings.push_back({i, randomValue(random, i)});
            cases.push_back(c);
        }
    }
    for (const float rate : rates)
        for (int mode = 0; mode < 2; ++mode) {
            Case c{"panic-r" + std::to_string(static_cast<int>(rate)) + "-m" + std::to_string(mode), rate, 256, false,
                   {{24, mode * 0.5f}, {25, 0.0f}, {5, 1.0f}}, false, false, seed++};
            c.panic = true;
            cases.push_back(c);
        }
    for (const Case& c : cases)
        render(entry, c);
    return 0;
}
