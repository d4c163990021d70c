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

// The most pixels a picture may have: those of 4096 x 4096.
constexpr std::int64_t maxBitmapPixels = 4096 * 4096;
// The largest file of such a picture a paint program writes: 32 bits a
// pixel after the file header, a V5 header and a full colour table.
constexpr std::uint64_t largestBitmapFileBytes = 14 + 124 + 256 * 4 + 4 * maxBitmapPixels;

struct Rgb565Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> pixels; // top row first
};

// A BMP file image in RGB565, each channel's low bits dropped, with the
// pixels SDL's loader gives. It reads what paint programs write: 1, 2, 4
// and 8 bits with a colour table, RLE8 and RLE4, 16 bits (555, or bit
// fields SDL knows, 565 among them), 24 and 32 bits; core, INFO, V4 and V5
// headers; bottom-up and top-down. Only pure white in the file becomes the
// key. False when the bytes are not such a picture, are damaged (cut short,
// a colour past the table, a run or jump outside the picture), or it has
// more than maxBitmapPixels.
bool DecodeBitmap(const std::uint8_t *bytes, std::size_t size, Rgb565Image &out);

// A data file (ReadDataFile, as an image) decoded; false when either fails.
bool LoadBitmapFile(const char *fileName, Rgb565Image &out);

} // namespace ruzoz
