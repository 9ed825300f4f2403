// The plug-in object's settings and its editor traffic, tested directly.
#include "formats/vst2/AEffEditor.h"
#include "formats/vst2/Vocoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<VstInt32> hostOpcodes;
std::vector<VstInt32> hostIndices;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    hostOpcodes.push_back(opcode);
    hostIndices.push_back(index);
    return 1;
}

struct RecordingEditor : AEffEditor {
    using AEffEditor::AEffEditor;
    bool getRect(ERect** rect) override
    {
        *rect = &size;
        return true;
    }
    bool open(void* parent) override
    {
        AEffEditor::open(parent);
        return true;
    }
    void idle() override { ++idles; }
    bool onKeyDown(VstKeyCode& key) override
    {
        lastKey = key;
        return key.character == 'a';
    }
    bool setKnobMode(VstInt32 mode) override
    {
        knobMode = mode;
        return true;
    }
    void setParameter(VstInt32 index, float value) override { changes.push_back({index, value}); }

    ERect size{0, 0, 374, 500};
    int idles = 0;
    VstKeyCode lastKey{};
    VstInt32 knobMode = -1;
    std::vector<std::pair<VstInt32, float>> changes;
};

class VocoderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hostOpcodes.clear();
        hostIndices.clear();
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        AEffect* e = plugin.getAeffect();
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    void process(int frames)
    {
        std::vector<float> in(static_cast<size_t>(frames)), out1(in.size()), out2(in.size());
        float* inputs[] = {in.data(), in.data()};
        float* outputs[] = {out1.data(), out2.data()};
        plugin.processReplacing(inputs, outputs, frames);
    }
    Vocoder plugin{recordingHost};
};

}  // namespace

// The program's values reach the engine with the constructor's resume.
TEST_F(VocoderTest, StateAfterConstruction)
{
    const Engine& engine = plugin.engine();
    EXPECT_TRUE(engine.carrierSwitched());  // Audio2 before program 0, Synth after
    EXPECT_EQ(engine.carrierSource(), CarrierSource::Synth);
    EXPECT_EQ(engine.mode(), 0);
    EXPECT_NEAR(engine.limiter().threshold(), -20.01, 1e-12);
    EXPECT_NEAR(engine.compressor().threshold(), -20.01, 1e-12);
    EXPECT_NEAR(engine.compressor().ratio(), 0.505, 1e-12);
    EXPECT_NEAR(engine.compressor().attack(), 50.5, 1e-12);
    EXPECT_NEAR(engine.compressor().release(), 200.5, 1e-12);
    EXPECT_EQ(engine.limiter().latency(), 44);
    EXPECT_EQ(engine.limiter().sampleRate(), 44100.0);
    EXPECT_EQ(engine.synth().bendRange(), 1);
    EXPECT_EQ(engine.fftSize(), 512);
    EXPECT_EQ(engine.hopSize(), 128);
    EXPECT_EQ(engine.modulatorBufferLength(), 511u);
    EXPECT_EQ(engine.carrierBufferLength(), 511u);
    EXPECT_EQ(engine.outputBufferLength(), 511u);
}

TEST_F(VocoderTest, SynthesiserSettingsReachTheVoicesAtTheNextBlock)
{
    plugin.setParameter(kPitchbend, 1.0f);
    plugin.setParameter(kTranspose, 1.0f);
    plugin.setParameter(kOsc2Octave, 1.0f);
    EXPECT_EQ(plugin.engine().synth().bendRange(), 1);
    process(64);
    EXPECT_EQ(plugin.engine().synth().bendRange(), 12);
    // A voice holding no key (−1) still gets a frequency from the key rule.
    EXPECT_EQ(plugin.engine().synth().voice(0).frequency2(), keyFrequency(11) * 8.0f);
}

TEST_F(VocoderTest, CarrierChangeIsFlaggedOnlyOnChange)
{
    process(64);
    EXPECT_FALSE(plugin.engine().carrierSwitched());
    plugin.setParameter(kCarrier, 0.2f);
    dispatch(effMainsChanged, 0, 1);
    EXPECT_FALSE(plugin.engine().carrierSwitched());
    plugin.setParameter(kCarrier, 0.5f);
    dispatch(effMainsChanged, 0, 1);
    EXPECT_TRUE(plugin.engine().carrierSwitched());
    EXPECT_EQ(plugin.engine().carrierSource(), CarrierSource::Audio2);
}

