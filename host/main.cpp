// vocoder-render: renders audio files through a VST 2.4 effect library, as a
// host would, without a workstation.
#include "AudioFile.h"
#include "EditorPicture.h"
#include "MidiInput.h"
#include "PluginHost.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace {

constexpr VstInt32 kVocoderId = 0x00517A74;

struct Options {
    std::string plugin;
    std::string modulator;
    std::string carrier;
    std::string midi;
    std::string notes;
    std::string output;
    std::string format = "24";
    std::vector<std::string> settings;
    double tail = 0.0;
    int block = 512;
    bool align = false;
    bool listParameters = false;
    std::string editorPicture;
    bool quiet = false;
};

// The library built beside this program.
std::string defaultPlugin()
{
    std::error_code error;
    const auto self = std::filesystem::canonical("/proc/self/exe", error);
    return error ? std::string("Vocoder.so") : (self.parent_path() / "Vocoder.so").string();
}

double dBFS(double value) { return value > 0.0 ? 20.0 * std::log10(value) : -INFINITY; }

void listParameters(PluginHost& host)
{
    std::printf("%5s  %-20s %10s  %-12s %s\n", "index", "name", "value", "display", "label");
    for (int i = 0; i < host.parameterCount(); ++i)
        std::printf("%5d  %-20s %10.6f  %-12s %s\n", i, host.parameterName(i).c_str(), host.parameter(i),
                    host.parameterDisplay(i).c_str(), host.parameterLabel(i).c_str());
}

// The delay to take off with --align: the effect's own report, or for this
// vocoder its spectral delay plus the limiter's 1 ms look-ahead on the voice.
long long alignment(PluginHost& host)
{
    AEffect* e = host.effect();
    if (e->initialDelay > 0)
        return e->initialDelay;
    if (e->uniqueID != kVocoderId)
        return 0;
    const std::string mode = host.parameterDisplay(host.findParameter("Mode"));
    const long long lookAhead = static_cast<long long>(host.sampleRate() * 0.001);
    if (mode == "Carrier")
        return 0;
    if (mode == "Audio1")
        return lookAhead;
    const long long n = std::atoll(host.parameterDisplay(host.findParameter("FFT SIZE")).c_str());
    const long long hop = std::atoll(host.parameterDisplay(host.findParameter("HOP SIZE")).c_str());
    return n + hop - 2 + lookAhead;
}

class Progress {
public:
    Progress(bool shown, long long total) : shown_(shown), total_(total) {}
    void update(long long done)
    {
        if (!shown_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100) && done < total_)
            return;
        last_ = now;
        const int width = 40;
        const int filled = static_cast<int>(width * done / std::max(total_, 1LL));
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                     std::string(static_cast<size_t>(width - filled), ' ').c_str(),
                     static_cast<int>(100 * done / std::max(total_, 1LL)));
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

