#include "toolkit/CControl.h"
#include "toolkit/CDrawContext.h"
#include "TestFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace VSTGUI;

namespace {

// A frame stand-in that records what the views ask of it.
struct RecordingFrame : testing_toolkit::StubFrame {
    void beginEdit(std::int32_t tag) override { log.push_back("begin " + std::to_string(tag)); }
    void endEdit(std::int32_t tag) override { log.push_back("end " + std::to_string(tag)); }
    void drawArea(CDrawContext*, const CRect& rect) override { drawn.push_back(rect); }
    void redrawView(CView*) override { log.push_back("redraw"); }
    void pumpIdle() override { log.push_back("idle"); }
    std::vector<std::string> log;
    std::vector<CRect> drawn;
};

struct Probe : CView {
    Probe(const CRect& r, std::vector<std::string>* calls, std::string name, int* destroyed = nullptr)
        : CView(r), calls(calls), name(std::move(name)), destroyed(destroyed)
    {
    }
    ~Probe() override
    {
        if (destroyed)
            ++*destroyed;
    }
    void draw(CDrawContext* context) override
    {
        calls->push_back("draw " + name);
        context->setBrushColor(kWhiteCColor);
        context->drawRectangle(size_, kDrawFilled);
        setDirty(false);
    }
    void mouse(CDrawContext*, CPoint& where, std::int32_t) override
    {
        calls->push_back("mouse " + name + " " + std::to_string(where.h) + "," + std::to_string(where.v));
    }
    std::int32_t onKeyDown(const KeyCode&) override
    {
        calls->push_back("key " + name);
        return handlesKeys ? 1 : -1;
    }
    std::vector<std::string>* calls;
    std::string name;
    int* destroyed;
    bool handlesKeys = false;
};

struct Slider : CControl {
    using CControl::CControl;
    void draw(CDrawContext*) override { setDirty(false); }
};

using testing_toolkit::Listener;

}  // namespace

TEST(CViewContainer, HitsTheLastAddedChildWithEdgesInclusive)
{
    RecordingFrame frame;
    std::vector<std::string> calls;
    CViewContainer root({0, 0, 100, 100}, &frame);
    auto* a = new Probe({10, 10, 50, 50}, &calls, "a");
    auto* b = new Probe({40, 40, 80, 80}, &calls, "b");
    root.addView(a);
    root.addView(b);
    root.addView(nullptr);
    EXPECT_EQ(root.viewCount(), 2);
    EXPECT_EQ(a->referenceCount(), 2);

    CPoint overlap{45, 45};
    root.mouse(nullptr, overlap);
    CPoint edge{50, 50};  // a's right and bottom edges count, but b covers them
    root.mouse(nullptr, edge);
    CPoint onlyA{10, 10};
    root.mouse(nullptr, onlyA);
    b->setMouseEnabled(false);
    root.mouse(nullptr, overlap);
    EXPECT_EQ(calls, (std::vector<std::string>{"mouse b 45,45", "mouse b 50,50", "mouse a 10,10", "mouse a 45,45"}));
    EXPECT_EQ(root.viewAtPoint({45, 45}), b);
    a->releaseRef();
    b->releaseRef();
}

// The container holds one reference; removing or destroying it lets go of it
// exactly once, after the creator has let go of its own.
TEST(CViewContainer, ReferencesEndExactlyOnce)
{
    std::vector<std::string> calls;
    int destroyed = 0;
    auto* view = new Probe({0, 0, 10, 10}, &calls, "v", &destroyed);
    {
        CViewContainer root({0, 0, 100, 100});
        root.addView(view);
        view->releaseRef();  // the creator's
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);

    RecordingFrame frame;
    CViewContainer root({0, 0, 100, 100}, &frame);
    auto* kept = new Probe({0, 0, 10, 10}, &calls, "k", &destroyed);
    root.addView(kept);
    frame.focus = kept;
    root.removeView(kept, false);
    EXPECT_EQ(frame.focus, nullptr);
    EXPECT_EQ(kept->referenceCount(), 1);
    EXPECT_FALSE(root.hasView(kept));
    kept->releaseRef();
    EXPECT_EQ(destroyed, 2);
}

TEST(CViewContainer, DrawsTheChildrenThatMeetTheUpdateClippedToIt)
{
    std::vector<std::string> calls;
    CViewContainer root({0, 0, 40, 40});
    auto* inner = new CViewContainer({10, 10, 30, 30});
    auto* a = new Probe({0, 0, 10, 10}, &calls, "a");   // inner's coordinates: 10…19 in the frame
    auto* b = new Probe({30, 30, 40, 40}, &calls, "b");
    inner->addView(a);
    root.addView(inner);
    root.addView(b);
    inner->releaseRef();
    a->releaseRef();
    b->releaseRef();
    EXPECT_TRUE(root.isDirty());

    COffscreenContext context(nullptr, 40, 40, kBlackCColor);
    root.drawArea(&context, {0, 0, 15, 15});
    EXPECT_EQ(calls, (std::vector<std::string>{"draw a"}));
    const auto lit = [&](int x, int y) { return (context.image().pixel(x, y) & 0xFFFFFF) != 0; };
    EXPECT_TRUE(lit(10, 10) && lit(14, 14));
    EXPECT_FALSE(lit(15, 15) || lit(9, 9));  // clipped to the update; a's own edge
    EXPECT_EQ(context.offset.h, 0);
    EXPECT_EQ(context.clip(), (CRect{0, 0, 40, 40}));

    // Drawn offscreen, the same pixels arrive.
    COffscreenContext direct(nullptr, 40, 40, kBlackCColor);
    root.drawArea(&direct, {0, 0, 40, 40});
    inner->setDrawOffscreen(true);
    COffscreenContext buffered(nullptr, 40, 40, kBlackCColor);
    root.drawArea(&buffered, {0, 0, 40, 40});
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(buffered.image().pixel(x, y), direct.image().pixel(x, y)) << x << "," << y;
}

