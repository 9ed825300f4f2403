// vocoder: the vocoder as a JACK program for live use. A voice on
// "modulator", a carrier on "carrier" or notes on "midi_in", the result on
// "out_left" and "out_right"; the editor in a window of its own. Every
// setting is kept between runs in the user's configuration folder.
#include "JackClient.h"
#include "editor/VocoderGui.h"
#include "host/ProgramFile.h"
#include "host/Settings.h"
#include "host/StoreAccess.h"
#include "parameters/Identity.h"
#include "platform/Window.h"

#include <CLI/CLI.hpp>

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

volatile std::sig_atomic_t quitSignal = 0;

void onSignal(int signal) { quitSignal = signal; }

// The editor in a top-level window, its gestures from window events; edits
// go straight to the engine's parameters.
class EditorWindow final : public EditorHost {
public:
    explicit EditorWindow(Engine& engine) : engine_(engine), store_(engine.parameters()), meter_(engine.bandMeter()) {}
    bool open(double scale)
    {
        gui_.setScale(scale);
        return gui_.openTopLevel(identity::kName);
    }
    // False once the user closed the window.
    bool idle()
    {
        gui_.idle();
        return gui_.isOpen() && !gui_.closeAsked();
    }

    float parameterValue(std::int32_t index) override { return store_.value(index); }
    void parameterText(std::int32_t index, char* text) override
    {
        text[0] = 0;
        store_.display(index, text);
    }
    void beginEdit(std::int32_t) override {}
    void performEdit(std::int32_t index, float value) override
    {
        store_.set(index, value);
        if (index == kFftSize || index == kHopSize) {  // the pair shows both
            gui_.parameterChanged(kFftSize);
            gui_.parameterChanged(kHopSize);
        }
    }
    void endEdit(std::int32_t) override {}
    void gestureIdle() override {}
    bool resizeWindow(std::int32_t, std::int32_t) override { return false; }
    int bandLevels(float* voice, float* output, int capacity) override { return meter_.read(voice, output, capacity); }
    bool tunerReading(float& sung, float& held) override { return engine_.tunerReading(sung, held); }

private:
    const Engine& engine_;
    ParameterStore& store_;
    const BandMeter& meter_;
    VocoderGui gui_{*this, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended};
};

std::filesystem::path settingsFile()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::filesystem::path base = config && *config ? std::filesystem::path(config)
                                                         : std::filesystem::path(home ? home : ".") / ".config";
    return base / "vocoder" / "settings.fxp";
}

// The saved settings, if any; a file that does not read is reported and
// replaced at exit. Values a later version saved after the ones this version
// knows are returned, to be written back unchanged.
std::vector<float> loadSettings(StoreAccess& access, const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return {};
    try {
        const ProgramFile settings = readProgramFile(file.string(), kVocoderUniqueId, kNumParameters);
        applyProgram(access, settings);
        if (!settings.ignored.empty())
            std::fprintf(stderr, "vocoder: the saved settings: %s (they are kept in the file)\n",
                         settings.ignored.c_str());
        return settings.later;
    } catch (const HostError& e) {
        std::fprintf(stderr, "vocoder: ignoring the saved settings (%s)\n", e.what());
        return {};
    }
}

bool saveSettings(const StoreAccess& access, const std::vector<float>& later, const std::filesystem::path& file)
{
    try {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (error)
            throw HostError("cannot make " + file.parent_path().string() + ": " + error.message());
        ProgramFile program = currentProgram(access, kVocoderUniqueId, kVocoderVersion);
        program.values.insert(program.values.end(), later.begin(), later.end());
        writeProgramFile(file.string(), program);
        return true;
    } catch (const HostError& e) {
        std::fprintf(stderr, "vocoder: the settings were not saved: %s\n", e.what());
        return false;
    }
}

struct Options {
    std::string name = identity::kName;
    bool connect = false;
    bool noGui = false;
    std::string preset;
    std::vector<std::string> settings;
    bool listParameters = false;
    bool listPresets = false;
    double scale = 0.0;  // 0: the desktop's
};

