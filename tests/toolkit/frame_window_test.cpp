// The frame in a real X11 window (under Xvfb): a test parent window plays
// the host's, the pointer and buttons are driven with XTest, and the
// owner's idle is called as a host calls its editor's.
#include "../platform/TestDisplay.h"  // gtest before Xlib, whose macros (None) it would trip over

#include "platform/Window.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKnob.h"
#include "toolkit/Controls.h"
#include "toolkit/CSplashScreen.h"

#include <X11/Xatom.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

using namespace VSTGUI;
using testdisplay::Pointer;

namespace {

std::atomic<int> hostIdles{0};

// The editor that owns the frame, as a host would drive it.
struct Editor : FrameOwner {
    void attach(CFrame* f) { frame = f; }
    void idle()
    {
        if (frame)
            frame->idle();
    }
    void pumpIdle() override
    {
        ++hostIdles;
        platform::sleepMilliseconds(4);
    }
    std::int32_t knobMode() const override { return FrameServices::kLinearMode; }
    bool resizeWindow(std::int32_t, std::int32_t) override { return hostSizes; }
    bool modalGestures() const override { return modal; }
    void beginEdit(std::int32_t) override { ++edits; }
    void endEdit(std::int32_t) override { --edits; }

    CFrame* frame = nullptr;
    bool hostSizes = false;
    bool modal = true;
    int edits = 0;  // begun and not ended
};

struct Listener : CControlListener {
    void valueChanged(CDrawContext*, CControl*) override { ++changes; }
    int changes = 0;
};

class FrameWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DISPLAY();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = makeParent(0, 0);
        hostIdles = 0;
    }
    void TearDown() override
    {
        if (!display)
            return;
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    Window makeParent(int x, int y) { return testdisplay::makeParent(display, x, y); }

    // The host's idle loop: until `done` or two seconds.
    bool idleUntil(const std::function<bool()>& done)
    {
        return testdisplay::idleUntil([this] { editor.idle(); }, done);
    }

    std::uint32_t screenPixel(Window w, int x, int y) { return testdisplay::screenPixel(display, w, x, y); }

    Display* display = nullptr;
    Window parent = 0;
    Editor editor;
};

struct DrawCounter : CView {
    using CView::CView;
    void draw(CDrawContext* context) override
    {
        ++draws;
        CView::draw(context);
    }
    int draws = 0;
};

}  // namespace

TEST_F(FrameWindow, ChildWindowWithEmbedInfoAndClassName)
{
    CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
    ASSERT_TRUE(frame.isOpen());
    const Window own = frame.window()->id();
    Window root, up, *children;
    unsigned count;
    XQueryTree(display, own, &root, &up, &children, &count);
    XFree(children);
    EXPECT_EQ(up, parent);

    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    const Atom info = XInternAtom(display, "_XEMBED_INFO", False);
    ASSERT_EQ(XGetWindowProperty(display, own, info, 0, 2, False, info, &type, &format, &items, &after, &data), Success);
    ASSERT_EQ(items, 2u);
    EXPECT_EQ(reinterpret_cast<long*>(data)[1] & 1, 1);  // mapped
    XFree(data);

    XClassHint hint;
    ASSERT_TRUE(XGetClassHint(display, own, &hint));
    EXPECT_EQ(std::string(hint.res_class), platform::Window::className());
    EXPECT_EQ(std::string(hint.res_class).rfind("Plugin0x", 0), 0u);
    XFree(hint.res_name);
    XFree(hint.res_class);
}

