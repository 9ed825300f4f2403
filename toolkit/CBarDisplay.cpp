#include "CBarDisplay.h"

#include "CDrawContext.h"

#include <algorithm>

namespace VSTGUI {

CBarDisplay::CBarDisplay(const CRect& size, const CColor& back, const CColor& first, const CColor& second)
    : CView(size), back_(back), firstColour_(first), secondColour_(second)
{
    setMouseEnabled(false);
}

void CBarDisplay::setLevels(const float* first, const float* second, int count)
{
    count = std::clamp(count, 0, kMaxBars);
    bool changed = count != count_;
    for (int i = 0; i < count; ++i) {
        const float a = std::clamp(first[i], 0.0f, 1.0f), b = std::clamp(second[i], 0.0f, 1.0f);
        changed = changed || a != first_[static_cast<size_t>(i)] || b != second_[static_cast<size_t>(i)];
        first_[static_cast<size_t>(i)] = a;
        second_[static_cast<size_t>(i)] = b;
    }
    count_ = count;
    if (changed)
        setDirty();
}

void CBarDisplay::draw(CDrawContext* context)
{
    setDirty(false);
    if (!context)
        return;
    context->setBrushColor(back_);
    context->drawRectangle(size_, kDrawFilled);
    const std::int32_t width = size_.right - size_.left, height = size_.bottom - size_.top - 2;
    for (int i = 0; i < count_; ++i) {
        // Each position's slot: the first bar, the second, a gap.
        const std::int32_t left = size_.left + 1 + width * i / count_;
        const std::int32_t right = size_.left + width * (i + 1) / count_ - 1;
        const std::int32_t middle = (left + right) / 2;
        const auto bar = [&](std::int32_t from, std::int32_t to, float level, const CColor& colour) {
            const auto h = static_cast<std::int32_t>(level * static_cast<float>(height) + 0.5f);
            if (h <= 0 || to <= from)
                return;
            context->setBrushColor(colour);
            context->drawRectangle({from, size_.bottom - 1 - h, to, size_.bottom - 1}, kDrawFilled);
        };
        bar(left, middle, first_[static_cast<size_t>(i)], firstColour_);
        bar(middle, right, second_[static_cast<size_t>(i)], secondColour_);
    }
}

}  // namespace VSTGUI
