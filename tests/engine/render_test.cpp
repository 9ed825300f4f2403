// The engine through the effect record, as a host drives it: blocks of any
// length, MIDI lists before blocks, parameter changes between blocks.
#include "Noise.h"
#include "TestHost.h"
#include "parameters/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct Note {
    long at;  // absolute sample
    int status, data1, data2;
    long sentAt = -1;  // sent with the block holding this sample; -1: with `at`'s block
};

constexpr float kSine = 0.0f, kSquare = 0.6f;

class Plugin {
public:
    explicit Plugin(float sampleRate = 44100.0f)
    {
        effect_ = host_.create();
        host_.dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
        host_.dispatch(effSetBlockSize, 0, 4096);
        host_.dispatch(effMainsChanged, 0, 1);
    }

    void set(VstInt32 index, float value) { effect_->setParameter(effect_, index, value); }
    float get(VstInt32 index) { return effect_->getParameter(effect_, index); }
    void resume() { host_.dispatch(effMainsChanged, 0, 1); }

    // A flat equaliser, no compression, the limiter at 0 dB.
    void neutral()
    {
        set(kLowCut, 0.0f);
        set(kHighCut, 1.0f);
        set(kVocoderRatio, 1.0f);
        set(kVocoderThreshold, 1.0f);
        set(kAudioLimiter, 1.0f);
    }

    void sizes(int fftSize, int hop)
    {
        set(kHopSize, 0.1f);  // 32 fits every FFT size
        set(kFftSize, fftSize == 128 ? 0.1f : fftSize == 256 ? 0.4f : fftSize == 512 ? 0.6f : 0.9f);
        set(kHopSize, hop == 32 ? 0.1f : hop == 64 ? 0.4f : hop == 96 ? 0.6f : 0.9f);
    }

    // Runs both inputs through in blocks of the given lengths (repeated),
    // sending each note in the block it falls in; returns output 1 and checks
    // that output 2 is the same, bit for bit.
    std::vector<float> run(const std::vector<float>& in1, const std::vector<float>& in2,
                           const std::vector<int>& blocks = {512}, const std::vector<Note>& notes = {})
    {
        std::vector<float> out(in1.size());
        std::vector<float> a, b, o2;
        size_t start = 0;
        for (size_t n = 0; start < in1.size(); ++n) {
            const size_t length = std::min<size_t>(static_cast<size_t>(blocks[n % blocks.size()]), in1.size() - start);
            sendNotes(notes, static_cast<long>(start), static_cast<long>(length));
            a.assign(in1.begin() + static_cast<long>(start), in1.begin() + static_cast<long>(start + length));
            b.assign(in2.begin() + static_cast<long>(start), in2.begin() + static_cast<long>(start + length));
            o2.assign(length, -1.0f);
            float* inputs[] = {a.data(), b.data()};
            float* outputs[] = {out.data() + start, o2.data()};
            effect_->processReplacing(effect_, inputs, outputs, static_cast<VstInt32>(length));
            if (std::memcmp(o2.data(), out.data() + start, length * sizeof(float)) != 0)
                ADD_FAILURE() << "outputs differ in the block at " << start;
            start += length;
        }
        return out;
    }

private:
    void sendNotes(const std::vector<Note>& notes, long start, long length)
    {
        std::vector<VstMidiEvent> events;
        for (const Note& note : notes)
            if (const long sent = note.sentAt < 0 ? note.at : note.sentAt; sent >= start && sent < start + length) {
                VstMidiEvent e{};
                e.type = kVstMidiType;
                e.byteSize = sizeof e;
                e.deltaFrames = static_cast<VstInt32>(note.at - start);
                e.midiData[0] = static_cast<char>(note.status);
                e.midiData[1] = static_cast<char>(note.data1);
                e.midiData[2] = static_cast<char>(note.data2);
                events.push_back(e);
            }
        if (events.empty())
            return;
        std::vector<unsigned char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        for (size_t i = 0; i < events.size(); ++i)
            list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
        host_.dispatch(effProcessEvents, 0, 0, list);
    }

    TestHost host_;
    AEffect* effect_;
};

std::vector<float> sawtooth(size_t n, double hz, double rate = 44100.0)
{
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(0.4 * (2.0 * std::fmod(hz * static_cast<double>(i) / rate, 1.0) - 1.0));
    return x;
}

size_t loudest(const std::vector<float>& x)
{
    size_t best = 0;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > std::fabs(x[best]))
            best = i;
    return best;
}

float peakOf(const std::vector<float>& x, size_t from, size_t to)
{
    float peak = 0.0f;
    for (size_t i = from; i < to; ++i)
        peak = std::max(peak, std::fabs(x[i]));
    return peak;
}

