// The editor's window on X11: a child window of the host's window (or a
// top-level window of its own), on a display connection of its own, read
// when the editor idles. It stands in
// for the system window class, its message loop, the asynchronous pointer
// and key state, cursors and the millisecond tick count.
#pragma once

#include "Graphics.h"

#include <cstdint>
#include <memory>
#include <string>

struct _XDisplay;
union _XEvent;

namespace platform {

// What the window's events become; called from Window::poll. Coordinates
// are in the window's units: its pixels over its scale, rounded down.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // A part of the window to repaint, [left, right) × [top, bottom).
    virtual void paint(int left, int top, int right, int bottom) = 0;
    // buttons: the pressed one (1 left, 2 middle, 4 right) and the modifiers
    // held (Shift 8, Control 16, Alt 32); window coordinates.
    virtual void buttonDown(int buttons, int x, int y) = 0;
    // While a button is held: the pointer moved, or a button was released.
    // buttons: those still held and the modifiers, as for buttonDown.
    virtual void pointerMoved(int buttons, int x, int y) { (void)buttons, (void)x, (void)y; }
    virtual void buttonUp(int buttons, int x, int y) { (void)buttons, (void)x, (void)y; }
    // notches: +1 away from the user, −1 towards.
    virtual void wheel(float notches, int x, int y) = 0;
    // The window is gone (the host destroyed its parent).
    virtual void destroyed() = 0;
    // The user asked the window manager to close a top-level window.
    virtual void closeRequested() {}
};

enum class Cursor { normal, wait, horizontalSize, verticalSize, moveSize, diagonalRising, diagonalFalling, forbidden, hand };

class Window {
public:
    // A window of width × height units, each `scale` × `scale` pixels. Null
    // when there is no display or `parent` is not a window.
    static std::unique_ptr<Window> open(unsigned long parent, int width, int height, double scale,
                                        WindowEvents* events);
    // A window of its own on the screen, titled, of a fixed size; null
    // without a display.
    static std::unique_ptr<Window> openTopLevel(const std::string& title, int width, int height, double scale,
                                                WindowEvents* events);
    // The desktop's scale: its Xft.dpi over 96, or 1 where it sets none or
    // there is no display.
    static double desktopScale();
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Reads every pending event; with `paintsOnly`, input events are dropped.
    void poll(bool paintsOnly = false);
    // True while the window exists.
    bool alive() const { return alive_; }
    unsigned long id() const { return window_; }
    unsigned long parent() const { return parent_; }

    // Buttons and modifiers now: left 1, middle 2, right 4, Shift 8, Control 16, Alt 32.
    std::int32_t buttons();
    // The pointer now, in window coordinates.
    void pointer(int& x, int& y);
    double scale() const { return scale_; }
    void setCursor(Cursor shape);
    // Maps or unmaps the window (it opens mapped).
    void setVisible(bool visible);
    // The display connection's file descriptor, readable when events wait.
    int connectionNumber() const;
    // The new size in units, at the new scale.
    void resize(int width, int height, double scale);
    // Resizes the host's window that holds this one by as much as this one
    // is resized (call before resize); false if it was left as it is.
    bool resizeParent(int width, int height, double scale);

    // The window as a drawing target; drawing reaches the screen at flush().
    Image& surface() { return *surface_; }
    void flush();

    // X errors that requests on this window's connection cause while a scope
    // lives are taken as failures of those requests, not reported to the host.
    class Scope {
    public:
        explicit Scope(Window& window);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ::_XDisplay* display_;
    };

    // "Plugin" and the library's load address: the name of this kind of window.
    static std::string className();

private:
    Window() = default;
    static std::unique_ptr<Window> connect(unsigned long parent, int width, int height, double scale,
                                           const char* title, WindowEvents* events);
    bool create(unsigned long parent, int unitsWide, int unitsHigh, const char* title);
    void handle(const ::_XEvent& event, bool paintsOnly);
    void fixSize(int width, int height);
    int units(int pixels) const;

    ::_XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long parent_ = 0;
    unsigned long cursor_ = 0;
    WindowEvents* events_ = nullptr;
    std::unique_ptr<Image> surface_;
    double scale_ = 1.0;
    int width_ = 0, height_ = 0;  // in pixels
    bool alive_ = false;
    std::int32_t pressState_ = -1;  // the buttons at a press being handled, until first read
    unsigned long deleteWindow_ = 0;  // WM_DELETE_WINDOW, for top-level windows
    // The pending repaint in pixels, merged from exposures until the last of a series.
    int paintLeft_ = 0, paintTop_ = 0, paintRight_ = 0, paintBottom_ = 0;
};

// Milliseconds of a monotonic clock.
std::uint32_t tickCount();
void sleepMilliseconds(int milliseconds);

}  // namespace platform
