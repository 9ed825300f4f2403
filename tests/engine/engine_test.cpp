// The engine alone: its sample buffers under mode, carrier and size
// changes, its delay, and settings that meet from two threads.
#include "engine/Engine.h"
#include "tools/Filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

class EngineTest : public ::testing::Test {
protected:
    void process(int frames, float level = 0.1f)
    {
        std::vector<float> in(static_cast<size_t>(frames), level), out1(in.size()), out2(in.size());
        engine.process(in.data(), in.data(), out1.data(), out2.data(), frames);
    }
    long carrierLead() const
    {
        return static_cast<long>(engine.carrierBufferLength()) - static_cast<long>(engine.modulatorBufferLength());
    }
    void set(int index, float value) { engine.parameters().set(index, value); }
    Engine engine;
};

}  // namespace

// The mode 0 invariant: the modulator buffer holds N − hop … N − 1 samples,
// the output buffer 2(N − 1) minus that.
TEST_F(EngineTest, VocoderModeKeepsItsBufferInvariant)
{
    for (int frames : {1, 100, 37, 512, 4096, 3, 128}) {
        process(frames);
        const size_t m = engine.modulatorBufferLength();
        EXPECT_GE(m, 512u - 128u);
        EXPECT_LE(m, 511u);
        EXPECT_EQ(engine.outputBufferLength(), 2 * 511 - m);
        EXPECT_GE(carrierLead(), 0);
    }
}

TEST_F(EngineTest, CarrierChangeRefillsOnlyTheCarrierBuffer)
{
    set(kCarrier, 1.0f);
    for (int i = 0; i < 5; ++i)
        process(100);
    EXPECT_EQ(carrierLead(), 0);
    const long before = static_cast<long>(engine.modulatorBufferLength());
    set(kCarrier, 0.0f);
    process(100);
    // The carrier restarts from N − 1 fill samples, the modulator keeps its own.
    EXPECT_EQ(carrierLead(), 511 - before);
    process(100);
    EXPECT_EQ(carrierLead(), 511 - before);  // the lag stays until a full reset
    set(kCarrier, 0.0f);  // the same source again: nothing
    process(100);
    EXPECT_EQ(carrierLead(), 511 - before);
}

TEST_F(EngineTest, CarrierAndModulatorModesResetTheBuffers)
{
    process(300);
    set(kMode, 0.5f);
    process(64);
    for (size_t length : {engine.modulatorBufferLength(), engine.carrierBufferLength(), engine.outputBufferLength()})
        EXPECT_EQ(length, 511u);
    set(kMode, 0.0f);
    process(100);  // from the reset state: one frame
    EXPECT_EQ(engine.modulatorBufferLength(), 483u);
    EXPECT_EQ(engine.outputBufferLength(), 539u);
    set(kMode, 1.0f);
    process(100);
    EXPECT_EQ(engine.modulatorBufferLength(), 511u);
    EXPECT_EQ(engine.outputBufferLength(), 511u);
}

TEST_F(EngineTest, SizeChangesResetAtTheNextBlock)
{
    process(300);
    set(kFftSize, 0.9f);
    EXPECT_EQ(engine.fftSize(), 512);  // the audio thread switches at its next block
    process(1);
    EXPECT_EQ(engine.fftSize(), 1024);
    EXPECT_EQ(engine.modulatorBufferLength(), 1024u - 128);  // 1023 fill samples, the block, one frame
    set(kHopSize, 0.3f);
    process(1);
    EXPECT_EQ(engine.hopSize(), 64);
    EXPECT_EQ(engine.outputBufferLength(), 1023u + 64 - 1);
    // The fall-back to hop 32 resets the buffers even when the hop is already 32.
    set(kHopSize, 0.1f);
    process(700);
    set(kHopSize, 2.0f);
    process(1);
    EXPECT_EQ(engine.hopSize(), 32);
    EXPECT_EQ(engine.modulatorBufferLength(), 1024u - 32);
}

TEST_F(EngineTest, ResetKeepsTheSettingsAndResetsTheBuffers)
{
    set(kFftSize, 0.4f);
    set(kAttack, 0.25f);
    process(1000);
    engine.reset();
    EXPECT_EQ(engine.parameters().value(kFftSize), 0.4f);
    EXPECT_EQ(engine.parameters().value(kAttack), 0.25f);
    EXPECT_EQ(engine.fftSize(), 256);
    EXPECT_EQ(engine.parameters().sizes().hopSize, 128);
    EXPECT_EQ(engine.modulatorBufferLength(), 255u);
    EXPECT_EQ(engine.outputBufferLength(), 255u);
}

