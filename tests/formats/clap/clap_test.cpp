// The CLAP build as hosts load it (dlopen, clap_entry), against the VST 2
// library: the same settings, notes and parameter changes give the same
// output at any block length and sample rate; texts match the VST 2
// displays; latency, state and the instance's life cycle.
#include "BuiltInRender.h"
#include "ClapTestHost.h"
#include "Vst2Render.h"
#include "TestHost.h"
#include "engine/Engine.h"
#include "tests/engine/Readings.h"
#include "parameters/ParameterTable.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>

namespace {

ClapLibrary& library()
{
    static ClapLibrary instance;
    return instance;
}

// The CLAP value of a normalised setting: a choice's index, else the value.
double clapValue(int index, float normalised)
{
    const ParameterSpec& p = kParameterTable[static_cast<size_t>(index)];
    return p.choices.empty() ? normalised : p.choiceOf(normalised);
}

enum class NoteForm { clapNotes, midi };

// Settings through flush before activation; changes and notes as events at
// their samples in blocks whose lengths `blockAt` gives.
// The left output; the right one into `right` when given, else checked to be the same.
std::vector<float> renderClap(const Scenario& s, const Signals& in, const std::function<std::uint32_t()>& nextBlock,
                              double rate = 44100.0, NoteForm form = NoteForm::clapNotes,
                              std::vector<float>* right = nullptr)
{
    ClapInstance p(library());
    EventList events;
    for (const auto& [index, value] : s.settings)
        events.paramValue(0, static_cast<clap_id>(index), clapValue(index, value));
    p.flush(events);
    EXPECT_TRUE(p.activate(rate, 2048));
    const auto frames = static_cast<long>(in.voice.size());
    std::vector<float> out(in.voice.size()), other(in.voice.size());
    for (long start = 0; start < frames;) {
        const long end = std::min<long>(start + nextBlock(), frames);
        events.clear();
        std::vector<std::pair<long, std::function<void()>>> due;
        for (const Change& c : s.changes)
            if (c.sample >= start && c.sample < end)
                due.push_back({c.sample, [&, c] {
                                   events.paramValue(static_cast<std::uint32_t>(c.sample - start),
                                                     static_cast<clap_id>(c.parameter), clapValue(c.parameter, c.value));
                               }});
        for (const Note& n : s.notes)
            if (n.sample >= start && n.sample < end)
                due.push_back({n.sample, [&, n] {
                                   const auto time = static_cast<std::uint32_t>(n.sample - start);
                                   const int status = n.bytes[0] & 0xF0;
                                   if (form == NoteForm::clapNotes && (status == 0x90 || status == 0x80))
                                       events.note(status == 0x90 ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, time,
                                                   n.bytes[1], n.bytes[2] / 127.0, n.bytes[0] & 0x0F);
                                   else
                                       events.midi(time, n.bytes[0], n.bytes[1], n.bytes[2]);
                               }});
        std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [sample, add] : due)
            add();
        EXPECT_EQ(p.process(in.voice.data() + start, in.carrier.data() + start, out.data() + start,
                            other.data() + start, static_cast<std::uint32_t>(end - start), events),
                  CLAP_PROCESS_CONTINUE);
        start = end;
    }
    if (right)
        *right = other;
    else
        EXPECT_TRUE(out == other);
    return out;
}

std::function<std::uint32_t()> blocksOf(std::uint32_t length)
{
    return [length] { return length; };
}


std::vector<double> allValues(const ClapInstance& p)
{
    std::vector<double> values;
    for (clap_id id = 0; id < kNumParameters; ++id)
        values.push_back(p.value(id));
    return values;
}

}  // namespace

