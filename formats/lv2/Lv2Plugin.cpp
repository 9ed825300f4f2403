// The LV2 plug-in: translates the host's ports and run calls into the
// engine's. Parameter ports are read at the start of each run and only
// changed values reach the engine (in the extended dialect, which takes FFT
// SIZE and HOP SIZE as a pair). run never allocates, locks or waits.
#include "Lv2Ports.h"
#include "engine/Engine.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

// Without the host's bufsz:maxBlockLength option.
constexpr int kDefaultLargestBlock = 4096;
// Bounds for a host's option: smaller or larger values are not taken.
constexpr int kLargestBlockLimit = 1 << 16;

struct Plugin {
    Engine engine{Dialect::extended};
    float sampleRate = 44100.0f;
    int largestBlock = kDefaultLargestBlock;
    LV2_URID midiEvent = 0, sequence = 0, vector = 0, floatType = 0;

    const float* modulator = nullptr;
    const float* carrier = nullptr;
    float* outLeft = nullptr;
    float* outRight = nullptr;
    const LV2_Atom_Sequence* midiIn = nullptr;
    float* latency = nullptr;
    LV2_Atom_Sequence* bandLevelsOut = nullptr;
    uint32_t sinceLevels = 0;  // frames since the band levels were last sent
    std::array<const float*, kNumParameters> controls{};
    // The port values last taken; NaN before the first run, so all are taken then.
    std::array<float, kNumParameters> taken{};
};

int largestBlockOption(const LV2_Feature* const* features, LV2_URID_Map* map)
{
    const LV2_URID maxBlock = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
    for (int i = 0; features[i]; ++i) {
        if (std::strcmp(features[i]->URI, LV2_OPTIONS__options) != 0 || !features[i]->data)
            continue;
        for (auto* option = static_cast<const LV2_Options_Option*>(features[i]->data); option->key; ++option)
            if (option->key == maxBlock && option->type == atomInt && option->value) {
                const int value = *static_cast<const int32_t*>(option->value);
                if (value > 0 && value <= kLargestBlockLimit)
                    return value;
            }
    }
    return kDefaultLargestBlock;
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    LV2_URID_Map* map = nullptr;
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<LV2_URID_Map*>(features[i]->data);
    if (!map)
        return nullptr;
    // Nothing may throw into the host.
    try {
        auto plugin = std::make_unique<Plugin>();
        plugin->midiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
        plugin->sequence = map->map(map->handle, LV2_ATOM__Sequence);
        plugin->vector = map->map(map->handle, LV2_ATOM__Vector);
        plugin->floatType = map->map(map->handle, LV2_ATOM__Float);
        plugin->largestBlock = largestBlockOption(features, map);
        plugin->sampleRate = static_cast<float>(rate);
        plugin->taken.fill(__builtin_nanf(""));
        plugin->engine.prepare(plugin->sampleRate, plugin->largestBlock);
        return plugin.release();
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, uint32_t port, void* data)
{
    auto* p = static_cast<Plugin*>(handle);
    using namespace lv2ports;
    switch (port) {
    case kModulator: p->modulator = static_cast<const float*>(data); break;
    case kCarrierInput: p->carrier = static_cast<const float*>(data); break;
    case kOutLeft: p->outLeft = static_cast<float*>(data); break;
    case kOutRight: p->outRight = static_cast<float*>(data); break;
    case kMidiIn: p->midiIn = static_cast<const LV2_Atom_Sequence*>(data); break;
    case kLatency: p->latency = static_cast<float*>(data); break;
    case kBandLevels: p->bandLevelsOut = static_cast<LV2_Atom_Sequence*>(data); break;
    default:
        if (isParameterPort(port))
            p->controls[port - kFirstParameter] = static_cast<const float*>(data);
        break;
    }
}

void activate(LV2_Handle handle)
{
    auto* p = static_cast<Plugin*>(handle);
    p->engine.reset();
}

// The parameter ports' changed values into the engine's store.
void takeControls(Plugin& p)
{
    ParameterStore& store = p.engine.parameters();
    for (int i = 0; i < kNumParameters; ++i) {
        const float* port = p.controls[static_cast<size_t>(i)];
        if (!port)
            continue;
        const float value = *port;
        float& taken = p.taken[static_cast<size_t>(i)];
        if (value == taken)
            continue;
        taken = value;
        store.set(i, lv2ports::normalisedValue(i, value));
    }
}

// MIDI messages of up to three bytes, each at its frame of the run.
void takeEvents(Plugin& p)
{
    if (!p.midiIn)
        return;
    const auto* end = reinterpret_cast<const uint8_t*>(&p.midiIn->body) + p.midiIn->atom.size;
    LV2_ATOM_SEQUENCE_FOREACH(p.midiIn, event)
    {
        // An event that would reach past the sequence ends it.
        const auto* body = reinterpret_cast<const uint8_t*>(event + 1);
        if (body > end || event->body.size > static_cast<uint32_t>(end - body))
            break;
        if (event->body.type != p.midiEvent || event->body.size == 0 || event->body.size > 3)
            continue;
        const auto* bytes = reinterpret_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&event->body));
        MidiEvent midi{static_cast<int32_t>(event->time.frames), {bytes[0], 0, 0}};
        for (uint32_t b = 1; b < event->body.size; ++b)
            midi.data[b] = bytes[b];
        p.engine.queueEvent(midi);
    }
}

