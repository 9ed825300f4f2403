// The drawing layer under the toolkit, on cairo: what the toolkit had from
// the system's device contexts, memory bitmaps and blending functions.
//
// Images are cairo image surfaces in premultiplied ARGB32 (a 32-bit word per
// pixel: alpha in the top byte, then red, green, blue). Lines, rectangles and
// fills are drawn without antialiasing, so they hit whole pixels; text is
// antialiased.
#pragma once

#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace platform {

struct Rgba {
    std::uint8_t red, green, blue, alpha;
};

class Image {
public:
    Image(int width, int height);  // all pixels 0 (transparent black)
    // Takes over a surface made elsewhere (a window's); row() and pixel()
    // are for image surfaces only.
    Image(cairo_surface_t* adopted, int width, int height);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Row y of premultiplied ARGB words; call changed() after writing.
    std::uint32_t* row(int y);
    const std::uint32_t* row(int y) const;
    std::uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void changed();
    cairo_surface_t* surface() const { return surface_; }

private:
    int width_, height_;
    cairo_surface_t* surface_;
};

// A drawing target on an image, with a pen, a brush, a font and a clip. It
// keeps the image's surface alive as long as it lives itself.
class Canvas {
public:
    explicit Canvas(Image& target);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Drawing is limited to [left, right) × [top, bottom).
    void setClip(int left, int top, int right, int bottom);
    void setPen(Rgba colour, int width, bool dotted);
    void setBrush(Rgba colour);
    void setFont(const std::string& face, int pixelHeight, bool bold, bool italic, bool underline);
    void setTextColour(Rgba colour);

    // Lines end before their end point, as the pen leaves it.
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    // The pen through the pixels (left, top) … (right − 1, bottom − 1).
    void frameRect(int left, int top, int right, int bottom);
    // The brush over [left, right) × [top, bottom).
    void fillRect(int left, int top, int right, int bottom);
    // One line of text in the box, vertically centred; alignment 0 left,
    // 1 centred, 2 right. With `opaque` the box is first filled with the brush.
    void drawText(const std::string& text, int left, int top, int right, int bottom, int alignment, bool opaque);

    // A part of `source` at (sourceX, sourceY), width × height, to (x, y):
    void copy(const Image& source, int sourceX, int sourceY, int x, int y, int width, int height);
    // source over destination, each pixel also scaled by alpha / 255.
    void blend(const Image& source, int sourceX, int sourceY, int x, int y, int width, int height,
               std::uint8_t alpha);

private:
    void applyPen();

    cairo_t* cairo_;  // holds its own reference to the target's surface
    Rgba pen_{255, 255, 255, 255};
    int penWidth_ = 1;
    bool dotted_ = false;
    Rgba brush_{0, 0, 0, 255};
    Rgba text_{255, 255, 255, 255};
    double penX_ = 0.0, penY_ = 0.0;
};

}  // namespace platform
