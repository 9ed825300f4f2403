// The dispatcher's answers, the capabilities and the host calls, through the
// built library.
#include "TestHost.h"
#include "parameters/Identity.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.create(), nullptr); }
    TestHost host;
};

}  // namespace

TEST_F(Dispatcher, FixedAnswers)
{
    struct Case {
        VstInt32 opcode;
        VstIntPtr value;
        VstIntPtr expected;
    };
    const Case cases[] = {
        {effOpen, 0, 0},
        {effGetProgram, 0, 0},
        {effIdentify, 0, 0x4E764566},
        {effSetChunk, 0, 0},
        {effCanBeAutomated, 0, 1},
        {effString2Parameter, 0, 0},
        {effGetInputProperties, 0, 0},
        {effGetOutputProperties, 0, 0},
        {effGetPlugCategory, 0, kPlugCategEffect},
        {effOfflineNotify, 0, 0},
        {effProcessVarIo, 0, 0},
        {effSetBypass, 1, 0},
        {effGetVendorVersion, 0, identity::kVendorVersion},
        {effVendorSpecific, 0, 0},
        {effGetTailSize, 0, 0},
        {effGetParameterProperties, 0, 0},
        {effGetVstVersion, 0, 2400},
        {effGetMidiProgramName, 0, 0},
        {effGetCurrentMidiProgram, 0, -1},
        {effHasMidiProgramsChanged, 0, 0},
        {effBeginSetProgram, 0, 0},
        {effEndSetProgram, 0, 0},
        {effSetTotalSampleToProcess, 12345, 12345},
        {effShellGetNextPlugin, 0, 0},
        {effStartProcess, 0, 0},
        {effStopProcess, 0, 0},
        {effSetPanLaw, 0, 0},
        {effSetProcessPrecision, 0, 0},
        {effGetNumMidiInputChannels, 0, 0},
        {effGetNumMidiOutputChannels, 0, 0},
        // Deprecated opcodes are not handled, and neither is anything unknown.
        {effGetVu, 0, 0},
        {effGetNumProgramCategories, 0, 0},
        {effKeysRequired, 0, 0},
        {200, 0, 0},
        {-1, 0, 0},
        // Editor requests with the editor closed: no window is given, none is opened.
        {effEditOpen, 0, 0},
        {effEditClose, 0, 0},
        {effEditIdle, 0, 0},
        {effEditKeyDown, 0, 0},
        {effSetEditKnobMode, 2, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(host.dispatch(c.opcode, 0, c.value), c.expected) << "opcode " << c.opcode;
    // The editor's size is known before any window.
    ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 374);
    EXPECT_EQ(rect->right, 500);
}

TEST_F(Dispatcher, NamesAndVendor)
{
    char text[80] = "";
    EXPECT_EQ(host.dispatch(effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "Vocoder");
    EXPECT_EQ(host.dispatch(effGetVendorString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Velmora");
    EXPECT_EQ(host.dispatch(effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Vocoder");
    EXPECT_EQ(host.effect()->flags & effFlagsIsSynth, 0);
}

TEST_F(Dispatcher, CanDoComparesWholeTexts)
{
    const std::pair<const char*, VstIntPtr> cases[] = {
        {"sendVstEvents", 1},        {"sendVstMidiEvent", 1},     {"sendVstTimeInfo", 0},
        {"receiveVstEvents", 1},     {"receiveVstMidiEvent", 1},  {"receiveVstTimeInfo", 0},
        {"offline", -1},             {"midiProgramNames", -1},    {"conformsToWindowRules", -1},
        {"bypass", -1},              {"receiveVstMidiEventX", -1}, {"sendVstEvents ", -1},
        {"receiveVstMidi", -1},      {"Bypass", -1},              {"", -1},
        {"plugAsChannelInsert", -1},
    };
    for (const auto& [text, answer] : cases)
        EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>(text)), answer) << text;
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, ChunksAreNotSupported)
{
    void* untouched = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, &untouched), 0);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(host.effect()->flags & effFlagsProgramChunks, 0);
}

TEST_F(Dispatcher, SpeakerArrangementIsCleared)
{
    void* input = reinterpret_cast<void*>(0x1);
    void* output = reinterpret_cast<void*>(0x2);
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(Dispatcher, EveryResumeAsksForMidiAgain)
{
    host.clearCalls();
    host.dispatch(effMainsChanged, 0, 0);
    EXPECT_TRUE(host.callsOf(audioMasterWantMidi).empty());
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effMainsChanged, 0, 1);
    const auto calls = host.callsOf(audioMasterWantMidi);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].value, 1);
}

TEST_F(Dispatcher, SampleRateAndBlockSizeChangeNoParameter)
{
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.dispatch(effSetBlockSize, 0, 256);
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(host.effect()->getParameter(host.effect(), 26), 0.6666667f);
    EXPECT_EQ(host.text(effGetParamDisplay, 26), "512");
    EXPECT_EQ(host.text(effGetParamDisplay, 27), "128");
}

TEST_F(Dispatcher, EventListsGoBackToTheHost)
{
    VstMidiEvent note{kVstMidiType, sizeof(VstMidiEvent), 100, 0, 0, 0, {char(0x90), 60, 100, 0}, 0, 0, 0, 0};
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&note);
    host.clearCalls();
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, &events), 1);
    const auto thru = host.callsOf(audioMasterProcessEvents);
    ASSERT_EQ(thru.size(), 1u);
    EXPECT_EQ(thru[0].ptr, &events);
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, ProgramNames)
{
    EXPECT_EQ(host.text(effGetProgramName), "Init 1");
    char text[64] = "";
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 0, 0, text), 1);
    EXPECT_STREQ(text, "Init");
    std::strcpy(text, "unchanged");
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 1, 0, text), 0);
    EXPECT_STREQ(text, "unchanged");

    char name[] = "Robot Choir";
    host.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(host.text(effGetProgramName), "Robot Choir");
    host.dispatch(effGetProgramNameIndexed, 0, 0, text);
    EXPECT_STREQ(text, "Robot Choir");

    char initPlus[] = "Init2";
    host.dispatch(effSetProgramName, 0, 0, initPlus);
    EXPECT_EQ(host.text(effGetProgramName), "Init2");
    char init[] = "Init";
    host.dispatch(effSetProgramName, 0, 0, init);
    EXPECT_EQ(host.text(effGetProgramName), "Init 1");
}

TEST_F(Dispatcher, LongProgramNamesKeepTheirFirst23Characters)
{
    char longName[] = "A very long program name that goes on and on";
    host.dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(host.text(effGetProgramName), std::string(longName, 23));
}

TEST_F(Dispatcher, SelectingTheProgramAppliesNothing)
{
    AEffect* effect = host.effect();
    effect->setParameter(effect, 16, 0.25f);
    host.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(effect->getParameter(effect, 16), 0.25f);
    host.dispatch(effSetProgram, 0, 1);
    host.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
}

TEST_F(Dispatcher, CloseDestroysTheObject)
{
    EXPECT_EQ(host.close(), 1);
    EXPECT_EQ(host.effect(), nullptr);
}
