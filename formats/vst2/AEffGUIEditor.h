// The plug-in's editor as the VST 2 interface sees it: it owns the
// format-free editor, reports its size, passes idle, keys and wheel to it,
// relays its edit gestures to the plug-in, and paces the idle service while
// a control holds the mouse.
#pragma once

#include "AEffEditor.h"
#include "editor/EditorHost.h"

#include <cstdint>
#include <memory>

class VocoderGui;

namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor, public EditorHost {
public:
    // Attaches itself to `effect` as its editor.
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    bool isOpen() override;
    // Redraws the editor's dirty views; while the host is being served from
    // pumpIdle it only follows the parameters.
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 mode) override;
    void setParameter(VstInt32 index, float value) override;

    // Also the editor host's: the plug-in tells its host.
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;
    // While a control holds the mouse: about every 100 ms a full pass (the
    // editor's idle, waiting exposures, the host's idle); calls in between
    // sleep 4 ms, and pass only when at most 50 ms are left.
    virtual void pumpIdle();

    VocoderGui& gui() const { return *gui_; }
    VSTGUI::CFrame* getFrame() const;

    // EditorHost
    float parameterValue(std::int32_t index) override;
    void parameterText(std::int32_t index, char* text) override;
    void performEdit(std::int32_t index, float value) override;
    void gestureIdle() override { pumpIdle(); }
    bool resizeWindow(std::int32_t width, std::int32_t height) override;

protected:
    ERect rect{};
    std::uint32_t lastIdleTicks;
    bool inPumpIdle = false;

private:
    std::unique_ptr<VocoderGui> gui_;
};
