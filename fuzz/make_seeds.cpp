// Writes the fuzzer's starting images into the directory given: one of each
// colour type and depth the decoder converts.
#include "tests/toolkit/TestImages.h"

#include <array>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string dir = argv[1];
    const auto save = [&](const char* name, const std::vector<unsigned char>& png) {
        std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                                static_cast<std::streamsize>(png.size()));
    };
    save("rgba.png", rgbaPng(6, 5, [](int x, int y) {
             return std::array<unsigned char, 4>{static_cast<unsigned char>(40 * x), static_cast<unsigned char>(50 * y),
                                                 9, static_cast<unsigned char>(255 - 30 * x)};
         }));
    save("palette.png", makePng(
                            4, 2, PNG_COLOR_TYPE_PALETTE, 2, [](int x, int, unsigned char* p) { *p |= static_cast<unsigned char>(x << (6 - 2 * (x % 4))); },
                            {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}}, {255, 0, 128}));
    save("grey.png", makePng(5, 3, PNG_COLOR_TYPE_GRAY, 4, [](int, int, unsigned char* p) { *p = 0x5A; }));
    save("grey-alpha16.png", makePng(2, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 16, [](int x, int, unsigned char* p) {
             p[0] = static_cast<unsigned char>(x * 100);
             p[2] = 0x80;
         }));
    save("rgb.png", makePng(3, 3, PNG_COLOR_TYPE_RGB, 8, [](int x, int y, unsigned char* p) {
             p[0] = static_cast<unsigned char>(x * 80);
             p[1] = static_cast<unsigned char>(y * 80);
         }));
    return 0;
}
