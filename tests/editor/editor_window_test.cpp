// The plug-in's editor in a real window (Xvfb in CI), first built directly,
// then driven as a host drives it: through the effect record, with clicks
// and drags made by XTest and the host's idle calls.
#include "../platform/TestDisplay.h"  // gtest before Xlib

#include "TestHost.h"
#include "editor/Layout.h"
#include "editor/VocoderGui.h"
#include "formats/vst2/AEffGUIEditor.h"
#include "formats/vst2/Vocoder.h"
#include "toolkit/CFrame.h"
#include "toolkit/CParamDisplay.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using testdisplay::Pointer;

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DISPLAY();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = testdisplay::makeParent(display, 0, 0, layout::kWidth, layout::kHeight);
    }
    void TearDown() override
    {
        if (!display)
            return;
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }
    void* parentHandle() const { return reinterpret_cast<void*>(parent); }

    // The window's pixels over a rectangle of the panel.
    std::vector<std::uint32_t> screen(int left, int top, int right, int bottom)
    {
        return testdisplay::screenPixels(display, parent, left, top, right, bottom);
    }
    std::vector<std::uint32_t> screen(const layout::View& v) { return screen(v.left, v.top, v.right, v.bottom); }

    Display* display = nullptr;
    Window parent = 0;
};

const layout::View& viewOf(layout::Kind kind, VstInt32 tag) { return *layout::find(kind, tag); }

size_t differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    size_t n = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        n += a[i] != b[i];
    return n;
}

}  // namespace

// The tree as the table lays it out: every control's rectangle, made from
// the top left and one image of its strip, is the table's, so the artwork
// has the sizes and image counts the table expects.
TEST_F(EditorWindow, FortyNineViewsInTableOrderWithTheirParametersValues)
{
    Vocoder plugin(quietHost);
    plugin.setParameter(kAttack, 0.25f);
    auto& editor = *dynamic_cast<AEffGUIEditor*>(plugin.getEditor());
    ASSERT_TRUE(editor.open(parentHandle()));
    VSTGUI::CFrame* frame = editor.getFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->rect(), (VSTGUI::CRect{0, 0, 500, 374}));
    ASSERT_EQ(frame->viewCount(), 49);
    for (size_t i = 0; i < layout::kViews.size(); ++i) {
        const layout::View& v = layout::kViews[i];
        VSTGUI::CView* view = frame->viewAt(static_cast<std::int32_t>(i));
        EXPECT_EQ(view->rect(), (VSTGUI::CRect{v.left, v.top, v.right, v.bottom})) << "view " << i + 1;
        if (v.kind == layout::Kind::Display) {
            EXPECT_EQ(view, editor.gui().display(v.tag));
            EXPECT_EQ(editor.gui().display(v.tag)->getValue(), plugin.getParameter(v.tag));
        } else if (v.tag != layout::kNoParameter) {
            EXPECT_EQ(view, editor.gui().control(v.tag)) << "view " << i + 1;
            EXPECT_EQ(editor.gui().control(v.tag)->getValue(), plugin.getParameter(v.tag));
        }
    }
    EXPECT_EQ(editor.gui().control(kAttack)->getValue(), 0.25f);
    for (VstInt32 i = 0; i < kVst2Parameters; ++i)
        EXPECT_NE(editor.gui().control(i), nullptr) << "parameter " << i;
    EXPECT_TRUE(editor.gui().control(kOsc2Volume)->isKindOf("CAnimKnob"));
    editor.close();
    EXPECT_EQ(editor.getFrame(), nullptr);
}

