#include "AnimatedControls.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

#include <cmath>

using namespace VSTGUI;

namespace {

// A host may send any value; drawing never reads outside the strip.
float drawable(float value) { return value >= 0.0f ? std::fmin(value, 1.0f) : 0.0f; }

// The strip image nearest to `x` positions (x ≥ 0), halves upwards.
std::int32_t nearest(float x) { return static_cast<std::int32_t>(x + 0.5f); }

}  // namespace

// ------------------------------------------------------------ CAnimMovieButton

CAnimMovieButton::CAnimMovieButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                                   std::int32_t frameCount, std::int32_t frameHeight, CBitmap* background,
                                   const CPoint& offset)
    : CMovieButton(size, listener, tag, frameHeight, background, offset),
      frameCount_(frameCount),
      step_(1.0f / static_cast<float>(frameCount - 1))
{
}

void CAnimMovieButton::draw(CDrawContext* context)
{
    const auto x = static_cast<float>(static_cast<long double>(frameHeight_) * drawable(value_) * (frameCount_ - 1));
    // floor(x + 0.5): the pixel row is rounded, not the image index.
    const auto y = static_cast<std::int32_t>(std::lrint(2.0 * x + 0.5) >> 1);
    drawBackground(context, size_, {0, y});
    setDirty(false);
}

bool CAnimMovieButton::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!mouseEnabled_)
        return false;
    if (buttons == -1)
        buttons = context ? context->mouseButtons() : 0;
    if (listener_ && (buttons & kAnyModifier) && listener_->modifierClicked(context, this, buttons))
        return false;
    if (!(buttons & (kLButton | kRButton)))
        return false;
    const float saved = value_;
    beginEdit();
    if (context && context->mouseButtons() != 0) {
        const bool inside = where.h >= size_.left && where.v >= size_.top && where.h <= size_.right &&
                            where.v <= size_.bottom;
        if (!inside) {
            value_ = saved;
        } else if (buttons & kLButton) {
            value_ = saved + step_;
            if (value_ > 1.0f)
                value_ = 0.0f;
        } else {
            value_ = saved - step_;
            if (value_ < -0.041666668f)
                value_ = 1.0f;
        }
        if (isDirty() && listener_)
            listener_->valueChanged(context, this);
        return true;
    }
    if (listener_)
        listener_->valueChanged(context, this);
    endEdit();
    return false;
}

bool CAnimMovieButton::onMouseMoved(CDrawContext*, CPoint&, std::int32_t)
{
    endEdit();
    return false;
}

// ------------------------------------------------------------------- sliders

namespace {

// Shared by both sliders: the strip row for a value, and the value for a
// distance along the travel.
std::int32_t sliderRow(float value, std::int32_t positions, std::int32_t frameHeight, bool inverse)
{
    const float v = drawable(value);
    const float x = inverse ? (positions - 1) * v : (1.0f - v) * (positions - 1);
    return nearest(x) * frameHeight;
}

float sliderValue(double distance, double pixels, std::int32_t positions, bool inverse)
{
    if (positions < 2 || pixels <= 0.0)
        return 0.0f;
    const double p = std::trunc(distance / pixels);
    const auto value = static_cast<float>(inverse ? 1.0 - p / (positions - 1) : p / (positions - 1));
    return value > 1.0f ? 1.0f : value < 0.0f ? 0.0f : value;
}

}  // namespace

template <class Switch, bool Vertical>
void CAnimSlider<Switch, Vertical>::draw(CDrawContext* context)
{
    const std::int32_t row = sliderRow(this->value_, this->positionCount_, this->frameHeight_, inverse_);
    this->drawBackground(context, this->size_, {0, row});
    this->setDirty(false);
}

// The drag: the value follows the pointer along the travel while the
// buttons stay as at the press. The horizontal slider asks the listener
// about modifiers before it looks for the left button; the vertical one after.
template <class Switch, bool Vertical>
bool CAnimSlider<Switch, Vertical>::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!this->mouseEnabled_)
        return false;
    if (buttons == -1)
        buttons = context ? context->mouseButtons() : 0;
    const auto listenerTakes = [&] {
        return this->listener_ && (buttons & kAnyModifier) && this->listener_->modifierClicked(context, this, buttons);
    };
    if (!Vertical && listenerTakes())
        return false;
    if (!(buttons & kLButton))
        return false;
    if (Vertical && listenerTakes())
        return false;
    if (this->resetOnControlClick(context, buttons))
        return false;
    const double extent = Vertical ? this->frameHeight_ : (this->background_ ? this->background_->width() : 0);
    pixels_ = extent / this->positionCount_;
    this->beginEdit();
    this->gestureButtons_ = buttons;
    followPointer(context, where);
    return true;
}

template <class Switch, bool Vertical>
bool CAnimSlider<Switch, Vertical>::onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (buttons != this->gestureButtons_) {
        this->endEdit();
        return false;
    }
    followPointer(context, where);
    return true;
}

template <class Switch, bool Vertical>
void CAnimSlider<Switch, Vertical>::followPointer(CDrawContext* context, const CPoint& where)
{
    const double distance = Vertical ? where.v - this->size_.top : where.h - this->size_.left;
    this->value_ = sliderValue(distance, pixels_, this->positionCount_, inverse_);
    if (this->isDirty() && this->listener_)
        this->listener_->valueChanged(context, this);
}

template class CAnimSlider<CVerticalSwitch, true>;
template class CAnimSlider<CHorizontalSwitch, false>;
