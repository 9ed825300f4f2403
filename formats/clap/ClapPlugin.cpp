#include "ClapPlugin.h"
#include "ClapPresets.h"
#include "presets/FactoryPresets.h"

#include "ClapEditor.h"
#include "ClapParams.h"
#include "ClapState.h"
#include "parameters/Identity.h"
#include "parameters/TextFormat.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char* const kFeatures[] = {"audio-effect", "filter", nullptr};

constexpr ChangeMask kSizeBits = changeBit(kFftSize) | changeBit(kHopSize);

}  // namespace

const clap_plugin_descriptor_t ClapPlugin::kDescriptor = {
    CLAP_VERSION, identity::kClapId, identity::kName, identity::kVendor, "", "", "", identity::kVersion,
    "A voice shapes a carrier (a sidechain input or a built-in synthesiser) through a short-time Fourier transform",
    kFeatures};

// The record's and the extensions' calls, each forwarded to the instance.
struct ClapCalls {
    static ClapPlugin& p(const clap_plugin_t* plugin) { return ClapPlugin::of(plugin); }

    static bool init(const clap_plugin_t* plugin) { return p(plugin).init(); }
    static void destroy(const clap_plugin_t* plugin) { delete &p(plugin); }
    static bool activate(const clap_plugin_t* plugin, double rate, std::uint32_t, std::uint32_t largest)
    {
        return p(plugin).activate(rate, largest);
    }
    static void deactivate(const clap_plugin_t* plugin) { p(plugin).deactivate(); }
    static bool startProcessing(const clap_plugin_t*) { return true; }
    static void stopProcessing(const clap_plugin_t*) {}
    static void reset(const clap_plugin_t* plugin) { p(plugin).reset(); }
    static clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* process)
    {
        return process ? p(plugin).process(*process) : CLAP_PROCESS_ERROR;
    }
    static const void* extension(const clap_plugin_t* plugin, const char* id)
    {
        return id ? p(plugin).extension(id) : nullptr;
    }
    static void onMainThread(const clap_plugin_t*) {}

    // audio-ports: the voice (main, mono), the carrier (mono), the output (main, stereo).
    static std::uint32_t audioPortCount(const clap_plugin_t*, bool input) { return input ? 2 : 1; }
    static bool audioPort(const clap_plugin_t*, std::uint32_t index, bool input, clap_audio_port_info_t* info)
    {
        if (!info || index >= audioPortCount(nullptr, input))
            return false;
        *info = {};
        info->id = index;
        const char* name = !input ? "Output" : index == 0 ? "Voice" : "Carrier";
        copyText(info->name, name, CLAP_NAME_SIZE - 1);
        info->flags = index == 0 ? CLAP_AUDIO_PORT_IS_MAIN : 0;
        info->channel_count = input ? 1 : 2;
        info->port_type = input ? CLAP_PORT_MONO : CLAP_PORT_STEREO;
        info->in_place_pair = CLAP_INVALID_ID;
        return true;
    }

    // note-ports: one input for the synthesiser.
    static std::uint32_t notePortCount(const clap_plugin_t*, bool input) { return input ? 1 : 0; }
    static bool notePort(const clap_plugin_t*, std::uint32_t index, bool input, clap_note_port_info_t* info)
    {
        if (!info || !input || index != 0)
            return false;
        *info = {};
        info->id = 0;
        info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
        info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
        copyText(info->name, "Notes", CLAP_NAME_SIZE - 1);
        return true;
    }

    static std::uint32_t paramCount(const clap_plugin_t*) { return kNumParameters; }
    static bool paramInfo(const clap_plugin_t* plugin, std::uint32_t index, clap_param_info_t* info)
    {
        return info && p(plugin).paramInfo(index, *info);
    }
    static bool paramValue(const clap_plugin_t* plugin, clap_id id, double* value)
    {
        return value && p(plugin).paramValue(id, *value);
    }
    static bool valueToText(const clap_plugin_t* plugin, clap_id id, double value, char* text, std::uint32_t capacity)
    {
        return text && capacity > 0 && p(plugin).valueToText(id, value, text, capacity);
    }
    static bool textToValue(const clap_plugin_t* plugin, clap_id id, const char* text, double* value)
    {
        return text && value && p(plugin).textToValue(id, text, *value);
    }
    static void flush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out)
    {
        p(plugin).flush(in, out);
    }

    static std::uint32_t latency(const clap_plugin_t* plugin) { return p(plugin).latency(); }

    static bool save(const clap_plugin_t* plugin, const clap_ostream_t* stream)
    {
        return stream && p(plugin).save(*stream);
    }
    static bool load(const clap_plugin_t* plugin, const clap_istream_t* stream)
    {
        return stream && p(plugin).load(*stream);
    }

    static bool loadPreset(const clap_plugin_t* plugin, std::uint32_t kind, const char* location, const char* key)
    {
        return p(plugin).loadPreset(kind, location, key);
    }
};

