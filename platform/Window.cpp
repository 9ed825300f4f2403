#include "Window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo-xlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// X errors are reported to one process-wide handler, which belongs to the
// host. Errors on our connections are read only inside our own calls, and
// those run inside a trap: our handler for the time of the calls and of the
// round trip that collects their errors, then the previous one again.
// Traps nest; errors on other connections go on to the previous handler.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display) { enter(); }
    ~ErrorTrap() { leave(display_); }

    static void enter()
    {
        mutex().lock();
        if (depth_++ == 0) {
            failed_ = false;
            previous_ = XSetErrorHandler(&ErrorTrap::handler);
        }
    }
    static void leave(Display* display)
    {
        XSync(display, False);
        if (--depth_ == 0)
            XSetErrorHandler(previous_);
        mutex().unlock();
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the replies so far; true if a request on any of our
    // connections failed since the outermost trap began.
    bool failed()
    {
        XSync(display_, False);
        return failed_;
    }

    static void adopt(Display* display)
    {
        std::lock_guard lock(mutex());
        displays().push_back(display);
    }
    static void release(Display* display)
    {
        std::lock_guard lock(mutex());
        std::erase(displays(), display);
    }

private:
    static std::recursive_mutex& mutex()
    {
        static std::recursive_mutex m;
        return m;
    }
    static std::vector<Display*>& displays()
    {
        static std::vector<Display*> d;
        return d;
    }
    static int handler(Display* display, XErrorEvent* error)
    {
        if (std::find(displays().begin(), displays().end(), display) != displays().end()) {
            failed_ = true;
            return 0;
        }
        return previous_ ? previous_(display, error) : 0;
    }

    Display* display_;
    static inline int depth_ = 0;
    static inline bool failed_ = false;
    static inline XErrorHandler previous_ = nullptr;
};

void setEmbedInfo(Display* display, ::Window window)
{
    // XEMBED protocol version 0, flags: mapped.
    const Atom info = XInternAtom(display, "_XEMBED_INFO", False);
    const long data[2] = {0, 1};
    XChangeProperty(display, window, info, info, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(data), 2);
}

// X's button and modifier state as the toolkit's flags.
std::int32_t buttonMask(unsigned state)
{
    std::int32_t buttons = 0;
    if (state & Button1Mask)
        buttons |= 1;
    if (state & Button2Mask)
        buttons |= 2;
    if (state & Button3Mask)
        buttons |= 4;
    if (state & ShiftMask)
        buttons |= 8;
    if (state & ControlMask)
        buttons |= 16;
    if (state & Mod1Mask)
        buttons |= 32;
    return buttons;
}

constexpr long kWindowEvents =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | StructureNotifyMask;

// X's button number as the toolkit's flag; 0 for the wheel and others.
std::int32_t buttonFlag(unsigned button)
{
    return button == Button1 ? 1 : button == Button2 ? 2 : button == Button3 ? 4 : 0;
}

}  // namespace

std::string Window::className()
{
    Dl_info info{};
    void* base = dladdr(reinterpret_cast<void*>(&tickCount), &info) ? info.dli_fbase : nullptr;
    char name[40];
    std::snprintf(name, sizeof name, "Plugin%p", base);
    return name;
}

std::unique_ptr<Window> Window::open(unsigned long parent, int width, int height, double scale,
                                     WindowEvents* events)
{
    return parent == 0 ? nullptr : connect(parent, width, height, scale, nullptr, events);
}

std::unique_ptr<Window> Window::openTopLevel(const std::string& title, int width, int height, double scale,
                                             WindowEvents* events)
{
    return connect(0, width, height, scale, title.c_str(), events);
}

