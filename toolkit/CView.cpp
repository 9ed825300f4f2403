#include "CView.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <algorithm>

namespace VSTGUI {

namespace {

CRect intersection(const CRect& a, const CRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool touches(const CRect& a, const CRect& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool contains(const CRect& outer, const CRect& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

// ---------------------------------------------------------------------- CView

CView::CView(const CRect& size) : size_(size), hitArea_(size) {}

CView::~CView()
{
    if (background_)
        background_->releaseRef();
}

void CView::draw(CDrawContext* context)
{
    drawBackground(context, size_);
    setDirty(false);
}

void CView::drawBackground(CDrawContext* context, CRect rect, const CPoint& offset)
{
    if (!background_)
        return;
    if (transparency_)
        background_->drawTransparent(context, rect, offset);
    else
        background_->draw(context, rect, offset);
}

bool CView::overlapsUpdate(const CRect& updateRect) const { return touches(size_, updateRect); }

void CView::mouse(CDrawContext*, CPoint&, std::int32_t) {}

void CView::setBackground(CBitmap* bitmap)
{
    if (background_)
        background_->releaseRef();
    background_ = bitmap;
    if (background_)
        background_->addRef();
    setDirty(true);
}

bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }

bool CView::hitTest(const CPoint& where, std::int32_t) const
{
    return where.h >= hitArea_.left && where.h <= hitArea_.right && where.v >= hitArea_.top &&
           where.v <= hitArea_.bottom;
}

void CView::setRect(const CRect& rect)
{
    size_ = rect;
    setDirty(true);
}

void CView::readMouseLocation(CDrawContext* context, CPoint& where)
{
    if (!context)
        return;
    CPoint frameWhere;
    context->readMouseLocation(frameWhere);
    where = toLocal(frameWhere);
}

CPoint CView::toLocal(const CPoint& point) const { return parent_ ? parent_->toLocal(point) : point; }
CPoint CView::toFrame(const CPoint& point) const { return parent_ ? parent_->toFrame(point) : point; }

void* CView::editor() const { return frame_ ? frame_->editor() : nullptr; }

void CView::redrawArea(CDrawContext* context, const CRect& rect)
{
    if (parent_)
        parent_->redrawArea(context, rect);
    else if (frame_)
        frame_->drawArea(context, rect);
}

void CView::update(CDrawContext* context)
{
    if (!isDirty())
        return;
    if (context)
        redrawArea(context, size_);
    else if (frame_)
        frame_->redrawView(this);
    setDirty(false);
}

// ------------------------------------------------------------- CViewContainer
//
// Children's rectangles are in the container's own coordinates, which start
// at its top left; the topmost container's are the frame's.

CViewContainer::CViewContainer(const CRect& size, FrameServices* frame, CBitmap* background) : CView(size)
{
    frame_ = frame;
    if (background)
        setBackground(background);
}

// Only the container's own references go; creators keep theirs.
CViewContainer::~CViewContainer()
{
    if (gestureChild_)
        gestureChild_->releaseRef();
    removeAllViews(false);
}

void CViewContainer::setOwner(FrameServices* frame, CViewContainer* parent)
{
    CView::setOwner(frame, parent);
    for (CView* child : children_)
        child->setOwner(frame, this);
}

void CViewContainer::addView(CView* view)
{
    if (!view)
        return;
    children_.push_back(view);
    view->addRef();
    view->setOwner(frame_, this);
    view->attached(this);
    view->setDirty(true);
}

void CViewContainer::addView(CView* view, const CRect& hitArea, bool mouseEnabled)
{
    if (!view)
        return;
    view->setHitArea(hitArea);
    view->setMouseEnabled(mouseEnabled);
    addView(view);
}

void CViewContainer::removeView(CView* view, bool withRelease)
{
    const auto found = std::find(children_.begin(), children_.end(), view);
    if (found == children_.end())
        return;
    if (frame_ && frame_->focusView() == view)
        frame_->setFocusView(nullptr);
    children_.erase(found);
    view->removed(this);
    view->setOwner(nullptr, nullptr);
    if (withRelease)
        view->releaseRef();
    view->releaseRef();  // the container's own reference
}

void CViewContainer::removeAllViews(bool withRelease)
{
    while (!children_.empty())
        removeView(children_.back(), withRelease);
}

bool CViewContainer::hasView(const CView* view) const
{
    return std::find(children_.begin(), children_.end(), view) != children_.end();
}

CView* CViewContainer::viewAt(std::int32_t index) const
{
    return index >= 0 && index < viewCount() ? children_[static_cast<size_t>(index)] : nullptr;
}

CView* CViewContainer::viewAtPoint(const CPoint& where, bool deep) const
{
    for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
        if (!(*child)->hitTest(where))
            continue;
        if (deep && (*child)->isKindOf("CViewContainer")) {
            auto* container = static_cast<CViewContainer*>(*child);
            const CRect r = container->rect();
            if (CView* inner = container->viewAtPoint({where.h - r.left, where.v - r.top}, true))
                return inner;
        }
        return *child;
    }
    return nullptr;
}

void CViewContainer::setBackgroundColor(const CColor& colour)
{
    backgroundColor_ = colour;
    setDirty(true);
}

bool CViewContainer::focusNext(CView* current, bool reverse)
{
    const auto count = static_cast<std::ptrdiff_t>(children_.size());
    std::ptrdiff_t start = reverse ? count - 1 : 0;
    const auto found = std::find(children_.begin(), children_.end(), current);
    if (found != children_.end())
        start = (found - children_.begin()) + (reverse ? -1 : 1);
    for (std::ptrdiff_t i = start; i >= 0 && i < count; i += reverse ? -1 : 1) {
        CView* child = children_[static_cast<size_t>(i)];
        if (child->wantsFocus()) {
            if (frame_)
                frame_->setFocusView(child);
            return true;
        }
        if (child->isKindOf("CViewContainer") && static_cast<CViewContainer*>(child)->focusNext(nullptr, reverse))
            return true;
    }
    return false;
}

void CViewContainer::draw(CDrawContext* context) { drawArea(context, size_); }

// `updateRect` is in the parent's coordinates, like the size.
void CViewContainer::drawArea(CDrawContext* context, const CRect& updateRect)
{
    if (!context)
        return;
    const CPoint origin = parent_ ? CPoint{size_.left, size_.top} : CPoint{};
    CRect local = intersection(updateRect, size_);
    local.offset(-origin.h, -origin.v);

    const CRect savedClip = context->clip();
    const CPoint savedOffset = context->offset;
    context->offset = {savedOffset.h + origin.h, savedOffset.v + origin.v};
    CRect clip = local;
    clip.offset(context->offset.h, context->offset.v);
    context->setClip(intersection(clip, savedClip));

    const CRect area{0, 0, size_.width(), size_.height()};
    if (drawOffscreen_) {
        // Everything into an image of the container's size, then copied over.
        COffscreenContext offscreen(nullptr, size_.width(), size_.height(), kBlackCColor, nullptr, context->scale());
        CRect clip = local;
        offscreen.setClip(clip);
        drawContent(&offscreen, area, local);
        offscreen.copyTo(context, local, {local.left, local.top});
    } else {
        drawContent(context, area, local);
    }

    context->setClip(savedClip);
    context->offset = savedOffset;
    CView::setDirty(false);
}

void CViewContainer::drawContent(CDrawContext* context, const CRect& area, const CRect& local)
{
    if (background_) {
        drawBackground(context, area, backgroundOffset_);
    } else if (!transparency_) {
        context->setBrushColor(backgroundColor_);
        context->drawRectangle(area, kDrawFilled);
    }
    drawChildren(context, local);
}

void CViewContainer::drawChildren(CDrawContext* context, const CRect& updateRect)
{
    const CRect containerClip = context->clip();
    for (CView* child : children_) {
        if (!child->overlapsUpdate(updateRect))
            continue;
        CRect clip = intersection(child->rect(), updateRect);
        clip.offset(context->offset.h, context->offset.v);
        context->setClip(intersection(clip, containerClip));
        // A dirty child drawn only in part stays dirty, so that the rest of
        // it is drawn when its own turn comes.
        const bool partlyDrawnDirty = !contains(updateRect, child->rect()) && child->isDirty();
        child->drawArea(context, updateRect);
        if (partlyDrawnDirty)
            child->setDirty(true);
        context->setClip(containerClip);
    }
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    const CPoint origin = parent_ ? CPoint{size_.left, size_.top} : CPoint{};
    CPoint local{where.h - origin.h, where.v - origin.v};
    for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
        if (!(*child)->mouseEnabled() || !(*child)->hitTest(local, buttons))
            continue;
        CPoint savedOffset;
        if (context) {
            savedOffset = context->offset;
            context->offset = {savedOffset.h + origin.h, savedOffset.v + origin.v};
        }
        (*child)->mouse(context, local, buttons);
        if (context)
            context->offset = savedOffset;
        return;
    }
}

template <class Step>
bool CViewContainer::feedGesture(CDrawContext* context, CPoint& where, Step step)
{
    CView* child = gestureChild_;
    const CPoint origin = parent_ ? CPoint{size_.left, size_.top} : CPoint{};
    CPoint local{where.h - origin.h, where.v - origin.v};
    CPoint savedOffset;
    if (context) {
        savedOffset = context->offset;
        context->offset = {savedOffset.h + origin.h, savedOffset.v + origin.v};
    }
    const bool goesOn = step(child, local);
    if (context)
        context->offset = savedOffset;
    where = {local.h + origin.h, local.v + origin.v};
    if (!goesOn && gestureChild_ == child) {
        gestureChild_ = nullptr;
        child->releaseRef();
    }
    return goesOn;
}

bool CViewContainer::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (gestureChild_)
        return false;
    const CPoint origin = parent_ ? CPoint{size_.left, size_.top} : CPoint{};
    const CPoint local{where.h - origin.h, where.v - origin.v};
    for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
        if (!(*child)->mouseEnabled() || !(*child)->hitTest(local, buttons))
            continue;
        gestureChild_ = *child;
        gestureChild_->addRef();
        return feedGesture(context, where, [&](CView* view, CPoint& at) {
            return view->onMouseDown(context, at, buttons);
        });
    }
    return false;
}

