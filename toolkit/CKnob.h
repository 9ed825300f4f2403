// Knobs: a value on an arc from 225° (lower left, the minimum) clockwise
// through 270° to −45° (lower right, the maximum). `CKnob` draws a handle
// over its background; `CAnimKnob` shows one image of a strip per position.
#pragma once

#include "CControl.h"

namespace VSTGUI {

class CKnob : public CControl {
public:
    // `handle` may be null: the handle is then a line from the centre.
    CKnob(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background, CBitmap* handle,
          const CPoint& offset = {});
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    // Linear or circular dragging (the frame's knob mode, inverted by Alt).
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override
    {
        runGesture(context, where, buttons);
    }
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    // Linear: right and up turn the knob up; pressing or releasing Shift
    // changes the scale from the current position on, so the value does not
    // jump. Circular: the value follows the pointer's angle. Ends when the
    // left button is up.
    bool onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    // One notch is the wheel step, a tenth of it with Shift.
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    // Left and down turn down, up and right turn up, by a notch's step.
    std::int32_t onKeyDown(const KeyCode& key) override;
    bool isKindOf(std::string_view name) const override { return name == "CKnob" || CControl::isKindOf(name); }

    virtual void drawHandle(CDrawContext* context);
    virtual void setStartAngle(float angle);
    virtual void setRangeAngle(float angle);
    // Where the handle sits for `value`, relative to the knob's top left.
    virtual CPoint handlePoint(float value) const;
    // The value at `point` (relative to the knob's top left) on the arc; in
    // the gap the nearer end.
    virtual float valueAtPoint(const CPoint& point) const;
    virtual void setInset(std::int32_t inset) { inset_ = inset; }
    virtual void setHandleShadowColor(const CColor& colour) { shadowColour_ = colour; }
    virtual void setHandleColor(const CColor& colour) { handleColour_ = colour; }
    virtual void setHandleImage(CBitmap* bitmap);
    virtual void setFineFactor(float factor) { fineFactor_ = factor; }

protected:
    void recomputeAngles();
    float coefficientFor(std::int32_t buttons) const;
    void followLinear(CDrawContext* context, const CPoint& where);
    void followCircular(CDrawContext* context, const CPoint& where);
    // Wheel and keys: the value moves by `delta`, as one edit when it changed.
    void step(CDrawContext* context, float delta);

    CPoint offset_;
    CColor handleColour_ = kWhiteCColor;
    CColor shadowColour_ = kGreyCColor;
    CBitmap* handle_ = nullptr;
    std::int32_t inset_;
    float startAngle_ = 3.9269907f;
    float rangeAngle_ = -4.712389f;
    float halfAngle_ = 0.0f;
    float a_ = 0.0f;
    float b_ = 0.0f;
    float radius_;
    float fineFactor_ = 1.5f;
    // The drag under way.
    bool linearDrag_ = false;
    CPoint anchor_;
    CPoint last_;
    float entry_ = 0.0f;
    float coefficient_ = 0.0f;
    float diff_ = 0.0f;
    float previous_ = 0.0f;  // circular: the last angle's value inside the arc
};

class CAnimKnob : public CKnob {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag, std::int32_t frameCount,
              std::int32_t frameHeight, CBitmap* background, const CPoint& offset = {});

    void draw(CDrawContext* context) override;
    // Clean while the flag is clear and the handle would not move, whatever the value.
    bool isDirty() const override;
    bool isKindOf(std::string_view name) const override { return name == "CAnimKnob" || CKnob::isKindOf(name); }

    // The strip's images run from the maximum down to the minimum.
    void setInverseStrip(bool inverse) { inverseStrip_ = inverse; }

protected:
    std::int32_t frameCount_;
    std::int32_t frameHeight_;
    bool inverseStrip_ = false;
    CPoint lastDrawnHandle_{-1, -1};  // no handle point is negative
};

}  // namespace VSTGUI