TEST_F(FrameWindow, NothingIsDrawnBeforeTheFirstExposureThenTheScreenShowsTheBackBuffer)
{
    XUnmapWindow(display, parent);
    XSync(display, False);
    CBitmap strip(120);  // outlives the views that show it
    CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
    editor.attach(&frame);
    frame.setBackgroundColor({200, 40, 10, 255});
    auto* probe = new DrawCounter({20, 10, 68, 57});
    probe->setBackground(&strip);
    frame.addView(probe);
    for (int i = 0; i < 5; ++i)
        editor.idle();
    EXPECT_EQ(probe->draws, 0);  // the window has not been shown yet

    XMapWindow(display, parent);
    XSync(display, False);
    ASSERT_TRUE(idleUntil([&] { return probe->draws > 0; }));
    editor.idle();
    XSync(display, False);
    const platform::Image& buffer = frame.backBuffer().image();
    int differing = 0;
    for (int y = 0; y < 120; y += 3)
        for (int x = 0; x < 200; x += 3)
            differing += screenPixel(frame.window()->id(), x, y) != (buffer.pixel(x, y) & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(screenPixel(frame.window()->id(), 5, 5), 0xC8280Au);
    editor.attach(nullptr);
    probe->releaseRef();
}

TEST_F(FrameWindow, ClicksAndTheWheelReachTheControlUnderThePointer)
{
    CBitmap strip(120);  // outlives the views that show it
    CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
    editor.attach(&frame);
    Listener listener;
    auto* button = new CMovieButton({10, 10, 58, 57}, &listener, 1, 47, &strip);
    auto* knob = new CKnob({100, 10, 140, 50}, &listener, 2, nullptr, nullptr);
    knob->setValue(0.5f);
    frame.addView(button);
    frame.addView(knob);
    ASSERT_TRUE(idleUntil([&] { return !frame.isDirty(); }));

    Pointer pointer;
    pointer.click(30, 30);
    ASSERT_TRUE(idleUntil([&] { return button->getValue() == 1.0f; }));
    pointer.click(120, 30, 4);  // wheel away from the user
    ASSERT_TRUE(idleUntil([&] { return knob->getValue() > 0.55f; }));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6f);
    pointer.click(120, 30, 5);
    pointer.click(120, 30, 5);
    ASSERT_TRUE(idleUntil([&] { return knob->getValue() < 0.45f; }));
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-6f);
    pointer.click(180, 100);  // on no control
    for (int i = 0; i < 5; ++i)
        editor.idle();
    EXPECT_EQ(button->getValue(), 1.0f);
    editor.attach(nullptr);
    button->releaseRef();
    knob->releaseRef();
}

// The same drag either way: in the knob's own loop inside one idle call,
// served by the owner's pumpIdle; or fed from the window's events, one step
// per event, with every idle call returning at once and the gesture
// bracketed by one edit.
TEST_F(FrameWindow, ADragTurnsTheKnobInItsLoopOrFromEvents)
{
    for (const bool modal : {true, false}) {
        editor.modal = modal;
        hostIdles = 0;
        CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
        editor.attach(&frame);
        Listener listener;
        auto* knob = new CKnob({100, 70, 140, 110}, &listener, 2, nullptr, nullptr);
        frame.addView(knob);
        ASSERT_TRUE(idleUntil([&] { return !frame.isDirty(); }));

        std::atomic<bool> released{false};
        std::thread hand([&] {
            Pointer pointer;
            pointer.moveTo(120, 105);
            pointer.button(1, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            for (int step = 1; step <= 10; ++step) {
                pointer.moveTo(120, 105 - 10 * step);  // 100 pixels up in all
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pointer.button(1, false);
            released = true;
        });
        double longestIdle = 0.0;
        bool seenInGesture = false;
        const auto timedIdle = [&] {
            const auto start = std::chrono::steady_clock::now();
            editor.idle();
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            longestIdle = std::max(longestIdle, took.count());
            seenInGesture = seenInGesture || frame.inGesture();
        };
        const bool done = testdisplay::idleUntil(
            timedIdle, [&] { return released.load() && knob->getValue() > 0.0f && !frame.inGesture(); });
        hand.join();
        ASSERT_TRUE(done) << modal;
        editor.idle();
        EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6f) << modal;
        EXPECT_GT(listener.changes, 1) << modal;
        EXPECT_EQ(editor.edits, 0) << modal;
        if (modal) {
            // The loop asks for the idle service all the time the button is held.
            EXPECT_GE(hostIdles.load(), 5);
        } else {
            EXPECT_EQ(hostIdles.load(), 0);
            EXPECT_TRUE(seenInGesture);  // across idle calls
            EXPECT_LT(longestIdle, 50.0);
        }
        editor.attach(nullptr);
        knob->releaseRef();
    }
    editor.modal = true;
}

// A frame in a window of its own: a top-level window with its title and a
// size the window manager may not change; a close from the window manager
// is reported, not acted on.
TEST_F(FrameWindow, TopLevelWindowWithTitleFixedSizeAndCloseRequest)
{
    CFrame frame({0, 0, 220, 140}, TopLevel{"Vocoder"}, &editor);
    ASSERT_TRUE(frame.isOpen());
    const Window own = frame.window()->id();
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, own, &root, &up, &children, &count);
    if (children)
        XFree(children);
    EXPECT_EQ(up, DefaultRootWindow(display));
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(display, own, &name));
    EXPECT_STREQ(name, "Vocoder");
    XFree(name);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, own, &hints, &supplied));
    EXPECT_EQ(hints.min_width, 220);
    EXPECT_EQ(hints.max_width, 220);
    EXPECT_EQ(hints.min_height, 140);
    EXPECT_EQ(hints.max_height, 140);

    testdisplay::askToClose(display, own);
    EXPECT_TRUE(testdisplay::idleUntil([&] { frame.idle(); }, [&] { return frame.closeAsked(); }));
    EXPECT_TRUE(frame.isOpen());
}

