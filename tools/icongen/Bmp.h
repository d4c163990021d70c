#pragma once
#include <cstdint>
#include <filesystem>
#include <span>

#include "Image.h"

namespace ruzoz::icongen {

// Uncompressed 24- or 32-bit Windows BMP, bottom-up or top-down. The game
// draws every pixel whose RGB565 form is all ones as transparent, so those
// come out with alpha 0 here too. Throws std::runtime_error on anything else.
Image DecodeBmp(std::span<const std::uint8_t> file);
Image ReadBmp(const std::filesystem::path &path);

} // namespace ruzoz::icongen