const std::vector<std::pair<int, int>> kSizePairs = {
    {128, 32}, {128, 64}, {128, 96}, {256, 32}, {256, 64}, {256, 96}, {256, 128}, {512, 32},
    {512, 64}, {512, 96}, {512, 128}, {1024, 32}, {1024, 64}, {1024, 96}, {1024, 128}};

}  // namespace

// An impulse on both inputs, aligned for the limiter's 44-sample look-ahead:
// each frame's product spectrum is flat times the carrier's, so the output
// is the impulse again, N + hop − 2 samples later (the equaliser's own small
// delay measured in the carrier mode and taken off).
TEST(Render, SpectralPathDelaysByFftSizePlusHopMinusTwo)
{
    constexpr size_t at = 3000;
    std::vector<float> modulator(5000), carrier(5000);
    modulator[at - 44] = 0.5f;
    carrier[at] = 0.5f;

    Plugin direct;
    direct.neutral();
    direct.set(kCarrier, 1.0f);
    direct.set(kMode, 0.5f);
    const long equaliserDelay = static_cast<long>(loudest(direct.run(modulator, carrier))) - static_cast<long>(at);
    EXPECT_LE(std::abs(equaliserDelay), 1);

    for (const auto& [fftSize, hop] : kSizePairs) {
        Plugin plugin;
        plugin.neutral();
        plugin.set(kCarrier, 1.0f);
        plugin.sizes(fftSize, hop);
        const auto out = plugin.run(modulator, carrier, {256});
        EXPECT_EQ(static_cast<long>(loudest(out)) - static_cast<long>(at) - equaliserDelay, fftSize + hop - 2)
            << fftSize << "/" << hop;
    }
}

TEST(Render, AnySplitIntoBlocksGivesTheSameStreamInEveryMode)
{
    const auto voice = noise(20000, 1);
    const auto carrier = sawtooth(20000, 110.0);
    const std::vector<Note> notes = {{100, 0x90, 60, 100}, {5000, 0x90, 64, 90}, {5000, 0xE0, 0, 80},
                                     {9000, 0x80, 60, 0},  {12000, 0xB0, 1, 64}, {15000, 0x80, 64, 0}};
    for (float mode : {0.0f, 0.5f, 1.0f})
        for (float source : {0.0f, 1.0f}) {
            const auto render = [&](const std::vector<int>& blocks) {
                Plugin plugin;
                plugin.set(kMode, mode);
                plugin.set(kCarrier, source);
                plugin.set(kOsc1, kSquare);
                return plugin.run(voice, carrier, blocks, notes);
            };
            const auto whole = render({512});
            EXPECT_GT(peakOf(whole, 0, whole.size()), 1e-3f);
            EXPECT_EQ(whole, render({1, 7, 64, 300, 1000, 3, 129, 1})) << mode << " " << source;
        }
}

// A note-on at offset 100 of a block of 256, and one at offset 300 of the
// same block (due in the next block, at the same absolute sample).
TEST(Render, NotesStartAtTheirSampleAlsoBeyondTheBlock)
{
    const std::vector<float> silence(1024);
    for (long at : {100L, 300L}) {
        Plugin plugin;
        plugin.neutral();
        plugin.set(kMode, 0.5f);  // the carrier alone
        plugin.set(kOsc1, kSquare);
        plugin.set(kOsc2Volume, 0.0f);
        const auto out = plugin.run(silence, silence, {256}, {{at, 0x90, 60, 127, 0}});
        // Before the note only the equaliser's noise; the note's first sample
        // is the attack's 0; the next one sounds.
        EXPECT_LT(peakOf(out, 0, static_cast<size_t>(at) + 1), 1e-12f) << at;
        EXPECT_GT(std::fabs(out[static_cast<size_t>(at) + 1]), 1e-5f) << at;
    }
}

// A host's panic through the library's MIDI input: all notes off is a
// note-off for every held key at its sample; all sound off silences the
// voices there, so only the filters' tail follows.
TEST(Render, PanicControllersEndTheNotes)
{
    const std::vector<float> silence(44100);
    const auto render = [&](std::vector<Note> ending) {
        Plugin plugin;
        plugin.neutral();
        plugin.set(kMode, 0.5f);
        plugin.set(kOsc1, kSquare);
        plugin.set(kRelease, 0.2f);  // about 200 ms
        std::vector<Note> notes = {{0, 0x90, 48, 100}, {0, 0x91, 55, 100}};
        notes.insert(notes.end(), ending.begin(), ending.end());
        return plugin.run(silence, silence, {256}, notes);
    };
    const auto notesOff = render({{10000, 0xB5, 123, 0}});
    EXPECT_EQ(notesOff, render({{10000, 0x80, 48, 0}, {10000, 0x81, 55, 0}}));
    EXPECT_GT(peakOf(notesOff, 13000, 14000), 0.05f);  // still fading
    const auto soundOff = render({{10000, 0xB0, 120, 0}});
    EXPECT_EQ(std::vector<float>(soundOff.begin(), soundOff.begin() + 10000),
              std::vector<float>(notesOff.begin(), notesOff.begin() + 10000));
    EXPECT_LT(peakOf(soundOff, 13000, 14000), 1e-3f);
    EXPECT_LT(peakOf(soundOff, 20000, 44100), 1e-9f);
}