// Changes from other threads wait for the next idle; a size the plug-in
// refuses comes back to the control as the plug-in's value.
TEST_F(EditorWindow, ParameterChangesReachTheControlsAtTheNextIdle)
{
    Vocoder plugin(quietHost);
    auto& editor = *dynamic_cast<AEffGUIEditor*>(plugin.getEditor());
    ASSERT_TRUE(editor.open(parentHandle()));
    std::thread([&] { plugin.setParameter(kMode, 0.5f); }).join();
    EXPECT_EQ(editor.gui().control(kMode)->getValue(), 0.0f);
    editor.idle();
    EXPECT_EQ(editor.gui().control(kMode)->getValue(), 0.5f);

    VSTGUI::CControl* fft = editor.gui().control(kFftSize);
    fft->setValue(0.0f);  // 128 with the hop at 128: refused, back to 256
    editor.gui().valueChanged(nullptr, fft);
    editor.idle();
    EXPECT_EQ(fft->getValue(), plugin.getParameter(kFftSize));
    EXPECT_EQ(fft->getValue(), 0.33333334f);

    // After close the retained controls still follow; idle draws nothing.
    editor.close();
    plugin.setParameter(kMode, 1.0f);
    editor.idle();
    EXPECT_EQ(editor.gui().control(kMode)->getValue(), 1.0f);
}

// Under AddressSanitizer these leak nothing.
TEST_F(EditorWindow, HundredOpenCloseAndCreateDestroyCycles)
{
    {
        Vocoder plugin(quietHost);
        auto& editor = *dynamic_cast<AEffGUIEditor*>(plugin.getEditor());
        for (int i = 0; i < 100; ++i) {
            ASSERT_TRUE(editor.open(parentHandle()));
            editor.idle();
            editor.close();
        }
        ASSERT_TRUE(editor.open(parentHandle()));
        ASSERT_TRUE(editor.open(parentHandle()));  // a second open replaces the first tree
    }
    for (int i = 0; i < 100; ++i) {
        Vocoder plugin(quietHost);
        ASSERT_TRUE(plugin.getEditor()->open(parentHandle()));
        plugin.getEditor()->idle();
    }  // destroyed with the editor open
}

// As a host: the effect record only, a window of its own, idle calls.
class EditorThroughTheHost : public EditorWindow {
protected:
    void SetUp() override
    {
        EditorWindow::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_NE(host.create(), nullptr);
    }
    void idle() { host.dispatch(effEditIdle); }
    bool idleUntil(const std::function<bool()>& done) { return testdisplay::idleUntil([this] { idle(); }, done); }
    // The host calls for `opcode` with `index` since the last clearCalls.
    size_t count(VstInt32 opcode, VstInt32 index)
    {
        const auto calls = host.callsOf(opcode);
        return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](const HostCall& c) { return c.index == index; }));
    }
    // A click, then idle until the host has heard of the edit's end.
    void clickAndWait(int x, int y, VstInt32 index, unsigned button = 1)
    {
        pointer.click(x, y, button);
        ASSERT_TRUE(idleUntil([&] { return count(audioMasterEndEdit, index) > 0; })) << "index " << index;
    }

    // A drag by `dy` pixels in ten moves from (x, y), made on a thread of its
    // own as a hand makes it, with idle calls until the host has heard of the
    // edit's end.
    void dragAndWait(int x, int y, int dy, VstInt32 index)
    {
        std::atomic<bool> released{false};
        std::thread hand([&] {
            Pointer drag;
            drag.moveTo(x, y);
            drag.button(1, true);
            for (int step = 1; step <= 10; ++step) {
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
                drag.moveTo(x, y + dy * step / 10);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            drag.button(1, false);
            released = true;
        });
        const bool dragged = idleUntil([&] { return released.load() && count(audioMasterEndEdit, index) > 0; });
        hand.join();
        ASSERT_TRUE(dragged) << "index " << index;
    }

    TestHost host;
    Pointer pointer;
};

