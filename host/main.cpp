// vocoder-render: renders audio files through a VST 2.4 effect library, as a
// host would, without a workstation, or through the engine linked in, as
// the formats with the Clear engine's settings play it. Files are read, converted, processed
// and written block by block, so memory does not grow with their length.
#include "AudioFile.h"
#include "EditorPicture.h"
#include "EngineHost.h"
#include "MidiInput.h"
#include "PluginHost.h"
#include "ProgramFile.h"
#include "engine/Engine.h"
#include "parameters/Identity.h"
#include "presets/FactoryPresets.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <strings.h>

namespace fs = std::filesystem;

namespace {

constexpr VstInt32 kVocoderId = kVocoderUniqueId;
constexpr const char* kPluginFile = "Vocoder.so";

struct Options {
    std::string plugin;
    std::string modulator;
    std::string carrier;
    std::string midi;
    std::string notes;
    std::string output;
    std::string format = "24";
    std::string preset;
    std::vector<std::string> settings;
    std::string savePreset;
    double tail = 0.0;
    int block = 512;
    bool align = false;
    bool builtIn = false;
    bool listParameters = false;
    bool listPresets = false;
    std::string editorPicture;
    double editorScale = 1.0;
    bool quiet = false;
    int sources() const { return !carrier.empty() + !midi.empty() + !notes.empty(); }
};

// Where the plug-in is looked for without --plugin, in this order: beside
// this program (the build tree), the install's own lib/vst, then where
// hosts look.
std::vector<fs::path> pluginFolders()
{
    std::vector<fs::path> folders;
    std::error_code error;
    const fs::path self = fs::canonical("/proc/self/exe", error);
    if (!error) {
        folders.push_back(self.parent_path());
        folders.push_back(self.parent_path().parent_path() / "lib" / "vst");
    }
    for (const char* variable : {"LXVST_PATH", "VST_PATH"}) {
        const char* value = std::getenv(variable);
        for (std::string rest = value ? value : ""; !rest.empty();) {
            const size_t colon = rest.find(':');
            if (colon != 0)
                folders.emplace_back(rest.substr(0, colon));
            rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        }
    }
    if (const char* home = std::getenv("HOME"); home && *home)
        folders.push_back(fs::path(home) / ".vst");
    folders.emplace_back("/usr/local/lib/vst");
    folders.emplace_back("/usr/lib/vst");
    return folders;
}

std::string locatePlugin(const std::string& given)
{
    if (!given.empty())
        return given;
    std::string tried;
    for (const fs::path& folder : pluginFolders()) {
        std::error_code error;
        const fs::path candidate = folder / kPluginFile;
        if (fs::is_regular_file(candidate, error))
            return candidate.string();
        tried += (tried.empty() ? "" : ", ") + folder.string();
    }
    throw HostError(std::string("cannot find the plug-in ") + kPluginFile + "; looked in " + tried +
                    " (give its path with --plugin FILE)");
}

double dBFS(double value) { return value > 0.0 ? 20.0 * std::log10(value) : -INFINITY; }

// The preset, then the carrier the inputs imply, then the --set values.
void configure(Renderer& host, const Options& options)
{
    if (!options.preset.empty()) {
        const ProgramFile program = presetProgram(options.preset, host.pluginId(), host.parameterCount());
        applyProgram(host, program);
        if (!program.ignored.empty())
            std::fprintf(stderr, "vocoder-render: %s\n", program.ignored.c_str());
    }
    if (host.pluginId() == kVocoderId && options.sources() == 1)
        host.setParameter(findParameter(host, "Carrier"), options.carrier.empty() ? 0.0f : 1.0f);
    for (const std::string& setting : options.settings)
        applySetting(host, setting);
}

bool hasNotes(const std::vector<TimedEvent>& events)
{
    return std::any_of(events.begin(), events.end(),
                       [](const TimedEvent& e) { return (e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] > 0; });
}

// The vocoder and carrier modes need a carrier: notes for the synthesiser
// (MIDI, or the voice's own pitch with Track On), or audio on input 2.
// Without one they would render silence.
void requireCarrier(Renderer& host, const Options& options, const std::vector<TimedEvent>& events)
{
    if (host.pluginId() != kVocoderId)
        return;
    const int mode = mapping::mode(host.parameter(kMode));
    if (mode != 0 && mode != 1)  // Vocoder and Carrier
        return;
    const bool synth = mapping::carrier(host.parameter(kCarrier)) == CarrierSource::Synth;
    const bool tracking = host.parameterCount() > kTrack && mapping::on(host.parameter(kTrack));
    if (synth && !tracking && !hasNotes(events)) {
        if (!options.midi.empty())
            throw HostError(options.midi + " holds no notes for the synthesiser to play");
        throw HostError("no carrier: the synthesiser plays nothing without notes. Give notes with --notes \"C3 Eb3 G3\" "
                        "or --midi FILE, or an audio carrier with --carrier FILE (or --set Mode=Audio1 for the voice "
                        "alone)");
    }
    if (!synth && options.carrier.empty())
        throw HostError("no carrier: Carrier is Audio2 but no --carrier FILE was given");
}

// The delay to take off with --align: the one the effect reports, or for our
// own plug-in (which reports none) where its voice comes out for the same
// settings and rate: N + hop − 2 after the limiter's look-ahead in the
// Vocoder mode, the look-ahead in Audio1, none in Carrier.
long long alignment(Renderer& host)
{
    if (host.reportedLatency() > 0)
        return host.reportedLatency();
    if (host.pluginId() != kVocoderId)
        return 0;
    return Engine::latencyOf(Dialect::vst2, mapping::mode(host.parameter(kMode)),
                             spectralsizes::pairFor(host.parameter(kFftSize), host.parameter(kHopSize)),
                             host.sampleRate());
}

// Whether the settings asked for need the engine linked in: a parameter
// only the formats we design have, named in a --set or held by a preset.
bool needsBuiltIn(const Options& options)
{
    if (options.builtIn)
        return true;
    if (!options.preset.empty()) {
        if (const FactoryPreset* factory = findFactoryPreset(options.preset))
            if (factory->designedOnly())
                return true;
    }
    for (const std::string& setting : options.settings) {
        const std::string name = trimmed(setting.substr(0, setting.find('=')));
        char* end = nullptr;
        const long index = std::strtol(name.c_str(), &end, 10);
        if (!name.empty() && *end == 0 && index >= kVst2Parameters && index < kNumParameters)
            return true;
        for (int i = kVst2Parameters; i < kNumParameters; ++i)
            if (strcasecmp(name.c_str(), kParameterTable[static_cast<size_t>(i)].title) == 0)
                return true;
    }
    return false;
}

// The plug-in library, or the engine linked in when the settings need it.
std::unique_ptr<Renderer> makeRenderer(const Options& options, float rate)
{
    if (!needsBuiltIn(options))
        return std::make_unique<PluginHost>(locatePlugin(options.plugin), rate, options.block);
    if (!options.plugin.empty())
        throw HostError("--plugin " + options.plugin + " has only the VST 2 library's 28 parameters; the settings asked "
                        "for need the built-in engine (leave out --plugin)");
    return std::make_unique<EngineHost>(rate, options.block);
}

class Progress {
public:
    Progress(bool shown, long long total) : shown_(shown), total_(std::max(total, 1LL)) {}
    void update(long long done)
    {
        if (!shown_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100) && done < total_)
            return;
        last_ = now;
        done = std::min(done, total_);
        const int width = 40;
        const int filled = static_cast<int>(width * done / total_);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                     std::string(static_cast<size_t>(width - filled), ' ').c_str(),
                     static_cast<int>(100 * done / total_));
        std::fflush(stderr);
    }
    void finish()
    {
        if (shown_)
            std::fprintf(stderr, "\r%50s\r", "");
    }

