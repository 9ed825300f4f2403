// The LV2 UI library as a host uses it, under the X server in DISPLAY:
// instantiated in a parent window at the host's scale factor (1.5) it asks
// for its size at that scale and draws, follows the host's port events, and
// a click writes the control's port between touches (the click at the
// control's place at that scale), with every idle call returning at once;
// the band levels the plug-in sends show on the band display; a new scale
// factor set later resizes it.
#include "../../platform/TestDisplay.h"  // gtest before Xlib

#include "editor/Layout.h"
#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <dlfcn.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using testdisplay::Pointer;

namespace {

struct HostSide {
    std::vector<std::pair<std::uint32_t, float>> writes;
    std::vector<std::string> touches;
    int width = 0, height = 0;

    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer)
    {
        if (format == 0 && size == sizeof(float))
            static_cast<HostSide*>(controller)->writes.push_back({port, *static_cast<const float*>(buffer)});
    }
    static int resize(LV2UI_Feature_Handle handle, int width, int height)
    {
        auto* host = static_cast<HostSide*>(handle);
        host->width = width;
        host->height = height;
        return 0;
    }
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
    {
        static_cast<HostSide*>(handle)->touches.push_back((grabbed ? "grab " : "release ") + std::to_string(port));
    }
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& uris = static_cast<HostSide*>(handle)->uris;
        for (size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        uris.push_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    std::vector<std::string> uris;
};

// The host's scale factor, and a view's coordinate in the window's pixels.
constexpr float kPixelScale = 1.5f;
int scaled(int units) { return static_cast<int>(units * kPixelScale); }

std::vector<std::uint32_t> pixelsOf(Display* display, Window window, const layout::View& view)
{
    return testdisplay::screenPixels(display, window, scaled(view.left), scaled(view.top), scaled(view.right),
                                     scaled(view.bottom));
}

}  // namespace

TEST(Lv2Ui, DrawsFollowsPortEventsAndWritesItsPorts)
{
    REQUIRE_DISPLAY();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window parent = testdisplay::makeParent(display, 0, 0, 750, 786);

    void* library = dlopen(VOCODER_LV2_BUNDLE "/vocoder_ui.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(std::uint32_t)>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, lv2ports::kUiUri);
    EXPECT_EQ(entry(1), nullptr);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);

    HostSide host;
    LV2UI_Resize resize{&host, &HostSide::resize};
    LV2UI_Touch touch{&host, &HostSide::touch};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch};
    LV2_URID_Map map{&host, &HostSide::map};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, HostSide::map(&host, LV2_UI__scaleFactor), sizeof kPixelScale,
         HostSide::map(&host, LV2_ATOM__Float), &kPixelScale},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &touchFeature, &mapFeature, &optionsFeature,
                                     nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = descriptor->instantiate(descriptor, lv2ports::kPluginUri, VOCODER_LV2_BUNDLE, &HostSide::write,
                                              &host, &widget, features);
    ASSERT_NE(ui, nullptr);
    EXPECT_NE(widget, nullptr);
    EXPECT_EQ(host.width, 750);  // 500 × 524 units at 1.5 pixels a unit
    EXPECT_EQ(host.height, 786);

    const layout::View& mode = *layout::find(layout::Kind::Button, kMode);
    const auto modePixels = [&] { return pixelsOf(display, parent, mode); };
    const auto idleUntil = [&](const std::function<bool()>& done) {
        return testdisplay::idleUntil([&] { EXPECT_EQ(idle->idle(ui), 0); }, done);
    };
    // Drawn: the background is the panel's, not the parent's black.
    ASSERT_TRUE(idleUntil([&] { return testdisplay::screenPixel(display, parent, 375, 8) != 0; }));
    const std::vector<std::uint32_t> vocoderMode = modePixels();

    // The host says Mode is Carrier (choice 1): the button shows it.
    const float carrierMode = 1.0f;
    descriptor->port_event(ui, lv2ports::portOf(kMode), sizeof(float), 0, &carrierMode);
    ASSERT_TRUE(idleUntil([&] { return modePixels() != vocoderMode; }));

    // A click steps the button on to Audio1: its port is written between touches.
    std::thread hand([&] {
        Pointer pointer;
        pointer.moveTo(scaled(mode.left + 5), scaled(mode.top + 5));
        pointer.button(1, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        pointer.button(1, false);
    });
    double longest = 0.0;
    const bool written = testdisplay::idleUntil(
        [&] {
            const auto start = std::chrono::steady_clock::now();
            idle->idle(ui);
            longest = std::max(longest,
                               std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        },
        [&] { return !host.touches.empty() && host.touches.back().rfind("release", 0) == 0; });
    hand.join();
    ASSERT_TRUE(written);
    ASSERT_FALSE(host.writes.empty());
    EXPECT_EQ(host.writes.back(), (std::pair{lv2ports::portOf(kMode), 2.0f}));
    const std::string port = std::to_string(lv2ports::portOf(kMode));
    EXPECT_EQ(host.touches, (std::vector<std::string>{"grab " + port, "release " + port}));
    EXPECT_LT(longest, 50.0);

    // Levels as the plug-in sends them: a vector of floats, the voice's, the
    // output's, then the tuner's reading.
    const layout::View& bands = *layout::find(layout::Kind::BandDisplay, layout::kNoParameter);
    const auto bandPixels = [&] { return pixelsOf(display, parent, bands); };
    const std::vector<std::uint32_t> resting = bandPixels();
    struct {
        LV2_Atom_Vector vector;
        float values[66];
    } message{};
    message.vector.atom = {sizeof(LV2_Atom_Vector_Body) + sizeof message.values, HostSide::map(&host, LV2_ATOM__Vector)};
    message.vector.body = {sizeof(float), HostSide::map(&host, LV2_ATOM__Float)};
    for (float& level : message.values)
        level = -20.0f;
    message.values[64] = 60.2f;
    message.values[65] = 60.0f;
    descriptor->port_event(ui, lv2ports::kBandLevels, sizeof message, HostSide::map(&host, LV2_ATOM__eventTransfer),
                           &message);
    EXPECT_TRUE(idleUntil([&] { return bandPixels() != resting; }));

    // A new scale factor through the options interface: the UI asks for its
    // new size and reports the factor it took.
    const auto* optionsInterface =
        static_cast<const LV2_Options_Interface*>(descriptor->extension_data(LV2_OPTIONS__interface));
    ASSERT_NE(optionsInterface, nullptr);
    const float twice = 2.0f;
    const LV2_Options_Option larger[] = {
        {LV2_OPTIONS_INSTANCE, 0, HostSide::map(&host, LV2_UI__scaleFactor), sizeof twice,
         HostSide::map(&host, LV2_ATOM__Float), &twice},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(optionsInterface->set(ui, larger), 0u);
    EXPECT_EQ(std::pair(host.width, host.height), std::pair(1000, 1048));
    LV2_Options_Option asked[] = {{LV2_OPTIONS_INSTANCE, 0, HostSide::map(&host, LV2_UI__scaleFactor), 0, 0, nullptr},
                                  {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    ASSERT_EQ(optionsInterface->get(ui, asked), 0u);
    ASSERT_EQ(asked[0].size, sizeof(float));
    EXPECT_EQ(*static_cast<const float*>(asked[0].value), 2.0f);

    descriptor->cleanup(ui);
    dlclose(library);
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}
