// processReplacing through the effect record of the built library, in each
// mode and carrier, beside a bound: the FFTW transforms alone that the
// spectral path runs (two forward and one inverse real transform of size N
// per hop, planned as the plug-in plans them). One row runs the engine
// alone, without the plug-in format around it.
//
// Counters: ns per sample, times faster than real time at 44.1 kHz, and the
// ratio to the bound of the same sizes. A Markdown table of all runs follows
// the console output.
#include "engine/Engine.h"
#include "engine/PitchTracker.h"
#include "formats/vst2/aeffectx.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;

struct Timer {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double ns() const
    {
        return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    }
};

// Ratios to the bound are taken in the table, between the reported figures.
void setCounters(benchmark::State& state, double nsPerSample)
{
    state.counters["ns/sample"] = nsPerSample;
    state.counters["x realtime"] = 1.0e9 / (nsPerSample * kRate);
}

void fftBound(benchmark::State& state, int n, int hop)
{
    auto* carrierFrame = static_cast<double*>(fftw_malloc(sizeof(double) * n));
    auto* modulatorFrame = static_cast<double*>(fftw_malloc(sizeof(double) * n));
    auto* modulatorSpectrum = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
    auto* carrierSpectrum = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
    fftw_plan carrier = fftw_plan_dft_r2c_1d(n, carrierFrame, carrierSpectrum, FFTW_ESTIMATE);
    fftw_plan modulator = fftw_plan_dft_r2c_1d(n, modulatorFrame, modulatorSpectrum, FFTW_ESTIMATE);
    fftw_plan inverse = fftw_plan_dft_c2r_1d(n, modulatorSpectrum, modulatorFrame, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i)
        carrierFrame[i] = modulatorFrame[i] = std::sin(0.1 * i);

    long hops = 0;
    const Timer timer;
    for (auto _ : state) {
        fftw_execute(carrier);
        fftw_execute(modulator);
        fftw_execute(inverse);
        for (int i = 0; i < n; ++i)  // keep the values in range
            modulatorFrame[i] *= 1.0 / n;
        benchmark::DoNotOptimize(modulatorFrame[0]);
        ++hops;
    }
    const double nsPerSample = timer.ns() / (static_cast<double>(hops) * hop);
    setCounters(state, nsPerSample);
    fftw_destroy_plan(carrier);
    fftw_destroy_plan(modulator);
    fftw_destroy_plan(inverse);
    fftw_free(carrierFrame);
    fftw_free(modulatorFrame);
    fftw_free(modulatorSpectrum);
    fftw_free(carrierSpectrum);
}

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Library {
public:
    Library()
    {
        handle_ = dlopen(VOCODER_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!handle_)
            throw std::runtime_error(dlerror());
        entry_ = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(handle_, "VSTPluginMain"));
    }
    AEffect* create() const { return entry_(quietHost); }

private:
    void* handle_;
    AEffect* (*entry_)(audioMasterCallback);
};

// The inputs, block after block: a swelling tone as the voice, a plain one
// as the carrier.
struct Inputs {
    explicit Inputs(int block) : modulator(static_cast<size_t>(block)), carrier(modulator.size()) {}
    void fill()
    {
        for (size_t i = 0; i < modulator.size(); ++i, ++position) {
            const auto t = static_cast<double>(position);
            modulator[i] = static_cast<float>(0.3 * std::sin(0.013 * t) * std::sin(0.00021 * t));
            carrier[i] = static_cast<float>(0.3 * std::sin(0.031 * t));
        }
    }
    std::vector<float> modulator, carrier;
    long position = 0;
};

float sizeValue(int size, const int (&sizes)[4])
{
    for (int i = 0; i < 4; ++i)
        if (sizes[i] == size)
            return 0.25f * static_cast<float>(i) + 0.1f;
    return 0.0f;
}