double Window::desktopScale()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1.0;
    double dpi = 0.0;
    // The resource string holds lines of "name:\tvalue".
    if (const char* resources = XResourceManagerString(display)) {
        const std::string all = resources;
        for (std::size_t start = 0; start < all.size();) {
            std::size_t end = all.find('\n', start);
            if (end == std::string::npos)
                end = all.size();
            const std::string line = all.substr(start, end - start);
            if (line.rfind("Xft.dpi:", 0) == 0)
                dpi = std::atof(line.c_str() + 8);
            start = end + 1;
        }
    }
    XCloseDisplay(display);
    return dpi > 0.0 && std::isfinite(dpi) ? dpi / 96.0 : 1.0;
}

// A connection of the window's own, then the window: a child of `parent`,
// or on the root window with a title.
std::unique_ptr<Window> Window::connect(unsigned long parent, int width, int height, double scale,
                                        const char* title, WindowEvents* events)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    std::unique_ptr<Window> window(new Window);
    window->events_ = events;
    window->scale_ = imageScale(scale);
    window->display_ = XOpenDisplay(nullptr);
    if (!window->display_)
        return nullptr;
    ErrorTrap::adopt(window->display_);
    if (!window->create(title ? DefaultRootWindow(window->display_) : parent, width, height, title))
        return nullptr;
    return window;
}

// A fixed size for a top-level window: the window manager offers no resizing.
void Window::fixSize(int width, int height)
{
    if (XSizeHints* hints = XAllocSizeHints()) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display_, window_, hints);
        XFree(hints);
    }
}

// A child of `parent`, or with a title a top-level window; width × height units.
bool Window::create(unsigned long parent, int unitsWide, int unitsHigh, const char* title)
{
    const int width = pixelsOf(unitsWide, scale_), height = pixelsOf(unitsHigh, scale_);
    ErrorTrap trap(display_);
    XWindowAttributes parentAttributes;
    if (!XGetWindowAttributes(display_, parent, &parentAttributes) || trap.failed())
        return false;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // exposures are painted from the back buffer: no flash of background
    attributes.event_mask = kWindowEvents;
    window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    if (trap.failed() || !window_)
        return false;
    // A program's own window is known by its title ("vocoder", "Vocoder"); one
    // inside a host's by the library it comes from.
    std::string className = title ? title : Window::className();
    std::string instanceName = className;
    if (title)
        std::transform(instanceName.begin(), instanceName.end(), instanceName.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    XClassHint hint{instanceName.data(), className.data()};
    XSetClassHint(display_, window_, &hint);
    if (title) {
        XStoreName(display_, window_, title);
        fixSize(width, height);
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        Atom protocols[] = {deleteWindow_};
        XSetWMProtocols(display_, window_, protocols, 1);
    } else {
        XStoreName(display_, window_, "Window");
        setEmbedInfo(display_, window_);
        // The parent's changes of size and place, and its destruction.
        XSelectInput(display_, parent, StructureNotifyMask);
    }
    XMapWindow(display_, window_);

    XWindowAttributes own;
    XGetWindowAttributes(display_, window_, &own);
    if (trap.failed())
        return false;
    surface_ = std::make_unique<Image>(cairo_xlib_surface_create(display_, window_, own.visual, width, height),
                                       unitsWide, unitsHigh, scale_);
    parent_ = parent;
    width_ = width;
    height_ = height;
    alive_ = true;
    return true;
}

Window::~Window()
{
    if (!display_)
        return;
    {
        ErrorTrap trap(display_);
        surface_.reset();
        if (alive_ && window_)
            XDestroyWindow(display_, window_);
        if (cursor_)
            XFreeCursor(display_, cursor_);
    }
    XCloseDisplay(display_);
    ErrorTrap::release(display_);
}

void Window::setVisible(bool visible)
{
    if (!display_ || !alive_)
        return;
    ErrorTrap trap(display_);
    if (visible)
        XMapWindow(display_, window_);
    else
        XUnmapWindow(display_, window_);
    XFlush(display_);
}

int Window::connectionNumber() const { return display_ ? ConnectionNumber(display_) : -1; }

// The events are taken first and handled after: a press runs its whole
// gesture in its handler, which must not hold the trap that long.
void Window::poll(bool paintsOnly)
{
    if (!display_)
        return;
    std::vector<XEvent> events;
    {
        ErrorTrap trap(display_);
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            events.push_back(event);
        }
    }
    for (const XEvent& event : events)
        handle(event, paintsOnly);
}

