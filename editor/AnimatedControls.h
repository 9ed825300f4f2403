// The editor's own strip controls: a multi-state button that steps through
// its images with the left and right buttons, and faders with a fixed
// number of positions.
#pragma once

#include "toolkit/Controls.h"

class CAnimMovieButton : public VSTGUI::CMovieButton {
public:
    // `frameCount` ≥ 2 images of `frameHeight` rows.
    CAnimMovieButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, std::int32_t tag,
                     std::int32_t frameCount, std::int32_t frameHeight, VSTGUI::CBitmap* background,
                     const VSTGUI::CPoint& offset = {});

    // The strip from the row nearest to frameHeight × value × (images − 1),
    // so values reached by stepping land on whole images.
    void draw(VSTGUI::CDrawContext* context) override;
    // Left: the next image, right: the previous one, wrapping at both ends,
    // at the press; the gesture ends at the next move or release.
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, std::int32_t buttons = -1) override
    {
        runGesture(context, where, buttons);
    }
    bool onMouseDown(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, std::int32_t buttons) override;
    bool onMouseMoved(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, std::int32_t buttons) override;
    bool isKindOf(std::string_view name) const override
    {
        return name == "CAnimMovieButton" || CMovieButton::isKindOf(name);
    }

protected:
    std::int32_t frameCount_;
    float step_;  // 1 / (frameCount − 1)
};

// The sliders: positions over the strip's travel, the value k / (positions − 1).
// With `inverse`, the value runs the other way along the travel and through the strip.
// The vertical one takes positions over the image height, the horizontal
// one over the strip's width.
template <class Switch, bool Vertical>
class CAnimSlider : public Switch {
public:
    CAnimSlider(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, std::int32_t tag,
                std::int32_t frameCount, std::int32_t frameHeight, std::int32_t positionCount,
                VSTGUI::CBitmap* background, const VSTGUI::CPoint& offset, bool inverse)
        : Switch(size, listener, tag, frameCount, frameHeight, positionCount, background, offset), inverse_(inverse)
    {
    }

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, std::int32_t buttons = -1) override
    {
        this->runGesture(context, where, buttons);
    }
    bool onMouseDown(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, std::int32_t buttons) override;
    bool onMouseMoved(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, std::int32_t buttons) override;
    virtual void setInverse(bool inverse) { inverse_ = inverse; }
    virtual bool isInverse() const { return inverse_; }

protected:
    void followPointer(VSTGUI::CDrawContext* context, const VSTGUI::CPoint& where);

    bool inverse_;
    double pixels_ = 0.0;  // travel per position during a drag
};

using CAnimVerticalSlider = CAnimSlider<VSTGUI::CVerticalSwitch, true>;
using CAnimHorizontalSlider = CAnimSlider<VSTGUI::CHorizontalSwitch, false>;

extern template class CAnimSlider<VSTGUI::CVerticalSwitch, true>;
extern template class CAnimSlider<VSTGUI::CHorizontalSwitch, false>;