TEST_F(EditorThroughTheHost, EveryKindOfControlEditsItsParameter)
{
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);  // before any open
    EXPECT_EQ(rect->right, 500);
    EXPECT_EQ(rect->bottom, 374);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, parentHandle()), 1);
    const auto& gainDisplay = viewOf(layout::Kind::Display, kAudioGain);
    ASSERT_TRUE(idleUntil([&] {
        return testdisplay::screenPixel(display, parent, gainDisplay.left + 2, gainDisplay.top + 1) == 0xE7E8E4;
    }));
    AEffect* effect = host.effect();
    host.clearCalls();

    // A button: the next waveform.
    clickAndWait(284, 100, kOsc1);
    EXPECT_EQ(effect->getParameter(effect, kOsc1), 0.33333334f);
    EXPECT_EQ(count(audioMasterBeginEdit, kOsc1), 1u);
    ASSERT_GE(count(audioMasterAutomate, kOsc1), 1u);
    EXPECT_EQ(host.callsOf(audioMasterAutomate).back().opt, 0.33333334f);

    // A vertical fader, clicked half way down: 0.5.
    clickAndWait(224, 115, kCarrierVolume);
    EXPECT_EQ(effect->getParameter(effect, kCarrierVolume), 0.5f);
    // The horizontal fader at its left end: 0.
    clickAndWait(364, 275, kVocoderGain);
    EXPECT_EQ(effect->getParameter(effect, kVocoderGain), 0.0f);

    // A knob dragged 40 pixels up: 0.2 more; its display follows.
    const auto& attackDisplay = viewOf(layout::Kind::Display, kAttack);
    const auto shownBefore = screen(attackDisplay);
    const float attackBefore = effect->getParameter(effect, kAttack);
    ASSERT_NO_FATAL_FAILURE(dragAndWait(146, 180, -40, kAttack));
    EXPECT_NEAR(effect->getParameter(effect, kAttack), attackBefore + 0.2f, 1e-5f);
    EXPECT_GT(count(audioMasterAutomate, kAttack), 1u);
    EXPECT_EQ(count(audioMasterBeginEdit, kAttack), 1u);
    ASSERT_TRUE(idleUntil([&] { return screen(attackDisplay) != shownBefore; }));

}

// After any change and the next idle call, the window shows what a full
// redraw of the editor shows: every control and its value display follow
// at once, and the credits leave nothing behind when they close.
TEST_F(EditorThroughTheHost, TheNextIdleShowsEveryChangeAsAFullRedrawDoes)
{
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, parentHandle()), 1);
    AEffect* effect = host.effect();
    const auto& gainDisplay = viewOf(layout::Kind::Display, kAudioGain);
    ASSERT_TRUE(idleUntil([&] {
        return testdisplay::screenPixel(display, parent, gainDisplay.left + 2, gainDisplay.top + 1) == 0xE7E8E4;
    }));
    const auto whole = [&] { return screen(0, 0, layout::kWidth, layout::kHeight); };
    // The window exposed as a whole: the frame draws every view again.
    const auto redrawn = [&] {
        Window root, up, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &up, &children, &n);
        if (n == 1)
            XClearArea(display, children[0], 0, 0, 0, 0, True);
        if (children)
            XFree(children);
        XSync(display, False);
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            idle();
        }
        return whole();
    };
    const auto& volumeDisplay = viewOf(layout::Kind::Display, kOsc2Volume);
    const auto volumeShown = screen(volumeDisplay);

    // From the host, on another thread.
    std::thread([&] { effect->setParameter(effect, kOsc2Volume, 0.9f); }).join();
    idle();
    auto shown = whole();
    EXPECT_NE(screen(volumeDisplay), volumeShown);
    EXPECT_EQ(differing(shown, redrawn()), 0u) << "host change";

    // A 100-pixel drag down on the same knob.
    ASSERT_NO_FATAL_FAILURE(dragAndWait(444, 94, 100, kOsc2Volume));
    EXPECT_NEAR(effect->getParameter(effect, kOsc2Volume), 0.4f, 1e-5f);
    idle();
    shown = whole();
    EXPECT_EQ(differing(shown, redrawn()), 0u) << "drag";

    // A key for the knob the drag left in focus.
    EXPECT_EQ(host.dispatch(effEditKeyDown, 0, VKEY_UP), 1);
    idle();
    shown = whole();
    EXPECT_EQ(differing(shown, redrawn()), 0u) << "key";

    // The wheel over the Peak1 Q knob.
    host.clearCalls();
    pointer.click(93, 340, 5);
    ASSERT_TRUE(idleUntil([&] { return count(audioMasterAutomate, kPeak1Q) > 0; }));
    idle();
    shown = whole();
    EXPECT_EQ(differing(shown, redrawn()), 0u) << "wheel";

    // Clicks on the Carrier Volume and Vocoder Gain faders, then the
    // credits opened and closed (a click on them does not reach the editor
    // behind, and the host hears of neither): the panel as it was.
    host.clearCalls();
    clickAndWait(224, 115, kCarrierVolume);
    clickAndWait(364, 275, kVocoderGain);
    idle();
    const auto before = whole();
    const auto panel = screen(200, 60, 300, 140);
    host.clearCalls();
    pointer.click(478, 23);
    ASSERT_TRUE(idleUntil([&] { return screen(200, 60, 300, 140) != panel; }));
    pointer.click(250, 100);
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        idle();
    }
    EXPECT_EQ(differing(whole(), before), 0u) << "credits";
    EXPECT_TRUE(host.callsOf(audioMasterAutomate).empty());
    EXPECT_TRUE(host.callsOf(audioMasterBeginEdit).empty());
    EXPECT_EQ(differing(before, redrawn()), 0u) << "faders";
}

