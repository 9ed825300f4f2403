#include "Controls.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {

namespace {

// A value a host may send outside 0 … 1 never selects an image outside the strip.
float drawable(float value) { return std::clamp(value, 0.0f, 1.0f); }

}  // namespace

// ----------------------------------------------------------------- CMovieBitmap

CMovieBitmap::CMovieBitmap(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameCount,
                           std::int32_t frameHeight, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset_(offset), frameCount_(frameCount), frameHeight_(frameHeight)
{
}

void CMovieBitmap::draw(CDrawContext* context)
{
    const float value = std::min(value_, 1.0f);
    std::int32_t y = offset_.v;
    if (value > 0.0f)
        y += static_cast<std::int32_t>((frameCount_ - 1) * value + 0.5f) * frameHeight_;
    drawBackground(context, size_, {offset_.h, y});
    setDirty(false);
}

// -------------------------------------------------------------- CVerticalSwitch

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                                 std::int32_t frameCount, std::int32_t frameHeight, std::int32_t positionCount,
                                 CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset_(offset),
      frameCount_(frameCount),
      frameHeight_(frameHeight),
      positionCount_(positionCount)
{
    defaultValue_ = 0.0f;
}

void CVerticalSwitch::draw(CDrawContext* context)
{
    const auto index = static_cast<std::int32_t>((positionCount_ - 1) * drawable(value_) + 0.5f);
    drawBackground(context, size_, {0, index * frameHeight_});
    setDirty(false);
}

float CVerticalSwitch::positionValue(double distance, double extent) const
{
    if (positionCount_ < 2 || extent <= 0.0)
        return 0.0f;
    const double index = std::trunc(distance / (extent / positionCount_));
    return std::clamp(static_cast<float>(index / (positionCount_ - 1)), 0.0f, 1.0f);
}

float CVerticalSwitch::valueAt(const CPoint& where) const { return positionValue(where.v - size_.top, frameHeight_); }

float CHorizontalSwitch::valueAt(const CPoint& where) const
{
    return positionValue(where.h - size_.left, background_ ? background_->width() : 0);
}

bool CVerticalSwitch::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!startsGesture(context, buttons))
        return false;
    if (resetOnControlClick(context, buttons))
        return false;
    beginEdit();
    gestureButtons_ = buttons;
    value_ = valueAt(where);
    if (listener_ && isDirty())
        listener_->valueChanged(context, this);
    return true;
}

bool CVerticalSwitch::onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (buttons != gestureButtons_) {
        endEdit();
        return false;
    }
    value_ = valueAt(where);
    if (listener_ && isDirty())
        listener_->valueChanged(context, this);
    return true;
}

// ----------------------------------------------------------------- CMovieButton

CMovieButton::CMovieButton(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameHeight,
                           CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset_(offset), frameHeight_(frameHeight)
{
}

void CMovieButton::draw(CDrawContext* context)
{
    clampValue();
    drawBackground(context, size_, {0, value_ == 0.0f ? 0 : frameHeight_});
    buttonState_ = value_;
    setDirty(false);
}

bool CMovieButton::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!startsGesture(context, buttons))
        return false;
    clicked_ = value_;
    toggled_ = clicked_ == 0.0f ? 1.0f : 0.0f;
    beginEdit();
    if (!context || context->mouseButtons() != buttons) {
        // Released already: a plain click.
        value_ = toggled_;
        if (listener_)
            listener_->valueChanged(context, this);
        endEdit();
        buttonState_ = value_;
        return false;
    }
    gestureButtons_ = buttons;
    followPointer(context, where);
    return true;
}

bool CMovieButton::onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (buttons != gestureButtons_) {
        endEdit();
        buttonState_ = value_;
        return false;
    }
    followPointer(context, where);
    return true;
}

void CMovieButton::followPointer(CDrawContext* context, const CPoint& where)
{
    const bool inside =
        where.h >= size_.left && where.h <= size_.right && where.v >= size_.top && where.v <= size_.bottom;
    value_ = inside ? toggled_ : clicked_;
    if (listener_ && isDirty())
        listener_->valueChanged(context, this);
}

}  // namespace VSTGUI