TEST(CViewContainer, KeysGoFromTheLastChildAndTheContainerReportsNone)
{
    std::vector<std::string> calls;
    CViewContainer root({0, 0, 40, 40});
    auto* a = new Probe({0, 0, 10, 10}, &calls, "a");
    auto* b = new Probe({0, 0, 10, 10}, &calls, "b");
    root.addView(a);
    root.addView(b);
    a->releaseRef();
    b->releaseRef();
    KeyCode key{};
    EXPECT_EQ(root.onKeyDown(key), -1);
    b->handlesKeys = true;
    EXPECT_EQ(root.onKeyDown(key), -1);
    EXPECT_EQ(calls, (std::vector<std::string>{"key b", "key a", "key b"}));
}

TEST(CViewContainer, FocusMovesToTheNextViewThatWantsIt)
{
    RecordingFrame frame;
    std::vector<std::string> calls;
    CViewContainer root({0, 0, 40, 40}, &frame);
    CView* views[3];
    for (int i = 0; i < 3; ++i) {
        views[i] = new Probe({0, 0, 5, 5}, &calls, "v");
        root.addView(views[i]);
        views[i]->releaseRef();
    }
    views[0]->setWantsFocus(true);
    views[2]->setWantsFocus(true);
    EXPECT_TRUE(root.focusNext(views[0]));
    EXPECT_EQ(frame.focus, views[2]);
    EXPECT_TRUE(root.focusNext(views[2], true));
    EXPECT_EQ(frame.focus, views[0]);
    EXPECT_FALSE(root.focusNext(views[2]));
}

TEST(CControl, ValueAndDirtyProtocol)
{
    Slider control({0, 0, 10, 10}, nullptr, 7);
    EXPECT_TRUE(control.isDirty());  // value 0, last value 1
    control.setDirty(false);
    EXPECT_FALSE(control.isDirty());
    EXPECT_EQ(control.lastValue(), 0.0f);
    control.setValue(0.25f);
    EXPECT_TRUE(control.isDirty());
    control.setDirty(false);
    control.setValue(-1.0f);
    control.setDirty(false);
    control.setDirty(true);  // value −1: the last value becomes 0
    EXPECT_EQ(control.lastValue(), 0.0f);
    EXPECT_TRUE(control.isDirty());
    control.setValue(1.5f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 1.0f);
    EXPECT_TRUE(control.isKindOf("CControl") && control.isKindOf("CView") && !control.isKindOf("CKnob"));
}

TEST(CControl, ControlClickRestoresTheDefaultAsOneEdit)
{
    RecordingFrame frame;
    Listener listener;
    CViewContainer root({0, 0, 40, 40}, &frame);
    auto* control = new Slider({0, 0, 10, 10}, &listener, 3);
    root.addView(control);
    control->releaseRef();
    control->setValue(0.9f);
    control->setDirty(false);
    EXPECT_FALSE(control->resetOnControlClick(nullptr, kLButton | kShift));
    EXPECT_TRUE(control->resetOnControlClick(nullptr, kLButton | kControl));
    EXPECT_EQ(control->getValue(), 0.5f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f}));
    EXPECT_EQ(frame.log, (std::vector<std::string>{"begin 3", "end 3"}));
    EXPECT_EQ(frame.focus, control);
}

TEST(CView, UpdateRedrawsDirtyViewsThroughTheFrame)
{
    RecordingFrame frame;
    std::vector<std::string> calls;
    CViewContainer root({0, 0, 40, 40}, &frame);
    auto* inner = new CViewContainer({10, 10, 30, 30});
    auto* view = new Probe({2, 3, 6, 7}, &calls, "v");
    root.addView(inner);
    inner->addView(view);
    inner->releaseRef();
    view->releaseRef();
    COffscreenContext context(nullptr, 4, 4);
    view->update(&context);
    ASSERT_EQ(frame.drawn.size(), 1u);
    EXPECT_EQ(frame.drawn[0], (CRect{12, 13, 16, 17}));  // in the frame's coordinates
    EXPECT_FALSE(view->isDirty());
    view->setDirty(true);
    view->update(nullptr);
    EXPECT_EQ(frame.log, (std::vector<std::string>{"redraw"}));
    EXPECT_EQ(view->toLocal({15, 15}).h, 5);
    EXPECT_EQ(view->toFrame({5, 5}).v, 15);
}