TEST_F(EditorThroughTheHost, HostChangesShowAtTheNextIdleAndRefusedSizesComeBack)
{
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, parentHandle()), 1);
    AEffect* effect = host.effect();
    const auto& mode = viewOf(layout::Kind::Button, kMode);
    const auto& gainDisplay = viewOf(layout::Kind::Display, kAudioGain);
    ASSERT_TRUE(idleUntil([&] {
        return testdisplay::screenPixel(display, parent, gainDisplay.left + 2, gainDisplay.top + 1) == 0xE7E8E4;
    }));
    const auto vocoderMode = screen(mode);
    effect->setParameter(effect, kMode, 0.5f);
    ASSERT_TRUE(idleUntil([&] { return screen(mode) != vocoderMode; }));

    // FFT SIZE: the window of 256, then of 1024; a click from 1024 wraps to
    // 128, which the plug-in refuses with a hop of 128: it shows 256 again.
    const auto& fft = viewOf(layout::Kind::Button, kFftSize);
    effect->setParameter(effect, kFftSize, 0.33333334f);
    for (int i = 0; i < 5; ++i)
        idle();
    const auto shows256 = screen(fft);
    effect->setParameter(effect, kFftSize, 1.0f);
    ASSERT_TRUE(idleUntil([&] { return screen(fft) != shows256; }));
    host.clearCalls();
    pointer.click(385, 22);
    ASSERT_TRUE(idleUntil([&] { return count(audioMasterEndEdit, kFftSize) > 0; }));
    EXPECT_EQ(effect->getParameter(effect, kFftSize), 0.33333334f);
    ASSERT_TRUE(idleUntil([&] { return screen(fft) == shows256; }));

    // Closed, the window is gone; opened again, the editor draws again.
    host.dispatch(effEditClose);
    Window root, up, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &up, &children, &count);
    if (children)
        XFree(children);
    EXPECT_EQ(count, 0u);
    XClearWindow(display, parent);
    XSync(display, False);
    EXPECT_NE(testdisplay::screenPixel(display, parent, gainDisplay.left + 2, gainDisplay.top + 1), 0xE7E8E4u);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, parentHandle()), 1);
    ASSERT_TRUE(idleUntil([&] {
        return testdisplay::screenPixel(display, parent, gainDisplay.left + 2, gainDisplay.top + 1) == 0xE7E8E4 &&
               screen(fft) == shows256;
    }));
    host.dispatch(effEditClose);
}

// A host that closes the editor from the idle call a drag makes: the frame
// goes when the drag has ended, inside the same idle call.
TEST_F(EditorWindow, ClosedFromInsideADragItClosesWhenTheDragEnds)
{
    static AEffGUIEditor* closing = nullptr;
    static int closes = 0;
    const auto closingHost = [](AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        if (opcode == audioMasterVersion)
            return 2400;
        if (opcode == audioMasterIdle && closing && closes++ == 0)
            closing->close();
        return 0;
    };
    Vocoder plugin(closingHost);
    auto& editor = *dynamic_cast<AEffGUIEditor*>(plugin.getEditor());
    closing = &editor;
    closes = 0;
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(testdisplay::idleUntil([&] { editor.idle(); }, [&] { return !editor.getFrame()->isDirty(); }));
    std::thread hand([] {
        Pointer drag;
        drag.moveTo(146, 180);
        drag.button(1, true);
        for (int step = 1; step <= 6; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            drag.moveTo(146, 180 - 5 * step);
        }
        drag.button(1, false);
    });
    ASSERT_TRUE(testdisplay::idleUntil([&] { editor.idle(); }, [&] { return editor.getFrame() == nullptr; }));
    hand.join();
    EXPECT_GE(closes, 1);
    EXPECT_NE(editor.gui().control(kAttack), nullptr);  // the retained controls stay
    closing = nullptr;
}

