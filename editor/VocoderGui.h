// The plug-in's editor: a 500 × 374 panel with a control for every
// parameter, text displays for the continuous ones, a help icon and the
// credits. Controls change parameters as automated changes; parameter
// changes from anywhere bring the controls up to date at the next idle.
#pragma once

#include "AEffGUIEditor.h"
#include "parameters/ParameterTable.h"
#include "toolkit/CControl.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace platform {
class Image;
}

namespace VSTGUI {
class CBitmap;
class CMovieBitmap;
class CParamDisplay;
class CSplashScreen;
}

// What a value display shows: the plug-in's text for one parameter.
struct DisplayBinding {
    AudioEffect* effect;
    VstInt32 index;
};

// The displays' formatter: the parameter's display text, with "Hz" after
// Low Cut and High Cut. `value` is not used: the text is the plug-in's
// current one. `text` holds 256 bytes.
void formatParameterText(float value, char* text, void* binding);

class VocoderGui : public AEffGUIEditor, public VSTGUI::CControlListener {
public:
    explicit VocoderGui(AudioEffect* effect);
    ~VocoderGui() override;

    // Builds the frame in the host's window (an X11 window id) and the views;
    // false, with nothing built, without a usable window or during a gesture.
    bool open(void* parent) override;
    // Asked for during a gesture (a host closing the editor from the idle
    // call the gesture makes), the close happens when the gesture has ended.
    void close() override;
    // Brings the controls to the parameters that changed, then redraws.
    void idle() override;
    // From any thread, the audio thread too: only marks the parameter changed.
    void setParameter(VstInt32 index, float value) override;

    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    bool modifierClicked(VSTGUI::CDrawContext* context, VSTGUI::CControl* control, std::int32_t buttons) override;

    // The view tree on a frame without a window, drawn as a user would see it
    // now, into a new image of the panel's size (the caller owns it).
    platform::Image* drawPicture();

    VSTGUI::CControl* control(VstInt32 index) const { return controls_[static_cast<size_t>(index)]; }
    VSTGUI::CParamDisplay* display(VstInt32 index) const { return displays_[static_cast<size_t>(index)]; }
    VSTGUI::CSplashScreen* credits() const { return credits_; }

private:
    // The views of the layout table on `frame`, each value from the plug-in.
    void buildViews(VSTGUI::CFrame* frame);
    void releaseViews();
    void takeOverChanges();
    void destroyFrame();

    std::array<DisplayBinding, kNumParameters> displayBindings_;
    VSTGUI::CBitmap* background_;
    VSTGUI::CMovieBitmap* helpIcon_ = nullptr;
    VSTGUI::CSplashScreen* credits_ = nullptr;
    std::array<VSTGUI::CControl*, kNumParameters> controls_{};
    std::array<VSTGUI::CParamDisplay*, kNumParameters> displays_{};
    std::atomic<std::uint32_t> changed_{0};  // one bit per parameter
    bool closePending_ = false;
};
