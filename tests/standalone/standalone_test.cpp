// The standalone program as users run it, on the JACK server the test
// command starts (JACK_DEFAULT_SERVER): clients of our own play a voice, a
// carrier and notes into `vocoder --no-gui` and record its outputs, which
// equal the VST 2 library's render (the Clear engine's: the built-in
// engine's render); the ports report the delay an impulse
// shows; the settings file round-trips; errors a user meets; the window.
// Without a server these tests skip, unless VOCODER_REQUIRE_JACK is set.
#include "../platform/TestDisplay.h"  // gtest before Xlib

#include <X11/Xatom.h>

#include "BuiltInRender.h"
#include "host/HostError.h"
#include "host/ProgramFile.h"
#include "parameters/Identity.h"
#include "parameters/ParameterTable.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

bool serverRunning()
{
    jack_status_t status{};
    jack_set_error_function([](const char*) {});
    jack_client_t* probe = jack_client_open("vocoder-test-probe", JackNoStartServer, &status);
    jack_set_error_function(nullptr);
    if (probe)
        jack_client_close(probe);
    return probe != nullptr;
}

#define REQUIRE_JACK()                                               \
    do {                                                             \
        if (!serverRunning()) {                                      \
            if (std::getenv("VOCODER_REQUIRE_JACK"))                 \
                FAIL() << "no JACK server";                          \
            GTEST_SKIP() << "no JACK server";                        \
        }                                                            \
    } while (false)