// The editor behind its host interface alone, no plug-in format, with
// gestures fed from events: a drag on the Attack knob reaches the host as
// one edit while every idle call returns at once, and a close in the middle
// of a drag still ends the edit.
TEST_F(EditorWindow, GesturesFromEventsThroughTheHostInterface)
{
    struct Host : EditorHost {
        float parameterValue(std::int32_t index) override { return values[static_cast<size_t>(index)]; }
        void parameterText(std::int32_t, char* text) override { text[0] = 0; }
        void beginEdit(std::int32_t index) override { log.push_back("begin " + std::to_string(index)); }
        void performEdit(std::int32_t index, float value) override { values[static_cast<size_t>(index)] = value; }
        void endEdit(std::int32_t index) override { log.push_back("end " + std::to_string(index)); }
        void gestureIdle() override { log.push_back("gesture idle"); }
        bool resizeWindow(std::int32_t, std::int32_t) override { return false; }
        std::array<float, kNumParameters> values{};
        std::vector<std::string> log;
    } host;
    VocoderGui editor(host, VocoderGui::Gestures::fromEvents);
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(testdisplay::idleUntil([&] { editor.idle(); }, [&] { return !editor.getFrame()->isDirty(); }));

    for (const bool closeMidway : {false, true}) {
        host.log.clear();
        std::atomic<bool> pressed{false}, released{false};
        std::thread hand([&] {
            Pointer drag;
            drag.moveTo(146, 180);
            drag.button(1, true);
            pressed = true;
            for (int step = 1; step <= 8; ++step) {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                drag.moveTo(146, 180 - 5 * step);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            drag.button(1, false);
            released = true;
        });
        double longest = 0.0;
        const auto timedIdle = [&] {
            const auto start = std::chrono::steady_clock::now();
            editor.idle();
            longest = std::max(longest,
                               std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            if (closeMidway && editor.getFrame() && editor.getFrame()->inGesture() && host.values[kAttack] > 0.1f)
                editor.close();
        };
        const bool done = testdisplay::idleUntil(timedIdle, [&] {
            return released.load() && (!editor.getFrame() || !editor.getFrame()->inGesture());
        });
        hand.join();
        ASSERT_TRUE(done);
        EXPECT_LT(longest, 50.0);
        EXPECT_GT(host.values[kAttack], 0.1f);
        ASSERT_FALSE(host.log.empty());
        EXPECT_EQ(host.log.front(), "begin 4");
        EXPECT_EQ(host.log.back(), "end 4");
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "gesture idle"), 0);
        EXPECT_EQ(editor.isOpen(), !closeMidway);
        host.values[kAttack] = 0.0f;
        editor.parameterChanged(kAttack);
        editor.idle();
    }
}

