// The plug-in's editor: a 500 × 374 panel with a control for each of the
// VST 2 plug-in's parameters, text displays for the continuous ones, a help
// icon and the credits; in the formats we design, a 500 × 150 panel below it
// with the other parameters and the band display. It knows no plug-in
// format: controls change parameters through the editor host, and parameter
// changes from anywhere bring the controls up to date at the next idle.
#pragma once

#include "EditorHost.h"
#include "PresetSelection.h"
#include "parameters/ParameterTable.h"
#include "toolkit/CBarDisplay.h"
#include "toolkit/CControl.h"
#include "toolkit/CFrame.h"

#include <array>
#include <atomic>
#include <string>
#include <cstdint>
#include <vector>

namespace platform {
class Image;
}

namespace VSTGUI {
class CBitmap;
class CMovieBitmap;
class CListChooser;
class CParamDisplay;
class CSplashScreen;
}

// What a value display shows: the plug-in's text for one parameter.
struct DisplayBinding {
    EditorHost* host;
    std::int32_t index;
};

// The displays' formatter: the parameter's display text, with the table's
// editor suffix ("Hz" after Low Cut and High Cut). `value` is not used: the
// text is the plug-in's current one. `text` holds 256 bytes.
void formatParameterText(float value, char* text, void* binding);

class VocoderGui : public VSTGUI::FrameOwner, public VSTGUI::CControlListener {
public:
    // How mouse gestures run: in a loop of their own inside the press,
    // served through the host's gestureIdle, or fed from window events
    // across idle calls, so that no call blocks.
    enum class Gestures { modalLoop, fromEvents };
    // The panel every format shows, or that and the extension panel below
    // it: the parameters beyond the VST 2 plug-in's and the band display.
    enum class Panels { classic, extended };

    explicit VocoderGui(EditorHost& host, Gestures gestures = Gestures::modalLoop, Panels panels = Panels::classic);
    ~VocoderGui();
    VocoderGui(const VocoderGui&) = delete;
    VocoderGui& operator=(const VocoderGui&) = delete;

    // The panels' size in units, and the window's in pixels at the scale.
    std::int32_t width() const;
    std::int32_t height() const;
    std::int32_t windowWidth() const;
    std::int32_t windowHeight() const;

    // The editor is drawn at 1, 1.5 or 2 pixels to a unit, from artwork
    // drawn at twice the size; a host's or desktop's factor is taken to the
    // nearest of them (anything not a number above 0: 1).
    static double supportedScale(double factor);
    double scale() const { return scale_; }
    // The nearest supported scale from now on; an open window is resized.
    void setScale(double factor);

    // Builds the frame in `parent` (an X11 window id) and the views; false,
    // with nothing built, without a usable window or during a gesture.
    bool open(void* parent);
    // The same in a top-level window of its own with this title.
    bool openTopLevel(const std::string& title);
    // The user asked to close the top-level window.
    bool closeAsked() const { return frame_ && frame_->closeAsked(); }
    // Asked for during a gesture (a host closing the editor from the idle
    // call the gesture makes), the close happens when the gesture has ended.
    void close();
    bool isOpen() const { return frame_ != nullptr; }
    // Brings the controls to the parameters that changed, then redraws.
    void idle();
    // Only brings the controls to the parameters that changed.
    void followChanges() { takeOverChanges(); }
    // Keys and the wheel go to the frame; true if a view took them.
    bool onKeyDown(const VSTGUI::KeyCode& key);
    bool onKeyUp(const VSTGUI::KeyCode& key);
    bool onWheel(float distance);
    // From any thread, the audio thread too: only marks the parameter changed.
    void parameterChanged(std::int32_t index);

    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    bool modifierClicked(VSTGUI::CDrawContext* context, VSTGUI::CControl* control, std::int32_t buttons) override;