namespace {

const clap_plugin_audio_ports_t kAudioPorts = {ClapCalls::audioPortCount, ClapCalls::audioPort};
const clap_plugin_note_ports_t kNotePorts = {ClapCalls::notePortCount, ClapCalls::notePort};
const clap_plugin_params_t kParams = {ClapCalls::paramCount, ClapCalls::paramInfo,   ClapCalls::paramValue,
                                      ClapCalls::valueToText, ClapCalls::textToValue, ClapCalls::flush};
const clap_plugin_latency_t kLatency = {ClapCalls::latency};
const clap_plugin_state_t kState = {ClapCalls::save, ClapCalls::load};
const clap_plugin_preset_load_t kPresetLoad = {ClapCalls::loadPreset};

}  // namespace

ClapPlugin::ClapPlugin(const clap_host_t* host)
    : plugin_{&kDescriptor,
              this,
              ClapCalls::init,
              ClapCalls::destroy,
              ClapCalls::activate,
              ClapCalls::deactivate,
              ClapCalls::startProcessing,
              ClapCalls::stopProcessing,
              ClapCalls::reset,
              ClapCalls::process,
              ClapCalls::extension,
              ClapCalls::onMainThread},
      host_(host)
{
}

ClapPlugin::~ClapPlugin() = default;

bool ClapPlugin::onMainThread() const { return !threadCheck_ || threadCheck_->is_main_thread(host_); }

bool ClapPlugin::onAudioThread() const { return !threadCheck_ || threadCheck_->is_audio_thread(host_); }

bool ClapPlugin::init()
{
    threadCheck_ = hostExtension<clap_host_thread_check_t>(CLAP_EXT_THREAD_CHECK);
    hostParams_ = hostExtension<clap_host_params_t>(CLAP_EXT_PARAMS);
    hostLatency_ = hostExtension<clap_host_latency_t>(CLAP_EXT_LATENCY);
    assert(onMainThread());
    return true;
}

bool ClapPlugin::activate(double sampleRate, std::uint32_t largestBlock)
{
    assert(onMainThread());
    if (!(sampleRate >= ParameterStore::kLowestSampleRate && sampleRate <= ParameterStore::kHighestSampleRate) ||
        largestBlock == 0 || largestBlock > (1u << 20))
        return false;
    try {
        engine_.prepare(static_cast<float>(sampleRate), static_cast<int>(largestBlock));
    } catch (...) {
        return false;
    }
    // The latency may change only here: the host hears of it from activate.
    const auto latency = static_cast<std::uint32_t>(engine_.latency());
    const bool changed = latency != activeLatency_;
    activeLatency_ = latency;
    restartRequested_ = false;
    active_ = true;
    if (changed && hostLatency_ && hostLatency_->changed)
        hostLatency_->changed(host_);
    return true;
}

void ClapPlugin::deactivate()
{
    assert(onMainThread());
    active_ = false;
}

void ClapPlugin::reset()
{
    assert(onAudioThread());
    engine_.reset();
}

