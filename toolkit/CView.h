// The view tree: views with a rectangle, a background and a dirty flag, and
// containers that own child views and pass drawing, mouse, keys and wheel on.
#pragma once

#include "Basics.h"

#include <string_view>
#include <vector>

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CView;
class CViewContainer;

// What views ask of the window that shows them (the frame): focus, the
// modal view, edit notifications for the host, redrawing, the idle service
// and the knob mode.
class FrameServices {
public:
    // Knobs drag linearly in this mode and circularly in any other.
    static constexpr std::int32_t kLinearMode = 2;

    virtual ~FrameServices() = default;
    virtual void setFocusView(CView* view) = 0;
    virtual CView* focusView() const = 0;
    // Refused (false) while another modal view is set, unless `view` is null;
    // the new modal view is added as the frame's last child, the old one
    // removed with the frame's reference released (its creator's is not).
    virtual bool setModal(CView* view) = 0;
    virtual CView* modal() const = 0;
    // The whole frame is redrawn at the next idle.
    virtual void markFrameDirty() = 0;
    virtual std::int32_t knobMode() const = 0;
    virtual void beginEdit(std::int32_t tag) = 0;
    virtual void endEdit(std::int32_t tag) = 0;
    // Redraws `rect` (frame coordinates) into `context`.
    virtual void drawArea(CDrawContext* context, const CRect& rect) = 0;
    // Asks for `view` to be redrawn when no context is at hand.
    virtual void redrawView(CView* view) = 0;
    virtual void pumpIdle() = 0;
    virtual void* editor() const = 0;
};

class CView : public CReferenceCounter {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual void drawArea(CDrawContext* context, const CRect& updateRect) { (void)updateRect; draw(context); }
    // Touching edges count as overlapping.
    virtual bool overlapsUpdate(const CRect& updateRect) const;
    virtual void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1);
    // A mouse gesture in steps any driver can feed: the press, then the
    // pointer and the buttons held as they change, the release last (its
    // buttons are those still held). `mouse` runs a whole gesture in a loop
    // of its own; an event-driven frame feeds the steps from window events.
    // onMouseDown is true when the gesture goes on; onMouseMoved and
    // onMouseUp are false once it has ended. By default the press is the
    // whole gesture: it runs `mouse`.
    virtual bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
    {
        mouse(context, where, buttons);
        return false;
    }
    virtual bool onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons)
    {
        (void)context, (void)where, (void)buttons;
        return false;
    }
    virtual bool onMouseUp(CDrawContext* context, CPoint& where, std::int32_t buttons)
    {
        return onMouseMoved(context, where, buttons);
    }
    virtual void setBackground(CBitmap* bitmap);
    virtual CBitmap* background() const { return background_; }
    virtual std::int32_t onKeyDown(const KeyCode& key) { (void)key; return -1; }
    virtual std::int32_t onKeyUp(const KeyCode& key) { (void)key; return -1; }
    virtual bool onWheel(CDrawContext* context, const CPoint& where, std::int32_t axis, float distance)
    {
        (void)axis;
        return onWheel(context, where, distance);
    }
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual void focusLost(CDrawContext* context) { (void)context; }
    virtual void focusGained(CDrawContext* context) { (void)context; }
    virtual bool isDirty() const { return dirty_; }
    virtual void setDirty(bool value = true) { dirty_ = value; }
    virtual void setMouseEnabled(bool enabled = true) { mouseEnabled_ = enabled; }
    virtual bool mouseEnabled() const { return mouseEnabled_; }
    virtual void setHitArea(const CRect& area) { hitArea_ = area; }
    virtual CRect hitArea() const { return hitArea_; }
    // All four edges of the hit area count as inside.
    virtual bool hitTest(const CPoint& where, std::int32_t buttons = -1) const;
    virtual void setTransparency(bool value) { transparency_ = value; }
    virtual bool transparency() const { return transparency_; }
    virtual void setRect(const CRect& rect);
    virtual CRect rect() const { return size_; }
    virtual bool removed(CView* parent) { (void)parent; return true; }
    virtual bool attached(CView* parent) { (void)parent; return true; }
    // The pointer, from the context, in this view's parent's coordinates.
    virtual void readMouseLocation(CDrawContext* context, CPoint& where);
    // Frame coordinates to this view's parent's coordinates, and back.
    virtual CPoint toLocal(const CPoint& point) const;
    virtual CPoint toFrame(const CPoint& point) const;
    virtual void* editor() const;
    virtual std::int32_t notify(CView* sender, const char* message) { (void)sender; (void)message; return 0; }
    virtual void redrawArea(CDrawContext* context, const CRect& rect);
    virtual bool wantsFocus() const { return wantsFocus_; }
    virtual void setWantsFocus(bool value) { wantsFocus_ = value; }
    // This class's name or a base class's.
    virtual bool isKindOf(std::string_view name) const { return name == "CView"; }
    // Redraws the view if dirty, with a context or through the frame.
    virtual void update(CDrawContext* context);

    FrameServices* frame() const { return frame_; }
    CViewContainer* parent() const { return parent_; }

