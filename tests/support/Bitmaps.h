#pragma once
// Bitmap files for the tests: every kind a paint program writes, by SDL,
// imagemagick's convert or by hand.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb &, const Rgb &) = default;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels; // top row first
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A 24-bit bitmap; throws when it cannot be written.
void WriteBmp(const std::filesystem::path &path, int width, int height,
              const std::function<Rgb(int x, int y)> &pixel);
bool ReadBmp(const std::filesystem::path &path, Image &image, std::string &error);

// The 40 images at the sizes the game draws them, each a disc of its own
// colour on white; `skip` (a file name) is left out.
void WriteNominalImages(const std::filesystem::path &dir, const char *skip = nullptr);

// The back buffer's colour: 5-6-5 bits, near-white kept apart from the key.
std::uint16_t Expected565(Rgb c);

struct BitmapLayout {
  int headerSize = 0, bits = 0, compression = 0; // 1 RLE8, 2 RLE4, 3 bit fields
  bool topDown = false;
  friend bool operator==(const BitmapLayout &, const BitmapLayout &) = default;
};
// The layout of a file's header; throws when it has none.
BitmapLayout ReadBitmapLayout(const std::filesystem::path &file);

struct BitmapKind {
  std::string name;    // a file name's part: no spaces
  BitmapLayout layout; // what `make` must have written
  // Writes `source` (of over 256 colours, for full palettes) as this kind; throws on failure.
  std::function<void(const std::filesystem::path &source, const std::filesystem::path &target)>
      make;
};
const std::vector<BitmapKind> &BitmapKinds();

// A whole file: `headerSize` bytes of header (12: core), masks after its first
// 40 bytes, the colour table, then `data`. A negative height is top-down.
std::vector<std::uint8_t> BitmapFileBytes(int headerSize, int bits, int compression, int width,
                                          int height, const std::vector<Rgb> &palette,
                                          const std::vector<std::uint32_t> &masks,
                                          const std::vector<std::uint8_t> &data);
// Rows padded to four bytes in file order; pixel(x, y), y from the top.
std::vector<std::uint8_t> BitmapRows(int width, int height, int bits, bool topDown,
                                     const std::function<std::uint32_t(int, int)> &pixel);

} // namespace testsupport