// Arguments: mode (0 vocoder, 1 carrier, 2 modulator), voices (−1: the audio
// carrier; 0, 4, 16: the synthesiser with that many notes held), FFT size,
// hop, block length.
void process(benchmark::State& state, int mode, int voices, int fftSize, int hop, int block)
{
    static const Library library;

    AEffect* effect = library.create();
    const auto set = [effect](VstInt32 index, float value) { effect->setParameter(effect, index, value); };
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    effect->dispatcher(effect, effSetBlockSize, 0, block, nullptr, 0.0f);
    set(24, mode == 0 ? 0.0f : mode == 1 ? 0.5f : 1.0f);
    set(25, voices < 0 ? 1.0f : 0.0f);
    set(27, 0.1f);
    set(26, sizeValue(fftSize, {128, 256, 512, 1024}));
    set(27, sizeValue(hop, {32, 64, 96, 128}));
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    Inputs input(block);
    std::vector<float> out1(input.modulator.size()), out2(out1.size());
    float* inputs[] = {input.modulator.data(), input.carrier.data()};
    float* outputs[] = {out1.data(), out2.data()};

    std::vector<VstMidiEvent> notes(static_cast<size_t>(std::max(voices, 0)));
    std::vector<VstEvent*> pointers(notes.size() + 2);
    for (size_t i = 0; i < notes.size(); ++i) {
        notes[i] = {};
        notes[i].type = kVstMidiType;
        notes[i].byteSize = sizeof(VstMidiEvent);
        notes[i].midiData[0] = static_cast<char>(0x90);
        notes[i].midiData[1] = static_cast<char>(36 + 3 * i);
        notes[i].midiData[2] = 100;
        pointers[i] = reinterpret_cast<VstEvent*>(&notes[i]);
    }
    std::vector<unsigned char> list(sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*));
    auto* events = reinterpret_cast<VstEvents*>(list.data());
    events->numEvents = static_cast<VstInt32>(notes.size());
    for (size_t i = 0; i < notes.size(); ++i)
        events->events[i] = pointers[i];
    if (!notes.empty())
        effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);

    // Settle: the notes through their attack, the buffers to their capacity.
    for (int i = 0; i < static_cast<int>(kRate) / block + 4; ++i) {
        input.fill();
        effect->processReplacing(effect, inputs, outputs, block);
    }
    input.fill();

    long blocks = 0;
    const Timer timer;
    for (auto _ : state) {
        effect->processReplacing(effect, inputs, outputs, block);
        benchmark::DoNotOptimize(out1.data());
        ++blocks;
    }
    const double nsPerSample = timer.ns() / (static_cast<double>(blocks) * block);
    setCounters(state, nsPerSample);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

// A prepared engine's blocks, after a second to settle.
// With `silent`, both inputs are silent, after ten seconds of silence: the
// filters' states and levels have decayed as far as they ever will.
void timeEngine(benchmark::State& state, Engine& engine, int block, bool silent = false)
{
    Inputs input(block);
    std::vector<float> out1(input.modulator.size()), out2(out1.size());
    const int warmUp = static_cast<int>(kRate) / block * (silent ? 10 : 1) + 4;
    for (int i = 0; i < warmUp; ++i) {
        if (!silent)
            input.fill();
        engine.process(input.modulator.data(), input.carrier.data(), out1.data(), out2.data(), block);
    }
    if (!silent)
        input.fill();
    long blocks = 0;
    const Timer timer;
    for (auto _ : state) {
        engine.process(input.modulator.data(), input.carrier.data(), out1.data(), out2.data(), block);
        benchmark::DoNotOptimize(out1.data());
        ++blocks;
    }
    setCounters(state, timer.ns() / (static_cast<double>(blocks) * block));
}

// The Vocoder mode with the audio carrier through the engine directly.
void engineAlone(benchmark::State& state, int block)
{
    Engine engine;
    engine.parameters().set(kCarrier, 1.0f);
    engine.prepare(static_cast<float>(kRate), block);
    timeEngine(state, engine, block);
}

