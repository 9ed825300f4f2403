#include "CBitmap.h"

#include "CDrawContext.h"
#include "platform/Graphics.h"
#include "platform/Resources.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

namespace VSTGUI {

namespace {

constexpr png_uint_32 kLargestSide = 8192;

struct Reader {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
    bool truncated;
};

// Copies what libpng asks for. Past the end it hands out zeros and notes the
// damage: libpng keeps decoding the rows the real data holds, then fails on
// the zeros (a bad check sum or chunk) and jumps to the recovery point.
void readBytes(png_structp png, png_bytep out, png_size_t count)
{
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    const std::size_t available = std::min<std::size_t>(count, reader->size - reader->position);
    if (available > 0)
        std::memcpy(out, reader->data + reader->position, available);
    if (available < count) {
        std::memset(out + available, 0, count - available);
        reader->truncated = true;
    }
    reader->position += available;
}

// Messages are not printed: the caller learns of damage from the result.
void quietWarning(png_structp, png_const_charp) {}
void stopOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// c × a / 256 rounded down for each colour byte; alpha 0 clears the pixel.
void premultiply(platform::Image& image, int rows)
{
    for (int y = 0; y < rows; ++y) {
        std::uint32_t* row = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t p = row[x];
            const std::uint32_t a = p >> 24;
            if (a == 0) {
                row[x] = 0;
                continue;
            }
            const std::uint32_t r = ((p >> 16) & 0xFF) * a / 256, g = ((p >> 8) & 0xFF) * a / 256, b = (p & 0xFF) * a / 256;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    image.changed();
}

// Decodes into `image` (made once the header is known). Plain C data only
// between setjmp and any longjmp. Returns false on damage; `rows` counts the
// rows complete in `image`.
bool decode(Reader& reader, std::unique_ptr<platform::Image>& image, volatile int& rows)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopOnError, quietWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readBytes);
    // Far above any editor image; a damaged header cannot ask for gigabytes.
    png_set_user_limits(png, kLargestSide, kLargestSide);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);

    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    else if (!(colourType & PNG_COLOR_MASK_ALPHA))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (depth == 16)
        png_set_strip_16(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    image = std::make_unique<platform::Image>(static_cast<int>(width), static_cast<int>(height));
    // Memory order B, G, R, A is the ARGB word of a little-endian machine.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, reinterpret_cast<png_bytep>(image->row(static_cast<int>(y))), nullptr);
            if (pass == passes - 1)
                rows = static_cast<int>(y) + 1;
        }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// The whole image from PNG data, or null if not even its header reads; rows
// past any damage are transparent and `complete` is false.
std::unique_ptr<platform::Image> readPng(const unsigned char* data, std::size_t size, bool& complete)
{
    Reader reader{data, size, 0, false};
    std::unique_ptr<platform::Image> image;
    volatile int rows = 0;
    complete = decode(reader, image, rows) && !reader.truncated;
    if (!image)
        return nullptr;
    premultiply(*image, rows);
    // Rows never read stay transparent black.
    for (int y = rows; y < image->pixelHeight(); ++y)
        std::memset(image->row(y), 0, static_cast<size_t>(image->pixelWidth()) * 4);
    image->changed();
    return image;
}

}  // namespace

CBitmap::CBitmap(std::int32_t resourceId) { loadResource(resourceId); }

CBitmap::~CBitmap() = default;

void CBitmap::unload()
{
    image_.reset();
    sharp_.reset();
    sharpId_ = 0;
    sharpLooked_ = false;
    width_ = height_ = 0;
    plain_ = false;
}

bool CBitmap::loadResource(std::int32_t resourceId)
{
    unload();
    resourceId_ = resourceId;
    const platform::Resource* resource = platform::findResource("PNG", resourceId);
    // This platform has no other kind of image resource: none gives a 0 × 0 bitmap.
    if (!resource)
        return false;
    const bool complete = loadPng(resource->data, resource->size);
    sharpId_ = resourceId;
    return complete;
}

bool CBitmap::loadFromPath(const void*)
{
    unload();
    return false;
}

bool CBitmap::loadPng(const unsigned char* data, std::size_t size)
{
    unload();
    bool complete = false;
    std::unique_ptr<platform::Image> image = readPng(data, size, complete);
    if (!image)
        return false;
    width_ = image->width();
    height_ = image->height();
    plain_ = false;
    image_ = std::move(image);
    return complete;
}

void CBitmap::draw(CDrawContext* context, CRect& rect, const CPoint& offset)
{
    drawBlended(context, rect, offset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, CRect& rect, const CPoint& offset)
{
    drawBlended(context, rect, offset, 255);
}

void CBitmap::drawBlended(CDrawContext* context, CRect& rect, const CPoint& offset, std::uint8_t alpha)
{
    if (!context || !image_)
        return;
    const CPoint shift = context->offset;
    context->canvas().blend(imageFor(context->scale()), offset.h, offset.v, rect.left + shift.h, rect.top + shift.v, rect.width(),
                            rect.height(), alpha);
}

// The resource's drawing at twice the size is taken only if it is whole and
// exactly twice the size.
const platform::Image& CBitmap::imageFor(double scale)
{
    if (scale <= 1.0 || sharpId_ == 0)
        return *image_;
    if (!sharpLooked_) {
        sharpLooked_ = true;
        if (const platform::Resource* resource = platform::findResource(kSharpResourceType, sharpId_)) {
            bool complete = false;
            std::unique_ptr<platform::Image> image = readPng(resource->data, resource->size, complete);
            if (image && complete && image->pixelWidth() == 2 * width_ && image->pixelHeight() == 2 * height_) {
                image->setScale(2.0);
                sharp_ = std::move(image);
            }
        }
    }
    return sharp_ ? *sharp_ : *image_;
}

}  // namespace VSTGUI
