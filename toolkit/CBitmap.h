// Images from the library's resources: PNGs decoded with libpng into
// premultiplied 32-bit pixels, drawn opaque, with a transparent colour or
// blended. A resource may have a drawing at twice the size beside it (type
// "PNG@2x", same number): contexts of more than one pixel to a unit draw
// that one, scaled to their own size.
#pragma once

#include "Basics.h"

#include <cstddef>
#include <memory>

namespace platform {
class Image;
}

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
public:
    explicit CBitmap(std::int32_t resourceId);  // count 1, then loadResource
    ~CBitmap() override;

    // A part of the image, from `offset`, into `rect` shifted by the context's offset.
    virtual void draw(CDrawContext* context, CRect& rect, const CPoint& offset);
    virtual void drawTransparent(CDrawContext* context, CRect& rect, const CPoint& offset);
    // Source over the context with a constant alpha (0 … 255) on top of each pixel's own.
    virtual void drawBlended(CDrawContext* context, CRect& rect, const CPoint& offset, std::uint8_t alpha);
    virtual void unload();
    virtual bool loadResource(std::int32_t resourceId);
    // Loading from a file is not supported here: unloads and answers false.
    virtual bool loadFromPath(const void* path);

    static constexpr const char* kSharpResourceType = "PNG@2x";

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t resourceId() const { return resourceId_; }
    bool isPlain() const { return plain_; }
    const platform::Image* image() const { return image_.get(); }

    // Decodes PNG data held elsewhere, as loadResource does a resource's.
    // False for data that is not a complete PNG; the rows decoded before the
    // damage stay (premultiplied) and the rest is transparent.
    bool loadPng(const unsigned char* data, std::size_t size);

    CColor transparentColor = kTransparentCColor;

private:
    // The drawing at twice the size for scales above 1, decoded when first
    // wanted; else the image.
    const platform::Image& imageFor(double scale);

    std::int32_t resourceId_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    bool plain_ = true;
    std::unique_ptr<platform::Image> image_;
    std::int32_t sharpId_ = 0;  // the resource whose drawing at twice the size may be looked up
    std::unique_ptr<platform::Image> sharp_;
    bool sharpLooked_ = false;
};

}  // namespace VSTGUI
