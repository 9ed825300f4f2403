// The editor base: its rectangle, the shared knob mode, keys without a
// frame, and the pacing of pumpIdle, with the clock's due time set by the test.
#include "editor/AEffGUIEditor.h"
#include "platform/Window.h"
#include "formats/vst2/AudioEffectX.h"
#include "toolkit/CFrame.h"

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
    explicit Editor(AudioEffect* effect) : AEffGUIEditor(effect)
    {
        rect = {0, 0, 374, 500};
    }
    using AEffGUIEditor::frame;
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
    EXPECT_EQ(AEffGUIEditor::knobMode, 2);
    EXPECT_TRUE(b.editor->setKnobMode(-7));
    EXPECT_EQ(AEffGUIEditor::knobMode, -7);
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

TEST(AEffGUIEditor, KeysGoToTheFrameAndCountOnlyWhenTaken)
{
    Rig rig;
    VSTGUI::CFrame frame({0, 0, 100, 100}, nullptr, rig.editor);
    rig.editor->frame = &frame;
    VstKeyCode tab{0, VKEY_TAB, 0}, letter{'x', 0, 0};
    EXPECT_FALSE(rig.editor->onKeyDown(letter));  // no view took it: −1
    EXPECT_FALSE(rig.editor->onKeyDown(tab));     // nothing wants focus
    auto* focusable = new VSTGUI::CView({0, 0, 10, 10});
    focusable->setWantsFocus(true);
    frame.addView(focusable);
    focusable->releaseRef();
    EXPECT_TRUE(rig.editor->onKeyDown(tab));
    EXPECT_EQ(frame.focusView(), focusable);
    rig.editor->frame = nullptr;
}
