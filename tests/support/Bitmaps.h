#pragma once
// Bitmap files for the tests, read and written through the game's platform
// (SDL), and what the back buffer makes of their colours.

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

// What the back buffer holds for a colour of an image: 5-6-5 bits, and
// near-white kept apart from the transparent key.
std::uint16_t Expected565(Rgb c);

} // namespace testsupport