TEST(Clap, DescribesOnePluginItsPortsAndParameters)
{
    const clap_plugin_factory_t* factory = library().factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(library().entry()->get_factory("clap.something-else"), nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
    EXPECT_STREQ(d->id, "com.velmora.vocoder");
    EXPECT_STREQ(d->name, "Vocoder");
    EXPECT_STREQ(d->vendor, "Velmora");
    EXPECT_STREQ(d->version, VOCODER_VERSION);
    EXPECT_STREQ(d->features[0], "audio-effect");
    EXPECT_EQ(factory->create_plugin(factory, nullptr, d->id), nullptr);

    ClapInstance p(library());
    const auto* audio = p.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE(audio, nullptr);
    ASSERT_EQ(audio->count(p.plugin(), true), 2u);
    ASSERT_EQ(audio->count(p.plugin(), false), 1u);
    clap_audio_port_info_t port{};
    ASSERT_TRUE(audio->get(p.plugin(), 0, true, &port));
    EXPECT_EQ(port.flags & CLAP_AUDIO_PORT_IS_MAIN, CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_EQ(port.channel_count, 1u);
    ASSERT_TRUE(audio->get(p.plugin(), 1, true, &port));
    EXPECT_EQ(port.flags & CLAP_AUDIO_PORT_IS_MAIN, 0u);
    ASSERT_TRUE(audio->get(p.plugin(), 0, false, &port));
    EXPECT_EQ(port.channel_count, 2u);
    EXPECT_STREQ(port.port_type, CLAP_PORT_STEREO);
    EXPECT_FALSE(audio->get(p.plugin(), 2, true, &port));

    const auto* notes = p.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    ASSERT_NE(notes, nullptr);
    clap_note_port_info_t notePort{};
    ASSERT_EQ(notes->count(p.plugin(), true), 1u);
    ASSERT_TRUE(notes->get(p.plugin(), 0, true, &notePort));
    EXPECT_EQ(notePort.supported_dialects, std::uint32_t{CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI});

    ASSERT_EQ(p.params().count(p.plugin()), static_cast<std::uint32_t>(kNumParameters));
    for (std::uint32_t i = 0; i < kNumParameters; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(p.params().get_info(p.plugin(), i, &info));
        const ParameterSpec& spec = kParameterTable[i];
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, spec.title);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ(bool(info.flags & CLAP_PARAM_IS_STEPPED), !spec.choices.empty()) << i;
        EXPECT_EQ(info.max_value, spec.choices.empty() ? 1.0 : static_cast<double>(spec.choices.size() - 1)) << i;
        EXPECT_EQ(info.default_value, clapValue(static_cast<int>(i), spec.defaultValue)) << i;
        EXPECT_EQ(p.value(i), info.default_value) << i;
    }
    clap_param_info_t info{};
    EXPECT_FALSE(p.params().get_info(p.plugin(), kNumParameters, &info));
    EXPECT_STREQ(kParameterTable[kTranspose].title, "OSC 2 Transpose");
}

// Every parameter at its default and a sweep of values: the VST 2 display
// for the same setting, except where that does not say what plays (Release
// shows the ramp's length, High Cut the filter's corner, OSC 2 Octave its
// factor); choices and plain values read back from their texts as values
// that show the same texts.
TEST(Clap, ParameterTextsAreTheVst2Displays)
{
    TestHost host;
    AEffect* e = host.create();
    ClapInstance p(library());
    for (int i = 0; i < kVst2Parameters; ++i) {
        const ParameterSpec& spec = kParameterTable[static_cast<size_t>(i)];
        std::vector<float> values;
        for (const ParameterChoice& choice : spec.choices)
            values.push_back(choice.value);
        if (values.empty()) {
            values = {spec.defaultValue};
            for (int step = 0; step <= 100; ++step)
                values.push_back(step / 100.0f);
        }
        for (const float v : values) {
            // One size at a time, with the other at the end that lets it through.
            if (i == kFftSize)
                e->setParameter(e, kHopSize, 0.0f);
            if (i == kHopSize)
                e->setParameter(e, kFftSize, 1.0f);
            e->setParameter(e, i, v);
            const std::string vst2 = host.text(effGetParamDisplay, i);
            const std::string clap = p.text(static_cast<clap_id>(i), clapValue(i, v));
            // Where the VST 2 display does not say what plays, the text says it.
            const auto factor = [](float x) {
                const float steps[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f};
                const char* factors[] = {"x0.5", "x1", "x2", "x4", "x6"};
                for (int k = 0; k < 5; ++k)
                    if (x < steps[k])
                        return std::string(factors[k]);
                return std::string("x8");
            };
            std::string expected = vst2;
            if (i == kTranspose)
                expected = std::to_string(static_cast<int>(std::floor(12.0 * v + 0.5))) + " 1/2tones";
            else if (i == kRelease)
                expected = std::to_string(static_cast<int>((v * 0.999f + 0.001f) * 1000.0)) + " ms";
            else if (i == kHighCut)
                expected = std::to_string(static_cast<int>(16000.0 * v + 4000.0));
            else if (i == kOsc2Octave)
                expected = factor(v);
            else if (i == kAttack || i == kVocoderRatio)
                expected = clap;  // the ramp's length and the ratio: the table's own test
            EXPECT_EQ(clap, expected) << spec.title << " at " << v;
            double back = -1.0;
            const bool parsed = p.params().text_to_value(p.plugin(), static_cast<clap_id>(i), clap.c_str(), &back);
            if (!spec.choices.empty()) {
                EXPECT_TRUE(parsed && back == clapValue(i, v)) << spec.title << " " << clap;
            } else if (spec.typed) {
                EXPECT_TRUE(parsed) << spec.title;
                EXPECT_EQ(p.text(static_cast<clap_id>(i), back), clap) << spec.title;
            }
        }
    }
    double out = 0.0;
    EXPECT_FALSE(p.params().text_to_value(p.plugin(), kMode, "Robot", &out));
    EXPECT_FALSE(p.params().text_to_value(p.plugin(), kLowCut, "loud", &out));
}

// The audio carrier at three size pairs, FFT 128 with hop 96 among them.
TEST(Clap, RendersAsTheVst2LibraryAtEverySizePair)
{
    const Signals in = testSignals(44100);
    for (const auto& [fft, hop] : {std::pair{2 / 3.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 2 / 3.0f}}) {
        const Scenario s{{{kCarrier, 1.0f}, {kFftSize, fft}, {kHopSize, hop}}, {}, {}};
        const std::vector<float> vst2 = renderVst2(s, in, 512);
        EXPECT_EQ(firstAudibleDifference(renderClap(s, in, blocksOf(512)), vst2), vst2.size()) << fft << " " << hop;
        EXPECT_GT(*std::max_element(vst2.begin(), vst2.end()), 0.01f);
    }
}

// Set before the first block, every continuous parameter at its lower or
// upper end (the limiter at its lowest and highest threshold among them):
// the same output as the VST 2 library (to −60 dB) from the first sample.
TEST(Clap, SettingsBeforeTheFirstBlockSoundFromItsFirstSample)
{
    const Signals in = testSignals(8192);
    for (const float end : {0.0f, 1.0f}) {
        const Scenario s = continuousParametersAt(end);
        const std::vector<float> vst2 = renderVst2(s, in, 512);
        const std::vector<float> ours = renderClap(s, in, blocksOf(512));
        EXPECT_EQ(firstAudibleDifference(ours, vst2), vst2.size()) << "every continuous parameter at " << end;
        EXPECT_GT(*std::max_element(vst2.begin(), vst2.end()), 0.0f);
    }
}

// The synthesiser with notes (as CLAP notes or as MIDI), a bend and the
// modulation wheel, and parameter changes inside blocks, at their samples,
// in random blocks of 1 to 2048; then the same at 48 to 192 kHz.
TEST(Clap, NotesAndParameterEventsAtTheirSamplesInBlocksOfAnyLengthAndRate)
{
    Scenario s{{{kOsc1, 1 / 3.0f}, {kOsc2, 2 / 3.0f}, {kVocoderGain, 0.9f}},
               {{100, {0x90, 48, 100}}, {777, {0x90, 55, 90}}, {5000, {0xE0, 0, 80}}, {9000, {0xB0, 1, 90}},
                {20000, {0x80, 48, 0}}, {30001, {0x90, 60, 127}}, {50000, {0x80, 55, 64}}},
               {{15001, kVocoderRatio, 0.8f}, {25037, kCarrier, 1.0f}, {35333, kCarrier, 0.0f},
                {40000, kFftSize, 1.0f}, {45111, kMode, 0.5f}, {52222, kMode, 0.0f}, {52222, kVocoderThreshold, 0.7f}}};
    const Signals in = testSignals(3 * 44100 / 2);
    const std::vector<float> vst2 = delayedAsExtended(renderVst2(s, in, 512), s);
    std::mt19937 random(5);
    const auto randomBlocks = [&] { return std::uniform_int_distribution<std::uint32_t>(1, 2048)(random); };
    EXPECT_EQ(firstAudibleDifference(renderClap(s, in, randomBlocks), vst2), vst2.size());
    EXPECT_EQ(firstAudibleDifference(renderClap(s, in, blocksOf(2048), 44100.0, NoteForm::midi), vst2), vst2.size());

    s.changes.resize(3);
    for (const float rate : {48000.0f, 96000.0f, 192000.0f}) {
        const Signals fast = testSignals(static_cast<int>(rate / 2), rate);
        const std::vector<float> reference = renderVst2(s, fast, 512, rate);
        EXPECT_EQ(firstAudibleDifference(renderClap(s, fast, blocksOf(1024), rate), reference), reference.size()) << rate;
    }
}

// The latency is where the voice comes out: the centre of a voice impulse's
// envelope in the Vocoder mode, a carrier impulse in the Carrier mode (which
// is delayed to the same figure). It stays as activated: a mode change asks
// for nothing, a size change for a restart (and at 44.1 kHz a switch to the
// Clear engine, whose frames count at 22.05 kHz), after which the host hears
// of the new delay from activate.
TEST(Clap, LatencyIsWhereTheVoiceComesOutAndOnlyASizeChangeAsksForARestart)
{
    for (const auto& [mode, fft, hop] : {std::tuple{0.0, 2.0, 3.0}, {0.0, 3.0, 0.0}, {1.0, 2.0, 3.0}}) {
        ClapInstance p(library());
        EventList events;
        for (const auto& [id, value] : {std::pair{kCarrier, 1.0}, {kLowCut, 0.0}, {kHighCut, 1.0}, {kMode, mode},
                                        {kFftSize, fft}, {kHopSize, hop}})
            events.paramValue(0, static_cast<clap_id>(id), value);
        p.flush(events);
        ASSERT_TRUE(p.activate(44100.0, 256));
        const int n = 128 << static_cast<int>(fft), step = 32 * (static_cast<int>(hop) + 1);
        const int frames = 6144, at = mode == 0.0 ? centredVoiceSample(2000, n, step) : 1500;
        const Signals in = mode == 0.0 ? voiceProbe(frames, at) : impulseProbe(frames, at);
        std::vector<float> out(frames), other(frames);
        events.clear();
        for (int start = 0; start < frames; start += 256)
            p.process(in.voice.data() + start, in.carrier.data() + start, out.data() + start, other.data() + start,
                      256, events);
        const auto* latency = p.extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
        const auto expected = static_cast<std::uint32_t>(n + step - 2 + 44);
        EXPECT_EQ(latency->get(p.plugin()), expected) << mode << " " << fft;
        if (mode == 0.0)
            EXPECT_NEAR(voiceDelayOf(out, at), expected, 2.0) << fft;
        else
            EXPECT_EQ(delayOf(out, at), static_cast<long>(expected)) << fft;

        events.paramValue(10, kMode, mode == 0.0 ? 2.0 : 0.0);
        p.process(in.voice.data(), in.carrier.data(), out.data(), other.data(), 256, events);
        events.clear();
        events.paramValue(0, kFftSize, fft);  // the same size again
        p.process(in.voice.data(), in.carrier.data(), out.data(), other.data(), 256, events);
        EXPECT_EQ(p.restarts, 0);
        events.clear();
        events.paramValue(0, kFftSize, fft == 3.0 ? 2.0 : 3.0);
        p.process(in.voice.data(), in.carrier.data(), out.data(), other.data(), 256, events);
        EXPECT_EQ(p.restarts, 1);
        EXPECT_EQ(latency->get(p.plugin()), expected);  // until the restart
        const int changes = p.latencyChanges;
        ASSERT_TRUE(p.activate(44100.0, 256));
        EXPECT_EQ(p.latencyChanges, changes + 1);
        const int size = fft == 3.0 ? 512 : 1024;
        EXPECT_EQ(latency->get(p.plugin()), static_cast<std::uint32_t>(size + step - 2 + 44));

        // At 44.1 kHz the Clear engine's frames and hops are twice as long:
        // switching to it asks for a restart too, then reports its delay.
        events.clear();
        events.paramValue(0, kEngine, 1.0);
        p.process(in.voice.data(), in.carrier.data(), out.data(), other.data(), 256, events);
        EXPECT_EQ(p.restarts, 2);
        ASSERT_TRUE(p.activate(44100.0, 256));
        EXPECT_EQ(latency->get(p.plugin()), static_cast<std::uint32_t>(2 * size + 2 * step - 2 + 44));

        // The Live engine answers in 6 ms whatever the sizes: 264 samples.
        events.clear();
        events.paramValue(0, kEngine, 2.0);
        p.process(in.voice.data(), in.carrier.data(), out.data(), other.data(), 256, events);
        EXPECT_EQ(p.restarts, 3);
        ASSERT_TRUE(p.activate(44100.0, 256));
        EXPECT_EQ(latency->get(p.plugin()), 264u);
    }
}

// The values and the program name into a fresh instance; a damaged or
// foreign state is refused and changes nothing. A state saved by the first
// version loads; one from a later version loads what this one knows (the
// rest at its defaults) and says once what it ignored.
TEST(Clap, StatesOfEveryVersionLoadAndADamagedOneChangesNothing)
{
    ClapInstance first(library());
    EventList events;
    for (clap_id id = 0; id < kNumParameters; ++id)
        events.paramValue(0, id, kParameterTable[id].choices.empty() ? 0.03 * id : 1.0);
    events.paramValue(0, kHopSize, 2.0);
    first.flush(events);
    const auto* state = first.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    MemoryStream saved;
    ASSERT_TRUE(state->save(first.plugin(), &saved.out));

    ClapInstance second(library());
    const std::vector<double> defaults = allValues(second);
    std::vector<std::vector<std::uint8_t>> damaged = {{}, {'V', 'O', 'C', 'S'}};
    const auto variant = [&](auto change) {
        damaged.push_back(saved.bytes);
        change(damaged.back());
    };
    variant([](auto& b) { b.pop_back(); });
    variant([](auto& b) { b.push_back('!'); });  // trailing bytes in this version
    variant([](auto& b) { b[0] = 'X'; });
    variant([](auto& b) { b[4] = 0; });  // version 0
    variant([](auto& b) { b[19] = 0xC0, b[20] = 0x7F; });  // OSC 1 ("osc1" at 12 … 16) becomes NaN
    variant([](auto& b) { b[25] = '1'; });  // "osc2" at 22 … 25 becomes a second "osc1"
    for (const auto& bytes : damaged) {
        MemoryStream stream{bytes};
        EXPECT_FALSE(state->load(second.plugin(), &stream.in)) << bytes.size();
        EXPECT_EQ(allValues(second), defaults);
    }
    MemoryStream stream{saved.bytes};
    ASSERT_TRUE(state->load(second.plugin(), &stream.in));
    EXPECT_EQ(allValues(second), allValues(first));
    EXPECT_EQ(second.value(kHopSize), 2.0);
    MemoryStream again;
    ASSERT_TRUE(state->save(second.plugin(), &again.out));
    EXPECT_EQ(again.bytes, saved.bytes);
    EXPECT_EQ(second.rescans, 1);
    EXPECT_TRUE(second.logs.empty());

    // As the first version saved it (28 values in index order).
    std::ifstream file(TEST_DATA_DIR "/clap-state-v1.bin", std::ios::binary);
    MemoryStream old{std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {})};
    ClapInstance third(library());
    ASSERT_TRUE(state->load(third.plugin(), &old.in));
    EXPECT_EQ(third.value(kOsc1), 2.0);
    EXPECT_EQ(third.value(kAudioLimiter), 1.0);
    EXPECT_EQ(third.value(kVocoderGain), 0.25);
    EXPECT_EQ(third.value(kMode), 1.0);
    EXPECT_EQ(third.value(kFftSize), 3.0);
    EXPECT_EQ(third.value(kHopSize), 0.0);
    EXPECT_EQ(third.value(kLowCut), clapValue(kLowCut, kParameterTable[kLowCut].defaultValue));
    EXPECT_TRUE(third.logs.empty());

    // A later version: one more parameter, one fewer, and bytes after the name.
    std::vector<std::uint8_t> later = {'V', 'O', 'C', 'S', 3, 0, 0, 0, 2, 0, 0, 0};
    for (const auto& [symbol, value] : {std::pair{std::string("shimmer"), 0.75f}, {std::string("vocoder_gain"), 0.5f}}) {
        later.push_back(static_cast<std::uint8_t>(symbol.size()));
        later.insert(later.end(), symbol.begin(), symbol.end());
        const auto* v = reinterpret_cast<const std::uint8_t*>(&value);
        later.insert(later.end(), v, v + 4);
    }
    later.insert(later.end(), {4, 0, 0, 0, 'N', 'e', 'x', 't', 9, 9});
    MemoryStream newer{later};
    ClapInstance fourth(library());
    ASSERT_TRUE(state->load(fourth.plugin(), &newer.in));
    EXPECT_EQ(fourth.value(kVocoderGain), 0.5);
    EXPECT_EQ(fourth.value(kAudioLimiter), clapValue(kAudioLimiter, kParameterTable[kAudioLimiter].defaultValue));
    ASSERT_EQ(fourth.logs.size(), 1u);
    EXPECT_NE(fourth.logs[0].find("shimmer"), std::string::npos) << fourth.logs[0];
}