void Window::handle(const XEvent& event, bool paintsOnly)
{
    switch (event.type) {
    case Expose: {
        if (event.xexpose.window != window_)
            return;
        const XExposeEvent& e = event.xexpose;
        if (paintRight_ <= paintLeft_ || paintBottom_ <= paintTop_) {
            paintLeft_ = e.x, paintTop_ = e.y, paintRight_ = e.x + e.width, paintBottom_ = e.y + e.height;
        } else {
            paintLeft_ = std::min(paintLeft_, e.x);
            paintTop_ = std::min(paintTop_, e.y);
            paintRight_ = std::max(paintRight_, e.x + e.width);
            paintBottom_ = std::max(paintBottom_, e.y + e.height);
        }
        if (e.count == 0 && alive_) {
            // The units that hold every pixel exposed.
            const int l = units(paintLeft_), t = units(paintTop_);
            const int r = units(paintRight_ - 1) + 1, b = units(paintBottom_ - 1) + 1;
            paintLeft_ = paintTop_ = paintRight_ = paintBottom_ = 0;
            events_->paint(l, t, r, b);
        }
        return;
    }
    case ButtonPress: {
        if (paintsOnly || event.xbutton.window != window_ || !alive_)
            return;
        const XButtonEvent& e = event.xbutton;
        if (e.button == Button4 || e.button == Button5) {
            events_->wheel(e.button == Button4 ? 1.0f : -1.0f, units(e.x), units(e.y));
        } else if (e.button >= Button1 && e.button <= Button3) {
            // The press is read late (at the next idle): the button and the
            // modifiers come from the event, not from the state now.
            // The first look at the buttons during the press sees them as
            // they were at the press, so a click released before it was read
            // still counts as a click.
            const std::int32_t button = buttonFlag(e.button);
            pressState_ = button | (buttonMask(e.state) & ~7);
            events_->buttonDown(pressState_, units(e.x), units(e.y));
            pressState_ = -1;
        }
        return;
    }
    case ButtonRelease: {
        const XButtonEvent& e = event.xbutton;
        if (paintsOnly || e.window != window_ || !alive_ || buttonFlag(e.button) == 0)
            return;
        // The state is the one before the release.
        events_->buttonUp(buttonMask(e.state) & ~buttonFlag(e.button), units(e.x), units(e.y));
        return;
    }
    case MotionNotify: {
        const XMotionEvent& e = event.xmotion;
        if (paintsOnly || e.window != window_ || !alive_)
            return;
        events_->pointerMoved(buttonMask(e.state), units(e.x), units(e.y));
        return;
    }
    case ClientMessage:
        if (deleteWindow_ && event.xclient.window == window_ && event.xclient.format == 32 &&
            static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_)
            events_->closeRequested();
        return;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_ && alive_) {
            alive_ = false;
            ErrorTrap trap(display_);
            surface_.reset();
            events_->destroyed();
        }
        return;
    case ReparentNotify:
        // A host that moves the editor into another window: follow the new parent.
        if (event.xreparent.window == window_) {
            ErrorTrap trap(display_);
            parent_ = event.xreparent.parent;
            XSelectInput(display_, parent_, StructureNotifyMask);
        }
        return;
    case ConfigureNotify:
        // The parent resized or moved: the editor keeps its own size at the top left.
        return;
    default:
        return;
    }
}

std::int32_t Window::buttons()
{
    if (!alive_)
        return 0;
    if (pressState_ != -1) {
        const std::int32_t atPress = pressState_;
        pressState_ = -1;
        return atPress;
    }
    ::Window root, child;
    int rootX, rootY, x, y;
    unsigned mask = 0;
    {
        ErrorTrap trap(display_);
        if (!XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &mask))
            mask = 0;
        if (trap.failed())
            mask = 0;
    }
    return buttonMask(mask);
}

