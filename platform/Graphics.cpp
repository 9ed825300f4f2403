#include "Graphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

void source(cairo_t* cairo, Rgba c)
{
    cairo_set_source_rgba(cairo, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

}  // namespace

double imageScale(double scale) { return std::isfinite(scale) && scale >= 1.0 && scale <= 4.0 ? scale : 1.0; }

int pixelsOf(int units, double scale) { return static_cast<int>(std::ceil(units * scale - 1e-9)); }

Image::Image(int width, int height, double scale)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixelWidth_(pixelsOf(width_, imageScale(scale))),
      pixelHeight_(pixelsOf(height_, imageScale(scale))),
      scale_(imageScale(scale)),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth_, pixelHeight_))
{
    cairo_surface_set_device_scale(surface_, scale_, scale_);
}

Image::Image(cairo_surface_t* adopted, int width, int height, double scale)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixelWidth_(pixelsOf(width_, imageScale(scale))),
      pixelHeight_(pixelsOf(height_, imageScale(scale))),
      scale_(imageScale(scale)),
      surface_(adopted)
{
    cairo_surface_set_device_scale(surface_, scale_, scale_);
}

void Image::setScale(double scale)
{
    scale_ = imageScale(scale);
    width_ = static_cast<int>(pixelWidth_ / scale_ + 1e-9);
    height_ = static_cast<int>(pixelHeight_ / scale_ + 1e-9);
    cairo_surface_set_device_scale(surface_, scale_, scale_);
}

Image::~Image() { cairo_surface_destroy(surface_); }

std::uint32_t* Image::row(int y)
{
    cairo_surface_flush(surface_);
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_) +
                                            static_cast<long>(y) * cairo_image_surface_get_stride(surface_));
}

const std::uint32_t* Image::row(int y) const
{
    cairo_surface_flush(surface_);
    return reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface_) +
                                                  static_cast<long>(y) * cairo_image_surface_get_stride(surface_));
}

void Image::changed() { cairo_surface_mark_dirty(surface_); }

Canvas::Canvas(Image& target) : cairo_(cairo_create(target.surface()))
{
    cairo_set_antialias(cairo_, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_SQUARE);
    cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_MITER);
    setFont("Arial", 12, true, false, false);
}

Canvas::~Canvas() { cairo_destroy(cairo_); }

void Canvas::setClip(int left, int top, int right, int bottom)
{
    cairo_reset_clip(cairo_);
    cairo_rectangle(cairo_, left, top, std::max(right - left, 0), std::max(bottom - top, 0));
    cairo_clip(cairo_);
}

void Canvas::setPen(Rgba colour, int width, bool dotted)
{
    pen_ = colour;
    penWidth_ = std::max(width, 1);
    dotted_ = dotted;
}

void Canvas::setBrush(Rgba colour) { brush_ = colour; }
void Canvas::setTextColour(Rgba colour) { text_ = colour; }

void Canvas::setFont(const std::string& face, int pixelHeight, bool bold, bool italic, bool underline)
{
    (void)underline;  // cairo's text has no underline; the editor never asks for one
    cairo_select_font_face(cairo_, face.c_str(), italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo_, std::max(pixelHeight, 1));
}

void Canvas::applyPen()
{
    source(cairo_, pen_);
    cairo_set_line_width(cairo_, penWidth_);
    const double dash[] = {1.0};
    cairo_set_dash(cairo_, dash, dotted_ ? 1 : 0, 0.0);
}

// A 1-pixel pen covers the pixel row or column whose centre the path runs through.
void Canvas::moveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

void Canvas::lineTo(int x, int y)
{
    const int dx = x - static_cast<int>(penX_), dy = y - static_cast<int>(penY_);
    if (dx != 0 || dy != 0) {
        applyPen();
        // Centre of the first pixel to the centre of the last one before the
        // end point (one step short along the longer axis); the square caps
        // reach the pixels' outer edges.
        const int steps = std::max(std::abs(dx), std::abs(dy));
        const double t = (steps - 1.0) / steps;
        cairo_move_to(cairo_, penX_ + 0.5, penY_ + 0.5);
        if (steps == 1)
            cairo_rel_line_to(cairo_, 0.0, 0.0);
        else
            cairo_line_to(cairo_, penX_ + 0.5 + dx * t, penY_ + 0.5 + dy * t);
        cairo_stroke(cairo_);
    }
    penX_ = x;
    penY_ = y;
}

void Canvas::frameRect(int left, int top, int right, int bottom)
{
    if (right - left < 1 || bottom - top < 1)
        return;
    applyPen();
    cairo_rectangle(cairo_, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
    cairo_stroke(cairo_);
}

void Canvas::fillRect(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    source(cairo_, brush_);
    cairo_rectangle(cairo_, left, top, right - left, bottom - top);
    cairo_fill(cairo_);
}

void Canvas::drawText(const std::string& text, int left, int top, int right, int bottom, int alignment, bool opaque)
{
    if (opaque)
        fillRect(left, top, right, bottom);
    cairo_save(cairo_);
    cairo_rectangle(cairo_, left, top, std::max(right - left, 0), std::max(bottom - top, 0));
    cairo_clip(cairo_);
    cairo_set_antialias(cairo_, CAIRO_ANTIALIAS_GRAY);
    cairo_font_extents_t font{};
    cairo_font_extents(cairo_, &font);
    cairo_text_extents_t extents{};
    cairo_text_extents(cairo_, text.c_str(), &extents);
    double x = left;
    if (alignment == 1)
        x = left + (right - left - extents.x_advance) / 2.0;
    else if (alignment == 2)
        x = right - extents.x_advance;
    const double y = top + (bottom - top + font.ascent - font.descent) / 2.0;
    source(cairo_, text_);
    cairo_move_to(cairo_, x, y);
    cairo_show_text(cairo_, text.c_str());
    cairo_restore(cairo_);
}

void Canvas::copy(const Image& sourceImage, int sourceX, int sourceY, int x, int y, int width, int height)
{
    cairo_save(cairo_);
    cairo_set_operator(cairo_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cairo_, sourceImage.surface(), x - sourceX, y - sourceY);
    cairo_rectangle(cairo_, x, y, width, height);
    cairo_fill(cairo_);
    cairo_restore(cairo_);
}

void Canvas::blend(const Image& sourceImage, int sourceX, int sourceY, int x, int y, int width, int height,
                   std::uint8_t alpha)
{
    if (alpha == 0)
        return;
    cairo_save(cairo_);
    cairo_set_source_surface(cairo_, sourceImage.surface(), x - sourceX, y - sourceY);
    cairo_rectangle(cairo_, x, y, width, height);
    cairo_clip(cairo_);
    cairo_paint_with_alpha(cairo_, alpha / 255.0);
    cairo_restore(cairo_);
}

}  // namespace platform
