#include "CFrame.h"


#include <algorithm>

namespace VSTGUI {

namespace {

// Releases a drawing context at the end of a scope.
struct ContextRef {
    explicit ContextRef(CDrawContext* c) : context(c) {}
    ~ContextRef()
    {
        if (context)
            context->releaseRef();
    }
    ContextRef(const ContextRef&) = delete;
    ContextRef& operator=(const ContextRef&) = delete;
    CDrawContext* context;
};

bool meets(const CRect& a, const CRect& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, FrameOwner* owner, double scale)
    : CViewContainer(size, nullptr), owner_(owner), scale_(platform::imageScale(scale))
{
    frame_ = this;
    if (parentWindow) {
        window_ = platform::Window::open(reinterpret_cast<unsigned long>(parentWindow), size.width(), size.height(),
                                         scale_, this);
        open_ = window_ != nullptr;
    }
}

CFrame::CFrame(const CRect& size, const TopLevel& window, FrameOwner* owner, double scale)
    : CViewContainer(size, nullptr), owner_(owner), scale_(platform::imageScale(scale))
{
    frame_ = this;
    window_ = platform::Window::openTopLevel(window.title, size.width(), size.height(), scale_, this);
    open_ = window_ != nullptr;
}

CFrame::~CFrame()
{
    setModal(nullptr);
    focus_ = nullptr;
    if (window_)
        window_->setCursor(platform::Cursor::normal);
    backBuffer_.reset();
    window_.reset();
    // The container releases its references to the children; they may outlive the frame.
    removeAllViews(false);
}

// ------------------------------------------------------------------ drawing

COffscreenContext& CFrame::backBuffer()
{
    if (!backBuffer_)
        backBuffer_ = std::make_unique<COffscreenContext>(this, size_.width(), size_.height(), kBlackCColor, this,
                                                          scale_);
    return *backBuffer_;
}

CDrawContext* CFrame::windowContext()
{
    if (!window_ || !window_->alive())
        return nullptr;
    return new CDrawContext(this, &window_->surface(), this);
}

void CFrame::idle()
{
    if (window_)
        window_->poll(inGesture_ && modalGestures());
    // A release the window never reported (the pointer grabbed away) ends
    // the gesture once no button is held.
    if (inGesture_ && !modalGestures() && window_ && (window_->buttons() & (kLButton | kMButton | kRButton)) == 0)
        endGesture();
    if (!open_ || firstDrawPending_ || updatesDisabled_ || !isDirty() || !window_)
        return;
    platform::Window::Scope scope(*window_);
    ContextRef context(windowContext());
    if (context.context) {
        update(context.context);
        window_->flush();
    }
}

void CFrame::update(CDrawContext* context)
{
    COffscreenContext& buffer = backBuffer();
    const CRect whole{0, 0, size_.width(), size_.height()};
    if (CView::isDirty()) {
        drawArea(&buffer, whole);
        CView::setDirty(false);
    } else {
        if (modal_ && modal_->isDirty())
            modal_->update(&buffer);
        // The list may change while views draw (a view may close itself): by index.
        for (std::int32_t i = 0; i < viewCount(); ++i) {
            CView* child = viewAt(i);
            const CRect savedClip = buffer.clip();
            buffer.setClip(child->rect());
            child->update(&buffer);
            buffer.setClip(savedClip);
        }
    }
    if (context && context != &buffer)
        buffer.copyTo(context, whole, {0, 0});
}

void CFrame::drawArea(CDrawContext* context, const CRect& area)
{
    firstDrawPending_ = false;
    CViewContainer::drawArea(context, area);
}

void CFrame::redrawView(CView* view)
{
    if (!view || !window_)
        return;
    platform::Window::Scope scope(*window_);
    ContextRef context(windowContext());
    if (!context.context)
        return;
    drawArea(&backBuffer(), view->rect());
    backBuffer().copyTo(context.context, view->rect(), {view->rect().left, view->rect().top});
    window_->flush();
}

void CFrame::markDirty(const CRect& rect)
{
    for (std::int32_t i = 0; i < viewCount(); ++i)
        if (meets(viewAt(i)->rect(), rect))
            viewAt(i)->setDirty(true);
}

void CFrame::paint(int left, int top, int right, int bottom)
{
    platform::Window::Scope scope(*window_);
    const CRect area{left, top, right, bottom};
    COffscreenContext& buffer = backBuffer();
    const CRect savedClip = buffer.clip();
    buffer.setClip(area);
    drawArea(&buffer, area);
    buffer.setClip(savedClip);
    ContextRef context(windowContext());
    if (context.context) {
        buffer.copyTo(context.context, area, {left, top});
        window_->flush();
    }
}

void CFrame::servePaints()
{
    if (window_)
        window_->poll(true);
}

// ------------------------------------------------------------------- input

void CFrame::buttonDown(int buttons, int x, int y)
{
    if (inGesture_) {
        // Another button during a gesture fed from events: the buttons held change.
        if (!modalGestures()) {
            heldButtons_ = (heldButtons_ | buttons) & (kLButton | kMButton | kRButton);
            heldButtons_ |= buttons & kAnyModifier;
            const std::int32_t held = heldButtons_;
            feedGesture(x, y, [&](CDrawContext* c, CPoint& where) { return onMouseMoved(c, where, held); });
        }
        return;
    }
    ContextRef context(windowContext());
    CPoint where{x, y};
    inGesture_ = true;
    if (!modalGestures()) {
        heldButtons_ = buttons;
        lastPointer_ = where;
        inGesture_ = onMouseDown(context.context, where, buttons);
        return;
    }
    mouse(context.context, where, buttons);
    inGesture_ = false;
}

void CFrame::pointerMoved(int buttons, int x, int y)
{
    heldButtons_ = buttons;
    if (inGesture_ && !modalGestures())
        feedGesture(x, y, [&](CDrawContext* c, CPoint& where) { return onMouseMoved(c, where, buttons); });
}

void CFrame::buttonUp(int buttons, int x, int y)
{
    heldButtons_ = buttons;
    if (inGesture_ && !modalGestures())
        feedGesture(x, y, [&](CDrawContext* c, CPoint& where) { return onMouseUp(c, where, buttons); });
}

template <class Step>
void CFrame::feedGesture(int x, int y, Step step)
{
    ContextRef context(windowContext());
    CPoint where{x, y};
    lastPointer_ = where;
    inGesture_ = step(context.context, where);
}

void CFrame::endGesture()
{
    if (inGesture_ && !modalGestures())
        feedGesture(lastPointer_.h, lastPointer_.v, [&](CDrawContext* c, CPoint& where) {
            return onMouseUp(c, where, heldButtons_ & kAnyModifier);
        });
    inGesture_ = inGesture_ && modalGestures();
}

bool CFrame::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    setFocusView(nullptr);
    if (buttons == -1)
        buttons = context ? context->mouseButtons() : 0;
    if (modal_ && !(modal_->mouseEnabled() && modal_->hitTest(where, buttons)))
        return false;
    return CViewContainer::onMouseDown(context, where, buttons);
}

void CFrame::wheel(float notches, int x, int y)
{
    if (inGesture_)
        return;
    ContextRef context(windowContext());
    onWheel(context.context, {x, y}, notches);
}

void CFrame::destroyed()
{
    open_ = false;
}

void CFrame::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    setFocusView(nullptr);
    if (buttons == -1)
        buttons = context ? context->mouseButtons() : 0;
    if (modal_) {
        if (modal_->mouseEnabled() && modal_->hitTest(where, buttons))
            modal_->mouse(context, where, buttons);
        return;
    }
    CViewContainer::mouse(context, where, buttons);
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance)
{
    if (modal_)
        return modal_->onWheel(context, where, distance);
    if (CView* view = viewAtPoint(where))
        return view->onWheel(context, where, distance);
    return false;
}