// The engine as the formats we design run it, Classic, Clear or Live (the
// Engine parameter's value; with Width spreading the bands or not), the
// audio carrier or the synthesiser with `voices` held notes, at N / 128.
void engineExtended(benchmark::State& state, float engineValue, bool wide, int voices, int n, int block)
{
    Engine engine(Dialect::extended);
    ParameterStore& p = engine.parameters();
    p.set(kCarrier, voices < 0 ? 1.0f : 0.0f);
    p.set(kOsc1, 0.375f);
    p.set(kFftSize, n == 1024 ? 1.0f : 2.0f / 3.0f);
    p.set(kHopSize, 1.0f);
    p.set(kEngine, engineValue);
    p.set(kWidth, wide ? 1.0f : 0.0f);
    engine.prepare(static_cast<float>(kRate), block);
    for (int i = 0; i < voices; ++i)
        engine.queueEvent({0, {0x90, static_cast<std::uint8_t>(36 + 3 * i), 100}});
    timeEngine(state, engine, block);
}

// The Live engine on silence: it costs what a voice does.
void liveSilence(benchmark::State& state, int block)
{
    Engine engine(Dialect::extended);
    engine.parameters().set(kCarrier, 1.0f);
    engine.parameters().set(kEngine, 0.5f);
    engine.prepare(static_cast<float>(kRate), block);
    timeEngine(state, engine, block, true);
}

// The synthesiser as a player drives it in the formats we design: 16 held
// notes of four unison copies each, Noise at 30 %, OSC 1 sawtooth, Classic or
// Clear at 512 / 128.
void engineInstrument(benchmark::State& state, bool clear, int block)
{
    Engine engine(Dialect::extended);
    ParameterStore& p = engine.parameters();
    p.set(kCarrier, 0.0f);
    p.set(kOsc1, 1.0f / 3.0f);
    p.set(kEngine, clear ? 1.0f : 0.0f);
    p.set(kUnison, 1.0f);
    p.set(kNoise, 0.3f);
    engine.prepare(static_cast<float>(kRate), block);
    for (int i = 0; i < 16; ++i)
        engine.queueEvent({0, {0x90, static_cast<std::uint8_t>(36 + 3 * i), 100}});
    timeEngine(state, engine, block);
}

// Classic at 512 / 128 with the synthesiser following the voice (Track On,
// Chromatic), beside engine/classic/synth16…: the tracker's cost.
void engineTracking(benchmark::State& state, int block)
{
    Engine engine(Dialect::extended);
    ParameterStore& p = engine.parameters();
    p.set(kCarrier, 0.0f);
    p.set(kOsc1, 1.0f / 3.0f);
    p.set(kTrack, 1.0f);
    engine.prepare(static_cast<float>(kRate), block);
    timeEngine(state, engine, block);
}

// The pitch tracker alone on the benchmarks' voice (91 Hz): what Track adds
// to the engine, beside engine/classic/audio/….
void trackerAlone(benchmark::State& state)
{
    PitchTracker tracker;
    tracker.prepare(static_cast<float>(kRate));
    Inputs input(4096);
    input.fill();
    long blocks = 0;
    const Timer timer;
    for (auto _ : state) {
        int estimates = 0;
        for (const float sample : input.modulator)
            estimates += tracker.push(sample);
        benchmark::DoNotOptimize(estimates);
        ++blocks;
    }
    setCounters(state, timer.ns() / (static_cast<double>(blocks) * 4096.0));
}

const std::vector<std::pair<int, int>> kSizes = {{512, 128}, {1024, 32}, {128, 96}};
const int kBlocks[] = {64, 512, 4096};
const int kCarriers[] = {-1, 0, 4, 16};

