// The VST 2 editor: its rectangle, the shared knob mode, keys without a
// window, and the pacing of pumpIdle, with the clock's due time set by the test.
#include "editor/VocoderGui.h"
#include "formats/vst2/AEffGUIEditor.h"
#include "formats/vst2/AudioEffectX.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<VstInt32> hostCalls;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    hostCalls.push_back(opcode);
    return 0;
}

struct Editor : AEffGUIEditor {
    using AEffGUIEditor::AEffGUIEditor;
    using AEffGUIEditor::lastIdleTicks;
};

struct Rig {
    Rig() { hostCalls.clear(); }
    AudioEffectX effect{host, 1, 1};
    Editor* editor = new Editor(&effect);  // owned by the effect
    int idles() const { return static_cast<int>(std::count(hostCalls.begin(), hostCalls.end(), audioMasterIdle)); }
};

}  // namespace

TEST(AEffGUIEditor, ReportsItsRectangleBeforeAnyOpen)
{
    Rig rig;
    ERect* rect = nullptr;
    EXPECT_TRUE(rig.editor->getRect(&rect));
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 500);
    EXPECT_EQ(rect->bottom, 374);
    VstKeyCode key{0, VKEY_LEFT, 0};
    EXPECT_FALSE(rig.editor->onKeyDown(key));
    EXPECT_FALSE(rig.editor->onWheel(1.0f));
}

TEST(AEffGUIEditor, KnobModeIsSharedByEveryEditor)
{
    Rig a, b;
    EXPECT_TRUE(a.editor->setKnobMode(2));
    EXPECT_EQ(VocoderGui::knobModeSetting.load(), 2);
    EXPECT_TRUE(b.editor->setKnobMode(-7));
    EXPECT_EQ(VocoderGui::knobModeSetting.load(), -7);
    a.editor->setKnobMode(0);
}

TEST(AEffGUIEditor, PumpIdlePassesAboutEvery100Milliseconds)
{
    Rig rig;
    rig.editor->lastIdleTicks = platform::tickCount() - 1;
    rig.editor->pumpIdle();  // due: a full pass
    EXPECT_EQ(rig.idles(), 1);
    rig.editor->pumpIdle();  // right after: sleeps, no pass
    EXPECT_EQ(rig.idles(), 1);
    // 60 ms after a pass at most 50 are left: a pass after the sleep.
    rig.editor->lastIdleTicks = platform::tickCount() + 40;
    rig.editor->pumpIdle();
    EXPECT_EQ(rig.idles(), 2);
    const std::uint32_t due = rig.editor->lastIdleTicks - platform::tickCount();
    EXPECT_GE(due, 95u);
    EXPECT_LE(due, 110u);
}