// A choke ends its note at once, where a note-off lets it fade over the
// release; the panic controllers arrive as MIDI.
TEST(Clap, AChokeEndsItsNoteAtOnce)
{
    const auto render = [](std::uint16_t ending) {
        ClapInstance p(library());
        EventList events;
        events.paramValue(0, kMode, 1.0);  // the carrier alone
        events.paramValue(0, kOsc1, 2.0);
        events.paramValue(0, kRelease, 0.3);
        events.paramValue(0, kLowCut, 0.0);
        p.flush(events);
        EXPECT_TRUE(p.activate(44100.0, 512));
        std::vector<float> in(512), left(512), right(512), out;
        for (int block = 0; block < 40; ++block) {
            events.clear();
            if (block == 0)
                events.note(CLAP_EVENT_NOTE_ON, 0, 60, 0.8);
            if (block == 10)
                events.note(ending, 100, 60, 0.0);
            p.process(in.data(), in.data(), left.data(), right.data(), 512, events);
            out.insert(out.end(), left.begin(), left.end());
        }
        return out;
    };
    const auto peak = [](const std::vector<float>& x, size_t from, size_t to) {
        float p = 0.0f;
        for (size_t i = from; i < to; ++i)
            p = std::max(p, std::fabs(x[i]));
        return p;
    };
    const std::vector<float> off = render(CLAP_EVENT_NOTE_OFF), choked = render(CLAP_EVENT_NOTE_CHOKE);
    EXPECT_GT(peak(off, 5000, 5120), 0.05f);
    EXPECT_GT(peak(off, 8000, 9000), 0.05f);     // fading
    EXPECT_LT(peak(choked, 8000, 9000), 1e-3f);  // the low cut's tail at most
    EXPECT_LT(peak(choked, 12000, 20480), 1e-5f);
}

