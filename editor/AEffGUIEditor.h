// An editor whose window content is a toolkit frame: it reports its size,
// passes idle, keys and wheel to the frame, relays the controls' edit
// gestures to the plug-in, and paces the idle service during gestures.
#pragma once

#include "AEffEditor.h"

#include <cstdint>

namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    // Redraws the frame's dirty views; not while the host is being served from pumpIdle.
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 mode) override;

    virtual void beginEdit(VstInt32 index);
    virtual void endEdit(VstInt32 index);
    // While a control holds the mouse: about every 100 ms a full pass (the
    // frame's idle, waiting exposures, the host's idle); calls in between
    // sleep 4 ms, and pass only when at most 50 ms are left.
    virtual void pumpIdle();

    VSTGUI::CFrame* getFrame() const { return frame; }

    // How knobs are dragged, for every editor of the library: 2 linear, other circular.
    static inline std::int32_t knobMode = 0;

protected:
    ERect rect{};
    std::uint32_t lastIdleTicks;
    bool inPumpIdle = false;
    VSTGUI::CFrame* frame = nullptr;
};