int render(const Options& options)
{
    if (options.listParameters) {
        PluginHost host(options.plugin, 44100.0f, options.block);
        listParameters(host);
        return 0;
    }
    if (!options.editorPicture.empty()) {
        writeEditorPicture(options.settings, options.editorPicture);
        if (!options.quiet)
            std::printf("%s: the editor, 500 x 374\n", options.editorPicture.c_str());
        if (options.modulator.empty())
            return 0;
    }
    if (options.modulator.empty())
        throw HostError("--modulator FILE is required (the voice on input 1)");
    if (options.output.empty())
        throw HostError("--output FILE is required");
    const int sources = !options.carrier.empty() + !options.midi.empty() + !options.notes.empty();
    if (sources > 1)
        throw HostError("choose one carrier: --carrier, --midi or --notes");
    SampleFormat format;
    if (options.format == "16")
        format = SampleFormat::Pcm16;
    else if (options.format == "24")
        format = SampleFormat::Pcm24;
    else if (options.format == "float")
        format = SampleFormat::Float;
    else
        throw HostError("--format " + options.format + ": choose 16, 24 or float");

    const MonoAudio voice = readMono(options.modulator);
    std::vector<float> carrier;
    if (!options.carrier.empty()) {
        const MonoAudio audio = readMono(options.carrier);
        carrier = resampled(audio.samples, audio.sampleRate, voice.sampleRate);
    }
    const auto length = static_cast<long long>(voice.samples.size());
    std::vector<TimedEvent> events;
    if (!options.midi.empty())
        events = readMidiFile(options.midi, voice.sampleRate);
    if (!options.notes.empty())
        events = heldNotes(options.notes, length);

    PluginHost host(options.plugin, static_cast<float>(voice.sampleRate), options.block);
    if (host.effect()->uniqueID == kVocoderId && sources == 1) {
        const int carrierIndex = host.findParameter("Carrier");
        host.setParameter(carrierIndex, options.carrier.empty() ? 0.0f : 1.0f);
    }
    for (const std::string& setting : options.settings)
        host.applySetting(setting);
    const long long delay = options.align ? alignment(host) : 0;
    const long long tail = static_cast<long long>(std::llround(options.tail * voice.sampleRate));
    const long long total = length + tail + delay;

    host.resume();
    std::vector<float> output(static_cast<size_t>(total));
    std::vector<float> in1(static_cast<size_t>(options.block)), in2(in1.size()), out2(in1.size());
    Progress progress(!options.quiet && isatty(STDERR_FILENO) && total > 2 * voice.sampleRate, total);
    const auto started = std::chrono::steady_clock::now();
    size_t nextEvent = 0;
    for (long long start = 0; start < total; start += options.block) {
        const int frames = static_cast<int>(std::min<long long>(options.block, total - start));
        for (int i = 0; i < frames; ++i) {
            const auto at = static_cast<size_t>(start + i);
            in1[static_cast<size_t>(i)] = at < voice.samples.size() ? voice.samples[at] : 0.0f;
            in2[static_cast<size_t>(i)] = at < carrier.size() && at < voice.samples.size() ? carrier[at] : 0.0f;
        }
        host.process(in1.data(), in2.data(), output.data() + start, out2.data(), frames, start, events, nextEvent);
        progress.update(start + frames);
    }
    progress.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    host.suspend();

    output.erase(output.begin(), output.begin() + delay);
    writeMono(options.output, output, voice.sampleRate, format);

    double peak = 0.0, power = 0.0;
    for (float v : output) {
        peak = std::max(peak, static_cast<double>(std::fabs(v)));
        power += static_cast<double>(v) * v;
    }
    const double duration = static_cast<double>(output.size()) / voice.sampleRate;
    const double rms = output.empty() ? 0.0 : std::sqrt(power / static_cast<double>(output.size()));
    std::printf("%s: %.2f s at %d Hz, peak %.1f dBFS, RMS %.1f dBFS, rendered in %.2f s (%.0f times real time)\n",
                options.output.c_str(), duration, voice.sampleRate, dBFS(peak), dBFS(rms), seconds,
                seconds > 0.0 ? duration / seconds : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    options.plugin = defaultPlugin();
    CLI::App app{"Renders audio through the Vocoder plug-in (or any VST 2.4 effect library) as a host would.\n"
                 "Stereo input files are mixed to mono for their input; the output is mono at the voice's rate."};
    app.add_option("--plugin", options.plugin, "the plug-in library (default: Vocoder.so beside this program)")->type_name("FILE");
    app.add_option("--modulator", options.modulator, "the voice, input 1")->type_name("FILE");
    app.add_option("--carrier", options.carrier, "audio carrier, input 2 (sets Carrier to Audio2)")->type_name("FILE");
    app.add_option("--midi", options.midi, "Standard MIDI File played by the synthesiser (sets Carrier to Synth)")->type_name("FILE");
    app.add_option("--notes", options.notes, "notes held for the whole file, e.g. \"C3 E3 G3\" (C4 = key 60)");
    app.add_option("-o,--output", options.output, "the result (.wav, .flac, .aiff, .ogg)")->type_name("FILE");
    app.add_option("--format", options.format, "16, 24 or float (default 24)");
    app.add_option("--set", options.settings,
                   "NAME=VALUE or INDEX=VALUE: a value from 0 to 1, or a shown setting (Mode=Carrier, \"FFT SIZE=1024\")");
    app.add_option("--tail", options.tail, "seconds rendered past the end of the voice")->check(CLI::NonNegativeNumber);
    app.add_option("--block", options.block, "block length in samples (default 512)")->check(CLI::Range(1, 65536));
    app.add_flag("--align", options.align, "take off the plug-in's delay so the output lines up with the voice");
    app.add_option("--editor-png", options.editorPicture,
                   "write a picture of the editor as it looks with the --set values (the plug-in linked into this program)")
        ->type_name("FILE");
    app.add_flag("--list-params", options.listParameters, "print every parameter: index, name, value, display, label");
    app.add_flag("-q,--quiet", options.quiet, "no progress bar");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }
    try {
        return render(options);
    } catch (const HostError& error) {
        std::fprintf(stderr, "vocoder-render: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vocoder-render: %s\n", error.what());
        return 2;
    }
}