// The sustain pedal, as MIDI: a note released while it is down sounds on
// until it comes up, then fades over the release.
TEST(Clap, TheSustainPedalHoldsReleasedNotes)
{
    ClapInstance p(library());
    EventList events;
    events.paramValue(0, kMode, 1.0);  // the carrier alone
    events.paramValue(0, kOsc1, 2.0);
    events.paramValue(0, kLowCut, 0.0);
    p.flush(events);
    ASSERT_TRUE(p.activate(44100.0, 512));
    std::vector<float> in(512), left(512), right(512), out;
    for (int block = 0; block < 60; ++block) {
        events.clear();
        if (block == 0) {
            events.note(CLAP_EVENT_NOTE_ON, 0, 60, 0.8);
            events.midi(10, 0xB0, 64, 127);
        }
        if (block == 10)
            events.note(CLAP_EVENT_NOTE_OFF, 100, 60, 0.0);
        if (block == 30)
            events.midi(0, 0xB0, 64, 0);
        p.process(in.data(), in.data(), left.data(), right.data(), 512, events);
        out.insert(out.end(), left.begin(), left.end());
    }
    float held = 0.0f, after = 0.0f;
    for (size_t i = 25 * 512; i < 30 * 512; ++i)
        held = std::max(held, std::fabs(out[i]));
    for (size_t i = 55 * 512; i < out.size(); ++i)
        after = std::max(after, std::fabs(out[i]));
    EXPECT_GT(held, 0.05f);
    EXPECT_LT(after, 1e-5f);
}

