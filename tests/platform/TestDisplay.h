// For tests on a real X server (Xvfb in CI): the test's own connection, a
// top-level window that plays the host's, screen pixels, and the pointer
// driven through XTest. Include before anything that includes Xlib's macros
// after gtest.
#pragma once

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace testdisplay {

// Skips the test without a display, unless the test command demands one.
#define REQUIRE_DISPLAY()                                      \
    do {                                                       \
        if (!std::getenv("DISPLAY")) {                         \
            if (std::getenv("VOCODER_REQUIRE_DISPLAY"))        \
                FAIL() << "no DISPLAY";                        \
            GTEST_SKIP() << "no X display";                    \
        }                                                      \
    } while (false)

// A mapped top-level window of 300 × 200 at (x, y), or `w` × `h`.
inline Window makeParent(Display* display, int x, int y, unsigned w = 300, unsigned h = 200)
{
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, w, h, 0, 0, 0x336699);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent e;
    do
        XNextEvent(display, &e);
    while (e.type != MapNotify);
    return window;
}

inline std::uint32_t screenPixel(Display* display, Window w, int x, int y)
{
    XImage* image = XGetImage(display, w, x, y, 1, 1, AllPlanes, ZPixmap);
    const std::uint32_t p = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
}

// The window's pixels over [left, right) × [top, bottom), row by row.
inline std::vector<std::uint32_t> screenPixels(Display* display, Window w, int left, int top, int right, int bottom)
{
    XSync(display, False);
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(display, w, left, top, static_cast<unsigned>(right - left),
                              static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
    for (int y = 0; y < bottom - top; ++y)
        for (int x = 0; x < right - left; ++x)
            pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
}

// What a window manager sends when the user closes a top-level window.
inline void askToClose(Display* display, Window w)
{
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = w;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, w, False, NoEventMask, &close);
    XSync(display, False);
}

// XTest from a connection of its own, so a helper thread can drive it.
struct Pointer {
    Pointer() : display(XOpenDisplay(nullptr)) {}
    ~Pointer()
    {
        if (display)  // none when the test was skipped for want of a display
            XCloseDisplay(display);
    }
    Pointer(const Pointer&) = delete;
    Pointer& operator=(const Pointer&) = delete;
    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XSync(display, False);
    }
    void button(unsigned button, bool down)
    {
        XTestFakeButtonEvent(display, button, down, CurrentTime);
        XSync(display, False);
    }
    void click(int x, int y, unsigned button = 1)
    {
        moveTo(x, y);
        this->button(button, true);
        this->button(button, false);
    }
    Display* display;
};

// Calls `idle` about every 5 ms until `done`, for at most two seconds.
inline bool idleUntil(const std::function<void()>& idle, const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        idle();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace testdisplay
