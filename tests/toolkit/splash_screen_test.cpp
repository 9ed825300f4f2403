// The splash control: its view's modal life in the frame, and drawing.
#include "toolkit/CBitmap.h"
#include "toolkit/CSplashScreen.h"
#include "TestFrame.h"

#include <gtest/gtest.h>

using namespace VSTGUI;
using testing_toolkit::StubFrame;

namespace {

struct Counter : CControlListener {
    void valueChanged(CDrawContext*, CControl* control) override
    {
        ++calls;
        last = control->getValue();
    }
    int calls = 0;
    float last = -1.0f;
};

struct SplashRig {
    SplashRig()
    {
        frame.root = &root;
        root.addView(splash);
    }
    ~SplashRig() { splash->releaseRef(); }

    void click(CView* view)
    {
        CPoint where{0, 0};
        view->mouse(nullptr, where, kLButton);
    }

    CBitmap picture{120};  // outlives every view that shows it
    StubFrame frame;
    CViewContainer root{{0, 0, 200, 200}, &frame};
    Counter listener;
    CSplashScreen* splash = new CSplashScreen({0, 0, 10, 10}, &listener, 999, &picture, {20, 20, 68, 67});
};

}  // namespace

TEST(CSplashScreen, ViewIsModalFromOpeningToTheClickThatClosesIt)
{
    SplashRig rig;
    rig.click(rig.splash);
    EXPECT_EQ(rig.splash->getValue(), 1.0f);
    EXPECT_EQ(rig.listener.calls, 1);
    EXPECT_TRUE(rig.splash->isDirty());
    CView* view = rig.frame.modal();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->rect(), (CRect{20, 20, 68, 67}));
    EXPECT_EQ(view->referenceCount(), 1);  // the frame's only
    EXPECT_EQ(rig.root.viewCount(), 2);
    EXPECT_EQ(rig.splash->referenceCount(), 3);  // creator, container, view

    rig.click(view);
    EXPECT_EQ(rig.splash->getValue(), 0.0f);
    EXPECT_EQ(rig.listener.calls, 2);
    EXPECT_EQ(rig.listener.last, 0.0f);
    EXPECT_EQ(rig.frame.modal(), nullptr);
    EXPECT_EQ(rig.frame.frameDirtyMarks, 1);
    EXPECT_EQ(rig.root.viewCount(), 1);  // the view is gone
    EXPECT_EQ(rig.splash->referenceCount(), 2);
}

TEST(CSplashScreen, RefusedOrOrphanedViewsAreReleased)
{
    SplashRig rig;
    CView* other = new CView({0, 0, 5, 5});
    rig.frame.setModal(other);
    other->releaseRef();
    rig.click(rig.splash);  // refused: no notification, the view is dropped
    EXPECT_EQ(rig.listener.calls, 0);
    EXPECT_EQ(rig.frame.modal(), other);
    EXPECT_EQ(rig.splash->referenceCount(), 2);
    rig.frame.setModal(nullptr);

    // A splash open when the frame's views go: the view goes with them.
    rig.splash->setValue(0.0f);
    rig.click(rig.splash);
    ASSERT_NE(rig.frame.modal(), nullptr);
    rig.root.removeAllViews(false);
    rig.frame.modalView = nullptr;
    EXPECT_EQ(rig.splash->referenceCount(), 1);
}

TEST(CSplashScreen, DrawsItsPictureOnlyWhileShown)
{
    SplashRig rig;
    COffscreenContext context(nullptr, 100, 100, kBlackCColor);
    rig.splash->draw(&context);
    EXPECT_EQ(context.image().pixel(30, 30), 0xFF000000u);
    rig.splash->setValue(1.0f);
    rig.splash->draw(&context);
    EXPECT_EQ((context.image().pixel(20, 30) >> 16) & 0xFF, 10u * 255 / 256);  // strip row 10
    EXPECT_EQ(context.image().pixel(19, 30), 0xFF000000u);

    CSplashScreenView view({20, 20, 68, 67}, rig.splash);
    COffscreenContext viewContext(nullptr, 100, 100, kBlackCColor);
    view.draw(&viewContext);
    EXPECT_EQ(viewContext.image().pixel(20, 30), context.image().pixel(20, 30));
}