// Through the plug-in as a CLAP host plays it, a sine carrier alone: a
// seventeenth note takes a voice (its tone is there) and, in Mono with a
// glide of 200 ms, a second key moves the pitch there in that time (read
// from the output's zero crossings).
TEST(Clap, AVoiceIsStolenAndAMonoNoteGlides)
{
    const auto run = [](std::initializer_list<std::pair<clap_id, double>> settings, const auto& play, int blocks) {
        ClapInstance p(library());
        EventList events;
        for (const auto& [id, value] : settings)
            events.paramValue(0, id, value);
        p.flush(events);
        EXPECT_TRUE(p.activate(44100.0, 512));
        std::vector<float> in(512), left(512), right(512), out;
        for (int block = 0; block < blocks; ++block) {
            events.clear();
            play(block, events);
            p.process(in.data(), in.data(), left.data(), right.data(), 512, events);
            out.insert(out.end(), left.begin(), left.end());
        }
        return out;
    };
    const auto carrierAlone = {std::pair<clap_id, double>{kMode, 1.0}, {kOsc1, 0.0}, {kOsc2Volume, 0.0},
                               {kLowCut, 0.0}, {kHighCut, 1.0}, {kVocoderRatio, 1.0}};
    const std::vector<float> chord = run(carrierAlone, [](int block, EventList& events) {
        if (block == 0)
            for (std::int16_t key = 30; key < 46; ++key)
                events.note(CLAP_EVENT_NOTE_ON, 0, key, 0.1);
        if (block == 10)
            events.note(CLAP_EVENT_NOTE_ON, 0, 100, 0.1);  // 2637 Hz
    }, 20);
    const auto toneLevel = [&chord](size_t from, double hz) {
        std::complex<double> sum = 0.0;
        for (size_t i = from; i < from + 4096; ++i)
            sum += static_cast<double>(chord[i]) * std::polar(1.0, -2.0 * M_PI * hz * static_cast<double>(i) / 44100.0);
        return std::abs(sum) / 4096.0;
    };
    EXPECT_LT(toneLevel(1024, 2637.0), 0.002);  // before the note, 10 blocks and the latency on
    EXPECT_GT(toneLevel(15 * 512, 2637.0), 0.02);

    std::vector<float> mono = run({{kMode, 1.0}, {kOsc1, 0.0}, {kOsc2Volume, 0.0}, {kLowCut, 0.0}, {kHighCut, 1.0},
                                   {kVoiceMode, 1.0}, {kGlide, 0.1}},
                                  [](int block, EventList& events) {
                                      if (block == 0)
                                          events.note(CLAP_EVENT_NOTE_ON, 0, 57, 0.8);
                                      if (block == 20)
                                          events.note(CLAP_EVENT_NOTE_ON, 0, 69, 0.8);
                                  },
                                  60);
    const auto frequency = [&mono](size_t from, size_t length) { return crossingFrequency(mono, from, length, 44100.0); };
    const size_t second = 20 * 512 + static_cast<size_t>(Engine::latencyOf(Dialect::extended, 1, {512, 128}, 44100.0f));
    EXPECT_NEAR(frequency(second - 2205, 2205), 220.0, 1.0);
    EXPECT_NEAR(frequency(second + 4410 - 441, 882), 311.1, 6.0);
    EXPECT_NEAR(frequency(second + 11025, 2205), 440.0, 1.0);
}

