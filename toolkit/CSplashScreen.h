// A control that, when clicked, shows its picture over a display area as
// the frame's modal view until that picture is clicked.
#pragma once

#include "CControl.h"

namespace VSTGUI {

class CSplashScreen : public CControl {
public:
    CSplashScreen(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
                  const CRect& displayRect, const CPoint& offset = {});

    // Draws the picture into the display area while the value is not 0.
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    bool isKindOf(std::string_view name) const override { return name == "CSplashScreen" || CControl::isKindOf(name); }

    // Value 0, with a notification if it was shown.
    virtual void closeSplash(CDrawContext* context);

    const CRect& displayRect() const { return displayRect_; }
    const CPoint& offset() const { return offset_; }
    // Constant alpha of the picture when drawn with transparency (255 opaque).
    void setAlpha(std::uint8_t alpha) { alpha_ = alpha; }
    std::uint8_t alpha() const { return alpha_; }

protected:
    CRect displayRect_;
    CPoint offset_;
    std::uint8_t alpha_ = 255;
};

// The shown picture: the frame's modal view, so it takes every click; a
// click closes it.
class CSplashScreenView : public CView {
public:
    CSplashScreenView(const CRect& displayRect, CSplashScreen* splash);
    ~CSplashScreenView() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;

private:
    CSplashScreen* splash_;  // counted
};

}  // namespace VSTGUI