// The band levels as one vector event, about 30 times a second, when the
// host's buffer (its size given in the sequence's header) holds it.
void sendBandLevels(Plugin& p, uint32_t frames)
{
    LV2_Atom_Sequence* out = p.bandLevelsOut;
    if (!out)
        return;
    const uint32_t capacity = out->atom.size;
    out->atom.type = p.sequence;
    out->atom.size = sizeof(LV2_Atom_Sequence_Body);
    out->body.unit = 0;
    out->body.pad = 0;
    p.sinceLevels += frames;
    if (p.sinceLevels < static_cast<uint32_t>(p.sampleRate / 30.0f))
        return;
    constexpr uint32_t kValues = 2 * BandLevels::kBands + lv2ports::kTunerValues;
    constexpr uint32_t kBody = sizeof(LV2_Atom_Vector_Body) + kValues * sizeof(float);
    BandLevels levels;
    if (capacity < sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event) + kBody || !p.engine.bandMeter().read(levels))
        return;
    p.sinceLevels = 0;
    auto* event = reinterpret_cast<LV2_Atom_Event*>(out + 1);
    event->time.frames = 0;
    event->body.type = p.vector;
    event->body.size = kBody;
    auto* vector = reinterpret_cast<LV2_Atom_Vector_Body*>(event + 1);
    vector->child_size = sizeof(float);
    vector->child_type = p.floatType;
    auto* values = reinterpret_cast<float*>(vector + 1);
    std::copy(levels.voice.begin(), levels.voice.end(), values);
    std::copy(levels.output.begin(), levels.output.end(), values + BandLevels::kBands);
    float* tuner = values + 2 * BandLevels::kBands;
    if (!p.engine.tunerReading(tuner[0], tuner[1]))
        tuner[0] = tuner[1] = 0.0f;
    out->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + kBody);
}

void run(LV2_Handle handle, uint32_t frames)
{
    auto* p = static_cast<Plugin*>(handle);
    takeControls(*p);
    takeEvents(*p);
    if (p->latency)
        *p->latency = static_cast<float>(p->engine.latency());
    p->engine.process(p->modulator, p->carrier, p->outLeft, p->outRight, static_cast<int>(frames));
    sendBandLevels(*p, frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) { delete static_cast<Plugin*>(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {lv2ports::kPluginUri, instantiate, connectPort, activate, run,
                                    deactivate,          cleanup,     extensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
