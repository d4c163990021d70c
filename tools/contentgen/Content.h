#pragma once
#include "Bitmap.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ruzoz::contentgen {

struct Asset {
  std::string fileName;
  int width;
  int height;
  bool opaque; // has no transparent pixel at all
  std::function<Bitmap()> make;
};

// All images of the game, in the order the game loads them.
const std::vector<Asset> &Assets();

// Writes every asset into `directory`, creating it if needed. Throws on
// failure.
void WriteAll(const std::filesystem::path &directory);

} // namespace ruzoz::contentgen
