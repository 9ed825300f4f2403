// A CLAP host of our own for tests: loads the built Vocoder.clap with
// dlopen as hosts do, reaches the plug-in only through clap_entry, and
// records what the plug-in asks of it.
#pragma once

#include "formats/clap/clap_abi.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

class ClapLibrary {
public:
    ClapLibrary();
    ~ClapLibrary();
    ClapLibrary(const ClapLibrary&) = delete;
    ClapLibrary& operator=(const ClapLibrary&) = delete;

    const clap_plugin_entry_t* entry() const { return entry_; }
    const clap_plugin_factory_t* factory() const { return factory_; }

private:
    void* library_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_factory_t* factory_ = nullptr;
};

// Events for one call, kept as the host's list.
class EventList {
public:
    void paramValue(std::uint32_t time, clap_id id, double value);
    void note(std::uint16_t type, std::uint32_t time, std::int16_t key, double velocity, std::int16_t channel = 0);
    void midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void clear() { events_.clear(); }
    const clap_input_events_t* input() { return &input_; }

private:
    template <typename Event>
    void add(const Event& event)
    {
        std::vector<std::uint8_t> bytes(sizeof event);
        std::memcpy(bytes.data(), &event, sizeof event);
        events_.push_back(std::move(bytes));
    }
    static std::uint32_t size(const clap_input_events_t* list);
    static const clap_event_header_t* get(const clap_input_events_t* list, std::uint32_t index);

    std::vector<std::vector<std::uint8_t>> events_;
    clap_input_events_t input_{this, size, get};
};

// A state in memory: written whole, read back in pieces of at most 7 bytes
// (as a slow stream hands them out).
struct MemoryStream {
    std::vector<std::uint8_t> bytes;
    size_t read = 0;
    clap_ostream_t out{this, [](const clap_ostream_t* s, const void* data, std::uint64_t size) -> std::int64_t {
                           auto& bytes = static_cast<MemoryStream*>(s->ctx)->bytes;
                           const auto* p = static_cast<const std::uint8_t*>(data);
                           bytes.insert(bytes.end(), p, p + size);
                           return static_cast<std::int64_t>(size);
                       }};
    clap_istream_t in{this, [](const clap_istream_t* s, void* data, std::uint64_t size) -> std::int64_t {
                          auto& m = *static_cast<MemoryStream*>(s->ctx);
                          const size_t n = std::min<size_t>({size, 7, m.bytes.size() - m.read});
                          if (n > 0)
                              std::memcpy(data, m.bytes.data() + m.read, n);
                          m.read += n;
                          return static_cast<std::int64_t>(n);
                      }};
};

// One plug-in instance and the host around it.
class ClapInstance {
public:
    explicit ClapInstance(const ClapLibrary& library, bool withTimers = true);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    const clap_plugin_t* plugin() const { return plugin_; }
    template <typename Extension>
    const Extension* extension(const char* id) const
    {
        return static_cast<const Extension*>(plugin_->get_extension(plugin_, id));
    }
    const clap_plugin_params_t& params() const { return *params_; }

    bool activate(double rate = 44100.0, std::uint32_t largestBlock = 4096);
    void deactivate();
    // The events through params.flush (on the audio thread while active).
    void flush(EventList& events);
    double value(clap_id id) const;
    std::string text(clap_id id, double value) const;
    // One block: mono inputs, a stereo output.
    clap_process_status process(const float* voice, const float* carrier, float* left, float* right,
                                std::uint32_t frames, EventList& events);

    // What the plug-in asked of the host.
    int restarts = 0, rescans = 0, flushRequests = 0, latencyChanges = 0;
    std::vector<clap_id> timers;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;  // each granted
    std::vector<std::vector<std::uint8_t>> outputEvents;
    std::vector<std::string> logs;
    std::vector<std::string> presetsLoaded, presetErrors;  // by their keys
    bool audioThread = false;

private:
    static const void* hostExtension(const clap_host_t* host, const char* id);
    static ClapInstance& of(const clap_host_t* host) { return *static_cast<ClapInstance*>(host->host_data); }

    bool withTimers_;
    std::thread::id mainThread_ = std::this_thread::get_id();
    clap_host_t host_;
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    bool active_ = false, processing_ = false;
    clap_output_events_t output_;
};