int run(const Options& options)
{
    // From the start, so that an interrupt while starting still ends cleanly.
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    Engine engine{Dialect::extended};
    StoreAccess access(engine.parameters());
    const std::filesystem::path file = settingsFile();
    const std::vector<float> laterSettings = loadSettings(access, file);
    try {
        if (!options.preset.empty()) {
            const ProgramFile preset = presetProgram(options.preset, kVocoderUniqueId, kNumParameters);
            applyProgram(access, preset);
            if (!preset.ignored.empty())
                std::fprintf(stderr, "vocoder: %s\n", preset.ignored.c_str());
        }
        for (const std::string& setting : options.settings)
            applySetting(access, setting);
    } catch (const HostError& e) {
        std::fprintf(stderr, "vocoder: %s\n", e.what());
        return 1;
    }
    if (options.listParameters || options.listPresets) {
        if (options.listPresets)
            printPresets();
        if (options.listParameters)
            printParameters(access);
        return 0;
    }

    // The signals wait while the client opens: an interrupted call into the
    // server would fail the start. JACK's threads, made meanwhile, keep them
    // blocked, so they reach this thread once unblocked below.
    sigset_t quitSignals;
    sigemptyset(&quitSignals);
    sigaddset(&quitSignals, SIGINT);
    sigaddset(&quitSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &quitSignals, nullptr);
    JackClient client(engine);
    std::string error;
    const JackClient::OpenResult opened = client.open(options.name, error);
    pthread_sigmask(SIG_UNBLOCK, &quitSignals, nullptr);
    switch (opened) {
    case JackClient::OpenResult::opened: break;
    case JackClient::OpenResult::noServer:
        std::fprintf(stderr,
                     "vocoder: no JACK server is running. Start one (for example \"jackd -d alsa\", or from "
                     "QjackCtl), or run under PipeWire: \"pw-jack vocoder\".\n");
        return 1;
    case JackClient::OpenResult::nameTaken:
        std::fprintf(stderr, "vocoder: a JACK client named \"%s\" is already running; choose another with --name.\n",
                     options.name.c_str());
        return 1;
    case JackClient::OpenResult::failed: std::fprintf(stderr, "vocoder: %s\n", error.c_str()); return 1;
    }
    if (options.connect) {
        // The carrier from the second capture port when it is input 2 (a
        // line-in synthesiser beside the microphone), as the settings say.
        const bool audioCarrier = mapping::carrier(engine.parameters().value(kCarrier)) == CarrierSource::Audio2;
        for (const std::string& connection : client.connectDefaults(audioCarrier))
            std::printf("vocoder: connected %s\n", connection.c_str());
        std::fflush(stdout);
    }

    std::unique_ptr<EditorWindow> editor;
    if (!options.noGui) {
        editor = std::make_unique<EditorWindow>(engine);
        if (!editor->open(options.scale > 0.0 ? options.scale : platform::Window::desktopScale())) {
            std::fprintf(stderr, "vocoder: cannot open a window (is DISPLAY set?); --no-gui runs without one.\n");
            client.close();
            return 1;
        }
    }
    int status = 0;
    while (!quitSignal) {
        if (editor && !editor->idle())
            break;
        if (client.serverGone()) {
            std::fprintf(stderr, "vocoder: the JACK server went away.\n");
            status = 1;
            break;
        }
        client.updateLatency();
        platform::sleepMilliseconds(20);
    }
    editor.reset();
    client.close();
    if (!saveSettings(access, laterSettings, file))
        status = 1;
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app("The vocoder as a JACK client: a voice on \"modulator\" shapes a carrier on \"carrier\" or the "
                 "synthesiser played on \"midi_in\"; the result on \"out_left\" and \"out_right\". The settings are "
                 "kept between runs in $XDG_CONFIG_HOME/vocoder (~/.config/vocoder).",
                 "vocoder");
    app.set_version_flag("--version", std::string("vocoder ") + identity::kVersion, "print the version and stop");
    app.add_option("--name", options.name, "the JACK client's name (default \"Vocoder\")");
    app.add_flag("--connect", options.connect,
                 "connect the first capture port to modulator (and the second to carrier when Carrier is Audio2), "
                 "out_left and out_right to the first two playback ports, and every MIDI output to midi_in; "
                 "print each connection made");
    app.add_flag("--no-gui", options.noGui, "run without the editor's window (and without an X server)");
    app.add_option("--scale", options.scale,
                   "draw the window at 1, 1.5 or 2 pixels to a point (default: the desktop's Xft.dpi over 96, "
                   "taken to the nearest)")
        ->check(CLI::Range(1.0, 2.0));
    app.add_option("--preset", options.preset, "a factory preset by name or a program file (.fxp), applied before any --set");
    app.add_option("--set", options.settings,
                   kSetHelp);
    app.add_flag("--list-params", options.listParameters,
                 "print every parameter as the program would start (after the saved settings, --preset and --set), "
                 "and stop");
    app.add_flag("--list-presets", options.listPresets, "print the factory presets' names and what each is for, and stop");
    CLI11_PARSE(app, argc, argv);
    return run(options);
}
