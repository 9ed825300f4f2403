// Bitmap-strip controls: a strip is a background bitmap holding the
// control's images one above the other, each `frameHeight` pixels high.
#pragma once

#include "CControl.h"

namespace VSTGUI {

// Shows the strip image that the value selects.
class CMovieBitmap : public CControl {
public:
    CMovieBitmap(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameCount,
                 std::int32_t frameHeight, CBitmap* background, const CPoint& offset = {});
    void draw(CDrawContext* context) override;
    bool isKindOf(std::string_view name) const override { return name == "CMovieBitmap" || CControl::isKindOf(name); }

protected:
    CPoint offset_;
    std::int32_t frameCount_;
    std::int32_t frameHeight_;
};

// A switch of `positionCount` positions, chosen by where it is clicked or dragged.
class CVerticalSwitch : public CControl {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameCount,
                    std::int32_t frameHeight, std::int32_t positionCount, CBitmap* background,
                    const CPoint& offset = {});
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override
    {
        runGesture(context, where, buttons);
    }
    // The value follows the pointer while the buttons stay as at the press.
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool isKindOf(std::string_view name) const override
    {
        return name == "CVerticalSwitch" || CControl::isKindOf(name);
    }

protected:
    // The value for a click or drag point.
    virtual float valueAt(const CPoint& where) const;
    float positionValue(double distance, double extent) const;

    CPoint offset_;
    std::int32_t frameCount_;
    std::int32_t frameHeight_;
    std::int32_t positionCount_;
};

class CHorizontalSwitch : public CVerticalSwitch {
public:
    using CVerticalSwitch::CVerticalSwitch;
    bool isKindOf(std::string_view name) const override
    {
        return name == "CHorizontalSwitch" || CControl::isKindOf(name);
    }

protected:
    float valueAt(const CPoint& where) const override;
};

// Two images, off and on; a click toggles, a drag off the button takes it back.
class CMovieButton : public CControl {
public:
    CMovieButton(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameHeight,
                 CBitmap* background, const CPoint& offset = {});
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override
    {
        runGesture(context, where, buttons);
    }
    // A press already released is a click; otherwise the button shows the
    // toggled state while the pointer is over it and the buttons stay.
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool isKindOf(std::string_view name) const override { return name == "CMovieButton" || CControl::isKindOf(name); }

    float buttonState() const { return buttonState_; }

protected:
    void followPointer(CDrawContext* context, const CPoint& where);
    float clicked_ = 0.0f;
    float toggled_ = 0.0f;

    CPoint offset_;
    std::int32_t frameHeight_;
    float buttonState_ = 0.0f;
};

}  // namespace VSTGUI
