// The control base: a normalised value with a range, a tag and a listener,
// and the dirty protocol that lets the frame redraw what changed.
#pragma once

#include "CView.h"

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // True: the click is consumed.
    virtual bool modifierClicked(CDrawContext* context, CControl* control, std::int32_t buttons)
    {
        (void)context;
        (void)control;
        (void)buttons;
        return false;
    }
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, std::int32_t tag = 0,
             CBitmap* background = nullptr);

    void draw(CDrawContext* context) override = 0;
    // Dirty while the value differs from the last clean value, or when flagged.
    bool isDirty() const override;
    void setDirty(bool value = true) override;
    bool isKindOf(std::string_view name) const override { return name == "CControl" || CView::isKindOf(name); }

    // Lets the frame and the host run their idle service during a gesture.
    virtual void pumpIdleFromView();
    // Stores only; the control is then dirty.
    virtual void setValue(float value) { value_ = value; }
    virtual float getValue() const { return value_; }
    virtual void setMin(float value) { min_ = value; }
    virtual float min() const { return min_; }
    virtual void setMax(float value) { max_ = value; }
    virtual float max() const { return max_; }
    virtual void setLastValue(float value) { lastValue_ = value; }
    virtual float lastValue() const { return lastValue_; }
    virtual void setDefaultValue(float value) { defaultValue_ = value; }
    virtual float defaultValue() const { return defaultValue_; }
    virtual void setTag(std::int32_t tag) { tag_ = tag; }
    virtual std::int32_t getTag() const { return tag_; }
    // The control takes the focus and the frame tells the editor, which tells the host.
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBitmapOffset(const CPoint& offset) { bitmapOffset_ = offset; }
    virtual void alignBackOffset() { bitmapOffset_ = {size_.left, size_.top}; }
    virtual void setWheelStep(float step) { wheelStep_ = step; }
    // Clamps the value into [minimum, maximum].
    virtual void clampValue();
    // Left button with Control exactly: back to the default value as one edit. True if it acted.
    virtual bool resetOnControlClick(CDrawContext* context, std::int32_t buttons);

    void setListener(CControlListener* listener) { listener_ = listener; }

protected:
    void notifyIfDirty(CDrawContext* context);
    // The start shared by the gestures: enabled, the left button (read from
    // the context for −1), and with a modifier held the listener's
    // modifierClicked first. True: the gesture goes on.
    bool startsGesture(CDrawContext* context, std::int32_t& buttons);
    // The gesture run in a loop of its own, from a press that started it:
    // reads the pointer, serves the idle, and feeds onMouseMoved the pointer
    // and the buttons now until it ends the gesture.
    void followModally(CDrawContext* context, CPoint& where);
    // `mouse` as the whole gesture: the press, then followModally.
    void runGesture(CDrawContext* context, CPoint& where, std::int32_t buttons)
    {
        if (onMouseDown(context, where, buttons))
            followModally(context, where);
    }

    CControlListener* listener_;
    std::int32_t tag_;
    float lastValue_ = 1.0f;
    float defaultValue_ = 0.5f;
    float value_ = 0.0f;
    float min_ = 0.0f;
    float max_ = 1.0f;
    float wheelStep_ = 0.1f;
    CPoint bitmapOffset_;
    std::int32_t gestureButtons_ = 0;  // the buttons that hold the gesture
};

}  // namespace VSTGUI
