// The vocoder as a JACK client: audio inputs "modulator" and "carrier",
// outputs "out_left" and "out_right" (apart only where Width spreads the bands), a MIDI input
// "midi_in". The engine runs in JACK's process callback and never
// allocates, locks or waits there; blocks longer than the engine was
// prepared for are processed in pieces. The ports' latency ranges carry the
// engine's delay.
#pragma once

#include "engine/Engine.h"

#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

class JackClient {
public:
    enum class OpenResult { opened, noServer, nameTaken, failed };

    explicit JackClient(Engine& engine) : engine_(engine) {}
    ~JackClient() { close(); }
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // Opens the client under exactly this name (without starting a server),
    // prepares the engine for the server's rate, registers the ports and
    // activates. `error` says what went wrong otherwise.
    OpenResult open(const std::string& name, std::string& error);
    void close();

    // The voice from the first capture port, with `audioCarrier` the
    // carrier from the second, the outputs to the first two playback ports,
    // midi_in from every MIDI output there is. Returns each connection made,
    // as "from -> to".
    std::vector<std::string> connectDefaults(bool audioCarrier);
    // Tells JACK when the engine's delay changed since it last reported it
    // (a mode or size change). Not on the process thread.
    void updateLatency();
    // The server went away (or shut the client down).
    bool serverGone() const { return serverGone_.load(); }

private:
    static OpenResult whyRefused(const std::string& name);
    static int process(jack_nframes_t frames, void* self);
    static int sampleRateChanged(jack_nframes_t rate, void* self);
    static void latency(jack_latency_callback_mode_t mode, void* self);
    static void shutdown(void* self);

    // The block the engine reserves for; it splits longer ones itself.
    static constexpr int kLargestPiece = 4096;

    Engine& engine_;
    jack_client_t* client_ = nullptr;
    jack_port_t* modulator_ = nullptr;
    jack_port_t* carrier_ = nullptr;
    jack_port_t* outLeft_ = nullptr;
    jack_port_t* outRight_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    std::atomic<int> reportedLatency_{-1};
    std::atomic<bool> serverGone_{false};
};
