#include "CDrawContext.h"

namespace VSTGUI {

namespace {

// Pens, brushes and text are solid, as the system's were: a colour's fourth
// byte does not make them transparent (the editor's display colours carry 0 there).
platform::Rgba rgba(const CColor& c) { return {c.red, c.green, c.blue, 255}; }

}  // namespace

CDrawContext::CDrawContext(CFrame* frame, platform::Image* target, PointerSource* pointer)
    : frame_(frame), pointer_(pointer)
{
    if (target) {
        canvas_ = std::make_unique<platform::Canvas>(*target);
        scale_ = target->scale();
        clip_ = {0, 0, target->width(), target->height()};
        canvas_->setClip(clip_.left, clip_.top, clip_.right, clip_.bottom);
    }
    setPenColor(kWhiteCColor);
    setPenStyle(kLineSolid);
    setPenWidth(1);
    setBrushColor(kBlackCColor);
    setTextColor(kWhiteCColor);
    setFont(0, 0, kBoldFace);
}

CDrawContext::~CDrawContext() = default;

void CDrawContext::applyPen()
{
    if (canvas_)
        canvas_->setPen(rgba(frameColor_), lineWidth_, lineStyle_ == kLineOnOffDash);
}

void CDrawContext::setPenStyle(std::int32_t style)
{
    if (style == lineStyle_)
        return;
    lineStyle_ = style;
    applyPen();
}

void CDrawContext::setPenWidth(std::int32_t width)
{
    if (width == lineWidth_)
        return;
    lineWidth_ = width;
    applyPen();
}

void CDrawContext::setPenColor(const CColor& colour)
{
    if (colour == frameColor_)
        return;
    frameColor_ = colour;
    applyPen();
}

void CDrawContext::setBrushColor(const CColor& colour)
{
    if (colour == fillColor_)
        return;
    fillColor_ = colour;
    if (canvas_)
        canvas_->setBrush(rgba(colour));
}

void CDrawContext::setTextColor(const CColor& colour)
{
    if (colour == fontColor_)
        return;
    fontColor_ = colour;
    if (canvas_)
        canvas_->setTextColour(rgba(colour));
}

void CDrawContext::setFont(std::int32_t index, std::int32_t size, std::int32_t face)
{
    if (index < 0 || index > 7)
        index = 0;
    if (size == 0)
        size = kFontTable[index].height;
    if (index == fontIndex_ && size == fontSize_ && face == fontFace_)
        return;
    fontIndex_ = index;
    fontSize_ = size;
    fontFace_ = face;
    if (canvas_)
        canvas_->setFont(kFontTable[index].face, size, (face & kBoldFace) || index == 0, face & kItalicFace,
                         face & kUnderlineFace);
}

void CDrawContext::setClip(const CRect& rect)
{
    if (rect == clip_)
        return;
    clip_ = rect;
    if (canvas_)
        canvas_->setClip(rect.left, rect.top, rect.right, rect.bottom);
}

void CDrawContext::moveTo(const CPoint& point)
{
    if (canvas_)
        canvas_->moveTo(point.h + offset.h, point.v + offset.v);
}

void CDrawContext::lineTo(const CPoint& point)
{
    if (canvas_)
        canvas_->lineTo(point.h + offset.h, point.v + offset.v);
}

void CDrawContext::drawRectangle(const CRect& rect, std::int32_t style)
{
    if (!canvas_)
        return;
    CRect r = rect;
    r.offset(offset.h, offset.v);
    if (style == kDrawFilled || style == kDrawFilledAndStroked)
        canvas_->fillRect(r.left, r.top, r.right, r.bottom);
    if (style != kDrawFilled)
        canvas_->frameRect(r.left, r.top, r.right, r.bottom);
}

void CDrawContext::fillRect(const CRect& rect)
{
    if (!canvas_)
        return;
    CRect r = rect;
    r.offset(offset.h, offset.v);
    canvas_->fillRect(r.left + 1, r.top + 1, r.right, r.bottom);
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque, std::int32_t alignment)
{
    if (!canvas_ || !text)
        return;
    CRect r = rect;
    r.offset(offset.h, offset.v);
    const int align = alignment == kCenterText ? 1 : alignment == kRightText ? 2 : 0;
    if (align == 0)
        r.left += 1;
    canvas_->drawText(text, r.left, r.top, r.right, r.bottom, align, opaque);
}

std::int32_t CDrawContext::mouseButtons() { return pointer_ ? pointer_->buttons() : 0; }

void CDrawContext::readMouseLocation(CPoint& point)
{
    if (pointer_)
        point = pointer_->location();
}

COffscreenContext::COffscreenContext(CFrame* frame, std::int32_t width, std::int32_t height, const CColor& background,
                                     PointerSource* pointer, double scale)
    : COffscreenContext(std::make_unique<platform::Image>(width, height, scale), frame, background, pointer)
{
}

COffscreenContext::COffscreenContext(std::unique_ptr<platform::Image> image, CFrame* frame, const CColor& background,
                                     PointerSource* pointer)
    : CDrawContext(frame, image.get(), pointer),
      image_(std::move(image)),
      width_(image_->width()),
      height_(image_->height()),
      background_(background)
{
    setBrushColor(background);
    setPenColor(background);
    drawRectangle({0, 0, width_, height_}, kDrawFilledAndStroked);
}

COffscreenContext::~COffscreenContext()
{
    canvas_.reset();  // before the image it draws on
}

void COffscreenContext::copyTo(CDrawContext* destination, const CRect& destinationRect, const CPoint& sourceOffset)
{
    if (!destination)
        return;
    CRect r = destinationRect;
    r.offset(destination->offset.h, destination->offset.v);
    destination->canvas().copy(*image_, sourceOffset.h, sourceOffset.v, r.left, r.top, r.width(), r.height());
}

}  // namespace VSTGUI
