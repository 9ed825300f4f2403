// Drawing contexts: the toolkit's drawing state (offset, clip, colours, pen,
// font) over a platform canvas; and the offscreen context that owns its image.
#pragma once

#include "Basics.h"
#include "platform/Graphics.h"

#include <memory>

namespace VSTGUI {

class CFrame;

// The font table: face and default height in pixels by index.
struct FontSpec {
    const char* face;
    std::int32_t height;
};
inline constexpr FontSpec kFontTable[8] = {{"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
                                           {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13}};

enum CTxtFace : std::int32_t { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };
enum CHoriTxtAlign : std::int32_t { kLeftText = 0, kCenterText = 1, kRightText = 2 };
enum CLineStyle : std::int32_t { kLineSolid = 0, kLineOnOffDash = 1 };
enum CDrawStyle : std::int32_t { kDrawStroked = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };

// Where mouse gestures read the pointer: the window layer, or a test's script.
class PointerSource {
public:
    virtual ~PointerSource() = default;
    // Buttons and modifiers: kLButton … kAlt.
    virtual std::int32_t buttons() = 0;
    // The pointer in the frame's coordinates.
    virtual CPoint location() = 0;
};

class CDrawContext : public CReferenceCounter {
public:
    // Draws into `target`; gestures read the pointer from `pointer` (none: no buttons).
    CDrawContext(CFrame* frame, platform::Image* target, PointerSource* pointer = nullptr);
    ~CDrawContext() override;

    void moveTo(const CPoint& point);
    void lineTo(const CPoint& point);
    // Style 0 outline, 1 fill, 2 fill and outline; the outline runs through
    // (left, top) … (right − 1, bottom − 1).
    void drawRectangle(const CRect& rect, std::int32_t style = kDrawStroked);
    // The fill colour over (left + 1, top + 1) … (right, bottom), right and bottom excluded.
    void fillRect(const CRect& rect);
    // One line, vertically centred; alignment kCenterText, kRightText or left
    // (then one pixel in from the left edge).
    void drawString(const char* text, const CRect& rect, bool opaque = false,
                    std::int32_t alignment = kCenterText);

    void setPenStyle(std::int32_t style);
    void setPenWidth(std::int32_t width);
    void setPenColor(const CColor& colour);
    void setBrushColor(const CColor& colour);
    void setTextColor(const CColor& colour);
    // Index outside 0 … 7: 0. Size 0: the index's height. Face: CTxtFace bits.
    void setFont(std::int32_t index, std::int32_t size = 0, std::int32_t face = 0);
    void setClip(const CRect& rect);

    CRect clip() const { return clip_; }
    std::int32_t penWidth() const { return lineWidth_; }
    std::int32_t fontIndex() const { return fontIndex_; }
    std::int32_t fontSize() const { return fontSize_; }

    std::int32_t mouseButtons();
    void readMouseLocation(CPoint& point);

    CFrame* getFrame() const { return frame_; }
    platform::Canvas& canvas() { return *canvas_; }
    // The target's pixels to a unit (1 without a target).
    double scale() const { return scale_; }

    CPoint offset;  // added to every coordinate

protected:
    CFrame* frame_;
    PointerSource* pointer_;
    std::unique_ptr<platform::Canvas> canvas_;
    std::int32_t fontSize_ = -1;
    std::int32_t fontFace_ = 0;
    std::int32_t fontIndex_ = 8;  // none yet, so the first selection applies
    CColor fontColor_;
    std::int32_t lineWidth_ = 1;
    CColor frameColor_;
    CColor fillColor_;
    std::int32_t lineStyle_ = kLineSolid;
    CRect clip_{0, 0, 1000, 1000};
    double scale_ = 1.0;

private:
    void applyPen();
};

// A drawing context on an image of its own: the frame's back buffer and the
// offscreen containers' canvas.
class COffscreenContext : public CDrawContext {
public:
    // The whole image filled and outlined with `background`; `scale` pixels to a unit.
    COffscreenContext(CFrame* frame, std::int32_t width, std::int32_t height, const CColor& background = kBlackCColor,
                      PointerSource* pointer = nullptr, double scale = 1.0);
    ~COffscreenContext() override;

    // A rectangle of this image from `sourceOffset` into `destination`'s
    // `destinationRect` (shifted by its offset).
    void copyTo(CDrawContext* destination, const CRect& destinationRect, const CPoint& sourceOffset = {});

    std::int32_t getWidth() const { return width_; }
    std::int32_t getHeight() const { return height_; }
    const platform::Image& image() const { return *image_; }

private:
    COffscreenContext(std::unique_ptr<platform::Image> image, CFrame* frame, const CColor& background,
                      PointerSource* pointer);

    std::unique_ptr<platform::Image> image_;
    std::int32_t width_;
    std::int32_t height_;
    CColor background_;
};

}  // namespace VSTGUI