TEST(Render, SameFftOrHopSizeLeavesTheStreamUninterrupted)
{
    const auto voice = noise(16384, 2);
    const auto carrier = sawtooth(16384, 220.0);
    const auto render = [&](float fft, float hop) {
        Plugin plugin;
        plugin.set(kCarrier, 1.0f);
        std::vector<float> first(voice.begin(), voice.begin() + 8192), second(voice.begin() + 8192, voice.end());
        std::vector<float> c1(carrier.begin(), carrier.begin() + 8192), c2(carrier.begin() + 8192, carrier.end());
        auto out = plugin.run(first, c1);
        if (fft > 0.0f) {
            plugin.set(kFftSize, fft);
            plugin.set(kHopSize, hop);
        }
        const auto rest = plugin.run(second, c2);
        out.insert(out.end(), rest.begin(), rest.end());
        return out;
    };
    const auto plain = render(0.0f, 0.0f);  // no change
    EXPECT_EQ(plain, render(0.7f, 0.8f));      // 512 and 128 again
    EXPECT_NE(plain, render(0.7f, 0.6f));      // hop 96: the buffers restart
    EXPECT_NE(plain, render(0.9f, 1.0f));      // 1024
}

TEST(Render, SizeFallBacksReadBack)
{
    Plugin plugin;
    plugin.set(kFftSize, 0.1f);  // 128 while the hop is 128
    EXPECT_EQ(plugin.get(kFftSize), 0.33333334f);
    plugin.set(kHopSize, 1.0f);  // 128 while the FFT size is 256: allowed
    plugin.set(kFftSize, 0.1f);
    EXPECT_EQ(plugin.get(kFftSize), 0.33333334f);
    plugin.set(kHopSize, 0.2f);
    plugin.set(kFftSize, 0.1f);
    plugin.set(kHopSize, 1.0f);  // 128 while the FFT size is 128
    EXPECT_EQ(plugin.get(kHopSize), 0.0f);
    const auto out = plugin.run(noise(4096, 3), sawtooth(4096, 300.0));
    for (float v : out)
        ASSERT_TRUE(std::isfinite(v));
}

// NaN and infinity count as silence: the stream is the one with zeros in
// their place, finite, and unharmed afterwards.
TEST(Render, NonFiniteInputCountsAsSilence)
{
    auto voice = noise(12000, 4);
    auto carrier = sawtooth(12000, 150.0);
    auto poisoned = voice, poisonedCarrier = carrier;
    for (size_t i : {1000u, 1001u, 5000u, 7777u}) {
        voice[i] = carrier[i] = 0.0f;
        poisoned[i] = NAN;
        poisonedCarrier[i] = i % 2 ? INFINITY : -INFINITY;
    }
    for (float mode : {0.0f, 0.5f, 1.0f}) {
        Plugin clean, dirty;
        for (Plugin* p : {&clean, &dirty}) {
            p->set(kMode, mode);
            p->set(kCarrier, 1.0f);
        }
        const auto expected = clean.run(voice, carrier);
        const auto out = dirty.run(poisoned, poisonedCarrier);
        EXPECT_EQ(out, expected) << mode;
        for (float v : out)
            ASSERT_TRUE(std::isfinite(v));
    }
}

// The synthesiser plays A4 at 440 Hz whatever the host's rate.
TEST(Render, HostSampleRateKeepsThePitch)
{
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        Plugin plugin(rate);
        plugin.neutral();
        plugin.set(kMode, 0.5f);
        plugin.set(kOsc2Volume, 0.0f);
        const auto n = static_cast<size_t>(rate);
        const std::vector<float> silence(n);
        const auto out = plugin.run(silence, silence, {512}, {{0, 0x90, 69, 100}});
        // Rising zero crossings, interpolated, over the second half second.
        std::vector<double> crossings;
        for (size_t i = n / 2; i + 1 < n; ++i)
            if (out[i] <= 0.0f && out[i + 1] > 0.0f)
                crossings.push_back(static_cast<double>(i) + out[i] / (out[i] - out[i + 1]));
        ASSERT_GT(crossings.size(), 100u);
        const double hz = (crossings.size() - 1) * rate / (crossings.back() - crossings.front());
        EXPECT_NEAR(hz, 440.0, 0.05) << rate;
    }
}
