#include "CControl.h"

#include "CDrawContext.h"

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background)
    : CView(size), listener_(listener), tag_(tag)
{
    if (background)
        setBackground(background);
}

bool CControl::isDirty() const { return value_ != lastValue_ || CView::isDirty(); }

void CControl::setDirty(bool value)
{
    CView::setDirty(value);
    if (value)
        lastValue_ = value_ != -1.0f ? -1.0f : 0.0f;
    else
        lastValue_ = value_;
}

void CControl::pumpIdleFromView()
{
    if (frame_)
        frame_->pumpIdle();
}

void CControl::beginEdit()
{
    if (frame_) {
        frame_->setFocusView(this);
        frame_->beginEdit(tag_);
    }
}

void CControl::endEdit()
{
    if (frame_)
        frame_->endEdit(tag_);
}

void CControl::clampValue()
{
    if (value_ > max_)
        value_ = max_;
    else if (value_ < min_)
        value_ = min_;
}

void CControl::notifyIfDirty(CDrawContext* context)
{
    if (listener_ && isDirty())
        listener_->valueChanged(context, this);
}

bool CControl::resetOnControlClick(CDrawContext* context, std::int32_t buttons)
{
    if (buttons != (kLButton | kControl))
        return false;
    beginEdit();
    value_ = defaultValue_;
    notifyIfDirty(context);
    endEdit();
    return true;
}

void CControl::followModally(CDrawContext* context, CPoint& where)
{
    for (;;) {
        readMouseLocation(context, where);
        pumpIdleFromView();
        if (!onMouseMoved(context, where, context ? context->mouseButtons() : 0))
            return;
    }
}

bool CControl::startsGesture(CDrawContext* context, std::int32_t& buttons)
{
    if (!mouseEnabled_)
        return false;
    if (buttons == -1)
        buttons = context ? context->mouseButtons() : 0;
    if (!(buttons & kLButton))
        return false;
    return !((buttons & kAnyModifier) && listener_ && listener_->modifierClicked(context, this, buttons));
}

}  // namespace VSTGUI