protected:
    friend class CViewContainer;
    // The background over `rect` from `offset`, with its alpha or
    // transparent colour when the view's transparency is on. No bitmap: nothing.
    void drawBackground(CDrawContext* context, CRect rect, const CPoint& offset = {});
    // Set by the container the view is added to.
    virtual void setOwner(FrameServices* frame, CViewContainer* parent)
    {
        frame_ = frame;
        parent_ = parent;
    }

    CRect size_;
    CRect hitArea_;
    FrameServices* frame_ = nullptr;
    CViewContainer* parent_ = nullptr;
    bool dirty_ = false;
    bool mouseEnabled_ = true;
    bool transparency_ = false;
    bool wantsFocus_ = false;
    CBitmap* background_ = nullptr;
};

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, FrameServices* frame = nullptr, CBitmap* background = nullptr);
    ~CViewContainer() override;  // releases its reference to every child

    // Appends and retains `view` (null is ignored), attaches it and marks it dirty.
    virtual void addView(CView* view);
    virtual void addView(CView* view, const CRect& hitArea, bool mouseEnabled = true);
    virtual void removeView(CView* view, bool withRelease = true);
    virtual void removeAllViews(bool withRelease = true);
    virtual bool hasView(const CView* view) const;
    virtual std::int32_t viewCount() const { return static_cast<std::int32_t>(children_.size()); }
    virtual CView* viewAt(std::int32_t index) const;
    // The topmost child whose hit area holds the point (container coordinates).
    virtual CView* viewAtPoint(const CPoint& where, bool deep = false) const;
    virtual void setBackgroundColor(const CColor& colour);
    virtual void setBackgroundOffset(const CPoint& offset) { backgroundOffset_ = offset; }
    virtual void setDrawOffscreen(bool value) { drawOffscreen_ = value; }
    // The next child after `current` (before it in reverse) that wants focus
    // becomes the focus view; child containers are searched too. False if none.
    virtual bool focusNext(CView* current, bool reverse = false);

    void draw(CDrawContext* context) override;
    void drawArea(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    // The press goes to the child under the pointer, as with `mouse`; the
    // rest of the gesture to the same child.
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool onMouseUp(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    std::int32_t onKeyDown(const KeyCode& key) override;
    std::int32_t onKeyUp(const KeyCode& key) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool isDirty() const override;
    CPoint toLocal(const CPoint& point) const override;
    CPoint toFrame(const CPoint& point) const override;
    void redrawArea(CDrawContext* context, const CRect& rect) override;
    bool isKindOf(std::string_view name) const override { return name == "CViewContainer" || CView::isKindOf(name); }

protected:
    void setOwner(FrameServices* frame, CViewContainer* parent) override;
    // Background and children, into `context` whose coordinates start at
    // this container's top left; `area` is the whole container, `local` the update.
    void drawContent(CDrawContext* context, const CRect& area, const CRect& local);
    void drawChildren(CDrawContext* context, const CRect& updateRect);
    // Runs `step` on the gesture's child with the point and the context's
    // offset in its coordinates; the child is let go when it ends the gesture.
    template <class Step>
    bool feedGesture(CDrawContext* context, CPoint& where, Step step);

    std::vector<CView*> children_;  // in list order
    CView* gestureChild_ = nullptr;  // retained while its gesture goes on
    CColor backgroundColor_{0, 0, 0, 0};
    CPoint backgroundOffset_;
    bool drawOffscreen_ = false;
};

}  // namespace VSTGUI
