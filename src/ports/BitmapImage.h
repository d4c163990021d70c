#pragma once
// Bitmap files as the back buffer holds them: one reader and one colour
// conversion for every platform, so that each shows the same pixels.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ruzoz {

// The transparent colour of every image: pure white in RGB565.
constexpr std::uint16_t colorKey = 0xFFFF;
// What a colour near white becomes: the nearest colour that is not the key.
constexpr std::uint16_t almostWhite = 0xFFDF;

struct Rgb565Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> pixels; // top row first
};

// A BMP file image (uncompressed, 1, 4, 8, 24 or 32 bits a pixel) in RGB565,
// each channel's low bits dropped. Only pure white in the file becomes the
// key. False when the bytes are not such a picture or it is implausibly
// large (over 4096 x 4096 pixels).
bool DecodeBitmap(const std::uint8_t *bytes, std::size_t size, Rgb565Image &out);

// A data file (ReadDataFile, as an image) decoded; false when either fails.
bool LoadBitmapFile(const char *fileName, Rgb565Image &out);

} // namespace ruzoz