// The pages in a window, behind the editor host alone, with gestures from
// events: a click on a page's tab shows it (telling the host nothing), its
// controls showing values the host set while it was hidden; a drag on each
// of its knobs (down from the top half, up from the bottom half) and a click
// on each of its buttons edits that parameter, the edit begun and ended; at
// twice the size the same gestures, at twice the coordinates and twice as
// long, make the same edits. Then 100 open and close cycles.
TEST_F(EditorWindow, TheExtensionPanelsControlsEditTheirParameters)
{
    struct Host : EditorHost {
        Host()
        {
            for (int i = 0; i < kNumParameters; ++i)
                values[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
        }
        float parameterValue(std::int32_t index) override { return values[static_cast<size_t>(index)]; }
        void parameterText(std::int32_t, char* text) override { text[0] = 0; }
        void beginEdit(std::int32_t index) override { log.push_back("begin " + std::to_string(index)); }
        void performEdit(std::int32_t index, float value) override { values[static_cast<size_t>(index)] = value; }
        void endEdit(std::int32_t index) override { log.push_back("end " + std::to_string(index)); }
        void gestureIdle() override {}
        bool resizeWindow(std::int32_t, std::int32_t) override { return false; }
        std::array<float, kNumParameters> values{};
        std::vector<std::string> log;
    } host;
    const Window tall = testdisplay::makeParent(display, 0, 0, 2 * layout::kWidth,
                                                2 * (layout::kHeight + layout::kExtensionHeight));
    VocoderGui editor(host, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
    std::array<std::array<float, kNumParameters>, 2> edited{};
    for (const int scale : {1, 2}) {
        for (int i = 0; i < kNumParameters; ++i)
            host.values[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
        editor.setScale(scale);
        editor.showPage(0);
        ASSERT_TRUE(editor.open(reinterpret_cast<void*>(tall)));
        ASSERT_TRUE(testdisplay::idleUntil([&] { editor.idle(); }, [&] { return !editor.getFrame()->isDirty(); }));
        for (std::int32_t index = kVst2Parameters; index < kNumParameters; ++index) {
            const layout::View* knob = layout::find(layout::Kind::Knob, index);
            const layout::View* button = layout::find(layout::Kind::Button, index);
            ASSERT_TRUE(knob || button) << "parameter " << index << " has no control";
            const layout::View& v = knob ? *knob : *button;
            // A gesture at (x, y) in units: a click, or with `drag` a drag of
            // 40 units down (1) or up (-1).
            const auto gesture = [&](int x, int y, int drag) {
                std::atomic<bool> released{false};
                std::thread hand([&] {
                    Pointer pointer;
                    pointer.moveTo(scale * x, scale * y);
                    pointer.button(1, true);
                    for (int step = 1; drag && step <= 8; ++step) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(30));
                        pointer.moveTo(scale * x, scale * (y + drag * 5 * step));
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(60));
                    pointer.button(1, false);
                    released = true;
                });
                const bool done = testdisplay::idleUntil(
                    [&] { editor.idle(); }, [&] { return released.load() && !editor.getFrame()->inGesture(); });
                hand.join();
                return done;
            };
            // Its page, from its tab; a value the host set while it was hidden shows.
            const int page = pageNumber(layout::pageOf(v));
            const auto& choices = parameter(index).choices;
            if (page != editor.page())
                host.values[static_cast<size_t>(index)] = choices.empty() ? 0.5f : choices.back().value;
            editor.parameterChanged(index);
            editor.idle();
            host.log.clear();
            const layout::View& tabs = layout::kTabsView;
            ASSERT_TRUE(gesture(tabs.left + layout::kTabWidth * page + layout::kTabWidth / 2, (tabs.top + tabs.bottom) / 2, 0));
            EXPECT_EQ(editor.page(), page);
            EXPECT_TRUE(host.log.empty()) << host.log.front();
            EXPECT_EQ(editor.control(index)->getValue(), host.values[static_cast<size_t>(index)]);

            const float before = host.values[static_cast<size_t>(index)];
            const int direction = before > 0.5f ? 1 : -1;  // down from the top half
            ASSERT_TRUE(gesture((v.left + v.right) / 2, (v.top + v.bottom) / 2, knob ? direction : 0));
            EXPECT_NE(host.values[static_cast<size_t>(index)], before) << kParameterTable[static_cast<size_t>(index)].title;
            ASSERT_FALSE(host.log.empty()) << index;
            EXPECT_EQ(host.log.front(), "begin " + std::to_string(index));
            EXPECT_EQ(host.log.back(), "end " + std::to_string(index));
        }
        editor.close();
        edited[static_cast<size_t>(scale - 1)] = host.values;
    }
    EXPECT_EQ(edited[0], edited[1]);
    for (int cycle = 0; cycle < 100; ++cycle) {  // and opens and closes again at 2×, leaking nothing
        ASSERT_TRUE(editor.open(reinterpret_cast<void*>(tall)));
        editor.idle();
        editor.close();
    }
    XDestroyWindow(display, tall);
}
