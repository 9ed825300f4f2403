// The interface declarations match the x86_64 binary layout hosts use.
#include "formats/vst2/aeffectx.h"

#include <gtest/gtest.h>

#include <cstddef>

TEST(Abi, EffectRecordLayout)
{
    EXPECT_EQ(sizeof(AEffect), 192u);
    EXPECT_EQ(offsetof(AEffect, magic), 0u);
    EXPECT_EQ(offsetof(AEffect, dispatcher), 8u);
    EXPECT_EQ(offsetof(AEffect, process), 16u);
    EXPECT_EQ(offsetof(AEffect, setParameter), 24u);
    EXPECT_EQ(offsetof(AEffect, getParameter), 32u);
    EXPECT_EQ(offsetof(AEffect, numPrograms), 40u);
    EXPECT_EQ(offsetof(AEffect, numParams), 44u);
    EXPECT_EQ(offsetof(AEffect, numInputs), 48u);
    EXPECT_EQ(offsetof(AEffect, numOutputs), 52u);
    EXPECT_EQ(offsetof(AEffect, flags), 56u);
    EXPECT_EQ(offsetof(AEffect, resvd1), 64u);
    EXPECT_EQ(offsetof(AEffect, resvd2), 72u);
    EXPECT_EQ(offsetof(AEffect, initialDelay), 80u);
    EXPECT_EQ(offsetof(AEffect, realQualities), 84u);
    EXPECT_EQ(offsetof(AEffect, offQualities), 88u);
    EXPECT_EQ(offsetof(AEffect, ioRatio), 92u);
    EXPECT_EQ(offsetof(AEffect, object), 96u);
    EXPECT_EQ(offsetof(AEffect, user), 104u);
    EXPECT_EQ(offsetof(AEffect, uniqueID), 112u);
    EXPECT_EQ(offsetof(AEffect, version), 116u);
    EXPECT_EQ(offsetof(AEffect, processReplacing), 120u);
    EXPECT_EQ(offsetof(AEffect, processDoubleReplacing), 128u);
    EXPECT_EQ(offsetof(AEffect, future), 136u);
}

TEST(Abi, EventAndEditorStructures)
{
    EXPECT_EQ(sizeof(VstEvent), 32u);
    EXPECT_EQ(sizeof(VstMidiEvent), 32u);
    EXPECT_EQ(offsetof(VstMidiEvent, deltaFrames), 8u);
    EXPECT_EQ(offsetof(VstMidiEvent, midiData), 24u);
    EXPECT_EQ(offsetof(VstMidiEvent, noteOffVelocity), 29u);
    EXPECT_EQ(sizeof(VstMidiSysexEvent), 48u);
    EXPECT_EQ(offsetof(VstMidiSysexEvent, sysexDump), 32u);
    EXPECT_EQ(offsetof(VstEvents, reserved), 8u);
    EXPECT_EQ(offsetof(VstEvents, events), 16u);
    EXPECT_EQ(sizeof(ERect), 8u);
    EXPECT_EQ(offsetof(ERect, right), 6u);
    EXPECT_EQ(sizeof(VstKeyCode), 8u);
    EXPECT_EQ(offsetof(VstKeyCode, modifier), 5u);
}

TEST(Abi, OpcodeNumbers)
{
    EXPECT_EQ(effGetChunk, 23);
    EXPECT_EQ(effProcessEvents, 25);
    EXPECT_EQ(effGetPlugCategory, 35);
    EXPECT_EQ(effGetEffectName, 45);
    EXPECT_EQ(effCanDo, 51);
    EXPECT_EQ(effGetVstVersion, 58);
    EXPECT_EQ(effSetEditKnobMode, 61);
    EXPECT_EQ(effGetSpeakerArrangement, 69);
    EXPECT_EQ(effSetTotalSampleToProcess, 73);
    EXPECT_EQ(effGetNumMidiOutputChannels, 79);
    EXPECT_EQ(audioMasterWantMidi, 6);
    EXPECT_EQ(audioMasterProcessEvents, 8);
    EXPECT_EQ(audioMasterSizeWindow, 15);
    EXPECT_EQ(audioMasterCanDo, 37);
    EXPECT_EQ(audioMasterBeginEdit, 43);
    EXPECT_EQ(audioMasterEndEdit, 44);
    EXPECT_EQ(VKEY_EQUALS, 57);
    EXPECT_EQ(effFlagsCanDoubleReplacing, 4096);
}