TEST_F(FrameWindow, AModalSplashTakesEveryClick)
{
    CBitmap strip(120);  // outlives the views that show it
    CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
    editor.attach(&frame);
    Listener listener;
    auto* button = new CMovieButton({10, 10, 58, 57}, &listener, 1, 47, &strip);
    auto* splash = new CSplashScreen({150, 10, 170, 30}, &listener, 999, &strip, {60, 60, 108, 107});
    frame.addView(button);
    frame.addView(splash);
    ASSERT_TRUE(idleUntil([&] { return !frame.isDirty(); }));

    Pointer pointer;
    pointer.click(160, 20);
    ASSERT_TRUE(idleUntil([&] { return frame.modal() != nullptr; }));
    pointer.click(30, 30);  // the button, outside the splash: taken by nobody
    for (int i = 0; i < 10; ++i)
        editor.idle();
    EXPECT_EQ(button->getValue(), 0.0f);
    pointer.click(80, 80);  // on the splash: it closes
    ASSERT_TRUE(idleUntil([&] { return frame.modal() == nullptr; }));
    EXPECT_EQ(splash->getValue(), 0.0f);
    pointer.click(30, 30);
    ASSERT_TRUE(idleUntil([&] { return button->getValue() == 1.0f; }));
    editor.attach(nullptr);
    button->releaseRef();
    splash->releaseRef();
}

int sentinelErrors = 0;
int sentinel(Display*, XErrorEvent*)
{
    ++sentinelErrors;
    return 0;
}

TEST_F(FrameWindow, SurvivesTheHostDestroyingItsWindowAndLeavesTheErrorHandlerAlone)
{
    XErrorHandler before = XSetErrorHandler(&sentinel);
    {
        CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
        editor.attach(&frame);
        ASSERT_TRUE(idleUntil([&] { return !frame.isDirty(); }));
        XDestroyWindow(display, parent);
        XSync(display, False);
        parent = makeParent(0, 0);  // for TearDown
        ASSERT_TRUE(idleUntil([&] { return !frame.isOpen(); }));
        frame.setDirty(true);
        frame.setPointerShape(9);
        for (int i = 0; i < 5; ++i)
            editor.idle();
        editor.attach(nullptr);
    }
    EXPECT_EQ(XSetErrorHandler(before), &sentinel);
    EXPECT_EQ(sentinelErrors, 0);
}

