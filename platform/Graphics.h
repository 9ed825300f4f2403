// The drawing layer under the toolkit, on cairo: what the toolkit had from
// the system's device contexts, memory bitmaps and blending functions.
//
// Images are cairo image surfaces in premultiplied ARGB32 (a 32-bit word per
// pixel: alpha in the top byte, then red, green, blue). Lines, rectangles and
// fills are drawn without antialiasing, so they hit whole pixels; text is
// antialiased.
//
// An image has a scale: its sizes and every drawing coordinate are in units
// of which one covers scale × scale pixels. Drawing a source of another
// scale resamples it: a 2× image onto a 1.5× target is filtered down.
#pragma once

#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace platform {

// Scales an image can have, 1 … 4: any other value is taken as 1.
double imageScale(double scale);
// The pixels `units` units cover at `scale` (a valid one), rounded up.
int pixelsOf(int units, double scale);

struct Rgba {
    std::uint8_t red, green, blue, alpha;
};

class Image {
public:
    // width × height units of width·scale × height·scale pixels (rounded
    // up), all 0 (transparent black).
    Image(int width, int height, double scale = 1.0);
    // Takes over a surface made elsewhere (a window's) of width × height
    // units; row() and pixel() are for image surfaces only.
    Image(cairo_surface_t* adopted, int width, int height, double scale = 1.0);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    double scale() const { return scale_; }
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }
    // The same pixels taken as `scale` pixels a unit: the sizes become the
    // pixel sizes over `scale`, rounded down.
    void setScale(double scale);
    // Pixel row y of premultiplied ARGB words; call changed() after writing.
    std::uint32_t* row(int y);
    const std::uint32_t* row(int y) const;
    std::uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void changed();
    cairo_surface_t* surface() const { return surface_; }

private:
    int width_, height_;
    int pixelWidth_, pixelHeight_;
    double scale_;
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