bool CViewContainer::onMouseMoved(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!gestureChild_)
        return false;
    return feedGesture(context, where,
                       [&](CView* view, CPoint& at) { return view->onMouseMoved(context, at, buttons); });
}

bool CViewContainer::onMouseUp(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!gestureChild_)
        return false;
    return feedGesture(context, where,
                       [&](CView* view, CPoint& at) { return view->onMouseUp(context, at, buttons); });
}

std::int32_t CViewContainer::onKeyDown(const KeyCode& key)
{
    for (auto child = children_.rbegin(); child != children_.rend(); ++child)
        if ((*child)->onKeyDown(key) != -1)
            break;
    return -1;
}

std::int32_t CViewContainer::onKeyUp(const KeyCode& key)
{
    for (auto child = children_.rbegin(); child != children_.rend(); ++child)
        if ((*child)->onKeyUp(key) != -1)
            break;
    return -1;
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance)
{
    const CPoint origin = parent_ ? CPoint{size_.left, size_.top} : CPoint{};
    const CPoint local{where.h - origin.h, where.v - origin.v};
    for (auto child = children_.rbegin(); child != children_.rend(); ++child)
        if ((*child)->mouseEnabled() && (*child)->hitTest(local))
            return (*child)->onWheel(context, local, distance);
    return false;
}

bool CViewContainer::isDirty() const
{
    if (CView::isDirty())
        return true;
    const CRect area{0, 0, size_.width(), size_.height()};
    for (const CView* child : children_)
        if (child->isDirty() && child->overlapsUpdate(parent_ ? area : size_))
            return true;
    return false;
}

// Frame coordinates into this container's own, and back.
CPoint CViewContainer::toLocal(const CPoint& point) const
{
    const CPoint outer = parent_ ? parent_->toLocal(point) : point;
    return parent_ ? CPoint{outer.h - size_.left, outer.v - size_.top} : outer;
}

CPoint CViewContainer::toFrame(const CPoint& point) const
{
    const CPoint outer = parent_ ? CPoint{point.h + size_.left, point.v + size_.top} : point;
    return parent_ ? parent_->toFrame(outer) : outer;
}

void CViewContainer::redrawArea(CDrawContext* context, const CRect& rect)
{
    CRect outer = rect;
    if (parent_) {
        outer.offset(size_.left, size_.top);
        parent_->redrawArea(context, outer);
    } else if (frame_) {
        frame_->drawArea(context, outer);
    }
}

}  // namespace VSTGUI