void Window::pointer(int& x, int& y)
{
    if (!alive_)
        return;
    ::Window root, child;
    int rootX, rootY, wx = x, wy = y;
    unsigned mask;
    ErrorTrap trap(display_);
    if (XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &wx, &wy, &mask) && !trap.failed()) {
        x = units(wx);
        y = units(wy);
    }
}

void Window::setCursor(Cursor shape)
{
    if (!alive_)
        return;
    unsigned glyph = 0;
    switch (shape) {
    case Cursor::wait: glyph = XC_watch; break;
    case Cursor::horizontalSize: glyph = XC_sb_h_double_arrow; break;
    case Cursor::verticalSize: glyph = XC_sb_v_double_arrow; break;
    case Cursor::moveSize: glyph = XC_fleur; break;
    case Cursor::diagonalRising: glyph = XC_top_right_corner; break;
    case Cursor::diagonalFalling: glyph = XC_top_left_corner; break;
    case Cursor::forbidden: glyph = XC_X_cursor; break;
    case Cursor::hand: glyph = XC_hand2; break;
    case Cursor::normal: break;
    }
    ErrorTrap trap(display_);
    if (cursor_) {
        XUndefineCursor(display_, window_);
        XFreeCursor(display_, cursor_);
        cursor_ = 0;
    }
    if (glyph) {
        cursor_ = XCreateFontCursor(display_, glyph);
        XDefineCursor(display_, window_, cursor_);
    }
}

void Window::resize(int unitsWide, int unitsHigh, double scale)
{
    if (!alive_ || unitsWide <= 0 || unitsHigh <= 0)
        return;
    scale_ = imageScale(scale);
    const int width = pixelsOf(unitsWide, scale_), height = pixelsOf(unitsHigh, scale_);
    ErrorTrap trap(display_);
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (deleteWindow_)
        fixSize(width, height);
    cairo_xlib_surface_set_size(surface_->surface(), width, height);
    surface_ = std::make_unique<Image>(cairo_surface_reference(surface_->surface()), unitsWide, unitsHigh, scale_);
    width_ = width;
    height_ = height;
}

int Window::units(int pixels) const { return static_cast<int>(std::floor(pixels / scale_ + 1e-9)); }

// The parent keeps its margins around the editor, unless they exceed 80
// pixels: then it is not just a holder of the editor, and stays as it is.
bool Window::resizeParent(int unitsWide, int unitsHigh, double scale)
{
    const int width = pixelsOf(unitsWide, imageScale(scale)), height = pixelsOf(unitsHigh, imageScale(scale));
    if (!alive_ || deleteWindow_ || width <= 0 || height <= 0)  // a top-level window has no host window
        return false;
    ErrorTrap trap(display_);
    ::Window root;
    int x, y;
    unsigned parentWidth, parentHeight, border, depth;
    if (!XGetGeometry(display_, parent_, &root, &x, &y, &parentWidth, &parentHeight, &border, &depth) ||
        trap.failed())
        return false;
    const int extraWidth = std::max(static_cast<int>(parentWidth) - width_, 0);
    const int extraHeight = std::max(static_cast<int>(parentHeight) - height_, 0);
    if (extraWidth > 80 || extraHeight > 80)
        return false;
    XResizeWindow(display_, parent_, static_cast<unsigned>(width + extraWidth),
                  static_cast<unsigned>(height + extraHeight));
    return !trap.failed();
}

void Window::flush()
{
    if (!alive_)
        return;
    ErrorTrap trap(display_);
    cairo_surface_flush(surface_->surface());
    XFlush(display_);
}

Window::Scope::Scope(Window& window) : display_(window.display_)
{
    if (display_)
        ErrorTrap::enter();
}

Window::Scope::~Scope()
{
    if (display_)
        ErrorTrap::leave(display_);
}

std::uint32_t tickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void sleepMilliseconds(int milliseconds)
{
    timespec delay{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

}  // namespace platform
