#include "CSplashScreen.h"

#include "CBitmap.h"
#include "CDrawContext.h"

namespace VSTGUI {

CSplashScreen::CSplashScreen(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
                             const CRect& displayRect, const CPoint& offset)
    : CControl(size, listener, tag, background), displayRect_(displayRect), offset_(offset)
{
}

void CSplashScreen::draw(CDrawContext* context)
{
    if (value_ != 0.0f && background_) {
        CRect rect = displayRect_;
        if (transparency_)
            background_->drawBlended(context, rect, offset_, alpha_);
        else
            background_->draw(context, rect, offset_);
    }
    setDirty(false);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint&, std::int32_t buttons)
{
    if (!startsGesture(context, buttons))
        return;
    value_ = value_ == 0.0f ? 1.0f : 0.0f;
    if (value_ != 0.0f) {
        // The frame holds the only reference to the view, so the view goes
        // when it is closed, or with the frame if that closes first.
        auto* view = new CSplashScreenView(displayRect_, this);
        if (frame_ && frame_->setModal(view) && listener_)
            listener_->valueChanged(context, this);
        view->releaseRef();
    }
    setDirty();
}

void CSplashScreen::closeSplash(CDrawContext* context)
{
    if (value_ == 0.0f)
        return;
    value_ = 0.0f;
    if (listener_)
        listener_->valueChanged(context, this);
}

CSplashScreenView::CSplashScreenView(const CRect& displayRect, CSplashScreen* splash)
    : CView(displayRect), splash_(splash)
{
    splash_->addRef();
    setBackground(splash_->background());
    setTransparency(splash_->transparency());
}

CSplashScreenView::~CSplashScreenView() { splash_->releaseRef(); }

void CSplashScreenView::draw(CDrawContext* context)
{
    if (background_) {
        CRect rect = size_;
        const CPoint& offset = splash_->offset();
        if (transparency_ && splash_->alpha() != 0)
            background_->drawBlended(context, rect, offset, splash_->alpha());
        else if (transparency_)
            background_->drawTransparent(context, rect, offset);
        else
            background_->draw(context, rect, offset);
    }
    setDirty(false);
}

// Closing removes this view from the frame, which releases it: nothing may
// touch the view after setModal.
void CSplashScreenView::mouse(CDrawContext* context, CPoint&, std::int32_t buttons)
{
    if (buttons == -1)
        buttons = context ? context->mouseButtons() : 0;
    if (!(buttons & kLButton))
        return;
    splash_->closeSplash(context);
    FrameServices* frame = frame_;
    if (!frame)
        return;
    frame->markFrameDirty();
    frame->setModal(nullptr);
}

}  // namespace VSTGUI
