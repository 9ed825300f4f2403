// The CLAP plug-in: translates the host's calls into the engine's and the
// editor's. Parameters arrive as events in the process call (the block is
// split at each one, so that it takes effect at its sample) or in flush;
// notes and MIDI go to the engine's queue at their frames. The editor's
// gestures go back to the host as events from the next process or flush.
//
// Threads: the host's main thread calls everything but process, reset and
// (while active) flush, which run on its audio thread. They meet in the
// engine's parameter store, the edit queue and the editor's change mask.
#pragma once

#include "clap_abi.h"
#include "EditQueue.h"
#include "engine/Engine.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ClapEditor;

class ClapPlugin {
public:
    static const clap_plugin_descriptor_t kDescriptor;

    explicit ClapPlugin(const clap_host_t* host);
    ~ClapPlugin();
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap_plugin_t* clap() const { return &plugin_; }
    static ClapPlugin& of(const clap_plugin_t* plugin) { return *static_cast<ClapPlugin*>(plugin->plugin_data); }

    const clap_host_t* host() const { return host_; }
    template <typename Extension>
    const Extension* hostExtension(const char* id) const
    {
        return host_->get_extension ? static_cast<const Extension*>(host_->get_extension(host_, id)) : nullptr;
    }
    bool onMainThread() const;
    bool onAudioThread() const;

    // For the editor (main thread).
    const ParameterStore& parameters() const { return engine_.parameters(); }
    const BandMeter& bandMeter() const { return engine_.bandMeter(); }
    bool tunerReading(float& sung, float& held) const { return engine_.tunerReading(sung, held); }
    void beginEdit(std::int32_t index);
    void performEdit(std::int32_t index, float normalised);
    void endEdit(std::int32_t index);
    // The parameters the host changed since the last call, one bit each.
    ChangeMask takeEditorChanges() { return editorChanges_.exchange(0, std::memory_order_acquire); }
    // The editor while the host has one open (main thread).
    std::unique_ptr<ClapEditor>& editor() { return editor_; }

private:
    // The plug-in record's calls.
    bool init();
    bool activate(double sampleRate, std::uint32_t largestBlock);
    void deactivate();
    void reset();
    clap_process_status process(const clap_process_t& process);
    const void* extension(const char* id) const;

    // Parameters, latency, state.
    bool paramInfo(std::uint32_t index, clap_param_info_t& info) const;
    bool paramValue(clap_id id, double& value) const;
    bool valueToText(clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool textToValue(clap_id id, const char* text, double& value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);
    std::uint32_t latency() const;
    bool save(const clap_ostream_t& stream) const;
    bool load(const clap_istream_t& stream);
    // A factory preset the host found through preset discovery (main thread).
    bool loadPreset(std::uint32_t kind, const char* location, const char* key);

    // Applies one event that is not audio: parameter values now; notes and
    // MIDI at `offset` in the next piece rendered.
    void takeEvent(const clap_event_header_t& event, std::int32_t offset);
    void render(const clap_process_t& process, std::uint32_t from, std::uint32_t to);
    void sendEditorEvents(const clap_output_events_t* out);
    void markEditorChanged(ChangeMask bits) { editorChanges_.fetch_or(bits, std::memory_order_release); }

    clap_plugin_t plugin_;
    const clap_host_t* host_;
    const clap_host_thread_check_t* threadCheck_ = nullptr;
    const clap_host_params_t* hostParams_ = nullptr;
    const clap_host_latency_t* hostLatency_ = nullptr;
    Engine engine_{Dialect::extended};
    bool active_ = false;
    std::uint32_t activeLatency_ = 0;  // as the host took it at the last activation
    bool restartRequested_ = false;
    // The editor's gestures and edits not yet told to the host, in order.
    EditQueue edits_;
    std::atomic<ChangeMask> editorChanges_{0};  // host changes the editor has not shown
    void takeSettings(const std::array<float, kNumParameters>& values, const std::string& name);
    std::string programName_ = "Init";
    std::unique_ptr<ClapEditor> editor_;

    friend struct ClapCalls;
};
