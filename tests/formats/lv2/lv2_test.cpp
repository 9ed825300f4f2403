// The LV2 bundle as hosts load it (lilv, from the build folder by its URI),
// rendering against the VST 2 library: the same input, settings and notes
// give the same output whatever the block lengths, and the latency port
// tells where an impulse comes out.
#include "BuiltInRender.h"
#include "Vst2Render.h"
#include "formats/lv2/Lv2Ports.h"
#include "parameters/SpectralSizes.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace lv2ports;

class UridMap {
public:
    LV2_URID map(const char* uri)
    {
        const auto found = std::find(uris_.begin(), uris_.end(), uri);
        if (found != uris_.end())
            return static_cast<LV2_URID>(found - uris_.begin() + 1);
        uris_.push_back(uri);
        return static_cast<LV2_URID>(uris_.size());
    }
    static LV2_URID callback(LV2_URID_Map_Handle handle, const char* uri)
    {
        return static_cast<UridMap*>(handle)->map(uri);
    }

private:
    std::vector<std::string> uris_;
};

class Lv2Plugin {
public:
    Lv2Plugin(double rate, int largestBlock) : largestBlock_(largestBlock)
    {
        world_ = lilv_world_new();
        LilvNode* bundle = lilv_new_file_uri(world_, nullptr, VOCODER_LV2_BUNDLE "/");
        lilv_world_load_bundle(world_, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world_, kPluginUri);
        plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
        lilv_node_free(uri);
        if (!plugin_)
            return;
        option_ = {LV2_OPTIONS_INSTANCE, 0, map_.map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                   map_.map(LV2_ATOM__Int), &largestBlock_};
        options_[0] = option_;
        options_[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        const LV2_Feature* features[] = {&mapFeature_, &optionsFeature_, nullptr};
        instance_ = lilv_plugin_instantiate(plugin_, rate, features);
        if (!instance_)
            return;
        sequenceType_ = map_.map(LV2_ATOM__Sequence);
        midiType_ = map_.map(LV2_MIDI__MidiEvent);
        for (int i = 0; i < kNumParameters; ++i) {
            controls_[static_cast<size_t>(i)] = portDefault(i);
            lilv_instance_connect_port(instance_, portOf(i), &controls_[static_cast<size_t>(i)]);
        }
        lilv_instance_connect_port(instance_, kLatency, &latency_);
        lilv_instance_connect_port(instance_, kMidiIn, events_.data());
        lilv_instance_connect_port(instance_, kBandLevels, levels_.data());
        vectorType_ = map_.map(LV2_ATOM__Vector);
        floatType_ = map_.map(LV2_ATOM__Float);
        lilv_instance_activate(instance_);
    }
    ~Lv2Plugin()
    {
        if (instance_) {
            lilv_instance_deactivate(instance_);
            lilv_instance_free(instance_);
        }
        lilv_world_free(world_);
    }
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    bool ready() const { return instance_ != nullptr; }
    void set(int parameter, float normalised) { controls_[static_cast<size_t>(parameter)] = portValue(parameter, normalised); }
    float latency() const { return latency_; }

    // One run; `notes` at offsets within it.
    void run(const float* modulator, const float* carrier, float* left, float* right, int frames,
             const std::vector<Note>& notes, long start)
    {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(events_.data());
        sequence->atom.type = sequenceType_;
        sequence->body.unit = 0;
        sequence->body.pad = 0;
        std::uint32_t used = sizeof(LV2_Atom_Sequence_Body);
        for (const Note& note : notes) {
            if (note.sample < start || note.sample >= start + frames)
                continue;
            auto* event = reinterpret_cast<LV2_Atom_Event*>(events_.data() + sizeof(LV2_Atom) + used);
            event->time.frames = note.sample - start;
            event->body.type = midiType_;
            event->body.size = 3;
            std::memcpy(event + 1, note.bytes.data(), 3);
            used += static_cast<std::uint32_t>(sizeof(LV2_Atom_Event) + 8);
        }
        sequence->atom.size = used;
        lilv_instance_connect_port(instance_, kModulator, const_cast<float*>(modulator));
        lilv_instance_connect_port(instance_, kCarrierInput, const_cast<float*>(carrier));
        lilv_instance_connect_port(instance_, kOutLeft, left);
        lilv_instance_connect_port(instance_, kOutRight, right);
        reinterpret_cast<LV2_Atom*>(levels_.data())->size = levels_.size() - sizeof(LV2_Atom);
        lilv_instance_run(instance_, static_cast<std::uint32_t>(frames));
    }
    // The band levels the last run sent (vectors of floats), or none.
    std::vector<float> bandLevels() const
    {
        std::vector<float> values;
        const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*>(levels_.data());
        LV2_ATOM_SEQUENCE_FOREACH(sequence, event)
        {
            const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(&event->body);
            if (vector->atom.type != vectorType_ || vector->body.child_type != floatType_)
                continue;
            const auto* first = reinterpret_cast<const float*>(vector + 1);
            values.assign(first, first + (vector->atom.size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float));
        }
        return values;
    }

private:
    int32_t largestBlock_;
    UridMap map_;
    LV2_URID_Map mapData_{&map_, &UridMap::callback};
    LV2_Feature mapFeature_{LV2_URID__map, &mapData_};
    LV2_Options_Option option_{};
    LV2_Options_Option options_[2]{};
    LV2_Feature optionsFeature_{LV2_OPTIONS__options, options_};
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    LV2_URID sequenceType_ = 0, midiType_ = 0, vectorType_ = 0, floatType_ = 0;
    std::array<float, kNumParameters> controls_{};
    float latency_ = -1.0f;
    alignas(8) std::array<std::uint8_t, 8192> events_{};
    alignas(8) std::array<std::uint8_t, 4096> levels_{};
};

// The left output; the right one into `right` when given, else checked to be the same.
std::vector<float> renderLv2(const Scenario& s, const Signals& in, int block, int largestBlock,
                             std::vector<float>* right = nullptr)
{
    Lv2Plugin plugin(44100.0, largestBlock);
    EXPECT_TRUE(plugin.ready());
    if (!plugin.ready())
        return {};
    for (const auto& [index, value] : s.settings)
        plugin.set(index, value);
    const auto frames = static_cast<long>(in.voice.size());
    std::vector<float> out(in.voice.size()), other(in.voice.size());
    for (long start = 0; start < frames; start += block) {
        const int length = static_cast<int>(std::min<long>(block, frames - start));
        for (const Change& c : s.changes)
            if (c.sample >= start && c.sample < start + length)
                plugin.set(c.parameter, c.value);
        plugin.run(in.voice.data() + start, in.carrier.data() + start, out.data() + start, other.data() + start,
                   length, s.notes, start);
    }
    EXPECT_EQ(out, out);  // no NaN
    if (right)
        *right = other;
    else
        EXPECT_TRUE(std::equal(out.begin(), out.end(), other.begin()));
    return out;
}

}  // namespace

