// Stand-ins for the window layer: a scripted pointer and a frame that keeps
// focus, modal view, edits and knob mode without any window.
#pragma once

#include "toolkit/CControl.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CView.h"

#include <utility>
#include <vector>

namespace testing_toolkit {

using namespace VSTGUI;

// Each location() returns the next scripted position; buttons() the state
// held at the position read last (before any, the first step's). Once the
// script has run out the buttons are up.
struct Script : PointerSource {
    std::int32_t buttons() override
    {
        const size_t at = step == 0 ? 0 : step - 1;
        return at < steps.size() ? steps[at].first : 0;
    }
    CPoint location() override
    {
        if (step < steps.size())
            return steps[step++].second;
        step = steps.size() + 1;
        return steps.empty() ? CPoint{} : steps.back().second;
    }
    std::vector<std::pair<std::int32_t, CPoint>> steps;
    size_t step = 0;
};

// The strip row a control shows at its top left, from a test strip, whose
// row y has green 255 − y: premultiplied by alpha 255, (255 − y) × 255 / 256,
// which is 254 − y.
inline int shownRow(CView& control)
{
    const CRect r = control.rect();
    COffscreenContext context(nullptr, r.right, r.bottom, kBlackCColor);
    control.draw(&context);
    const int green = static_cast<int>((context.image().pixel(r.left, r.top) >> 8) & 0xFF);
    return 254 - green;
}

// Records every value a control sends.
struct Listener : CControlListener {
    void valueChanged(CDrawContext*, CControl* control) override { values.push_back(control->getValue()); }
    std::vector<float> values;
};

// The modal view goes into `root`, as a frame adds it as its last child;
// the frame holds the container's reference only.
struct StubFrame : FrameServices {
    void setFocusView(CView* view) override { focus = view; }
    CView* focusView() const override { return focus; }
    bool setModal(CView* view) override
    {
        if (modalView && view)
            return false;
        if (modalView && root)
            root->removeView(modalView, false);  // the container's reference only
        modalView = view;
        if (view && root)
            root->addView(view);
        return true;
    }
    CView* modal() const override { return modalView; }
    void markFrameDirty() override { ++frameDirtyMarks; }
    std::int32_t knobMode() const override { return mode; }
    void beginEdit(std::int32_t) override { ++edits; }
    void endEdit(std::int32_t) override { --edits; }
    void drawArea(CDrawContext*, const CRect&) override {}
    void redrawView(CView*) override {}
    void pumpIdle() override { ++idles; }
    void* editor() const override { return nullptr; }

    CViewContainer* root = nullptr;
    CView* focus = nullptr;
    CView* modalView = nullptr;
    std::int32_t mode = kLinearMode;
    int edits = 0;  // open beginEdit calls
    int idles = 0;
    int frameDirtyMarks = 0;
};

}  // namespace testing_toolkit