// `vocoder` in a process of its own, its settings in a folder of the test's.
class Program {
public:
    Program(const fs::path& config, std::vector<std::string> args, const char* server = nullptr)
        : log_(config / "stderr.txt"), out_(config / "stdout.txt")
    {
        fs::create_directories(config);
        pid_ = fork();
        if (pid_ == 0) {
            setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            if (server)
                setenv("JACK_DEFAULT_SERVER", server, 1);
            const int err = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(err, 2);
            const int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            std::vector<char*> argv{const_cast<char*>(VOCODER_PATH)};
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(VOCODER_PATH, argv.data());
            _exit(127);
        }
    }
    ~Program()
    {
        if (pid_ > 0 && !exited_)
            stop(SIGKILL);
    }
    // Sends the signal and waits; the exit code (or -1 after a crash or a hang).
    int stop(int signal = SIGTERM)
    {
        kill(pid_, signal);
        return wait();
    }
    int wait(std::chrono::milliseconds limit = 10s)
    {
        int status = 0;
        for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    std::string errors() const { return read(log_); }
    std::string output() const { return read(out_); }

private:
    static std::string read(const fs::path& file)
    {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path log_, out_;
    pid_t pid_ = -1;
    bool exited_ = false;
};

// Waits until the program's client has its ports.
bool started(const std::string& program)
{
    jack_client_t* probe = jack_client_open("vocoder-test-watcher", JackNoStartServer, nullptr);
    bool found = false;
    for (int i = 0; probe && i < 1000 && !found; ++i) {
        found = jack_port_by_name(probe, (program + ":midi_in").c_str()) != nullptr;
        if (!found)
            std::this_thread::sleep_for(10ms);
    }
    if (probe)
        jack_client_close(probe);
    return found;
}

fs::path freshFolder(const std::string& name)
{
    const fs::path folder = fs::temp_directory_path() / ("vocoder-standalone-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// Two clients of our own around the program: one plays into its inputs,
// one records its outputs, each noting the frame time it started at, so
// that the recording lines up with what was played (JACK runs the three in
// graph order within each cycle).
class Rig {
public:
    explicit Rig(const Signals& in, std::vector<Note> notes = {}) : in_(in), notes_(std::move(notes))
    {
        player_ = jack_client_open("vocoder-test-player", JackNoStartServer, nullptr);
        recorder_ = jack_client_open("vocoder-test-recorder", JackNoStartServer, nullptr);
        if (!player_ || !recorder_)
            throw std::runtime_error("the test's JACK clients did not open");
        voice_ = jack_port_register(player_, "voice", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        carrier_ = jack_port_register(player_, "carrier", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        midi_ = jack_port_register(player_, "midi", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        left_ = jack_port_register(recorder_, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        right_ = jack_port_register(recorder_, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        recordedLeft_.assign(in.voice.size() + 4096, 0.0f);
        recordedRight_ = recordedLeft_;
        jack_set_process_callback(player_, play, this);
        jack_set_process_callback(recorder_, record, this);
        jack_activate(player_);
        jack_activate(recorder_);
    }
    ~Rig()
    {
        jack_client_close(player_);
        jack_client_close(recorder_);
    }

    // Connects everything once the program's client is active (its ports
    // appear a moment before, and connections to them fail until then).
    bool connect(const std::string& program)
    {
        const auto made = [](int result) { return result == 0 || result == EEXIST; };
        for (int attempt = 0; attempt < 1000; ++attempt) {
            if (made(jack_connect(player_, jack_port_name(voice_), (program + ":modulator").c_str())) &&
                made(jack_connect(player_, jack_port_name(carrier_), (program + ":carrier").c_str())) &&
                made(jack_connect(player_, jack_port_name(midi_), (program + ":midi_in").c_str())) &&
                made(jack_connect(recorder_, (program + ":out_left").c_str(), jack_port_name(left_))) &&
                made(jack_connect(recorder_, (program + ":out_right").c_str(), jack_port_name(right_))))
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    // Plays the signals once, with the notes, and returns both outputs'
    // recordings, aligned with what was played.
    Stereo playAndRecord()
    {
        go_ = true;
        for (auto end = std::chrono::steady_clock::now() + 30s; !done_;) {
            if (std::chrono::steady_clock::now() > end) {
                ADD_FAILURE() << "the recording did not finish (the server stopped calling our clients)";
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        const long shift = static_cast<long>(recordStart_ - playStart_);
        const auto aligned = [&](const std::vector<float>& recorded) {
            std::vector<float> out(in_.voice.size());
            for (size_t i = 0; i < out.size(); ++i) {
                const long at = static_cast<long>(i) - shift;
                out[i] = at >= 0 && at < static_cast<long>(recorded.size()) ? recorded[static_cast<size_t>(at)] : 0;
            }
            return out;
        };
        return {aligned(recordedLeft_), aligned(recordedRight_)};
    }
    jack_latency_range_t outputLatency() const
    {
        jack_latency_range_t range{};
        jack_port_get_latency_range(left_, JackCaptureLatency, &range);
        return range;
    }

private:
    static int play(jack_nframes_t frames, void* self)
    {
        auto& r = *static_cast<Rig*>(self);
        auto* voice = static_cast<float*>(jack_port_get_buffer(r.voice_, frames));
        auto* carrier = static_cast<float*>(jack_port_get_buffer(r.carrier_, frames));
        void* midi = jack_port_get_buffer(r.midi_, frames);
        jack_midi_clear_buffer(midi);
        if (r.go_ && !r.playing_) {
            r.playing_ = true;
            r.playStart_ = jack_last_frame_time(r.player_);
        }
        for (jack_nframes_t i = 0; i < frames; ++i) {
            const size_t at = r.played_ + i;
            const bool inside = r.playing_ && at < r.in_.voice.size();
            voice[i] = inside ? r.in_.voice[at] : 0.0f;
            carrier[i] = inside ? r.in_.carrier[at] : 0.0f;
        }
        if (r.playing_) {
            for (const Note& n : r.notes_)
                if (n.sample >= static_cast<long>(r.played_) && n.sample < static_cast<long>(r.played_ + frames))
                    jack_midi_event_write(midi, static_cast<jack_nframes_t>(n.sample - static_cast<long>(r.played_)),
                                          n.bytes.data(), 3);
            r.played_ += frames;
        }
        return 0;
    }
    static int record(jack_nframes_t frames, void* self)
    {
        auto& r = *static_cast<Rig*>(self);
        if (!r.playing_ || r.done_)
            return 0;
        if (!r.recording_) {
            r.recording_ = true;
            r.recordStart_ = jack_last_frame_time(r.recorder_);
        }
        const auto* left = static_cast<const float*>(jack_port_get_buffer(r.left_, frames));
        const auto* right = static_cast<const float*>(jack_port_get_buffer(r.right_, frames));
        for (jack_nframes_t i = 0; i < frames && r.recorded_ < r.recordedLeft_.size(); ++i, ++r.recorded_) {
            r.recordedLeft_[r.recorded_] = left[i];
            r.recordedRight_[r.recorded_] = right[i];
        }
        if (r.recorded_ >= r.recordedLeft_.size())
            r.done_ = true;
        return 0;
    }

    const Signals& in_;
    std::vector<Note> notes_;
    jack_client_t* player_ = nullptr;
    jack_client_t* recorder_ = nullptr;
    jack_port_t *voice_ = nullptr, *carrier_ = nullptr, *midi_ = nullptr, *left_ = nullptr, *right_ = nullptr;
    std::atomic<bool> go_{false}, playing_{false}, recording_{false}, done_{false};
    jack_nframes_t playStart_ = 0, recordStart_ = 0;
    size_t played_ = 0, recorded_ = 0;
    std::vector<float> recordedLeft_, recordedRight_;
};

float settingOf(const fs::path& config, int index)
{
    return readProgramFile((config / "vocoder" / "settings.fxp").string(), kVocoderUniqueId, kNumParameters)
        .values[static_cast<size_t>(index)];
}

}  // namespace

// The audio carrier, then the synthesiser with notes through midi_in: what
// the program plays is the VST 2 library's render of the same input once
// lined up by the frame times, to −60 dB (its equaliser is another filter
// form with the same responses).
TEST(Standalone, PlaysAsTheVst2LibraryRendersWithAudioOrNotes)
{
    REQUIRE_JACK();
    const fs::path config = freshFolder("render");
    const Signals in = testSignals(2 * 44100);
    {
        Program vocoder(config, {"--no-gui", "--name", "VocoderAudio", "--set", "Carrier=Audio2"});
        Rig rig(in);
        ASSERT_TRUE(rig.connect("VocoderAudio")) << vocoder.errors();
        const Stereo played = rig.playAndRecord();
        EXPECT_EQ(played.left, played.right);
        const std::vector<float> vst2 = renderVst2({{{kCarrier, 1.0f}}, {}, {}}, in, 256);
        EXPECT_EQ(firstAudibleDifference(played.left, vst2), vst2.size());
        EXPECT_GT(*std::max_element(played.left.begin(), played.left.end()), 0.01f);
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
    }
    {
        const std::vector<Note> notes = {{1000, {0x90, 48, 100}}, {7777, {0x90, 55, 90}}, {30000, {0x80, 48, 0}},
                                         {40001, {0xE0, 0, 80}}, {60000, {0x80, 55, 0}}};
        Program vocoder(config, {"--no-gui", "--name", "VocoderNotes", "--set", "Carrier=Synth"});
        Rig rig(in, notes);
        ASSERT_TRUE(rig.connect("VocoderNotes")) << vocoder.errors();
        const Stereo played = rig.playAndRecord();
        EXPECT_EQ(played.left, played.right);
        const std::vector<float> vst2 = renderVst2({{{kCarrier, 0.0f}}, notes, {}}, in, 256);
        EXPECT_EQ(firstAudibleDifference(played.left, vst2), vst2.size());
        EXPECT_GT(*std::max_element(played.left.begin(), played.left.end()), 0.01f);
        EXPECT_EQ(vocoder.stop(SIGINT), 0) << vocoder.errors();
    }
}

// The Clear engine with every control of its own set, Width among them,
// and the synthesiser following the voice without any MIDI: both outputs
// are what the built-in engine renders.
TEST(Standalone, TheClearEngineAndTrackingSoundAsTheBuiltInEngine)
{
    REQUIRE_JACK();
    const Signals in = testSignals(44100);
    for (const Scenario& s : {clearScenario(), trackingScenario()}) {
        const fs::path config = freshFolder("clear");
        std::vector<std::string> args{"--no-gui", "--name", "VocoderClear"};
        for (const auto& [index, value] : s.settings) {
            args.push_back("--set");
            args.push_back(std::to_string(index) + "=" + std::to_string(value));
        }
        Program vocoder(config, args);
        Rig rig(in);
        ASSERT_TRUE(rig.connect("VocoderClear")) << vocoder.errors();
        const Stereo played = rig.playAndRecord();
        const Stereo expected = renderBuiltIn(s, in, 256);
        EXPECT_LT(largestDifference(played.left, expected.left), 1e-4f);
        EXPECT_LT(largestDifference(played.right, expected.right), 1e-4f);
        EXPECT_GT(largestDifference(played.left, played.right), 1e-3f) << "Width spreads the bands";
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
    }
}

// The outputs' latency range is where the voice comes out: the centre of a
// voice impulse's envelope on a steady carrier (four frames or more to a
// hop, so within a sample wherever the frames fall), at two sizes; with the
// Live engine 264 samples at 44.1 kHz, the centre within 0.4 ms (its bands'
// impulses trail off after their peak).
TEST(Standalone, PortLatencyIsWhereTheVoiceComesOut)
{
    REQUIRE_JACK();
    const fs::path config = freshFolder("latency");
    const int at = 1500;
    const Signals in = voiceProbe(8192, at);
    struct Run {
        const char* setting;
        const char* name;  // one a run: a client that just left may linger a moment in the server's port list
        double within;
    };
    for (const Run& run : {Run{"FFT SIZE=512", "VocoderLatency512", 2.0}, {"FFT SIZE=1024", "VocoderLatency1024", 2.0},
                           {"Engine=Live", "VocoderLatencyLive", 18.0}}) {
        Program vocoder(config, {"--no-gui", "--name", run.name, "--set", "Carrier=Audio2", "--set", "Low Cut=0",
                                 "--set", "High Cut=1", "--set", run.setting});
        Rig rig(in);
        ASSERT_TRUE(rig.connect(run.name)) << vocoder.errors();
        const std::vector<float> played = rig.playAndRecord().left;
        const jack_latency_range_t latency = rig.outputLatency();
        EXPECT_EQ(latency.min, latency.max);
        EXPECT_NEAR(static_cast<double>(latency.max), voiceDelayOf(played, at), run.within) << run.setting;
        if (std::string(run.setting) == "Engine=Live") {
            EXPECT_EQ(latency.max, 264u);
        }
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
    }
}

// --connect wires the first capture port to the voice and, when Carrier is
// Audio2, the second to the carrier, the outputs to the first two playback
// ports, and says each connection on its standard output; with the
// synthesiser as the carrier, nothing reaches its input.
TEST(Standalone, ConnectWiresTheCaptureToVoiceAndCarrierAndSaysSo)
{
    REQUIRE_JACK();
    const fs::path config = freshFolder("connect");
    for (const auto& [carrier, name] : {std::pair{"Carrier=Audio2", "VocoderConnectAudio"}, {"Carrier=Synth", "VocoderConnectSynth"}}) {
        Program vocoder(config, {"--no-gui", "--connect", "--name", name, "--set", carrier});
        ASSERT_TRUE(started(name)) << vocoder.errors();
        jack_client_t* probe = jack_client_open("vocoder-test-connections", JackNoStartServer, nullptr);
        ASSERT_NE(probe, nullptr);
        const char** capture = jack_get_ports(probe, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsOutput);
        ASSERT_TRUE(capture && capture[0] && capture[1]) << "the server has two capture ports";
        const auto wired = [&](const char* from, const std::string& to) {
            jack_port_t* port = jack_port_by_name(probe, from);
            return port && jack_port_connected_to(port, to.c_str());
        };
        const bool audio = std::string(carrier) == "Carrier=Audio2";
        bool said = false;
        for (int i = 0; i < 200 && !said; ++i, std::this_thread::sleep_for(10ms))
            said = vocoder.output().find(std::string(name) + ":out_right") != std::string::npos;
        EXPECT_TRUE(wired(capture[0], std::string(name) + ":modulator"));
        EXPECT_EQ(wired(capture[1], std::string(name) + ":carrier"), audio) << carrier;
        const std::string output = vocoder.output();
        EXPECT_NE(output.find(std::string("vocoder: connected ") + capture[0] + " -> " + name + ":modulator"),
                  std::string::npos)
            << output;
        EXPECT_EQ(output.find(std::string(capture[1]) + " -> " + name + ":carrier") != std::string::npos, audio)
            << output;
        jack_free(capture);
        jack_client_close(probe);
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
    }
}

// Settings are saved on exit and taken at the next start; a damaged file is
// reported, ignored and replaced; the errors a user meets end the program
// with a message.
TEST(Standalone, SettingsPersistAndErrorsAreReported)
{
    REQUIRE_JACK();
    const fs::path config = freshFolder("settings");
    {
        Program vocoder(config, {"--no-gui", "--name", "VocoderSettings", "--set", "Low Cut=0.3"});
        ASSERT_TRUE(started("VocoderSettings")) << vocoder.errors();
        Program twin(config / "twin", {"--no-gui", "--name", "VocoderSettings"});
        EXPECT_EQ(twin.wait(), 1);
        EXPECT_NE(twin.errors().find("already running"), std::string::npos) << twin.errors();
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
    }
    EXPECT_FLOAT_EQ(settingOf(config, kLowCut), 0.3f);
    {
        Program vocoder(config, {"--no-gui", "--name", "VocoderSettings2", "--set", "Mode=Audio1"});
        ASSERT_TRUE(started("VocoderSettings2")) << vocoder.errors();
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
    }
    EXPECT_FLOAT_EQ(settingOf(config, kLowCut), 0.3f);
    EXPECT_EQ(mapping::mode(settingOf(config, kMode)), 2);

    std::ofstream(config / "vocoder" / "settings.fxp") << "not a program";
    {
        Program vocoder(config, {"--no-gui", "--name", "VocoderSettings3"});
        ASSERT_TRUE(started("VocoderSettings3")) << vocoder.errors();
        EXPECT_EQ(vocoder.stop(), 0);
        EXPECT_NE(vocoder.errors().find("ignoring the saved settings"), std::string::npos) << vocoder.errors();
    }
    EXPECT_FLOAT_EQ(settingOf(config, kLowCut), kParameterTable[kLowCut].defaultValue);

    // A settings file as this version first wrote them, then one of a later
    // version: what this one knows loads, the rest is said once and kept.
    fs::copy_file(TEST_DATA_DIR "/settings-1.0.fxp", config / "vocoder" / "settings.fxp",
                  fs::copy_options::overwrite_existing);
    {
        Program vocoder(config, {"--no-gui", "--name", "VocoderSettings4"});
        ASSERT_TRUE(started("VocoderSettings4")) << vocoder.errors();
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
        EXPECT_EQ(vocoder.errors(), "");
    }
    EXPECT_FLOAT_EQ(settingOf(config, kLowCut), 0.3f);
    ProgramFile later = readProgramFile((config / "vocoder" / "settings.fxp").string(), kVocoderUniqueId, kNumParameters);
    later.values.insert(later.values.end(), {0.25f, 0.75f});
    writeProgramFile((config / "vocoder" / "settings.fxp").string(), later);
    {
        Program vocoder(config, {"--no-gui", "--name", "VocoderSettings5", "--set", "Low Cut=0.5"});
        ASSERT_TRUE(started("VocoderSettings5")) << vocoder.errors();
        EXPECT_EQ(vocoder.stop(), 0) << vocoder.errors();
        EXPECT_NE(vocoder.errors().find("2 values after the " + std::to_string(kNumParameters) + " this version knows"), std::string::npos)
            << vocoder.errors();
    }
    EXPECT_FLOAT_EQ(settingOf(config, kLowCut), 0.5f);
    EXPECT_EQ(readProgramFile((config / "vocoder" / "settings.fxp").string(), kVocoderUniqueId, kNumParameters).later,
              (std::vector<float>{0.25f, 0.75f}));

    Program noServer(config / "none", {"--no-gui"}, "vocoder-no-such-server");
    EXPECT_EQ(noServer.wait(), 1);
    EXPECT_NE(noServer.errors().find("no JACK server is running"), std::string::npos) << noServer.errors();
    Program badPreset(config / "bad", {"--no-gui", "--preset", "No Such Preset"});
    EXPECT_EQ(badPreset.wait(), 1);
    EXPECT_NE(badPreset.errors().find("no factory preset"), std::string::npos) << badPreset.errors();
}

// With a display: a top-level window titled "Vocoder", 500 × 374, drawn;
// closing it ends the program, settings saved.
// The window's scale: 1 on a desktop that sets none, the desktop's Xft.dpi
// over 96 (192: 2), and --scale before either.
TEST(Standalone, TheWindowOpensAtItsScaleDrawsAndClosingItQuits)
{
    REQUIRE_JACK();
    REQUIRE_DISPLAY();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const auto setDpi = [&](const char* resources) {
        if (resources)
            XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(resources), static_cast<int>(std::strlen(resources)));
        else
            XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
        XSync(display, False);
    };
    struct Case {
        const char* resources;
        std::vector<std::string> args;
        int width, height;
    };
    const Case cases[] = {{nullptr, {}, 500, 374 + 150},  // both panels
                          {"Xft.dpi:\t192\n", {}, 1000, 1048},
                          {"Xft.dpi:\t192\n", {"--scale", "1.5"}, 750, 786}};
    for (const Case& c : cases) {
        setDpi(c.resources);
        const fs::path config = freshFolder("window");
        std::vector<std::string> args{"--name", "VocoderWindow"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Program vocoder(config, args);
        Window found = 0;
        for (int i = 0; i < 300 && !found; ++i) {
            std::this_thread::sleep_for(20ms);
            Window parent, *children = nullptr, unused;
            unsigned count = 0;
            XQueryTree(display, root, &unused, &parent, &children, &count);
            for (unsigned w = 0; w < count; ++w) {
                char* name = nullptr;
                if (XFetchName(display, children[w], &name) && name) {
                    if (std::string(name) == "Vocoder")
                        found = children[w];
                    XFree(name);
                }
            }
            if (children)
                XFree(children);
        }
        setDpi(nullptr);
        ASSERT_NE(found, 0u) << vocoder.errors();
        XWindowAttributes attributes;
        XGetWindowAttributes(display, found, &attributes);
        EXPECT_EQ(std::pair(attributes.width, attributes.height), std::pair(c.width, c.height));
        EXPECT_TRUE(testdisplay::idleUntil(
            [] {}, [&] { return testdisplay::screenPixel(display, found, c.width / 2, 5) != 0; }));

        testdisplay::askToClose(display, found);
        EXPECT_EQ(vocoder.wait(), 0) << vocoder.errors();
        EXPECT_TRUE(fs::exists(config / "vocoder" / "settings.fxp"));
    }
    XCloseDisplay(display);
}
