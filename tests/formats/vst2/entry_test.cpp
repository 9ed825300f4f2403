// The entry points and the effect record, through the built library.
#include "TestHost.h"

#include <gtest/gtest.h>

TEST(Entry, RefusesAHostThatAnswersVersionZero)
{
    TestHost host;
    EXPECT_EQ(host.create("VSTPluginMain", 0), nullptr);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterVersion);
}

TEST(Entry, RecordAsTheHostFindsIt)
{
    for (const char* entry : {"VSTPluginMain", "main"}) {
        TestHost host;
        AEffect* effect = host.create(entry);
        ASSERT_NE(effect, nullptr) << entry;
        EXPECT_EQ(effect->magic, 0x56737450);
        EXPECT_EQ(effect->numPrograms, 1);
        EXPECT_EQ(effect->numParams, 28);
        EXPECT_EQ(effect->numInputs, 2);
        EXPECT_EQ(effect->numOutputs, 2);
        EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsHasEditor);
        EXPECT_EQ(effect->initialDelay, 0);
        EXPECT_EQ(effect->ioRatio, 1.0f);
        EXPECT_EQ(effect->uniqueID, 0x00517A74);
        EXPECT_EQ(effect->version, 1);
        EXPECT_NE(effect->object, nullptr);
        EXPECT_EQ(effect->user, nullptr);
        EXPECT_NE(effect->processReplacing, nullptr);
        EXPECT_NE(effect->processDoubleReplacing, nullptr);
        EXPECT_NE(effect->process, nullptr);
        // One MIDI request at construction.
        ASSERT_EQ(host.callsOf(audioMasterWantMidi).size(), 1u);
        EXPECT_EQ(host.callsOf(audioMasterWantMidi)[0].value, 1);
        EXPECT_EQ(host.close(), 1);
    }
}

TEST(Entry, EachCallMakesAnIndependentObject)
{
    TestHost host;
    AEffect* first = host.create();
    AEffect* second = host.create();  // the host closes this one
    ASSERT_NE(first, second);
    first->setParameter(first, 16, 0.25f);
    EXPECT_EQ(first->getParameter(first, 16), 0.25f);
    EXPECT_EQ(second->getParameter(second, 16), 1.0f);
    EXPECT_EQ(first->dispatcher(first, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(Entry, DeprecatedAndDoubleProcessDoNothing)
{
    TestHost host;
    AEffect* effect = host.create();
    float in[4] = {1, 1, 1, 1}, out[4] = {5, 5, 5, 5};
    float* ins[2] = {in, in};
    float* outs[2] = {out, out};
    effect->process(effect, ins, outs, 4);
    EXPECT_EQ(out[0], 5.0f);
    double din[2] = {1, 1}, dout[2] = {5, 5};
    double* dins[2] = {din, din};
    double* douts[2] = {dout, dout};
    effect->processDoubleReplacing(effect, dins, douts, 2);
    EXPECT_EQ(dout[0], 5.0);
}