// The delay the engine reports is where the voice comes out, with the
// equaliser flat, for several size pairs and in both dialects. In the
// Vocoder mode a voice impulse under a steady 5 kHz carrier gives the carrier
// an envelope whose centre of energy is the impulse's place, when the frames
// lie symmetrically about it (the impulse at the centre of one); a carrier
// impulse under a noise voice comes out a look-ahead earlier, where the
// spectral path alone puts it. Carrier and Audio1 pass impulses through. The
// Clear engine's frames count at 22.05 kHz: at 44.1 kHz 512 / 128 plays as
// 1024 / 256, and the delay reported is that path's (the VST 2 dialect has
// no Clear engine).
TEST_F(EngineTest, ReportedDelayIsWhereTheVoiceComesOut)
{
    struct Setting {
        float mode, fft, hop;
        int vst2;      // the delay in the VST 2 dialect
        int extended;  // the same in every mode
        bool clear = false;
    };
    for (const Dialect dialect : {Dialect::vst2, Dialect::extended})
        for (const Setting s : {Setting{0.0f, 2 / 3.0f, 1.0f, 682, 682}, {0.0f, 1.0f, 0.0f, 1098, 1098},
                                {0.0f, 0.0f, 2 / 3.0f, 266, 266}, {0.5f, 2 / 3.0f, 1.0f, 0, 682},
                                {1.0f, 2 / 3.0f, 1.0f, 44, 682}, {0.5f, 0.0f, 0.0f, 0, 202},
                                {0.0f, 2 / 3.0f, 1.0f, 682, 1322, true}, {0.5f, 0.0f, 0.0f, 0, 362, true}}) {
            const auto probe = [&](bool voiceImpulse, int at) {
                Engine e(dialect);
                auto& p = e.parameters();
                p.set(kCarrier, 1.0f);
                p.set(kLowCut, 0.0f);
                p.set(kHighCut, 1.0f);
                p.set(kMode, s.mode);
                if (dialect == Dialect::extended)
                    p.set(kEngine, s.clear ? 1.0f : 0.0f);
                p.set(kHopSize, s.hop);  // first, so that no FFT size is refused for the old hop
                p.set(kFftSize, s.fft);
                e.reset();
                const int frames = 6144;
                std::vector<float> voice(frames), carrier(frames), out1(frames), out2(frames);
                unsigned noise = 1;
                for (int i = 0; i < frames; ++i) {
                    noise = noise * 1664525u + 1013904223u;
                    const float white = static_cast<float>(noise >> 8) / 16777216.0f - 0.5f;
                    voice[static_cast<size_t>(i)] = voiceImpulse ? 0.0f : white;
                    carrier[static_cast<size_t>(i)] =
                        voiceImpulse ? 0.25f * static_cast<float>(std::sin(2 * M_PI * 5000 / 44100 * i)) : 0.0f;
                }
                (voiceImpulse ? voice : carrier)[static_cast<size_t>(at)] = 1.0f;
                for (int start = 0; start < frames; start += 256)
                    e.process(voice.data() + start, carrier.data() + start, out1.data() + start, out2.data() + start,
                              256);
                return std::pair{e.latency(), out1};
            };
            const auto peakAt = [](const std::vector<float>& out) {
                return std::max_element(out.begin(), out.end(),
                                        [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
                       out.begin();
            };
            const int expected = dialect == Dialect::vst2 ? s.vst2 : s.extended;
            const std::string where = std::to_string(s.mode) + " " + std::to_string(s.fft) + " " +
                                      std::to_string(s.hop) + (dialect == Dialect::vst2 ? " vst2" : " extended");
            SpectralPair sizes = spectralsizes::pairFor(s.fft, s.hop);
            if (s.clear && dialect == Dialect::extended)
                sizes = spectralsizes::clearPair(sizes, 44100.0f);
            const int n = sizes.fftSize, hop = sizes.hopSize;
            if (s.mode == 0.0f) {
                // Frame k holds input k·hop − N + 1 … k·hop; its centre is k·hop − N/2 + 1.
                const int centre = (2000 + n / 2) / hop * hop - n / 2 + 1, at = centre - 44;
                const auto [latency, out] = probe(true, at);
                EXPECT_EQ(latency, expected) << where;
                double sum = 0, weighted = 0;
                for (size_t i = 0; i < out.size(); ++i) {
                    const double energy = static_cast<double>(out[i]) * out[i];
                    sum += energy;
                    weighted += energy * static_cast<double>(i);
                }
                EXPECT_NEAR(weighted / sum - at, expected, 2.0) << where;
                const auto [same, carrierOut] = probe(false, 1500);
                EXPECT_EQ(peakAt(carrierOut) - 1500, n + hop - 2) << where;
            } else {
                const auto [latency, out] = probe(s.mode == 1.0f, 1500);
                EXPECT_EQ(latency, expected) << where;
                EXPECT_EQ(peakAt(out) - 1500, expected) << where;
            }
        }
}

// The Live engine (formats we design): the latency reported is 6 ms at 44.1
// and 48 kHz, the limiter's look-ahead included, and a voice impulse under a
// steady carrier at 300 Hz, 1 kHz or 5 kHz comes out there: the output's
// envelope (its energy over one carrier cycle) peaks within 0.4 ms of it.
// Engine moves the latency reported at once.
TEST_F(EngineTest, TheLiveEngineAnswersWithinSixMilliseconds)
{
    for (const auto& [rate, expected] : {std::pair{44100.0, 264}, {48000.0, 288}})
        for (const double hz : {300.0, 1000.0, 5000.0}) {
            Engine e(Dialect::extended);
            auto& p = e.parameters();
            p.set(kCarrier, 1.0f);
            p.set(kLowCut, 0.0f);
            p.set(kHighCut, 1.0f);
            p.set(kEngine, 0.5f);
            e.prepare(static_cast<float>(rate), 256);
            EXPECT_EQ(e.latency(), expected);
            const int frames = 8192, at = 3000;
            std::vector<float> voice(frames), carrier(frames), out1(frames), out2(frames);
            for (int i = 0; i < frames; ++i)
                carrier[static_cast<size_t>(i)] = 0.25f * static_cast<float>(std::sin(2 * M_PI * hz / rate * i));
            voice[at] = 1.0f;
            for (int start = 0; start < frames; start += 256)
                e.process(voice.data() + start, carrier.data() + start, out1.data() + start, out2.data() + start, 256);
            const int cycle = static_cast<int>(std::lround(rate / hz));
            double loudest = 0.0;
            int peak = 0;
            for (int i = cycle; i < frames; ++i) {
                double energy = 0.0;
                for (int k = i - cycle; k < i; ++k)
                    energy += static_cast<double>(out1[static_cast<size_t>(k)]) * out1[static_cast<size_t>(k)];
                if (energy > loudest) {
                    loudest = energy;
                    peak = i - cycle / 2;
                }
            }
            EXPECT_NEAR(peak - at, expected, 0.4e-3 * rate) << rate << " Hz, carrier at " << hz << " Hz";
            p.set(kEngine, 0.0f);
            EXPECT_EQ(e.latency(), Engine::latencyOf(Dialect::extended, 0, {512, 128}, static_cast<float>(rate)));
        }
}

// A sample-rate change and a time-constant change meet in any order, before
// or between blocks: the compressor always ends with the coefficients of the
// latest rate and the latest time constants, since only the block start
// writes them.
TEST_F(EngineTest, SampleRateAndTimeConstantsMeetInAnyOrder)
{
    const auto check = [&](float attack, float rate) {
        const SimpleCompRms& c = engine.compressor();
        EXPECT_DOUBLE_EQ(c.sampleRate(), rate);
        EXPECT_EQ(c.attack(), mapping::compressorAttackMs(attack));
        EXPECT_DOUBLE_EQ(engine.limiter().sampleRate(), rate);
    };
    // Rate, then attack, then the block; attack, then rate, then the block.
    engine.setSampleRate(96000.0f);
    set(kVocoderAttack, 0.2f);
    process(64);
    check(0.2f, 96000.0f);
    set(kVocoderAttack, 0.7f);
    engine.setSampleRate(48000.0f);
    check(0.2f, 96000.0f);  // a setter's thread writes nothing of the compressor
    process(64);
    check(0.7f, 48000.0f);
    // A setter between the rate change and the block that applies it.
    engine.setSampleRate(22050.0f);
    set(kVocoderAttack, 0.1f);
    set(kVocoderRelease, 0.9f);
    engine.reset();
    check(0.1f, 22050.0f);
    EXPECT_EQ(engine.compressor().release(), mapping::compressorReleaseMs(0.9f));
    // The coefficients too: the engine's compressor runs as one built for that rate.
    SimpleCompRms ours = engine.compressor();
    SimpleCompRms reference;
    reference.setSampleRate(22050.0);
    reference.setAttack(mapping::compressorAttackMs(0.1f));
    reference.setRelease(mapping::compressorReleaseMs(0.9f));
    reference.setThreshold(ours.threshold());
    reference.setRatio(ours.ratio());
    ours.resetState();
    std::vector<double> a(512), b(512);
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = b[i] = std::sin(0.05 * static_cast<double>(i)) * (i < 256 ? 1.0 : 0.01);
    ours.processBlock(a.data(), 512);
    reference.processBlock(b.data(), 512);
    EXPECT_EQ(a, b);
}

// Events handed in with a block take effect at their offsets: in the Carrier
// mode the synthesiser's note starts at its sample, and its note-off in a
// later block releases it.
TEST_F(EngineTest, BlockEventsSoundAtTheirOffsets)
{
    set(kMode, 0.5f);
    set(kAttack, 0.0f);
    engine.prepare(48000.0f, 256);
    std::vector<float> silence(256), out1(256), out2(256);
    const MidiEvent on{100, {0x90, 69, 127}};
    engine.process(silence.data(), silence.data(), out1.data(), out2.data(), 256, {&on, 1});
    const auto firstSounding = std::find_if(out1.begin(), out1.end(), [](float v) { return std::fabs(v) > 1e-6f; });
    // The envelope's first step is 0: the note is heard from the next sample.
    EXPECT_EQ(firstSounding - out1.begin(), 101);
    const MidiEvent off{10, {0x80, 69, 0}};
    for (int block = 0; block < 40; ++block)
        engine.process(silence.data(), silence.data(), out1.data(), out2.data(), 256,
                       block == 0 ? std::span<const MidiEvent>{&off, 1} : std::span<const MidiEvent>{});
    EXPECT_EQ(engine.synth().soundingVoices(), 0);
}

// Automation without zipper noise, measured as a player hears it: a held
// sawtooth chord on the synthesiser, a fixed vowel-like voice (a 126 Hz
// pulse train through two formants), every continuous parameter that scales
// or filters the audio ramped from 25 % to 75 % of its range over a second,
// by a change every 32 samples and by one a 512-sample block. The share of
// the output's energy above 10 kHz (an eighth-order high-pass), over the
// second and in its loudest 256-sample window (where a step would show),
// stays within 3 dB of the larger of the steady outputs' at 25 % and 75 %.
// The VST 2 dialect, which takes each value at once, steps where a gain
// moves one change a block.
TEST(Engine, AutomationMovesWithoutSteps)
{
    constexpr int kFrames = 44100 + 8192, kRamp = 44100, kPeriod = 350;
    std::vector<float> voice(kFrames);
    {
        double y1[2] = {0, 0}, y2[2] = {0, 0};
        const double centres[2] = {700.0, 1200.0};
        for (int i = -8 * kPeriod; i < kFrames; ++i) {
            const double pulse = (i % kPeriod + kPeriod) % kPeriod == 0 ? 1.0 : 0.0;
            double sum = 0.0;
            for (int f = 0; f < 2; ++f) {
                const double r = 0.995, w = 2.0 * M_PI * centres[f] / 44100.0;
                const double y = pulse + 2.0 * r * std::cos(w) * y1[f] - r * r * y2[f];
                y2[f] = y1[f];
                y1[f] = y;
                sum += y;
            }
            if (i >= 0)
                voice[static_cast<size_t>(i)] = static_cast<float>(0.02 * sum);
        }
    }
    const auto highShare = [](const std::vector<float>& x) {
        std::array<LowCutFilter, 4> highPass{LowCutFilter(44100, 10000.0f), LowCutFilter(44100, 10000.0f),
                                             LowCutFilter(44100, 10000.0f), LowCutFilter(44100, 10000.0f)};
        double high = 0.0, all = 0.0, window = 0.0, loudest = 0.0;
        for (size_t i = 0; i < x.size(); ++i) {
            float y = x[i];
            for (LowCutFilter& f : highPass)
                f.process(&y, &y, 1);
            if (i >= 8192) {
                high += static_cast<double>(y) * y;
                window += static_cast<double>(y) * y;
                all += static_cast<double>(x[i]) * x[i];
                if (i % 256 == 255) {
                    loudest = std::max(loudest, window);
                    window = 0.0;
                }
            }
        }
        return std::pair{10.0 * std::log10(high / all), 10.0 * std::log10(loudest * (x.size() - 8192) / 256.0 / all)};
    };
    const MidiEvent chord[] = {{0, {0x90, 48, 100}}, {0, {0x90, 51, 100}}, {0, {0x90, 55, 100}}, {0, {0x90, 58, 100}}};
    const auto render = [&](Dialect dialect, int index, float from, float to, int every) {
        Engine engine(dialect);
        ParameterStore& p = engine.parameters();
        p.set(kCarrier, 0.0f);
        p.set(kOsc1, 1 / 3.0f);  // sawtooth
        p.set(kAudioLimiter, 1.0f);
        p.set(kEngine, index >= kBands && index <= kWidth ? 1.0f : 0.0f);
        p.set(kPeak1Gain, 0.9f);  // bells the frequencies and Q can move
        p.set(kPeak2Gain, 0.1f);
        p.set(kHighCut, 1.0f);
        p.set(index, from);
        std::vector<float> out(kFrames), right(kFrames);
        for (int at = 0; at < kFrames; at += every) {
            const float moved = std::clamp(static_cast<float>(at - 8192) / kRamp, 0.0f, 1.0f);
            p.set(index, from + (to - from) * moved);
            const int n = std::min(every, kFrames - at);
            engine.process(voice.data() + at, nullptr, out.data() + at, right.data() + at, n,
                           at == 0 ? std::span<const MidiEvent>(chord) : std::span<const MidiEvent>());
        }
        return out;
    };
    const int automated[] = {kOsc2Volume, kLowCut,   kPeak1Freq,    kPeak1Q,   kPeak1Gain, kPeak2Freq, kPeak2Q,
                             kPeak2Gain,  kHighCut,  kCarrierVolume, kAudioGain, kVocoderGain, kBands,  kFlatten,
                             kFormant,    kSibilance, kMix,          kWidth,     kNoise};
    for (const int index : automated) {
        const auto low = highShare(render(Dialect::extended, index, 0.25f, 0.25f, 512));
        const auto high = highShare(render(Dialect::extended, index, 0.75f, 0.75f, 512));
        for (const int every : {32, 512}) {
            const auto moving = highShare(render(Dialect::extended, index, 0.25f, 0.75f, every));
            EXPECT_LT(moving.first, std::max(low.first, high.first) + 3.0)
                << parameter(index).title << ", a change every " << every << " samples";
            EXPECT_LT(moving.second, std::max(low.second, high.second) + 3.0)
                << parameter(index).title << ", a change every " << every << " samples, the loudest window";
        }
    }
    const auto steady = highShare(render(Dialect::vst2, kVocoderGain, 0.75f, 0.75f, 512));
    EXPECT_GT(highShare(render(Dialect::vst2, kVocoderGain, 0.25f, 0.75f, 512)).second, steady.second + 5.0);
}

// A note's level follows its velocity: a key struck at 32 sounds 12 dB below
// one struck at 127 with Velocity at 0 (the carrier's amplitude, as always),
// 24 dB with Velocity at 100 % (the vocoded output's level, a steady voice,
// through both engines).
TEST(Engine, VelocitySetsTheVocodedLevel)
{
    const int frames = 22050;
    std::vector<float> voice(frames);
    for (int i = 0; i < frames; ++i)
        voice[i] = 0.3f * static_cast<float>(std::fmod(i * 150.0 / 44100.0, 1.0) - 0.5);
    const auto level = [&](float depth, float engineChoice, std::uint8_t velocity) {
        Engine engine(Dialect::extended);
        ParameterStore& p = engine.parameters();
        p.set(kCarrier, 0.0f);
        p.set(kVelocity, depth);
        p.set(kEngine, engineChoice);
        std::vector<float> out(frames), right(frames);
        const MidiEvent on{0, {0x90, 57, velocity}};
        engine.process(voice.data(), nullptr, out.data(), right.data(), 512, {&on, 1});
        for (int at = 512; at < frames; at += 512)
            engine.process(voice.data() + at, nullptr, out.data() + at, right.data() + at, std::min(512, frames - at));
        double sum = 0.0;
        for (int i = frames / 2; i < frames; ++i)
            sum += static_cast<double>(out[i]) * out[i];
        return 10.0 * std::log10(sum);
    };
    for (const float engineChoice : {0.0f, 1.0f}) {
        EXPECT_NEAR(level(0.0f, engineChoice, 127) - level(0.0f, engineChoice, 32), 12.0, 0.5) << engineChoice;
        EXPECT_NEAR(level(1.0f, engineChoice, 127) - level(1.0f, engineChoice, 32), 24.0, 0.5) << engineChoice;
    }
}
