#include "CParamDisplay.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <algorithm>
#include <cstdio>

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, std::int32_t style)
    : CControl(size, nullptr, 0, background), style_(style)
{
    // A display that never draws starts clean and stays so.
    if (style_ & kNoDrawStyle)
        setDirty(false);
}

void CParamDisplay::setFont(std::int32_t fontIndex) { redrawOnChange(fontIndex_, fontIndex); }
void CParamDisplay::setFontColor(const CColor& colour) { redrawOnChange(fontColour_, colour); }
void CParamDisplay::setBackColor(const CColor& colour) { redrawOnChange(backColour_, colour); }
void CParamDisplay::setFrameColor(const CColor& colour) { redrawOnChange(frameColour_, colour); }
void CParamDisplay::setShadowColor(const CColor& colour) { redrawOnChange(shadowColour_, colour); }
void CParamDisplay::setHorizontalAlignment(std::int32_t alignment) { redrawOnChange(alignment_, alignment); }
void CParamDisplay::setStyle(std::int32_t style) { redrawOnChange(style_, style); }
void CParamDisplay::setTextStyle(std::int32_t face) { redrawOnChange(textFace_, face); }

void CParamDisplay::setValueFormatter(CParamDisplayValueFormatter formatter, void* userData)
{
    valueFormatter_ = formatter;
    userData_ = userData;
}

void CParamDisplay::setPlainFormatter(CParamDisplayPlainFormatter formatter) { plainFormatter_ = formatter; }

void CParamDisplay::formatText(float value, char (&text)[256]) const
{
    text[0] = 0;
    if (valueFormatter_)
        valueFormatter_(value, text, userData_);
    else if (plainFormatter_)
        plainFormatter_(value, text);
    else
        std::snprintf(text, sizeof text, "%2.2f", value);
    text[255] = 0;
}

void CParamDisplay::draw(CDrawContext* context)
{
    char text[256];
    formatText(value_, text);
    setDirty(false);
    if ((style_ & kNoDrawStyle) || !context)
        return;

    const bool threeD = style_ & (k3DIn | k3DOut);
    if (background_) {
        drawBackground(context, size_, bitmapOffset_);
    } else if (!transparency_) {
        context->setBrushColor(backColour_);
        if (threeD || (style_ & kNoFrame)) {
            context->drawRectangle(size_, kDrawFilled);
        } else {
            context->setPenColor(frameColour_);
            context->drawRectangle(size_, kDrawFilledAndStroked);
        }
    }

    if (threeD) {
        // Raised: light from the top left in the frame colour; inset: the reverse.
        const bool raised = style_ & k3DOut;
        context->setPenColor(raised ? frameColour_ : backColour_);
        context->moveTo({size_.left, size_.bottom - 1});
        context->lineTo({size_.left, size_.top});
        context->lineTo({size_.right, size_.top});
        context->setPenColor(raised ? backColour_ : frameColour_);
        context->moveTo({size_.right - 1, size_.top + 1});
        context->lineTo({size_.right - 1, size_.bottom - 1});
        context->lineTo({size_.left, size_.bottom - 1});
    }

    if (style_ & kNoTextStyle)
        return;
    const CRect savedClip = context->clip();
    CRect clip = size_;
    clip.offset(context->offset.h, context->offset.v);
    clip = {std::max(clip.left, savedClip.left), std::max(clip.top, savedClip.top),
            std::min(clip.right, savedClip.right), std::min(clip.bottom, savedClip.bottom)};
    context->setClip(clip);
    context->setFont(fontIndex_, 0, textFace_);
    context->setBrushColor(backColour_);
    const bool opaque = !textTransparency_;
    if (style_ & kShadowText) {
        CRect shadow = size_;
        shadow.offset(1, 1);
        context->setTextColor(shadowColour_);
        context->drawString(text, shadow, opaque, alignment_);
    }
    context->setTextColor(fontColour_);
    context->drawString(text, size_, opaque && !(style_ & kShadowText), alignment_);
    context->setClip(savedClip);
}

}  // namespace VSTGUI