const void* ClapPlugin::extension(const char* id) const
{
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0)
        return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0)
        return &kNotePorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &kParams;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0)
        return &kLatency;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0)
        return &kState;
    if (std::strcmp(id, CLAP_EXT_PRESET_LOAD) == 0 || std::strcmp(id, CLAP_EXT_PRESET_LOAD_COMPAT) == 0)
        return &kPresetLoad;
    return ClapEditor::extension(id);
}

void ClapPlugin::takeEvent(const clap_event_header_t& event, std::int32_t offset)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID)
        return;
    switch (event.type) {
    case CLAP_EVENT_PARAM_VALUE: {
        if (event.size < sizeof(clap_event_param_value_t))
            return;
        const auto& change = reinterpret_cast<const clap_event_param_value_t&>(event);
        if (change.param_id >= kNumParameters)
            return;
        const auto index = static_cast<std::int32_t>(change.param_id);
        engine_.parameters().set(index, clapparams::normalisedValue(index, change.value));
        markEditorChanged(index == kFftSize || index == kHopSize ? kSizeBits : changeBit(index));
        return;
    }
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE: {
        if (event.size < sizeof(clap_event_note_t))
            return;
        const auto& note = reinterpret_cast<const clap_event_note_t&>(event);
        // The synthesiser has no per-note identity: notes for "any key" are ignored.
        if (note.key < 0 || note.key > 127)
            return;
        const auto channel = static_cast<std::uint8_t>(note.channel >= 0 && note.channel < 16 ? note.channel : 0);
        const double velocity = std::clamp(std::isfinite(note.velocity) ? note.velocity : 0.0, 0.0, 1.0);
        const auto midiVelocity = static_cast<std::uint8_t>(std::lround(velocity * 127.0));
        MidiEvent midi{offset, {0, static_cast<std::uint8_t>(note.key), midiVelocity}};
        if (event.type == CLAP_EVENT_NOTE_ON) {
            midi.data[0] = static_cast<std::uint8_t>(0x90 | channel);
            midi.data[2] = std::max<std::uint8_t>(midiVelocity, 1);  // velocity 0 would be a note-off
        } else if (event.type == CLAP_EVENT_NOTE_CHOKE) {
            midi.data[0] = kChokeStatus;
        } else {
            midi.data[0] = static_cast<std::uint8_t>(0x80 | channel);
        }
        engine_.queueEvent(midi);
        return;
    }
    case CLAP_EVENT_MIDI: {
        if (event.size < sizeof(clap_event_midi_t))
            return;
        const auto& message = reinterpret_cast<const clap_event_midi_t&>(event);
        engine_.queueEvent({offset, {message.data[0], message.data[1], message.data[2]}});
        return;
    }
    default:
        return;  // transport, expressions, modulation, SysEx and MIDI 2 are not used
    }
}

void ClapPlugin::render(const clap_process_t& process, std::uint32_t from, std::uint32_t to)
{
    const auto input = [&](std::uint32_t port) -> const float* {
        if (port >= process.audio_inputs_count || !process.audio_inputs)
            return nullptr;
        const clap_audio_buffer_t& buffer = process.audio_inputs[port];
        return buffer.channel_count > 0 && buffer.data32 && buffer.data32[0] ? buffer.data32[0] : nullptr;
    };
    float* left = nullptr;
    float* right = nullptr;
    if (process.audio_outputs_count > 0 && process.audio_outputs && process.audio_outputs[0].data32) {
        const clap_audio_buffer_t& out = process.audio_outputs[0];
        left = out.channel_count > 0 ? out.data32[0] : nullptr;
        right = out.channel_count > 1 ? out.data32[1] : nullptr;
    }
    const float* voice = input(0);
    const float* carrier = input(1);
    // A missing channel is the other one: the engine then folds the two into it.
    if (!left)
        left = right;
    if (!right)
        right = left;
    if (!left)
        return;
    engine_.process(voice ? voice + from : nullptr, carrier ? carrier + from : nullptr, left + from, right + from,
                    static_cast<int>(to - from));
}

