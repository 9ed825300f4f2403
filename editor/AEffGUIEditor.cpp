#include "AEffGUIEditor.h"

#include "platform/Window.h"
#include "formats/vst2/AudioEffect.h"
#include "toolkit/CFrame.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect), lastIdleTicks(platform::tickCount())
{
    effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() = default;

bool AEffGUIEditor::getRect(ERect** out)
{
    *out = &rect;
    return true;
}

void AEffGUIEditor::idle()
{
    if (!inPumpIdle && frame)
        frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) { return frame && frame->onKeyDown(key) == 1; }

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) { return frame && frame->onKeyUp(key) == 1; }

bool AEffGUIEditor::onWheel(float distance)
{
    if (!frame)
        return false;
    VSTGUI::CDrawContext* context = frame->windowContext();
    VSTGUI::CPoint where;
    if (context)
        context->readMouseLocation(where);
    const bool taken = frame->onWheel(context, where, distance);
    if (context)
        context->releaseRef();
    return taken;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode)
{
    knobMode = mode;
    return true;
}

void AEffGUIEditor::beginEdit(VstInt32 index) { effect_->beginEdit(index); }

void AEffGUIEditor::endEdit(VstInt32 index) { effect_->endEdit(index); }

// Tick arithmetic is unsigned and wraps like the tick count: "before" is a
// difference taken as signed.
void AEffGUIEditor::pumpIdle()
{
    std::uint32_t now = platform::tickCount();
    if (static_cast<std::int32_t>(now - lastIdleTicks) < 0) {
        platform::sleepMilliseconds(4);
        now += 4;
        if (static_cast<std::int32_t>(now - (lastIdleTicks - 50)) < 0)
            return;
    }
    idle();
    if (frame)
        frame->servePaints();
    lastIdleTicks = now + 100;
    inPumpIdle = true;
    effect_->masterIdle();
    inPumpIdle = false;
}