TEST_F(VocoderTest, HostSampleRateReachesTheToolsAtTheNextBlock)
{
    const Engine& engine = plugin.engine();
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(engine.limiter().sampleRate(), 44100.0);
    dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(plugin.getSampleRate(), 48000.0f);
    EXPECT_EQ(engine.limiter().sampleRate(), 48000.0);
    EXPECT_EQ(engine.limiter().latency(), 48);  // 1 ms
    EXPECT_EQ(engine.compressor().sampleRate(), 48000.0);
    process(64);
    EXPECT_EQ(engine.equaliser().lowCut().sampleRate(), 48000);

    // Rates no host runs at are not taken.
    for (float rate : {0.0f, -44100.0f, NAN, INFINITY, 2.0e6f}) {
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        process(64);
        EXPECT_EQ(engine.limiter().sampleRate(), 48000.0);
    }
}

TEST_F(VocoderTest, EditorRequestsAndParameterFollowing)
{
    AEffEditor* built = plugin.getEditor();  // the plug-in's own, replaced by a recording one
    plugin.setEditor(nullptr);
    delete built;
    auto* editor = new RecordingEditor(&plugin);
    plugin.setEditor(editor);
    EXPECT_EQ(plugin.getAeffect()->flags, effFlagsCanReplacing | effFlagsHasEditor);

    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 500);
    int parent = 0;
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_TRUE(editor->isOpen());
    dispatch(effEditIdle);
    EXPECT_EQ(editor->idles, 1);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', VKEY_LEFT, nullptr, MODIFIER_SHIFT), 1);
    EXPECT_EQ(editor->lastKey.virt, VKEY_LEFT);
    EXPECT_EQ(editor->lastKey.modifier, MODIFIER_SHIFT);
    EXPECT_EQ(dispatch(effEditKeyDown, 'b', 0, nullptr, std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(editor->lastKey.modifier, 0);
    EXPECT_EQ(dispatch(effEditKeyUp, 'a'), 0);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(editor->knobMode, 2);
    dispatch(effEditClose);
    EXPECT_FALSE(editor->isOpen());

    plugin.setParameter(kMode, 0.7f);
    plugin.setParameter(40, 0.5f);  // not a parameter, but the editor hears of it
    ASSERT_EQ(editor->changes.size(), 2u);
    EXPECT_EQ(editor->changes[0], std::make_pair(VstInt32{kMode}, 0.7f));
    EXPECT_EQ(editor->changes[1], std::make_pair(VstInt32{40}, 0.5f));
    EXPECT_EQ(plugin.getParameter(kMode), 0.7f);
}

TEST_F(VocoderTest, HostHearsOnlyOfItsOwnParameters)
{
    hostOpcodes.clear();
    plugin.setParameterAutomated(kMode, 0.5f);
    EXPECT_TRUE(plugin.beginEdit(kMode));
    EXPECT_TRUE(plugin.endEdit(kMode));
    plugin.setParameterAutomated(999, 0.5f);
    EXPECT_FALSE(plugin.beginEdit(999));
    EXPECT_FALSE(plugin.endEdit(-1));
    plugin.masterIdle();
    EXPECT_EQ(hostOpcodes, (std::vector<VstInt32>{audioMasterAutomate, audioMasterBeginEdit,
                                                  audioMasterEndEdit, audioMasterIdle}));
    EXPECT_EQ(hostIndices[0], kMode);
    EXPECT_EQ(plugin.getParameter(kMode), 0.5f);
}

TEST(VocoderWithoutHost, FrameCallsNeedACallback)
{
    Vocoder plugin(nullptr);
    plugin.setParameterAutomated(kMode, 1.0f);
    EXPECT_FALSE(plugin.beginEdit(kMode));
    plugin.masterIdle();
    EXPECT_EQ(plugin.getParameter(kMode), 1.0f);
}