TEST_F(FrameWindow, TwoFramesAtOnceAndManyOpenCloseCycles)
{
    const Window other = makeParent(320, 0);
    {
        CFrame first({0, 0, 100, 80}, reinterpret_cast<void*>(parent), nullptr);
        CFrame second({0, 0, 100, 80}, reinterpret_cast<void*>(other), nullptr);
        first.setBackgroundColor({255, 0, 0, 255});
        second.setBackgroundColor({0, 0, 255, 255});
        const auto drawn = [&] { return !first.isDirty() && !second.isDirty(); };
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!drawn() && std::chrono::steady_clock::now() < end) {
            first.idle();
            second.idle();
        }
        ASSERT_TRUE(drawn());
        XSync(display, False);
        EXPECT_EQ(screenPixel(first.window()->id(), 50, 40), 0xFF0000u);
        EXPECT_EQ(screenPixel(second.window()->id(), 50, 40), 0x0000FFu);
    }
    for (int i = 0; i < 100; ++i) {
        CFrame frame({0, 0, 100, 80}, reinterpret_cast<void*>(parent), nullptr);
        ASSERT_TRUE(frame.isOpen());
        frame.idle();
    }
    XDestroyWindow(display, other);
}

TEST(FrameWithoutWindow, ABogusParentGivesAClosedFrame)
{
    REQUIRE_DISPLAY();
    XErrorHandler before = XSetErrorHandler(&sentinel);
    CFrame frame({0, 0, 100, 80}, reinterpret_cast<void*>(0x7fffff0ul), nullptr);
    EXPECT_FALSE(frame.isOpen());
    frame.idle();
    EXPECT_EQ(XSetErrorHandler(before), &sentinel);
}

// A host that moves the editor into another window of its own, and resizes
// that window: the editor goes on drawing and taking clicks there.
TEST_F(FrameWindow, FollowsTheHostMovingItIntoAnotherWindow)
{
    CBitmap strip(120);
    CFrame frame({0, 0, 200, 120}, reinterpret_cast<void*>(parent), &editor);
    editor.attach(&frame);
    Listener listener;
    auto* button = new CMovieButton({10, 10, 58, 57}, &listener, 1, 47, &strip);
    frame.addView(button);
    ASSERT_TRUE(idleUntil([&] { return !frame.isDirty(); }));

    const Window other = makeParent(0, 300);
    XReparentWindow(display, frame.window()->id(), other, 0, 0);
    XResizeWindow(display, other, 400, 300);
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = makeParent(0, 0);
    ASSERT_TRUE(idleUntil([&] { return frame.window()->parent() == other; }));
    EXPECT_TRUE(frame.isOpen());
    Pointer pointer;
    pointer.click(30, 330);
    ASSERT_TRUE(idleUntil([&] { return button->getValue() == 1.0f; }));
    editor.attach(nullptr);
    button->releaseRef();
    XDestroyWindow(display, other);
}

TEST_F(FrameWindow, ResizeAsksTheHostFirstElseGrowsTheHostWindowToo)
{
    Editor sizingEditor;
    const auto geometry = [&](Window w) {
        XWindowAttributes a;
        XGetWindowAttributes(display, w, &a);
        return std::pair{a.width, a.height};
    };
    CFrame frame({0, 0, 240, 150}, reinterpret_cast<void*>(parent), &sizingEditor);
    EXPECT_TRUE(frame.resize(260, 170));
    XSync(display, False);
    EXPECT_EQ(geometry(frame.window()->id()), (std::pair{260, 170}));
    EXPECT_EQ(geometry(parent), (std::pair{320, 220}));  // its margins of 60 and 50 kept
    EXPECT_EQ(frame.rect(), (CRect{0, 0, 260, 170}));

    sizingEditor.hostSizes = true;
    EXPECT_TRUE(frame.resize(280, 180));
    XSync(display, False);
    EXPECT_EQ(geometry(frame.window()->id()), (std::pair{280, 180}));
    EXPECT_EQ(geometry(parent), (std::pair{320, 220}));  // the host's to do
    EXPECT_EQ(frame.backBuffer().getWidth(), 280);
}
