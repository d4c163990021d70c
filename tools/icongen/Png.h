#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

#include "Image.h"

namespace ruzoz::icongen {

// 8-bit RGBA PNG with an sRGB chunk and no time stamp or text, so the same
// image always gives the same bytes.
std::vector<std::uint8_t> EncodePng(const Image &image);
void WritePng(const Image &image, const std::filesystem::path &path);

} // namespace ruzoz::icongen