// The audio carrier at three size pairs, FFT 128 with hop 96 among them
// (taken as a pair, whatever order the ports are read in).
TEST(Lv2, RendersAsTheVst2LibraryAtEverySizePair)
{
    const Signals in = testSignals(44100);
    for (const auto& [fft, hop] : {std::pair{2 / 3.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 2 / 3.0f}}) {
        const Scenario s{{{kCarrier, 1.0f}, {kFftSize, fft}, {kHopSize, hop}}, {}, {}};
        const std::vector<float> vst2 = renderVst2(s, in, 512);
        const std::vector<float> lv2 = renderLv2(s, in, 512, 4096);
        ASSERT_EQ(lv2.size(), vst2.size());
        EXPECT_EQ(firstAudibleDifference(lv2, vst2), vst2.size()) << fft << " " << hop;
        EXPECT_GT(*std::max_element(lv2.begin(), lv2.end()), 0.01f);
    }
}

// Set before the first block, every continuous parameter at its lower or
// upper end (the limiter at its lowest and highest threshold among them):
// the same output as the VST 2 library (to −60 dB) from the first sample.
TEST(Lv2, SettingsBeforeTheFirstBlockSoundFromItsFirstSample)
{
    const Signals in = testSignals(8192);
    for (const float end : {0.0f, 1.0f}) {
        const Scenario s = continuousParametersAt(end);
        const std::vector<float> vst2 = renderVst2(s, in, 512);
        const std::vector<float> ours = renderLv2(s, in, 512, 4096);
        EXPECT_EQ(firstAudibleDifference(ours, vst2), vst2.size()) << "every continuous parameter at " << end;
        EXPECT_GT(*std::max_element(vst2.begin(), vst2.end()), 0.0f);
    }
}