// Through the plug-in, a sine carrier alone: with Velocity at 100 % a note
// struck at 32 sounds 24 dB below one at 127; two unison copies 50 cents
// apart beat (the level in 5 ms windows dips far below its peak); Noise adds
// energy at the top of the spectrum.
TEST(Clap, VelocityUnisonAndNoiseSound)
{
    const auto render = [](std::initializer_list<std::pair<clap_id, double>> settings, double velocity) {
        ClapInstance p(library());
        EventList events;
        for (const auto& [id, value] : {std::pair<clap_id, double>{kMode, 1.0}, {kOsc1, 0.0}, {kOsc2Volume, 0.0},
                                        {kLowCut, 0.0}, {kHighCut, 1.0}, {kVocoderRatio, 1.0}})
            events.paramValue(0, id, value);
        for (const auto& [id, value] : settings)
            events.paramValue(0, id, value);
        p.flush(events);
        EXPECT_TRUE(p.activate(44100.0, 512));
        std::vector<float> in(512), left(512), right(512), out;
        for (int block = 0; block < 30; ++block) {
            events.clear();
            if (block == 0)
                events.note(CLAP_EVENT_NOTE_ON, 0, 69, velocity);
            p.process(in.data(), in.data(), left.data(), right.data(), 512, events);
            out.insert(out.end(), left.begin(), left.end());
        }
        return std::vector<float>(out.begin() + 4096, out.end());
    };
    const auto rms = rmsOf;
    const std::vector<float> loud = render({{kVelocity, 1.0}}, 1.0), soft = render({{kVelocity, 1.0}}, 32.0 / 127.0);
    EXPECT_NEAR(20.0 * std::log10(rms(loud, 0, loud.size()) / rms(soft, 0, soft.size())), 24.0, 0.5);

    const std::vector<float> unison = render({{kUnison, 1.0 / 3.0}, {kDetune, 1.0}}, 1.0);
    double quietest = 1.0, loudest = 0.0;
    for (size_t at = 0; at + 220 <= unison.size(); at += 220) {
        quietest = std::min(quietest, rms(unison, at, 220));
        loudest = std::max(loudest, rms(unison, at, 220));
    }
    EXPECT_LT(quietest, 0.2 * loudest);

    const auto curvature = [](const std::vector<float>& x) {
        double sum = 0.0;
        for (size_t i = 2; i < x.size(); ++i)
            sum += (x[i] - 2.0 * x[i - 1] + x[i - 2]) * (x[i] - 2.0 * x[i - 1] + x[i - 2]);
        return sum;
    };
    EXPECT_GT(curvature(render({{kNoise, 0.5}}, 1.0)), 100.0 * curvature(loud));
}