std::int32_t CFrame::onKeyDown(const KeyCode& key)
{
    std::int32_t result = -1;
    if (focus_)
        result = focus_->onKeyDown(key);
    if (result == -1 && modal_)
        result = modal_->onKeyDown(key);
    if (result == -1 && key.virt == VirtualKey::tab)
        result = focusNext(focus_, key.modifiers & kShift) ? 1 : -1;
    return result;
}

std::int32_t CFrame::onKeyUp(const KeyCode& key)
{
    std::int32_t result = -1;
    if (focus_)
        result = focus_->onKeyUp(key);
    if (result == -1 && modal_)
        result = modal_->onKeyUp(key);
    return result;
}

std::int32_t CFrame::buttons() { return window_ ? window_->buttons() : 0; }

CPoint CFrame::location()
{
    CPoint where;
    if (window_)
        window_->pointer(where.h, where.v);
    return where;
}

// ------------------------------------------------------------ frame services

void CFrame::setFocusView(CView* view)
{
    CView* old = focus_;
    focus_ = view;
    if (focus_ && focus_->wantsFocus())
        focus_->setDirty();
    if (old && old != view && old->wantsFocus()) {
        old->setDirty();
        old->focusLost(nullptr);
    }
}

bool CFrame::setModal(CView* view)
{
    if (modal_ && view)
        return false;
    if (modal_)
        removeView(modal_, false);  // the frame's reference only
    modal_ = view;
    if (modal_)
        addView(modal_);
    return true;
}

std::int32_t CFrame::knobMode() const { return owner_ ? owner_->knobMode() : 0; }

void CFrame::beginEdit(std::int32_t tag)
{
    if (owner_)
        owner_->beginEdit(tag);
}

void CFrame::endEdit(std::int32_t tag)
{
    if (owner_)
        owner_->endEdit(tag);
}

void CFrame::pumpIdle()
{
    if (owner_)
        owner_->pumpIdle();
}

std::uint32_t CFrame::tickCount() const { return owner_ ? platform::tickCount() : 0; }

void CFrame::setPointerShape(std::int32_t type)
{
    if (!window_)
        return;
    using platform::Cursor;
    static constexpr Cursor shapes[] = {Cursor::normal,         Cursor::wait,           Cursor::horizontalSize,
                                        Cursor::verticalSize,   Cursor::moveSize,       Cursor::diagonalRising,
                                        Cursor::diagonalFalling, Cursor::normal,        Cursor::forbidden,
                                        Cursor::hand};
    window_->setCursor(type >= 0 && type <= 9 ? shapes[type] : Cursor::normal);
}

bool CFrame::resize(std::int32_t width, std::int32_t height)
{
    if (width == size_.width() && height == size_.height())
        return true;
    return resizeTo(width, height, scale_);
}

void CFrame::setScale(double scale)
{
    scale = platform::imageScale(scale);
    if (scale != scale_)
        resizeTo(size_.width(), size_.height(), scale);
}

bool CFrame::resizeTo(std::int32_t width, std::int32_t height, double scale)
{
    if (width <= 0 || height <= 0)
        return false;
    backBuffer_.reset();
    const bool hostSized = owner_ && owner_->resizeWindow(platform::pixelsOf(width, scale),
                                                          platform::pixelsOf(height, scale));
    if (window_ && !hostSized)
        window_->resizeParent(width, height, scale);
    if (window_)
        window_->resize(width, height, scale);
    scale_ = scale;
    CView::setRect({size_.left, size_.top, size_.left + width, size_.top + height});
    CView::setDirty(true);
    return true;
}

}  // namespace VSTGUI
