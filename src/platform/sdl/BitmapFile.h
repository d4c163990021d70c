#pragma once
// BMP files through SDL's own reader and writer, for the tools
// and tests that make or check them. Pixels are 8-bit RGB, top row first.

#include <cstdint>
#include <string>
#include <vector>

namespace ruzoz::platform {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb; // width * height * 3
};

// A 24-bit uncompressed bitmap; false (with SDL's reason in `error`, if
// given) when it cannot be written.
bool SaveBmp(const char *path, const RgbImage &image, std::string *error = nullptr);
// Any bitmap SDL reads, converted to RGB; false with the reason in `error`.
bool LoadBmp(const char *path, RgbImage &image, std::string *error = nullptr);

} // namespace ruzoz::platform
