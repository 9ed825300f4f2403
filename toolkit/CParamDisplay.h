// A text display of a control value: a conversion function (or "%2.2f")
// turns the value into one line of text, drawn over a bitmap or a filled,
// framed or 3D rectangle.
#pragma once

#include "CControl.h"

namespace VSTGUI {

// Style bits.
enum : std::int32_t {
    kShadowText = 0x4,
    k3DIn = 0x80,
    k3DOut = 0x100,
    kNoTextStyle = 0x800,
    kNoDrawStyle = 0x1000,
    kNoFrame = 0x4000,
};

// `text` holds at least 256 bytes.
using CParamDisplayPlainFormatter = void (*)(float value, char* text);
using CParamDisplayValueFormatter = void (*)(float value, char* text, void* userData);

class CParamDisplay : public CControl {
public:
    explicit CParamDisplay(const CRect& size, CBitmap* background = nullptr, std::int32_t style = 0);

    void draw(CDrawContext* context) override;
    bool isKindOf(std::string_view name) const override { return name == "CParamDisplay" || CControl::isKindOf(name); }

    // Setters marked (redraws) make the display dirty when the value changes.
    virtual void setFont(std::int32_t fontIndex);                      // redraws
    virtual void setFontColor(const CColor& colour);                   // redraws
    virtual void setBackColor(const CColor& colour);                   // redraws
    virtual void setFrameColor(const CColor& colour);                  // redraws
    virtual void setShadowColor(const CColor& colour);                 // redraws
    virtual void setHorizontalAlignment(std::int32_t alignment);       // redraws; 1 centred, 2 right, else left
    virtual void setValueFormatter(CParamDisplayValueFormatter formatter, void* userData = nullptr);
    virtual void setPlainFormatter(CParamDisplayPlainFormatter formatter);
    virtual void setFlagWord(std::int32_t flags) { flags_ = flags; }
    virtual void setStyle(std::int32_t style);                         // redraws
    virtual void setTextStyle(std::int32_t face);                      // redraws; CTxtFace bits
    virtual void setTextTransparency(bool transparent) { textTransparency_ = transparent; }

    // The text the display shows for `value`.
    void formatText(float value, char (&text)[256]) const;
    std::int32_t style() const { return style_; }

protected:
    template <typename T>
    void redrawOnChange(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        setDirty();
    }

    CParamDisplayPlainFormatter plainFormatter_ = nullptr;
    CParamDisplayValueFormatter valueFormatter_ = nullptr;
    std::int32_t flags_ = 0;
    std::int32_t alignment_ = 1;
    std::int32_t style_;
    std::int32_t fontIndex_ = 3;
    std::int32_t textFace_ = 0;
    CColor fontColour_ = kWhiteCColor;
    CColor backColour_ = kBlackCColor;
    CColor frameColour_ = kBlackCColor;
    CColor shadowColour_ = kRedCColor;
    void* userData_ = nullptr;
    bool textTransparency_ = true;
};

}  // namespace VSTGUI
