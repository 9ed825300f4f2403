#include "ClapTestHost.h"

#include <dlfcn.h>

#include <stdexcept>

ClapLibrary::ClapLibrary()
{
    library_ = dlopen(VOCODER_CLAP_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library_)
        throw std::runtime_error(dlerror());
    entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(library_, "clap_entry"));
    if (!entry_ || !entry_->init(VOCODER_CLAP_PATH))
        throw std::runtime_error("no clap_entry, or it did not start");
    factory_ = static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

ClapLibrary::~ClapLibrary()
{
    if (entry_)
        entry_->deinit();
    if (library_)
        dlclose(library_);
}

void EventList::paramValue(std::uint32_t time, clap_id id, double value)
{
    clap_event_param_value_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    add(event);
}

void EventList::note(std::uint16_t type, std::uint32_t time, std::int16_t key, double velocity, std::int16_t channel)
{
    clap_event_note_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    event.note_id = -1;
    event.port_index = 0;
    event.channel = channel;
    event.key = key;
    event.velocity = velocity;
    add(event);
}

void EventList::midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    clap_event_midi_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    event.data[0] = status;
    event.data[1] = data1;
    event.data[2] = data2;
    add(event);
}

std::uint32_t EventList::size(const clap_input_events_t* list)
{
    return static_cast<std::uint32_t>(static_cast<EventList*>(list->ctx)->events_.size());
}

const clap_event_header_t* EventList::get(const clap_input_events_t* list, std::uint32_t index)
{
    auto& events = static_cast<EventList*>(list->ctx)->events_;
    return index < events.size() ? reinterpret_cast<const clap_event_header_t*>(events[index].data()) : nullptr;
}

namespace {

const clap_host_params_t kHostParams = {
    [](const clap_host_t* host, std::uint32_t) { ++static_cast<ClapInstance*>(host->host_data)->rescans; },
    [](const clap_host_t*, clap_id, std::uint32_t) {},
    [](const clap_host_t* host) { ++static_cast<ClapInstance*>(host->host_data)->flushRequests; }};

const clap_host_timer_support_t kHostTimers = {
    [](const clap_host_t* host, std::uint32_t, clap_id* id) {
        auto& timers = static_cast<ClapInstance*>(host->host_data)->timers;
        *id = static_cast<clap_id>(timers.size() + 1);
        timers.push_back(*id);
        return true;
    },
    [](const clap_host_t* host, clap_id id) {
        auto& timers = static_cast<ClapInstance*>(host->host_data)->timers;
        std::erase(timers, id);
        return true;
    }};

}  // namespace

ClapInstance::ClapInstance(const ClapLibrary& library, bool withTimers)
    : withTimers_(withTimers),
      host_{CLAP_VERSION, this, "tests", "Velmora", "", "1", hostExtension,
            [](const clap_host_t* host) { ++of(host).restarts; }, [](const clap_host_t*) {},
            [](const clap_host_t*) {}},
      output_{this, [](const clap_output_events_t* list, const clap_event_header_t* event) {
                  auto* bytes = reinterpret_cast<const std::uint8_t*>(event);
                  static_cast<ClapInstance*>(list->ctx)->outputEvents.emplace_back(bytes, bytes + event->size);
                  return true;
              }}
{
    plugin_ = library.factory()->create_plugin(library.factory(), &host_, "com.velmora.vocoder");
    if (!plugin_ || !plugin_->init(plugin_))
        throw std::runtime_error("the plug-in was not created");
    params_ = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
}

ClapInstance::~ClapInstance()
{
    deactivate();
    if (plugin_)
        plugin_->destroy(plugin_);
}

const void* ClapInstance::hostExtension(const clap_host_t* host, const char* id)
{
    static const clap_host_thread_check_t threadCheck = {
        [](const clap_host_t* h) { return std::this_thread::get_id() == of(h).mainThread_; },
        [](const clap_host_t* h) { return of(h).audioThread; }};
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &kHostParams;
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0)
        return &threadCheck;
    static const clap_host_log_t log = {[](const clap_host_t* h, std::int32_t, const char* message) {
        of(h).logs.emplace_back(message);
    }};
    if (std::strcmp(id, CLAP_EXT_LOG) == 0)
        return &log;
    static const clap_host_latency_t latency = {[](const clap_host_t* h) { ++of(h).latencyChanges; }};
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0)
        return &latency;
    static const clap_host_preset_load_t presetLoad = {
        [](const clap_host_t* h, std::uint32_t, const char*, const char* key, std::int32_t, const char*) {
            of(h).presetErrors.emplace_back(key ? key : "");
        },
        [](const clap_host_t* h, std::uint32_t, const char*, const char* key) { of(h).presetsLoaded.emplace_back(key); }};
    if (std::strcmp(id, CLAP_EXT_PRESET_LOAD) == 0)
        return &presetLoad;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0 && of(host).withTimers_)
        return &kHostTimers;
    static const clap_host_gui_t gui = {
        [](const clap_host_t*) {},
        [](const clap_host_t* h, std::uint32_t width, std::uint32_t height) {
            of(h).resizeRequests.push_back({width, height});
            return true;
        },
        [](const clap_host_t*) { return false; }, [](const clap_host_t*) { return false; },
        [](const clap_host_t*, bool) {}};
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
        return &gui;
    return nullptr;
}

bool ClapInstance::activate(double rate, std::uint32_t largestBlock)
{
    deactivate();
    active_ = plugin_->activate(plugin_, rate, 1, largestBlock);
    audioThread = true;
    processing_ = active_ && plugin_->start_processing(plugin_);
    audioThread = false;
    return active_;
}

void ClapInstance::deactivate()
{
    if (processing_) {
        audioThread = true;
        plugin_->stop_processing(plugin_);
        audioThread = false;
    }
    if (active_)
        plugin_->deactivate(plugin_);
    active_ = processing_ = false;
}

void ClapInstance::flush(EventList& events)
{
    audioThread = active_;
    params_->flush(plugin_, events.input(), &output_);
    audioThread = false;
}

double ClapInstance::value(clap_id id) const
{
    double v = -1.0;
    params_->get_value(plugin_, id, &v);
    return v;
}

std::string ClapInstance::text(clap_id id, double value) const
{
    char text[256] = {};
    params_->value_to_text(plugin_, id, value, text, sizeof text);
    return text;
}

clap_process_status ClapInstance::process(const float* voice, const float* carrier, float* left, float* right,
                                          std::uint32_t frames, EventList& events)
{
    float* inputs[2] = {const_cast<float*>(voice), const_cast<float*>(carrier)};
    float* outputs[2] = {left, right};
    const clap_audio_buffer_t in[2] = {{&inputs[0], nullptr, 1, 0, 0}, {&inputs[1], nullptr, 1, 0, 0}};
    clap_audio_buffer_t out = {outputs, nullptr, 2, 0, 0};
    const clap_process_t process = {0, frames, nullptr, in, &out, 2, 1, events.input(), &output_};
    audioThread = true;
    const clap_process_status status = plugin_->process(plugin_, &process);
    audioThread = false;
    return status;
}