clap_process_status ClapPlugin::process(const clap_process_t& process)
{
    assert(onAudioThread());
    if (!active_)
        return CLAP_PROCESS_ERROR;
    const std::uint32_t frames = process.frames_count;
    const clap_input_events_t* in = process.in_events;
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    // Parameter changes split the block; notes wait in the engine's queue
    // with their offset into the piece that holds them.
    std::uint32_t from = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (!event)
            continue;
        const std::uint32_t time = std::clamp(event->time, from, frames);
        if (event->type == CLAP_EVENT_PARAM_VALUE && event->space_id == CLAP_CORE_EVENT_SPACE_ID && time > from) {
            render(process, from, time);
            from = time;
        }
        takeEvent(*event, static_cast<std::int32_t>(time - from));
    }
    render(process, from, frames);
    sendEditorEvents(process.out_events);
    if (!restartRequested_ && static_cast<std::uint32_t>(engine_.latency()) != activeLatency_) {
        restartRequested_ = true;
        host_->request_restart(host_);
    }
    return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i)
        if (const clap_event_header_t* event = in->get(in, i); event && event->type == CLAP_EVENT_PARAM_VALUE)
            takeEvent(*event, 0);
    sendEditorEvents(out);
}

void ClapPlugin::sendEditorEvents(const clap_output_events_t* out)
{
    if (!out || !out->try_push)
        return;
    const auto value = [this, out](std::int32_t index, float normalised) {
        clap_event_param_value_t event{};
        event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = static_cast<clap_id>(index);
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = clapparams::clapValue(index, normalised);
        out->try_push(out, &event.header);
    };
    edits_.drain(
        [out, &value](const EditQueue::Record& record) {
            if (record.kind == EditQueue::Kind::value) {
                value(record.index, record.value);
                return;
            }
            const auto type = record.kind == EditQueue::Kind::begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                     : CLAP_EVENT_PARAM_GESTURE_END;
            const clap_event_param_gesture_t event{
                {sizeof(clap_event_param_gesture_t), 0, CLAP_CORE_EVENT_SPACE_ID, static_cast<std::uint16_t>(type), 0},
                static_cast<clap_id>(record.index)};
            out->try_push(out, &event.header);
        },
        [this, &value](std::int32_t index) {
            if (index < kNumParameters)
                value(index, engine_.parameters().value(index));
        });
}

void ClapPlugin::beginEdit(std::int32_t index)
{
    if (index < 0 || index >= kNumParameters)
        return;
    edits_.begin(index);
    if (hostParams_)
        hostParams_->request_flush(host_);
}

// The store settles the value (a size may read back as its pair allows);
// the host is told the value it settled on. A size edit may change how the
// other size reads, so the editor redraws both.
void ClapPlugin::performEdit(std::int32_t index, float normalised)
{
    if (index < 0 || index >= kNumParameters)
        return;
    ParameterStore& store = engine_.parameters();
    edits_.value(index, store.set(index, normalised));
    if (index == kFftSize || index == kHopSize) {
        const std::int32_t other = index == kFftSize ? kHopSize : kFftSize;
        edits_.value(other, store.value(other));
        markEditorChanged(kSizeBits);
    } else {
        markEditorChanged(changeBit(index));
    }
    if (hostParams_)
        hostParams_->request_flush(host_);
}

void ClapPlugin::endEdit(std::int32_t index)
{
    if (index < 0 || index >= kNumParameters)
        return;
    edits_.end(index);
    if (hostParams_)
        hostParams_->request_flush(host_);
}

bool ClapPlugin::paramInfo(std::uint32_t index, clap_param_info_t& info) const
{
    if (index >= kNumParameters)
        return false;
    const auto i = static_cast<std::int32_t>(index);
    info = {};
    info.id = index;
    info.flags = CLAP_PARAM_IS_AUTOMATABLE | (clapparams::isChoice(i) ? std::uint32_t{CLAP_PARAM_IS_STEPPED} : 0u);
    copyText(info.name, kParameterTable[index].title, CLAP_NAME_SIZE - 1);
    info.min_value = clapparams::minimum(i);
    info.max_value = clapparams::maximum(i);
    info.default_value = clapparams::defaultValue(i);
    return true;
}

