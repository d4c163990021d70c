#include "support/Bitmaps.h"

#include "graphics/Display.h"
#include "platform/sdl/BitmapFile.h"

#include <cstring>
#include <stdexcept>

namespace testsupport {

void WriteBmp(const std::filesystem::path &path, int width, int height,
              const std::function<Rgb(int, int)> &pixel) {
  ruzoz::platform::RgbImage image;
  image.width = width;
  image.height = height;
  image.rgb.reserve(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      image.rgb.insert(image.rgb.end(), {c.r, c.g, c.b});
    }
  std::string error;
  if (!ruzoz::platform::SaveBmp(path.c_str(), image, &error))
    throw std::runtime_error("cannot write " + path.string() + ": " + error);
}

bool ReadBmp(const std::filesystem::path &path, Image &image, std::string &error) {
  ruzoz::platform::RgbImage file;
  if (!ruzoz::platform::LoadBmp(path.c_str(), file, &error)) {
    error = path.string() + ": " + error;
    return false;
  }
  image.width = file.width;
  image.height = file.height;
  image.pixels.resize(file.rgb.size() / 3);
  for (std::size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = Rgb{file.rgb[3 * i], file.rgb[3 * i + 1], file.rgb[3 * i + 2]};
  return true;
}

void WriteNominalImages(const std::filesystem::path &dir, const char *skip) {
  for (int n = 1; n <= ruzoz::imageCount; ++n) {
    const char *name = ruzoz::imageFileName(n);
    if (skip != nullptr && std::strcmp(name, skip) == 0)
      continue;
    int w = 32, h = 32;
    if (n == ruzoz::imgHintergrund || n == ruzoz::imgTitelbild) {
      w = 640;
      h = 480;
    } else if (n == ruzoz::imgZeichensatz) {
      w = 512;
      h = 48;
    }
    const Rgb colour{static_cast<std::uint8_t>(5 * n), static_cast<std::uint8_t>(200 - 3 * n),
                     static_cast<std::uint8_t>(40 + n)};
    WriteBmp(dir / name, w, h, [&](int x, int y) {
      const int dx = x % 32 - 16, dy = y % 32 - 16;
      return dx * dx + dy * dy < 150 ? colour : Rgb{255, 255, 255};
    });
  }
}

std::uint16_t Expected565(Rgb c) {
  const auto v = static_cast<std::uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
  if (v == 0xFFFF && !(c == Rgb{255, 255, 255}))
    return 0xFFDF;
  return v;
}

} // namespace testsupport