    // FrameOwner
    // Gestures on a parameter's control reach the host; the tabs' stay here.
    void beginEdit(std::int32_t tag) override
    {
        if (isParameter(tag))
            host_.beginEdit(tag);
    }
    void endEdit(std::int32_t tag) override
    {
        if (isParameter(tag))
            host_.endEdit(tag);
    }
    void pumpIdle() override { host_.gestureIdle(); }
    std::int32_t knobMode() const override { return knobModeSetting; }
    bool resizeWindow(std::int32_t width, std::int32_t height) override { return host_.resizeWindow(width, height); }
    bool modalGestures() const override { return gestures_ == Gestures::modalLoop; }

    // The view tree on a frame without a window, drawn as a user would see it
    // now, into a new image of the panel's size at the editor's scale (the
    // caller owns it).
    platform::Image* drawPicture();

    VSTGUI::CFrame* getFrame() const { return frame_; }
    VSTGUI::CControl* control(std::int32_t index) const { return controls_[static_cast<size_t>(index)]; }
    VSTGUI::CParamDisplay* display(std::int32_t index) const { return displays_[static_cast<size_t>(index)]; }
    VSTGUI::CSplashScreen* credits() const { return credits_; }
    VSTGUI::CBarDisplay* bandDisplay() const { return bands_; }
    // What the TRACK page's tuner shows.
    const std::string& tunerText() const { return tunerText_; }
    // The factory presets' chooser (the formats we design), and what it names.
    VSTGUI::CListChooser* presetChooser() const { return presets_; }
    const PresetSelection& presetSelection() const { return presetSelection_; }
    // The page shown below the first panel (0 for the first with a tab).
    int page() const { return page_; }
    // Shows that page; its controls show their parameters' values as they are.
    void showPage(int page);

    // How knobs are dragged, for every editor of the library: 2 linear, other
    // circular. Each new editor sets it to linear; instances on any thread.
    static inline std::atomic<std::int32_t> knobModeSetting{0};

private:
    // The views of the layout table on `frame`, each value from the host.
    void buildViews(VSTGUI::CFrame* frame);
    void releaseViews();
    void takeOverChanges();
    void showBandLevels();
    void showPreset();
    void showTuner();
    void destroyFrame();
    static bool isParameter(std::int32_t tag);
    bool adopt(VSTGUI::CFrame* frame);

    EditorHost& host_;
    Gestures gestures_;
    Panels panels_;
    double scale_ = 1.0;
    VSTGUI::CFrame* frame_ = nullptr;
    std::array<DisplayBinding, kNumParameters> displayBindings_;
    VSTGUI::CBitmap* background_;
    VSTGUI::CMovieBitmap* helpIcon_ = nullptr;
    VSTGUI::CSplashScreen* credits_ = nullptr;
    VSTGUI::CView* extension_ = nullptr;
    VSTGUI::CBarDisplay* bands_ = nullptr;
    VSTGUI::CControl* tabs_ = nullptr;
    VSTGUI::CListChooser* presets_ = nullptr;
    // The TRACK page's tuner: the held note's name and the voice's distance
    // from it in cents, as the host last read them.
    VSTGUI::CParamDisplay* tuner_ = nullptr;
    std::string tunerText_ = "-";
    PresetSelection presetSelection_{host_};
    int page_ = 0;
    // Each page's views, held by the editor whether shown or not, and its image.
    std::array<std::vector<VSTGUI::CView*>, kPages> pageViews_;
    std::array<VSTGUI::CBitmap*, kPages> pageImages_{};
    // The band display's bars as shown (0 … 1): they rise at once and fall
    // at a steady pace, so that the display reads at the editor's idle rate.
    std::array<float, VSTGUI::CBarDisplay::kMaxBars> shownVoice_{}, shownOutput_{};
    std::array<VSTGUI::CControl*, kNumParameters> controls_{};
    std::array<VSTGUI::CParamDisplay*, kNumParameters> displays_{};
    std::atomic<ChangeMask> changed_{0};  // one bit per parameter
    bool closePending_ = false;
};