bool ClapPlugin::paramValue(clap_id id, double& value) const
{
    if (id >= kNumParameters)
        return false;
    const auto index = static_cast<std::int32_t>(id);
    value = clapparams::clapValue(index, engine_.parameters().value(index));
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* text, std::uint32_t capacity) const
{
    if (id >= kNumParameters)
        return false;
    clapparams::text(static_cast<std::int32_t>(id), value, text, capacity);
    return true;
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double& value) const
{
    return id < kNumParameters && clapparams::parse(static_cast<std::int32_t>(id), text, &value);
}

// While active, the latency the host took at activation; a change waits for
// the restart that process asks for.
std::uint32_t ClapPlugin::latency() const
{
    return active_ ? activeLatency_ : static_cast<std::uint32_t>(engine_.latency());
}

bool ClapPlugin::save(const clap_ostream_t& stream) const
{
    assert(onMainThread());
    clapstate::Settings settings;
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        settings.values[static_cast<size_t>(i)] = engine_.parameters().value(i);
    settings.name = programName_;
    const std::vector<std::uint8_t> bytes = clapstate::encode(settings);
    for (std::size_t done = 0; done < bytes.size();) {
        const std::int64_t written = stream.write(&stream, bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += std::min(static_cast<std::size_t>(written), bytes.size() - done);
    }
    return true;
}

bool ClapPlugin::load(const clap_istream_t& stream)
{
    assert(onMainThread());
    // One byte more than the largest state tells a longer stream apart.
    std::vector<std::uint8_t> bytes(clapstate::kMaxSize + 1);
    std::size_t size = 0;
    while (size < bytes.size()) {
        const std::int64_t read = stream.read(&stream, bytes.data() + size, bytes.size() - size);
        if (read < 0)
            return false;
        if (read == 0)
            break;
        size += std::min(static_cast<std::size_t>(read), bytes.size() - size);
    }
    bytes.resize(size);
    const std::optional<clapstate::Decoded> decoded = clapstate::decode(bytes);
    if (!decoded)
        return false;
    takeSettings(decoded->settings.values, decoded->settings.name);
    if (!decoded->ignored.empty()) {
        std::string message = "Vocoder: the saved state holds settings of a later version, ignored:";
        for (const std::string& what : decoded->ignored)
            message += " " + what;
        if (const auto* log = hostExtension<clap_host_log_t>(CLAP_EXT_LOG); log && log->log)
            log->log(host_, CLAP_LOG_WARNING, message.c_str());
        else
            std::fprintf(stderr, "%s\n", message.c_str());
    }
    return true;
}

// Every parameter's value and the program's name, as state or a preset gives
// them; the editor and the host see them all.
void ClapPlugin::takeSettings(const std::array<float, kNumParameters>& values, const std::string& name)
{
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        engine_.parameters().set(i, values[static_cast<size_t>(i)]);
    programName_ = name;
    markEditorChanged(changeBit(kNumParameters) - 1);
    if (hostParams_)
        hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
}

bool ClapPlugin::loadPreset(std::uint32_t kind, const char* location, const char* key)
{
    assert(onMainThread());
    const auto* reply = hostExtension<clap_host_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    if (!reply)
        reply = hostExtension<clap_host_preset_load_t>(CLAP_EXT_PRESET_LOAD_COMPAT);
    const FactoryPreset* preset = clapPresetToLoad(kind, location, key);
    if (!preset) {
        if (reply && reply->on_error)
            reply->on_error(host_, kind, location, key, 0, "Vocoder: no factory preset of that name");
        return false;
    }
    takeSettings(preset->allValues(), preset->name);
    if (reply && reply->loaded)
        reply->loaded(host_, kind, location, key);
    return true;
}

const clap_plugin_t* createClapPlugin(const clap_host_t* host)
{
    try {
        return (new ClapPlugin(host))->clap();
    } catch (...) {
        return nullptr;
    }
}
