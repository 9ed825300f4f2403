#include "CListChooser.h"

#include "CDrawContext.h"

#include <algorithm>

namespace VSTGUI {

namespace {
constexpr int kColumns = 3;
constexpr std::int32_t kRowHeight = 16;
constexpr std::int32_t kFont = 5;
}  // namespace

// The open list: the frame's modal view while shown, so it takes every click
// and lies over the views below it.
class CListChooser::List : public CView {
public:
    List(const CRect& area, CListChooser& chooser) : CView(area), chooser_(chooser) {}
    void draw(CDrawContext* context) override
    {
        setDirty(false);
        if (context)
            chooser_.drawList(context, size_);
    }
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t) override
    {
        int picked = -1;
        for (int i = 0; i < chooser_.itemCount(); ++i) {
            const CRect r = chooser_.itemRect(i);
            if (where.h >= r.left && where.h < r.right && where.v >= r.top && where.v < r.bottom)
                picked = i;
        }
        chooser_.close();
        if (picked >= 0)
            chooser_.choose(context, picked);
        return false;
    }
    // Drawn at every update while shown, over whatever the views below drew.
    bool isDirty() const override { return shown || CView::isDirty(); }
    bool shown = false;

private:
    CListChooser& chooser_;
};

CListChooser::CListChooser(const CRect& bar, const CRect& listArea, CControlListener* listener, std::int32_t tag,
                           std::vector<std::string> items, const Colours& colours)
    : CControl(bar, listener, tag), items_(std::move(items)), colours_(colours), list_(new List(listArea, *this))
{
    setMax(static_cast<float>(std::max<int>(1, itemCount()) - 1));
    setWheelStep(0.0f);
}

CListChooser::~CListChooser() { list_->releaseRef(); }

void CListChooser::setText(std::string text)
{
    if (text == text_)
        return;
    text_ = std::move(text);
    setDirty();
}

bool CListChooser::isOpen() const { return list_->shown; }

void CListChooser::open()
{
    if (list_->shown || !frame() || !frame()->setModal(list_))
        return;
    list_->shown = true;
}

void CListChooser::close()
{
    if (!list_->shown)
        return;
    list_->shown = false;
    if (frame()) {
        if (frame()->modal() == list_)
            frame()->setModal(nullptr);
        frame()->markFrameDirty();  // the views the list covered
    }
    setDirty();
}

bool CListChooser::removed(CView* parent)
{
    close();
    return CControl::removed(parent);
}

CRect CListChooser::itemRect(int i) const
{
    const CRect area = list_->rect();
    const std::int32_t width = area.width() / kColumns;
    const int rows = std::max(1, (itemCount() + kColumns - 1) / kColumns);
    const std::int32_t left = area.left + width * (i / rows);
    const std::int32_t top = area.top + 4 + kRowHeight * (i % rows);
    return {left + 6, top, left + width - 6, top + kRowHeight};
}

void CListChooser::choose(CDrawContext* context, int index)
{
    const int count = itemCount();
    if (count == 0)
        return;
    index = ((index % count) + count) % count;
    beginEdit();
    setValue(static_cast<float>(index));
    if (listener_)
        listener_->valueChanged(context, this);
    endEdit();
    setDirty();
}

bool CListChooser::onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons)
{
    if (!startsGesture(context, buttons))
        return false;
    if (where.h < size_.left + kArrowWidth)
        choose(context, index() - 1);
    else if (where.h >= size_.right - kArrowWidth)
        choose(context, index() + 1);
    else
        open();
    return false;
}

void CListChooser::draw(CDrawContext* context)
{
    setDirty(false);
    if (!context)
        return;
    const auto arrow = [&](std::int32_t x, int direction) {
        // A small triangle pointing left (−1) or right (+1), line by line.
        const std::int32_t middle = size_.top + size_.height() / 2;
        for (std::int32_t d = 0; d <= 4; ++d) {
            const std::int32_t column = x + direction * (d - 2);
            context->moveTo({column, middle - (4 - d)});
            context->lineTo({column, middle + (4 - d) + 1});
        }
    };
    context->setBrushColor(colours_.back);
    context->setPenColor(colours_.frame);
    context->drawRectangle(size_, kDrawFilledAndStroked);
    context->setPenColor(colours_.text);
    arrow(size_.left + kArrowWidth / 2, -1);
    arrow(size_.right - kArrowWidth / 2 - 1, 1);
    context->setFont(kFont, 0, kBoldFace);
    context->setTextColor(colours_.text);
    context->drawString(text_.c_str(), {size_.left + kArrowWidth, size_.top, size_.right - kArrowWidth, size_.bottom},
                        false, kCenterText);
}

void CListChooser::drawList(CDrawContext* context, const CRect& area)
{
    context->setBrushColor(colours_.back);
    context->setPenColor(colours_.frame);
    context->drawRectangle(area, kDrawFilledAndStroked);
    for (int i = 0; i < itemCount(); ++i) {
        const bool current = i == index();
        context->setFont(kFont, 0, current ? kBoldFace : kNormalFace);
        context->setTextColor(current ? colours_.highlight : colours_.text);
        context->drawString(items_[static_cast<size_t>(i)].c_str(), itemRect(i), false, kLeftText);
    }
}

}  // namespace VSTGUI