void registerAll()
{
    for (const auto& [n, hop] : kSizes)
        benchmark::RegisterBenchmark(("fft_bound/" + std::to_string(n) + "/" + std::to_string(hop)).c_str(),
                                     [n = n, hop = hop](benchmark::State& state) { fftBound(state, n, hop); });
    benchmark::RegisterBenchmark("engine/audio/512/128/block512",
                                 [](benchmark::State& state) { engineAlone(state, 512); });
    for (const char* kind : {"classic", "clear", "clear_wide"})
        for (int voices : {-1, 16})
            for (int n : {512, 1024}) {
                const std::string name = std::string("engine/") + kind + "/" +
                                         (voices < 0 ? std::string("audio") : "synth" + std::to_string(voices)) + "/" +
                                         std::to_string(n) + "/128/block512";
                const float engine = std::string(kind) != "classic" ? 1.0f : 0.0f;
                const bool wide = std::string(kind) == "clear_wide";
                benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
                    engineExtended(state, engine, wide, voices, n, 512);
                });
            }
    // The Live engine has no frames: its rows at blocks of 64 (a live
    // setting) and 512.
    for (const char* kind : {"live", "live_wide"})
        for (int voices : {-1, 16})
            for (int block : {64, 512}) {
                const std::string name = std::string("engine/") + kind + "/" +
                                         (voices < 0 ? std::string("audio") : "synth" + std::to_string(voices)) +
                                         "/block" + std::to_string(block);
                const bool wide = std::string(kind) == "live_wide";
                benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
                    engineExtended(state, 0.5f, wide, voices, 512, block);
                });
            }
    benchmark::RegisterBenchmark("engine/live/silence/block512",
                                 [](benchmark::State& state) { liveSilence(state, 512); });
    benchmark::RegisterBenchmark("tracker/44100", trackerAlone);
    benchmark::RegisterBenchmark("engine/classic/track/512/128/block512",
                                 [](benchmark::State& state) { engineTracking(state, 512); });
    benchmark::RegisterBenchmark("engine/classic/synth0/512/128/block512", [](benchmark::State& state) {
        engineExtended(state, 0.0f, false, 0, 512, 512);
    });
    for (const bool clear : {false, true})
        for (const int block : {128, 512})
            benchmark::RegisterBenchmark(
                (std::string("engine/") + (clear ? "clear" : "classic") + "/synth16x4_noise/512/128/block" +
                 std::to_string(block)).c_str(),
                [=](benchmark::State& state) { engineInstrument(state, clear, block); });
    for (int mode = 0; mode < 3; ++mode)
        for (int voices : kCarriers)
            for (const auto& [n, hop] : kSizes) {
                // The carrier and modulator modes run no transforms: one size is enough.
                if (mode != 0 && n != 512)
                    continue;
                for (int block : kBlocks) {
                    static const char* modes[] = {"vocoder", "carrier", "modulator"};
                    const std::string name = std::string(modes[mode]) + "/" +
                                             (voices < 0 ? std::string("audio") : "synth" + std::to_string(voices)) + "/" +
                                             std::to_string(n) + "/" + std::to_string(hop) + "/block" + std::to_string(block);
                    benchmark::RegisterBenchmark(name.c_str(), [=, n = n, hop = hop](benchmark::State& state) {
                        process(state, mode, voices, n, hop, block);
                    });
                }
            }
}

// The console report, then one Markdown table of every run.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions, the median stands for each benchmark.
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration ? run.repetitions <= 1 : run.aggregate_name == "median")
                rows_.push_back(run);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto nsPerSample = [](const Run& run) {
            const auto found = run.counters.find("ns/sample");
            return found == run.counters.end() ? NAN : static_cast<double>(found->second);
        };
        std::map<std::string, double> bounds;  // "N/hop" -> ns per sample
        for (const Run& run : rows_) {
            const std::string name = run.run_name.str();
            if (name.rfind("fft_bound/", 0) == 0)
                bounds[name.substr(10)] = nsPerSample(run);
        }
        std::printf("\n| benchmark | ns/sample | x real time | x FFT bound |\n|---|---:|---:|---:|\n");
        for (const Run& run : rows_) {
            const std::string name = run.run_name.str();
            const double ns = nsPerSample(run);
            std::string ratio;
            if (name.rfind("fft_bound/", 0) == 0) {
                ratio = "1.00";
            } else if (name.rfind("vocoder/", 0) == 0 || name.rfind("engine/", 0) == 0) {
                // vocoder/<carrier>/<N>/<hop>/block<B>, and the same for the engine
                const size_t sizes = name.find('/', name.find('/') + 1) + 1;
                const size_t block = name.find("/block");
                const auto bound = bounds.find(name.substr(sizes, block - sizes));
                if (bound != bounds.end()) {
                    char text[16];
                    std::snprintf(text, sizeof text, "%.2f", ns / bound->second);
                    ratio = text;
                }
            }
            std::printf("| %s | %.1f | %.0f | %s |\n", name.c_str(), ns, 1.0e9 / (ns * kRate), ratio.c_str());
        }
    }

private:
    std::vector<Run> rows_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAll();
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
