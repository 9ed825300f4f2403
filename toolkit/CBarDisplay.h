// A row of paired bars, as a level display: for each position a bar in the
// first colour and one beside it in the second, each from 0 (none) to 1
// (the full height), on a filled background. The owner sets the levels; a
// change marks the view dirty. It takes no mouse.
#pragma once

#include "CView.h"

#include <array>

namespace VSTGUI {

class CBarDisplay : public CView {
public:
    static constexpr int kMaxBars = 64;

    CBarDisplay(const CRect& size, const CColor& back, const CColor& first, const CColor& second);

    // `count` pairs (at most kMaxBars), each level clamped to 0 … 1.
    void setLevels(const float* first, const float* second, int count);
    float level(int series, int bar) const { return (series == 0 ? first_ : second_)[static_cast<size_t>(bar)]; }
    int count() const { return count_; }

    void draw(CDrawContext* context) override;
    bool isKindOf(std::string_view name) const override { return name == "CBarDisplay" || CView::isKindOf(name); }

private:
    CColor back_, firstColour_, secondColour_;
    int count_ = 0;
    std::array<float, kMaxBars> first_{}, second_{};
};

}  // namespace VSTGUI
