#include "CKnob.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace VSTGUI {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr float kDragRange = 200.0f;  // pixels for the whole range

}  // namespace

// -------------------------------------------------------------------- CKnob

CKnob::CKnob(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background, CBitmap* handle,
             const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset_(offset),
      handle_(handle),
      inset_(handle ? static_cast<std::int32_t>(handle->width() * 0.5f + 2.5f) : 3),
      radius_(size.width() / 2.0f)
{
    if (handle_)
        handle_->addRef();
    recomputeAngles();
}

CKnob::~CKnob()
{
    if (handle_)
        handle_->releaseRef();
}

void CKnob::recomputeAngles()
{
    a_ = (max_ - min_) / rangeAngle_;
    b_ = min_ - a_ * startAngle_;
    halfAngle_ = static_cast<float>((kTwoPi - std::fabs(rangeAngle_)) / 2.0);
}

void CKnob::setStartAngle(float angle)
{
    startAngle_ = angle;
    recomputeAngles();
    setDirty();
}

void CKnob::setRangeAngle(float angle)
{
    rangeAngle_ = angle;
    recomputeAngles();
    setDirty();
}

void CKnob::setHandleImage(CBitmap* bitmap)
{
    if (bitmap)
        bitmap->addRef();
    if (handle_)
        handle_->releaseRef();
    handle_ = bitmap;
}

CPoint CKnob::handlePoint(float value) const
{
    const float alpha = (value - b_) / a_;
    const float reach = radius_ - inset_;
    return {static_cast<std::int32_t>(radius_ + std::cos(alpha) * reach + 0.5f),
            static_cast<std::int32_t>(radius_ - std::sin(alpha) * reach + 0.5f)};
}

// The angle is measured from the start along the sweep's direction; beyond
// the sweep lies the gap, whose first half belongs to the end of the sweep.
float CKnob::valueAtPoint(const CPoint& point) const
{
    double alpha = std::atan2(radius_ - point.v, point.h - radius_);
    if (alpha < 0.0)
        alpha += kTwoPi;
    const double sweep = std::fabs(rangeAngle_);
    double along = (alpha - startAngle_) * (rangeAngle_ < 0.0f ? -1.0 : 1.0);
    along = std::fmod(along, kTwoPi);
    if (along < 0.0)
        along += kTwoPi;
    if (along > sweep)
        return along - sweep < halfAngle_ ? max_ : min_;
    return static_cast<float>(min_ + along / sweep * (max_ - min_));
}

void CKnob::draw(CDrawContext* context)
{
    drawBackground(context, size_, offset_);
    drawHandle(context);
    setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context)
{
    if (!context)
        return;
    const CPoint at = handlePoint(value_);
    if (handle_) {
        const std::int32_t w = handle_->width(), h = handle_->height();
        CRect rect{size_.left + at.h - w / 2, size_.top + at.v - h / 2, 0, 0};
        rect.right = rect.left + w;
        rect.bottom = rect.top + h;
        handle_->drawTransparent(context, rect, {});
        return;
    }
    const CPoint centre{size_.left + static_cast<std::int32_t>(radius_), size_.top + static_cast<std::int32_t>(radius_)};
    const CPoint end{size_.left + at.h, size_.top + at.v};
    context->setPenColor(shadowColour_);
    context->moveTo(centre);
    context->lineTo(end);
    context->setPenColor(handleColour_);
    context->moveTo({centre.h + 1, centre.v - 1});
    context->lineTo({end.h + 1, end.v - 1});
}

bool CKnob::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!startsGesture(context, buttons))
        return false;
    if (resetOnControlClick(context, buttons))
        return false;
    const bool linearMode = frame_ && frame_->knobMode() == FrameServices::kLinearMode;
    beginEdit();
    linearDrag_ = linearMode != ((buttons & kAlt) != 0);
    gestureButtons_ = buttons;
    last_ = where;
    if (linearDrag_) {
        anchor_ = where;
        entry_ = value_;
        coefficient_ = coefficientFor(buttons);
        diff_ = 0.0f;
        followLinear(context, where);
    } else {
        previous_ = valueAtPoint({where.h - size_.left, where.v - size_.top});
        followCircular(context, where);
    }
    return true;
}

