// PNG files made in memory for the toolkit's tests, and the resource table
// those tests link in place of the library's.
#pragma once

#include <png.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// `pixel(x, y, bytes)` fills one pixel of `channels` bytes at `depth` bits.
inline std::vector<unsigned char> makePng(int width, int height, int colourType, int depth,
                                          const std::function<void(int, int, unsigned char*)>& pixel,
                                          const std::vector<png_color>& palette = {},
                                          const std::vector<unsigned char>& transparency = {})
{
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!transparency.empty())
        png_set_tRNS(png, info, transparency.data(), static_cast<int>(transparency.size()), nullptr);
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<unsigned char> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        // Below 8 bits several pixels share a byte: each gets its byte's address.
        for (int x = 0; x < width; ++x)
            pixel(x, y, row.data() + static_cast<size_t>(x) * static_cast<size_t>(channels * depth) / 8);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGBA image from a function of (x, y) giving {r, g, b, a}.
inline std::vector<unsigned char> rgbaPng(int width, int height,
                                          const std::function<std::array<unsigned char, 4>(int, int)>& colour)
{
    return makePng(width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, [&](int x, int y, unsigned char* p) {
        const auto c = colour(x, y);
        std::copy(c.begin(), c.end(), p);
    });
}

// A strip `width` × 188: row y has red y, green 255 − y, blue 7, opaque.
inline std::vector<unsigned char> stripPng(int width)
{
    return rgbaPng(width, 188, [](int, int y) {
        return std::array<unsigned char, 4>{static_cast<unsigned char>(y), static_cast<unsigned char>(255 - y), 7, 255};
    });
}