// The factory presets reach a CLAP host's preset browser: one provider,
// whose location is the plug-in itself, describes every preset for this
// plug-in; loading one by its key gives the plug-in its values (and the
// host hears so), an unknown key is refused and said so.
TEST(Clap, FactoryPresetsReachTheHostsBrowserAndLoad)
{
    const auto* discovery = static_cast<const clap_preset_discovery_factory_t*>(
        library().entry()->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    ASSERT_NE(discovery, nullptr);
    ASSERT_EQ(discovery->count(discovery), 1u);
    const clap_preset_discovery_provider_descriptor_t* described = discovery->get_descriptor(discovery, 0);
    struct Found {
        std::vector<clap_preset_discovery_location_t> locations;
        std::vector<std::string> names, keys, plugins, descriptions;
    } found;
    clap_preset_discovery_indexer_t indexer{CLAP_VERSION, "tests", "", "", "", &found, nullptr,
        [](const clap_preset_discovery_indexer_t* i, const clap_preset_discovery_location_t* location) {
            static_cast<Found*>(i->indexer_data)->locations.push_back(*location);
            return true;
        },
        nullptr, nullptr};
    const clap_preset_discovery_provider_t* provider = discovery->create(discovery, &indexer, described->id);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(found.locations.size(), 1u);
    EXPECT_EQ(found.locations[0].kind, static_cast<std::uint32_t>(CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN));
    EXPECT_EQ(found.locations[0].location, nullptr);
    clap_preset_discovery_metadata_receiver_t receiver{};
    receiver.receiver_data = &found;
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
        static_cast<Found*>(r->receiver_data)->names.emplace_back(name);
        static_cast<Found*>(r->receiver_data)->keys.emplace_back(key);
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* r, const clap_universal_plugin_id_t* id) {
        static_cast<Found*>(r->receiver_data)->plugins.push_back(std::string(id->abi) + ":" + id->id);
    };
    receiver.set_description = [](const clap_preset_discovery_metadata_receiver_t* r, const char* text) {
        static_cast<Found*>(r->receiver_data)->descriptions.emplace_back(text);
    };
    ASSERT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver));
    provider->destroy(provider);
    ASSERT_EQ(found.names.size(), factoryPresets().size());
    EXPECT_EQ(found.plugins, std::vector<std::string>(found.names.size(), "clap:com.velmora.vocoder"));
    EXPECT_EQ(found.descriptions.size(), found.names.size());
    EXPECT_NE(std::find(found.names.begin(), found.names.end(), "Unison Choir"), found.names.end());

    ClapInstance p(library());
    const auto* load = p.extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    ASSERT_NE(load, nullptr);
    const size_t choir = static_cast<size_t>(std::find(found.names.begin(), found.names.end(), "Unison Choir") - found.names.begin());
    ASSERT_TRUE(load->from_location(p.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, found.keys[choir].c_str()));
    const auto values = findFactoryPreset("Unison Choir")->allValues();
    EXPECT_EQ(p.value(kUnison), values[kUnison]);
    EXPECT_EQ(p.value(kEngine), 1.0);  // Clear, a choice's index
    EXPECT_EQ(p.presetsLoaded, std::vector<std::string>{found.keys[choir]});
    EXPECT_GE(p.rescans, 1);
    EXPECT_FALSE(load->from_location(p.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "No Such Preset"));
    EXPECT_FALSE(load->from_location(p.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x", found.keys[choir].c_str()));
    EXPECT_EQ(p.presetErrors.size(), 2u);
}

TEST(Clap, HundredLifeCycles)
{
    std::vector<float> in(64, 0.25f), left(64), right(64);
    EventList events;
    events.note(CLAP_EVENT_NOTE_ON, 3, 60, 0.8);
    for (int cycle = 0; cycle < 100; ++cycle) {
        ClapInstance p(library());
        ASSERT_TRUE(p.activate(cycle % 2 ? 96000.0 : 44100.0, 64));
        ASSERT_EQ(p.process(in.data(), in.data(), left.data(), right.data(), 64, events), CLAP_PROCESS_CONTINUE);
        ASSERT_EQ(p.process(in.data(), in.data(), left.data(), right.data(), 0, events), CLAP_PROCESS_CONTINUE);
    }
}

// The Clear engine with every control of its own moved, and the synthesiser
// following the voice: both outputs as the built-in engine (vocoder-render's)
// plays them.
TEST(Clap, TheClearEngineAndTrackingSoundAsTheBuiltInEngine)
{
    const Signals in = testSignals(16384);
    for (const Scenario& s : {clearScenario(), trackingScenario()}) {
        const Stereo expected = renderBuiltIn(s, in, 512);
        std::vector<float> right;
        const std::vector<float> left = renderClap(s, in, blocksOf(512), 44100.0, NoteForm::clapNotes, &right);
        EXPECT_LT(largestDifference(left, expected.left), 1e-6f);
        EXPECT_LT(largestDifference(right, expected.right), 1e-6f);
        EXPECT_GT(largestDifference(left, right), 1e-3f) << "Width spreads the bands";
        EXPECT_GT(rmsOf(left, 0, left.size()), 1e-3f);
    }
}