// The synthesiser with notes, a bend and the modulation wheel, and changes
// of mode, carrier, size and gain mid-stream, as the VST 2 library renders
// them in blocks of 512: the same output in blocks of 1 and 512. Control
// ports are read once a run, so the changes fall on block starts of both.
// Without changes, also in blocks of 10000, longer than the 4096 the host
// prepared for.
TEST(Lv2, NotesAndChangesAtTheirSamplesInBlocksOfAnyLength)
{
    const Signals in = testSignals(3 * 44100 / 2);
    Scenario s{{{kOsc1, 1 / 3.0f}, {kOsc2, 2 / 3.0f}, {kVocoderGain, 0.9f}},
               {{100, {0x90, 48, 100}}, {777, {0x90, 55, 90}}, {5000, {0xE0, 0, 80}}, {9000, {0xB0, 1, 90}},
                {20000, {0x80, 48, 0}}, {30001, {0x90, 60, 120}}, {50000, {0x80, 55, 0}}},
               {{30 * 512, kVocoderRatio, 0.8f}, {49 * 512, kCarrier, 1.0f}, {69 * 512, kCarrier, 0.0f},
                {78 * 512, kFftSize, 1.0f}, {88 * 512, kMode, 0.5f}, {102 * 512, kMode, 0.0f}}};
    const std::vector<float> vst2 = delayedAsExtended(renderVst2(s, in, 512), s);
    for (const int block : {512, 1})
        EXPECT_EQ(firstAudibleDifference(renderLv2(s, in, block, 4096), vst2), vst2.size()) << "block " << block;
    s.changes.clear();
    const std::vector<float> steady = renderVst2(s, in, 512);
    EXPECT_EQ(firstAudibleDifference(renderLv2(s, in, 10000, 4096), steady), steady.size());
}