private:
    bool shown_;
    long long total_;
    std::chrono::steady_clock::time_point last_{};
};

SampleFormat sampleFormat(const std::string& name)
{
    if (name == "16")
        return SampleFormat::Pcm16;
    if (name == "24")
        return SampleFormat::Pcm24;
    if (name == "float")
        return SampleFormat::Float;
    throw HostError("--format " + name + ": choose 16, 24 or float");
}

int render(const Options& options)
{
    if (options.listPresets) {
        printPresets();
        return 0;
    }
    if (options.listParameters || !options.savePreset.empty()) {
        const std::unique_ptr<Renderer> renderer = makeRenderer(options, 44100.0f);
        Renderer& host = *renderer;
        configure(host, options);
        if (options.listParameters)
            printParameters(host);
        if (!options.savePreset.empty()) {
            writeProgramFile(options.savePreset, currentProgram(host, host.pluginId(), host.pluginVersion()));
            if (!options.quiet)
                std::printf("%s: the program \"%s\"\n", options.savePreset.c_str(), host.programName().c_str());
        }
        return 0;
    }
    if (!options.editorPicture.empty()) {
        const bool extended = needsBuiltIn(options);
        if (options.editorScale != 1.0 && !extended)
            throw HostError("--editor-scale draws the editor of LV2, CLAP and the standalone program (add --built-in); "
                            "the VST 2 editor is drawn at 1 only");
        const auto [width, height] = writeEditorPicture([&](Renderer& host) { configure(host, options); },
                                                        options.editorPicture, extended, options.editorScale);
        if (!options.quiet)
            std::printf("%s: the editor, %d x %d\n", options.editorPicture.c_str(), width, height);
        if (options.modulator.empty())
            return 0;
    }
    if (options.modulator.empty())
        throw HostError("--modulator FILE is required (the voice on input 1)");
    if (options.output.empty())
        throw HostError("--output FILE is required");
    if (options.sources() > 1)
        throw HostError("choose one carrier: --carrier, --midi or --notes");
    const SampleFormat format = sampleFormat(options.format);
    checkOutputName(options.output, format);

    AudioReader voice(options.modulator);
    const int rate = voice.sampleRate();
    std::unique_ptr<ConvertingReader> carrier;
    if (!options.carrier.empty())
        carrier = std::make_unique<ConvertingReader>(options.carrier, rate);
    std::vector<TimedEvent> events;
    if (!options.midi.empty())
        events = readMidiFile(options.midi, rate);
    if (!options.notes.empty())
        events = heldNotes(options.notes, voice.frames());

    const std::unique_ptr<Renderer> renderer = makeRenderer(options, static_cast<float>(rate));
    Renderer& host = *renderer;
    configure(host, options);
    requireCarrier(host, options, events);
    const long long delay = options.align ? alignment(host) : 0;
    const long long tail = std::llround(options.tail * rate);

    AudioWriter writer(options.output, rate, format, host.stereo() ? 2 : 1);
    const auto block = static_cast<size_t>(options.block);
    std::vector<float> in1(block), in2(block), out1(block), out2(block);
    Progress progress(!options.quiet && isatty(STDERR_FILENO) && voice.frames() > 2LL * rate,
                      voice.frames() + tail + delay);
    const auto started = std::chrono::steady_clock::now();
    host.resume();
    long long done = 0;     // samples through the plug-in
    long long end = -1;     // where processing stops, known when the voice ends
    long long skip = delay;  // leading samples of the output left out
    long long written = 0;
    bool carrierLeft = carrier != nullptr;
    double peak = 0.0, power = 0.0;
    size_t nextEvent = 0;
    while (end < 0 || done < end) {
        size_t frames = end < 0 ? block : static_cast<size_t>(std::min<long long>(block, end - done));
        size_t voiced = 0;
        if (end < 0) {
            voiced = voice.read(in1.data(), frames);
            if (voiced < frames) {
                end = done + static_cast<long long>(voiced) + tail + delay;
                frames = static_cast<size_t>(std::min<long long>(static_cast<long long>(frames), end - done));
            }
        }
        std::fill(in1.begin() + static_cast<long>(voiced), in1.end(), 0.0f);
        // The carrier plays while the voice does.
        size_t carried = 0;
        if (carrierLeft && voiced > 0) {
            carried = carrier->read(in2.data(), voiced);
            carrierLeft = carried == voiced;
        }
        std::fill(in2.begin() + static_cast<long>(carried), in2.end(), 0.0f);
        if (frames == 0)
            break;

        host.process(in1.data(), in2.data(), out1.data(), out2.data(), static_cast<int>(frames), done, events,
                     nextEvent);
        done += static_cast<long long>(frames);
        const size_t from = static_cast<size_t>(std::min<long long>(skip, static_cast<long long>(frames)));
        skip -= static_cast<long long>(from);
        writer.write(out1.data() + from, out2.data() + from, frames - from);
        for (size_t i = from; i < frames; ++i) {
            const double v = out1[i];
            peak = std::max({peak, std::fabs(v), std::fabs(static_cast<double>(out2[i]))});
            power += v * v;
        }
        written += static_cast<long long>(frames - from);
        progress.update(done);
    }
    progress.finish();
    host.suspend();
    writer.commit();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const double duration = static_cast<double>(written) / rate;
    const double rms = written > 0 ? std::sqrt(power / static_cast<double>(written)) : 0.0;
    std::printf("%s: %.2f s at %d Hz, peak %.1f dBFS, RMS %.1f dBFS, rendered in %.2f s (%.0f times real time)\n",
                options.output.c_str(), duration, rate, dBFS(peak), dBFS(rms), seconds,
                seconds > 0.0 ? duration / seconds : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app{"Renders audio through the Vocoder plug-in (or any VST 2.4 effect library) as a host would.\n"
                 "Stereo input files are mixed to mono for their input; the output is mono at the voice's rate (stereo "
                 "when the built-in engine's Width spreads the bands)."};
    app.set_version_flag("--version", std::string("vocoder-render ") + identity::kVersion, "print the version and stop");
    app.add_option("--plugin", options.plugin,
                   "the plug-in library; without it, Vocoder.so is looked for beside this program, then in "
                   "../lib/vst from it, in the folders of $LXVST_PATH and $VST_PATH, in ~/.vst, "
                   "/usr/local/lib/vst and /usr/lib/vst")
        ->type_name("FILE");
    app.add_option("--modulator", options.modulator, "the voice, input 1")->type_name("FILE");
    app.add_option("--carrier", options.carrier, "audio carrier, input 2 (sets Carrier to Audio2)")->type_name("FILE");
    app.add_option("--midi", options.midi, "Standard MIDI File played by the synthesiser (sets Carrier to Synth)")->type_name("FILE");
    app.add_option("--notes", options.notes, "notes held for the whole file, e.g. \"C3 E3 G3\" (C4 = key 60)");
    app.add_option("-o,--output", options.output, "the result (.wav, .flac, .aiff, .ogg)")->type_name("FILE");
    app.add_option("--format", options.format, "16, 24 or float (default 24)");
    app.add_option("--preset", options.preset,
                   "a factory preset by name (see --list-presets) or a program file (.fxp), applied before any --set")
        ->type_name("NAME|FILE");
    app.add_option("--set", options.settings,
                   kSetHelp);
    app.add_option("--save-preset", options.savePreset,
                   "write the settings in effect (after --preset and --set) as a program file (.fxp) and stop")
        ->type_name("FILE");
    app.add_option("--tail", options.tail, "seconds rendered past the end of the voice")->check(CLI::NonNegativeNumber);
    app.add_option("--block", options.block, "block length in samples (default 512)")->check(CLI::Range(1, 65536));
    app.add_flag("--align", options.align, "take off the plug-in's delay so the output lines up with the voice");
    app.add_flag("--built-in", options.builtIn,
                 "render with the engine linked into this program, as LV2, CLAP and the standalone program play it: "
                 "every parameter (Engine, Bands, Flatten, ...), stereo output when Width spreads the bands; chosen "
                 "by itself when a --set or a preset needs one of those parameters");
    app.add_option("--editor-png", options.editorPicture,
                   "write a picture of the editor as it looks with the --preset and --set values (the plug-in linked "
                   "into this program; with the built-in engine, the editor of LV2, CLAP and the standalone program, "
                   "its pages included)")
        ->type_name("FILE");
    app.add_option("--editor-scale", options.editorScale,
                   "draw that picture at 1, 1.5 or 2 pixels to a point, as a host or the desktop would scale it "
                   "(with the built-in engine's editor; a factor between them takes the nearest)")
        ->check(CLI::Range(1.0, 2.0));
    app.add_flag("--list-params", options.listParameters,
                 "print every parameter: index, name, value, display, label (after --preset and --set)");
    app.add_flag("--list-presets", options.listPresets, "print the factory presets' names and what each is for");
    app.add_flag("-q,--quiet", options.quiet, "no progress bar");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }
    try {
        return render(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vocoder-render: %s\n", error.what());
        return 2;
    }
}
