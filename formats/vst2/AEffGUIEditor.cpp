#include "AEffGUIEditor.h"

#include "AudioEffectX.h"
#include "editor/VocoderGui.h"
#include "platform/Window.h"
#include "toolkit/CFrame.h"

namespace {

VSTGUI::KeyCode toolkitKey(const VstKeyCode& key)
{
    using VSTGUI::VirtualKey;
    VirtualKey virt = VirtualKey::none;
    switch (key.virt) {
    case 0: break;
    case VKEY_TAB: virt = VirtualKey::tab; break;
    case VKEY_LEFT: virt = VirtualKey::left; break;
    case VKEY_UP: virt = VirtualKey::up; break;
    case VKEY_RIGHT: virt = VirtualKey::right; break;
    case VKEY_DOWN: virt = VirtualKey::down; break;
    default: virt = VirtualKey::other; break;
    }
    std::int32_t modifiers = 0;
    if (key.modifier & MODIFIER_SHIFT)
        modifiers |= VSTGUI::kShift;
    if (key.modifier & MODIFIER_ALTERNATE)
        modifiers |= VSTGUI::kAlt;
    if (key.modifier & (MODIFIER_CONTROL | MODIFIER_COMMAND))
        modifiers |= VSTGUI::kControl;
    return {key.character, virt, modifiers};
}

}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect)
    : AEffEditor(effect), lastIdleTicks(platform::tickCount()), gui_(std::make_unique<VocoderGui>(*this))
{
    rect = {0, 0, static_cast<std::int16_t>(gui_->height()), static_cast<std::int16_t>(gui_->width())};
    effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() = default;

bool AEffGUIEditor::getRect(ERect** out)
{
    *out = &rect;
    return true;
}

bool AEffGUIEditor::open(void* parent)
{
    if (!gui_->open(parent))
        return false;
    parentWindow_ = parent;
    return true;
}

void AEffGUIEditor::close()
{
    gui_->close();
    if (!gui_->isOpen())
        parentWindow_ = nullptr;
}

bool AEffGUIEditor::isOpen() { return gui_->isOpen(); }

void AEffGUIEditor::idle()
{
    if (inPumpIdle) {
        gui_->followChanges();
        return;
    }
    gui_->idle();
    if (!gui_->isOpen())
        parentWindow_ = nullptr;
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) { return gui_->onKeyDown(toolkitKey(key)); }

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) { return gui_->onKeyUp(toolkitKey(key)); }

bool AEffGUIEditor::onWheel(float distance) { return gui_->onWheel(distance); }

bool AEffGUIEditor::setKnobMode(VstInt32 mode)
{
    VocoderGui::knobModeSetting = mode;
    return true;
}

void AEffGUIEditor::setParameter(VstInt32 index, float) { gui_->parameterChanged(index); }

VSTGUI::CFrame* AEffGUIEditor::getFrame() const { return gui_->getFrame(); }

void AEffGUIEditor::beginEdit(VstInt32 index) { effect_->beginEdit(index); }

void AEffGUIEditor::endEdit(VstInt32 index) { effect_->endEdit(index); }

float AEffGUIEditor::parameterValue(std::int32_t index) { return effect_->getParameter(index); }

void AEffGUIEditor::parameterText(std::int32_t index, char* text) { effect_->getParameterDisplay(index, text); }

void AEffGUIEditor::performEdit(std::int32_t index, float value) { effect_->setParameterAutomated(index, value); }

bool AEffGUIEditor::resizeWindow(std::int32_t width, std::int32_t height)
{
    auto* effect = dynamic_cast<AudioEffectX*>(effect_);
    return effect && effect->canHostDo("sizeWindow") == 1 && effect->sizeWindow(width, height);
}

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
    if (VSTGUI::CFrame* frame = gui_->getFrame())
        frame->servePaints();
    lastIdleTicks = now + 100;
    inPumpIdle = true;
    effect_->masterIdle();
    inPumpIdle = false;
}