bool CKnob::onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!(buttons & kLButton)) {
        endEdit();
        return false;
    }
    if (linearDrag_ && buttons != gestureButtons_) {
        const float next = coefficientFor(buttons);
        entry_ += diff_ * (coefficient_ - next);
        coefficient_ = next;
        gestureButtons_ = buttons;
    }
    if (!(where == last_)) {
        last_ = where;
        if (linearDrag_)
            followLinear(context, where);
        else
            followCircular(context, where);
    }
    return true;
}

float CKnob::coefficientFor(std::int32_t buttons) const
{
    return (max_ - min_) / ((buttons & kShift) ? kDragRange * fineFactor_ : kDragRange);
}

void CKnob::followLinear(CDrawContext* context, const CPoint& where)
{
    diff_ = static_cast<float>((where.h - anchor_.h) + (anchor_.v - where.v));
    value_ = entry_ + diff_ * coefficient_;
    clampValue();
    notifyIfDirty(context);
}

// A jump of more than half the range means the pointer crossed the gap, and
// the knob stays at the end it left.
void CKnob::followCircular(CDrawContext* context, const CPoint& where)
{
    const float half = (max_ - min_) / 2.0f;
    const float next = valueAtPoint({where.h - size_.left, where.v - size_.top});
    if (previous_ - next > half) {
        value_ = max_;
    } else if (next - previous_ > half) {
        value_ = min_;
    } else {
        previous_ = next;
        value_ = next;
    }
    clampValue();
    notifyIfDirty(context);
}

void CKnob::step(CDrawContext* context, float delta)
{
    value_ += delta;
    clampValue();
    if (isDirty()) {
        beginEdit();
        notifyIfDirty(context);
        endEdit();
    }
}

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance)
{
    const bool fine = context && (context->mouseButtons() & kShift);
    step(context, wheelStep_ * distance * (fine ? 0.1f : 1.0f));
    return true;
}

std::int32_t CKnob::onKeyDown(const KeyCode& key)
{
    float direction = 0.0f;
    if (key.virt == VirtualKey::left || key.virt == VirtualKey::down)
        direction = -1.0f;
    else if (key.virt == VirtualKey::up || key.virt == VirtualKey::right)
        direction = 1.0f;
    else
        return -1;
    const bool fine = key.modifiers & kShift;
    step(nullptr, direction * wheelStep_ * (fine ? 0.1f : 1.0f));
    return 1;
}

// ---------------------------------------------------------------- CAnimKnob

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameCount,
                     std::int32_t frameHeight, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset), frameCount_(frameCount), frameHeight_(frameHeight)
{
    inset_ = 0;
}

bool CAnimKnob::isDirty() const
{
    if (!dirty_ && handlePoint(value_) == lastDrawnHandle_)
        return false;
    return CControl::isDirty();
}

// Image floor(value × (images − 1)), so 1.0 shows the last one; a value a
// host sends beyond 1 shows the last image too, never a row past the strip.
void CAnimKnob::draw(CDrawContext* context)
{
    std::int32_t y = 0;
    if (value_ >= 0.0f && frameHeight_ > 0) {
        const float value = std::min(value_, 1.0f);
        const float shown = inverseStrip_ ? 1.0f - value : value;
        y = static_cast<std::int32_t>(shown * frameHeight_ * (frameCount_ - 1));
        y -= y % frameHeight_;
    }
    drawBackground(context, size_, {0, y});
    setDirty(false);
    lastDrawnHandle_ = handlePoint(value_);
}

}  // namespace VSTGUI
