#include "JackClient.h"

#include <cerrno>

#include <jack/midiport.h>

#include <algorithm>

namespace {

void quiet(const char*) {}

}  // namespace

JackClient::OpenResult JackClient::open(const std::string& name, std::string& error)
{
    // libjack's own messages about a missing server would only repeat ours.
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    client_ = jack_client_open(name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), &status);
    if (!client_) {
        const OpenResult result = status & JackNameNotUnique ? OpenResult::nameTaken : whyRefused(name);
        jack_set_error_function(nullptr);
        jack_set_info_function(nullptr);
        if (result == OpenResult::failed)
            error = "the JACK server refused the client (status " + std::to_string(static_cast<int>(status)) + ")";
        return result;
    }
    jack_set_error_function(nullptr);
    jack_set_info_function(nullptr);
    engine_.prepare(static_cast<float>(jack_get_sample_rate(client_)), kLargestPiece);
    const auto audio = [this](const char* port, unsigned long flags) {
        return jack_port_register(client_, port, JACK_DEFAULT_AUDIO_TYPE, flags, 0);
    };
    modulator_ = audio("modulator", JackPortIsInput);
    carrier_ = audio("carrier", JackPortIsInput);
    outLeft_ = audio("out_left", JackPortIsOutput);
    outRight_ = audio("out_right", JackPortIsOutput);
    midiIn_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!modulator_ || !carrier_ || !outLeft_ || !outRight_ || !midiIn_ ||
        jack_set_process_callback(client_, process, this) != 0 ||
        jack_set_sample_rate_callback(client_, sampleRateChanged, this) != 0 ||
        jack_set_latency_callback(client_, latency, this) != 0) {
        error = "the JACK server refused the client's ports or callbacks";
        close();
        return OpenResult::failed;
    }
    jack_on_shutdown(client_, shutdown, this);
    reportedLatency_ = engine_.latency();
    if (jack_activate(client_) != 0) {
        error = "the JACK server did not start the client";
        close();
        return OpenResult::failed;
    }
    return OpenResult::opened;
}

// The server reports a taken name as a failure to reach it: a client of
// another name tells the two apart.
JackClient::OpenResult JackClient::whyRefused(const std::string& name)
{
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("vocoder-probe", JackNoStartServer, &status);
    if (!probe)
        return OpenResult::noServer;
    char* uuid = jack_get_uuid_for_client_name(probe, name.c_str());
    const OpenResult result = uuid ? OpenResult::nameTaken : OpenResult::failed;
    jack_free(uuid);
    jack_client_close(probe);
    return result;
}

void JackClient::close()
{
    if (!client_)
        return;
    if (!serverGone_)
        jack_deactivate(client_);
    jack_client_close(client_);
    client_ = nullptr;
}

std::vector<std::string> JackClient::connectDefaults(bool audioCarrier)
{
    std::vector<std::string> made;
    const auto connect = [&](const char* from, const char* to) {
        const int result = jack_connect(client_, from, to);
        if (result == 0 || result == EEXIST)
            made.push_back(std::string(from) + " -> " + to);
    };
    const auto connectAll = [this](const char* type, unsigned long flags, auto&& each) {
        if (const char** ports = jack_get_ports(client_, nullptr, type, flags)) {
            for (int i = 0; ports[i]; ++i)
                each(i, ports[i]);
            jack_free(ports);
        }
    };
    connectAll(JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsOutput, [&](int i, const char* port) {
        if (i == 0)
            connect(port, jack_port_name(modulator_));
        else if (i == 1 && audioCarrier)
            connect(port, jack_port_name(carrier_));
    });
    connectAll(JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput, [&](int i, const char* port) {
        if (i < 2)
            connect(jack_port_name(i == 0 ? outLeft_ : outRight_), port);
    });
    connectAll(JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput,
               [&](int, const char* port) { connect(port, jack_port_name(midiIn_)); });
    return made;
}

void JackClient::updateLatency()
{
    const int delay = engine_.latency();
    if (client_ && !serverGone_ && reportedLatency_.exchange(delay) != delay)
        jack_recompute_total_latencies(client_);
}

int JackClient::process(jack_nframes_t frames, void* self)
{
    auto& c = *static_cast<JackClient*>(self);
    void* midi = jack_port_get_buffer(c.midiIn_, frames);
    const jack_nframes_t events = jack_midi_get_event_count(midi);
    for (jack_nframes_t i = 0; i < events; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, midi, i) != 0 || event.size == 0 || event.size > 3)
            continue;
        MidiEvent message{static_cast<std::int32_t>(event.time), {event.buffer[0], 0, 0}};
        for (size_t b = 1; b < event.size; ++b)
            message.data[b] = event.buffer[b];
        c.engine_.queueEvent(message);
    }
    const auto* modulator = static_cast<const float*>(jack_port_get_buffer(c.modulator_, frames));
    const auto* carrier = static_cast<const float*>(jack_port_get_buffer(c.carrier_, frames));
    auto* left = static_cast<float*>(jack_port_get_buffer(c.outLeft_, frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(c.outRight_, frames));
    c.engine_.process(modulator, carrier, left, right, static_cast<int>(frames));
    return 0;
}

int JackClient::sampleRateChanged(jack_nframes_t rate, void* self)
{
    static_cast<JackClient*>(self)->engine_.setSampleRate(static_cast<float>(rate));
    return 0;
}

// What reaches an output left an input the engine's delay earlier, and the
// other way round.
void JackClient::latency(jack_latency_callback_mode_t mode, void* self)
{
    auto& c = *static_cast<JackClient*>(self);
    const auto delay = static_cast<jack_nframes_t>(std::max(0, c.engine_.latency()));
    jack_latency_range_t range;
    if (mode == JackCaptureLatency) {
        jack_latency_range_t in{~0u, 0};
        for (jack_port_t* port : {c.modulator_, c.carrier_}) {
            jack_port_get_latency_range(port, mode, &range);
            in = {std::min(in.min, range.min), std::max(in.max, range.max)};
        }
        range = {in.min + delay, in.max + delay};
        jack_port_set_latency_range(c.outLeft_, mode, &range);
        jack_port_set_latency_range(c.outRight_, mode, &range);
    } else {
        jack_latency_range_t out{~0u, 0};
        for (jack_port_t* port : {c.outLeft_, c.outRight_}) {
            jack_port_get_latency_range(port, mode, &range);
            out = {std::min(out.min, range.min), std::max(out.max, range.max)};
        }
        range = {out.min + delay, out.max + delay};
        for (jack_port_t* port : {c.modulator_, c.carrier_, c.midiIn_})
            jack_port_set_latency_range(port, mode, &range);
    }
}

void JackClient::shutdown(void* self) { static_cast<JackClient*>(self)->serverGone_ = true; }
