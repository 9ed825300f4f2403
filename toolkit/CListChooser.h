// A chooser among named items: a bar with the owner's text between a back
// and a forward arrow, and, opened by a click on the text, the list of every
// item over an area of its own as the frame's modal view, where a click on
// an item picks it and a click beside the items closes the list. Its value
// is the index of the item picked or stepped to; the listener hears each.
#pragma once

#include "CControl.h"

#include <string>
#include <vector>

namespace VSTGUI {

class CListChooser : public CControl {
public:
    struct Colours {
        CColor back, text, highlight, frame;
    };
    CListChooser(const CRect& bar, const CRect& listArea, CControlListener* listener, std::int32_t tag,
                 std::vector<std::string> items, const Colours& colours);
    ~CListChooser() override;

    // What the bar shows.
    void setText(std::string text);
    const std::string& text() const { return text_; }
    int itemCount() const { return static_cast<int>(items_.size()); }
    int index() const { return static_cast<int>(value_ + 0.5f); }
    bool isOpen() const;
    void open();
    void close();
    // Where item `i` is drawn while the list is open.
    CRect itemRect(int i) const;
    static constexpr std::int32_t kArrowWidth = 14;

    void draw(CDrawContext* context) override;
    bool onMouseDown(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool removed(CView* parent) override;
    bool isKindOf(std::string_view name) const override { return name == "CListChooser" || CControl::isKindOf(name); }

private:
    class List;
    void choose(CDrawContext* context, int index);
    void drawList(CDrawContext* context, const CRect& area);

    std::vector<std::string> items_;
    Colours colours_;
    std::string text_;
    List* list_;
};

}  // namespace VSTGUI