// The latency port reports where the voice comes out: the centre of a
// voice impulse's envelope on a steady carrier in the Vocoder mode, a
// carrier impulse in the Carrier mode (delayed to the same figure); it
// follows size changes and no mode change.
TEST(Lv2, LatencyPortIsWhereTheVoiceComesOut)
{
    for (const auto& [mode, fft, hop] : {std::tuple{0.0f, 2 / 3.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {0.5f, 2 / 3.0f, 1.0f},
                                         {0.0f, 0.0f, 2 / 3.0f}, {1.0f, 1.0f, 0.0f}}) {
        Lv2Plugin plugin(44100.0, 4096);
        ASSERT_TRUE(plugin.ready());
        plugin.set(kCarrier, 1.0f);
        plugin.set(kLowCut, 0.0f);
        plugin.set(kHighCut, 1.0f);
        plugin.set(kMode, mode);
        plugin.set(kFftSize, fft);
        plugin.set(kHopSize, hop);
        const SpectralPair sizes = spectralsizes::pairFor(fft, hop);
        const int frames = 6144;
        const int at = mode == 0.0f ? centredVoiceSample(2000, sizes.fftSize, sizes.hopSize) : 1500;
        const Signals in = mode == 0.5f ? impulseProbe(frames, at) : voiceProbe(frames, at);
        std::vector<float> out(frames), other(frames);
        for (int start = 0; start < frames; start += 256)
            plugin.run(in.voice.data() + start, in.carrier.data() + start, out.data() + start, other.data() + start,
                       256, {}, start);
        const std::string where = std::to_string(mode) + " " + std::to_string(fft) + " " + std::to_string(hop);
        EXPECT_EQ(plugin.latency(), static_cast<float>(sizes.fftSize + sizes.hopSize - 2 + 44)) << where;
        if (mode == 0.0f)
            EXPECT_NEAR(voiceDelayOf(out, at), plugin.latency(), 2.0) << where;
        else
            EXPECT_EQ(static_cast<float>(delayOf(out, at)), plugin.latency()) << where;
    }
}

// The Clear engine with every control of its own moved, and the synthesiser
// following the voice: both outputs as the built-in engine (vocoder-render's)
// plays them, within the ports' rounding.
TEST(Lv2, TheClearEngineAndTrackingSoundAsTheBuiltInEngine)
{
    const Signals in = testSignals(16384);
    for (const Scenario& s : {clearScenario(), trackingScenario()}) {
        const Stereo expected = renderBuiltIn(s, in, 512);
        std::vector<float> right;
        const std::vector<float> left = renderLv2(s, in, 512, 4096, &right);
        EXPECT_LT(largestDifference(left, expected.left), 1e-4f);
        EXPECT_LT(largestDifference(right, expected.right), 1e-4f);
        EXPECT_GT(largestDifference(left, right), 1e-3f) << "Width spreads the bands";
    }
}

// The band_levels port: about 30 times a second a vector of the voice's
// and the output's band levels, which follow a voice and come to rest at
// the floor in silence, then the tuner's reading (the voice at 180 Hz is
// MIDI 53.53, held at a semitone beside it in Chromatic; nothing in silence).
TEST(Lv2, TheBandLevelsPortFollowsTheVoiceAndTheTunerAndRestsInSilence)
{
    Lv2Plugin p(44100.0, 512);
    ASSERT_TRUE(p.ready());
    p.set(kCarrier, 0.0f);
    p.set(kTrack, 1.0f);
    const Signals in = testSignals(44100);
    std::vector<float> left(512), right(512), silence(512, 0.0f);
    int messages = 0, tuned = 0, close = 0;
    float loudest = -1000.0f;
    for (size_t start = 0; start + 512 <= in.voice.size(); start += 512) {
        p.run(in.voice.data() + start, in.carrier.data() + start, left.data(), right.data(), 512, {}, 0);
        const std::vector<float> levels = p.bandLevels();
        if (levels.empty())
            continue;
        ++messages;
        ASSERT_EQ(levels.size(), 66u);
        loudest = std::max(loudest, *std::max_element(levels.begin(), levels.begin() + 32));
        if (levels[65] != 0.0f) {
            ++tuned;
            EXPECT_TRUE(levels[65] == 53.0f || levels[65] == 54.0f) << levels[65];
            close += std::fabs(levels[64] - 53.53f) < 0.15f;  // the voice fades to noise 6 times a second
        }
    }
    EXPECT_GE(messages, 25);
    EXPECT_LE(messages, 35);
    EXPECT_GE(tuned, messages / 2);
    EXPECT_GE(close, 0.8 * tuned);
    EXPECT_GT(loudest, -60.0f);
    std::vector<float> last;
    for (int run = 0; run < 100; ++run) {
        p.run(silence.data(), silence.data(), left.data(), right.data(), 512, {}, 0);
        if (const std::vector<float> levels = p.bandLevels(); !levels.empty())
            last = levels;
    }
    ASSERT_EQ(last.size(), 66u);
    EXPECT_LE(*std::max_element(last.begin(), last.begin() + 64), -100.0f);
    EXPECT_EQ(last[65], 0.0f);
}
