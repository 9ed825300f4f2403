// The CLAP editor as a host drives it, under the X server in DISPLAY:
// scaled by the host, embedded in the host's window, served by the host's
// timer, it draws, follows the host's parameter changes, sends a click's
// change back as a gesture, asks for its new size when scaled again, and
// closes its window when destroyed.
#include "../../platform/TestDisplay.h"  // gtest before Xlib

#include "ClapTestHost.h"
#include "editor/Layout.h"

#include <chrono>
#include <cmath>
#include <thread>

using testdisplay::Pointer;

namespace {

// The editor at twice the size: a view's pixels are at twice its coordinates.
constexpr int kPixelScale = 2;

std::vector<std::uint32_t> pixelsOf(Display* display, Window window, const layout::View& view)
{
    return testdisplay::screenPixels(display, window, view.left * kPixelScale, view.top * kPixelScale, view.right * kPixelScale,
                                     view.bottom * kPixelScale);
}

std::vector<Window> childrenOf(Display* display, Window window)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, window, &root, &parent, &children, &count);
    std::vector<Window> found(children, children + count);
    if (children)
        XFree(children);
    return found;
}

}  // namespace

TEST(ClapGui, EmbedsDrawsFollowsSendsGesturesAndCloses)
{
    REQUIRE_DISPLAY();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window parent = testdisplay::makeParent(display, 0, 0, 1000, 1048);
    ClapLibrary library;
    ClapInstance p(library);
    const auto* gui = p.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    const auto* timer = p.extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    ASSERT_TRUE(gui && timer);
    EXPECT_TRUE(gui->is_api_supported(p.plugin(), CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(p.plugin(), CLAP_WINDOW_API_X11, true));
    ASSERT_TRUE(gui->create(p.plugin(), CLAP_WINDOW_API_X11, false));
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(p.plugin(), &width, &height));
    EXPECT_EQ(width, 500u);
    EXPECT_EQ(height, 374u + 150u);  // both panels
    // A factor between the editor's scales takes the nearest.
    ASSERT_TRUE(gui->set_scale(p.plugin(), 1.4));
    ASSERT_TRUE(gui->get_size(p.plugin(), &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(750u, 786u));
    EXPECT_FALSE(gui->set_scale(p.plugin(), std::nan("")));
    ASSERT_TRUE(gui->set_scale(p.plugin(), 2.0));
    ASSERT_TRUE(gui->get_size(p.plugin(), &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(1000u, 1048u));
    EXPECT_FALSE(gui->can_resize(p.plugin()));
    clap_window_t window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->set_parent(p.plugin(), &window));
    ASSERT_TRUE(gui->show(p.plugin()));
    ASSERT_EQ(p.timers.size(), 1u);
    const std::vector<Window> children = childrenOf(display, parent);
    ASSERT_EQ(children.size(), 1u);
    XWindowAttributes shown{};
    XGetWindowAttributes(display, children[0], &shown);
    EXPECT_EQ(std::pair(shown.width, shown.height), std::pair(1000, 1048));

    const auto idleUntil = [&](const std::function<bool()>& done) {
        return testdisplay::idleUntil([&] { timer->on_timer(p.plugin(), p.timers[0]); }, done);
    };
    ASSERT_TRUE(idleUntil([&] { return testdisplay::screenPixel(display, parent, 500, 10) != 0; }));
    const layout::View& mode = *layout::find(layout::Kind::Button, kMode);
    const std::vector<std::uint32_t> vocoderMode = pixelsOf(display, parent, mode);

    // The host sets Mode to Carrier: the button shows it.
    EventList events;
    events.paramValue(0, kMode, 1.0);
    p.flush(events);
    ASSERT_TRUE(idleUntil([&] { return pixelsOf(display, parent, mode) != vocoderMode; }));

    // A click at the button's place at this scale steps it on to Audio1: the
    // host hears of it as a gesture at its next flush.
    std::thread hand([&] {
        Pointer pointer;
        pointer.moveTo((mode.left + 5) * kPixelScale, (mode.top + 5) * kPixelScale);
        pointer.button(1, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        pointer.button(1, false);
    });
    ASSERT_TRUE(idleUntil([&] { return p.value(kMode) == 2.0 && p.flushRequests >= 3; }));
    hand.join();
    events.clear();
    p.flush(events);
    std::vector<std::pair<std::uint16_t, double>> sent;
    for (const auto& bytes : p.outputEvents) {
        const auto* header = reinterpret_cast<const clap_event_header_t*>(bytes.data());
        const auto* value = reinterpret_cast<const clap_event_param_value_t*>(bytes.data());
        sent.push_back({header->type, header->type == CLAP_EVENT_PARAM_VALUE ? value->value : 0.0});
        EXPECT_EQ(reinterpret_cast<const clap_event_param_gesture_t*>(bytes.data())->param_id, clap_id{kMode});
    }
    EXPECT_EQ(sent, (std::vector<std::pair<std::uint16_t, double>>{
                        {CLAP_EVENT_PARAM_GESTURE_BEGIN, 0.0}, {CLAP_EVENT_PARAM_VALUE, 2.0}, {CLAP_EVENT_PARAM_GESTURE_END, 0.0}}));

    // Back to one pixel a unit while shown: the editor asks the host for the new size.
    ASSERT_TRUE(gui->set_scale(p.plugin(), 1.0));
    EXPECT_EQ(p.resizeRequests, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{500u, 524u}}));
    XSync(display, False);
    XGetWindowAttributes(display, children[0], &shown);
    EXPECT_EQ(std::pair(shown.width, shown.height), std::pair(500, 524));

    gui->destroy(p.plugin());
    EXPECT_TRUE(p.timers.empty());
    XSync(display, False);
    EXPECT_TRUE(childrenOf(display, parent).empty());
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}
