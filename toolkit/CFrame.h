// The root of the view tree and the window that shows it inside the host's
// window. All drawing goes through a back buffer; dirty views are redrawn
// when the editor idles, and exposures are served from the back buffer.
#pragma once

#include "CDrawContext.h"
#include "CView.h"
#include "platform/Window.h"

#include <memory>
#include <string>

namespace VSTGUI {

// A frame in a window of its own on the screen, with this title.
struct TopLevel {
    std::string title;
};

// What a frame asks of the editor that owns it.
class FrameOwner {
public:
    // A control's edit gesture begins or ends.
    virtual void beginEdit(std::int32_t tag) = 0;
    virtual void endEdit(std::int32_t tag) = 0;
    // Keeps the host served while a control holds the mouse in its own loop.
    virtual void pumpIdle() = 0;
    // How knobs are dragged: FrameServices::kLinearMode, or circular.
    virtual std::int32_t knobMode() const = 0;
    // Asks the host to give its window this size in pixels; false if it did not.
    virtual bool resizeWindow(std::int32_t width, std::int32_t height) = 0;
    // True: a control runs its whole gesture inside the press, in a loop of
    // its own that calls pumpIdle. False: the frame feeds each gesture from
    // the window's events, one step per event, so no call blocks.
    virtual bool modalGestures() const = 0;

protected:
    ~FrameOwner() = default;
};

class CFrame : public CViewContainer,
               public FrameServices,
               public PointerSource,
               private platform::WindowEvents {
public:
    // `parentWindow`: the host's X11 window id, or null for a frame without
    // a window (drawn only into its back buffer). Views and gestures work in
    // the frame's units; the window and the back buffer have `scale` pixels
    // to a unit.
    CFrame(const CRect& size, void* parentWindow, FrameOwner* owner, double scale = 1.0);
    CFrame(const CRect& size, const TopLevel& window, FrameOwner* owner, double scale = 1.0);
    ~CFrame() override;

    // True while the window exists (or, without one, until destruction).
    bool isOpen() const { return open_; }
    // The user asked to close the frame's top-level window.
    bool closeAsked() const { return closeAsked_; }
    // Reads the window's events, then redraws what is dirty once the window
    // has been painted for the first time.
    void idle();
    // Redraws dirty views (everything if the frame itself is dirty) into the
    // back buffer and copies the whole frame into `context`.
    void update(CDrawContext* context) override;
    // The back buffer, made on first use.
    COffscreenContext& backBuffer();
    // Marks dirty every child that meets `rect`.
    void markDirty(const CRect& rect);
    // Asks the host for the new size first; without its consent the frame
    // resizes its window and the host's window around it.
    bool resize(std::int32_t width, std::int32_t height);
    double scale() const { return scale_; }
    // The same size at another scale: the window is resized as by resize().
    void setScale(double scale);
    // 1 wait, 2 west-east, 3 north-south, 4 four-way, 5 north-east/south-west,
    // 6 north-west/south-east sizing, 8 forbidden, 9 hand; other: the default.
    void setPointerShape(std::int32_t type);
    // Milliseconds of the system clock while an owner is attached, else 0.
    std::uint32_t tickCount() const;
    void setUpdatesDisabled(bool disabled) { updatesDisabled_ = disabled; }
    // True while a mouse gesture runs: inside idle for gestures in a loop of
    // their own (the frame must not be destroyed then), from press to release
    // for gestures fed from events.
    bool inGesture() const { return inGesture_; }
    // Ends a gesture fed from events as if every button were released.
    void endGesture();
    // Serves waiting exposures only (the idle service during a gesture).
    void servePaints();
    // A drawing context on the window (null without one); the caller releases it.
    CDrawContext* windowContext();
    platform::Window* window() const { return window_.get(); }
    FrameOwner* owner() const { return owner_; }

    // FrameServices
    void setFocusView(CView* view) override;
    CView* focusView() const override { return focus_; }
    bool setModal(CView* view) override;
    CView* modal() const override { return modal_; }
    void markFrameDirty() override { CView::setDirty(true); }
    std::int32_t knobMode() const override;
    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    // Clears the first-draw wait, then draws background and children in `area`.
    void drawArea(CDrawContext* context, const CRect& area) override;
    void redrawView(CView* view) override;
    void pumpIdle() override;
    void* editor() const override { return owner_; }

    // PointerSource: the pointer and buttons now.
    std::int32_t buttons() override;
    CPoint location() override;

    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    // The press goes to the modal view only, when one is set.
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    std::int32_t onKeyDown(const KeyCode& key) override;
    std::int32_t onKeyUp(const KeyCode& key) override;
    bool isKindOf(std::string_view name) const override { return name == "CFrame" || CViewContainer::isKindOf(name); }

private:
    void paint(int left, int top, int right, int bottom) override;
    void buttonDown(int buttons, int x, int y) override;
    void pointerMoved(int buttons, int x, int y) override;
    void buttonUp(int buttons, int x, int y) override;
    bool modalGestures() const { return !owner_ || owner_->modalGestures(); }
    // One step of a gesture fed from events, at window point (x, y).
    template <class Step>
    void feedGesture(int x, int y, Step step);
    void wheel(float notches, int x, int y) override;
    void destroyed() override;
    bool resizeTo(std::int32_t width, std::int32_t height, double scale);
    void closeRequested() override { closeAsked_ = true; }

    FrameOwner* owner_;
    CView* modal_ = nullptr;
    CView* focus_ = nullptr;
    bool firstDrawPending_ = true;
    bool open_ = true;
    bool closeAsked_ = false;
    bool updatesDisabled_ = false;
    bool inGesture_ = false;
    std::int32_t heldButtons_ = 0;  // during a gesture fed from events
    double scale_;
    CPoint lastPointer_;
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<COffscreenContext> backBuffer_;
};

}  // namespace VSTGUI
