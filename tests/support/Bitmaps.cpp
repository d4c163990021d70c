#include "support/Bitmaps.h"
#include "support/Support.h"

#include "graphics/Display.h"
#include "platform/sdl/BitmapFile.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void put(Bytes &b, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b.push_back(std::uint8_t(value >> (8 * i)));
}

std::uint32_t le(const Bytes &b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | b.at(at + i);
  return value;
}

std::uint32_t bgr(Rgb c) { return std::uint32_t(c.b | c.g << 8 | c.r << 16); }

Image readPicture(const fs::path &source) {
  Image picture;
  std::string error;
  if (!ReadBmp(source, picture, error))
    throw std::runtime_error(error);
  return picture;
}

// The picture as SDL saves an ARGB surface, white see-through as a sprite
// painted with alpha.
void sdlArgb(const fs::path &source, const fs::path &target) {
  const Image picture = readPicture(source);
  SDL_Surface *s = SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 32,
                                                  SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr)
    throw std::runtime_error(SDL_GetError());
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const Rgb c = picture.at(x, y);
      const Uint32 alpha = c == Rgb{255, 255, 255} ? 0 : 0xFF;
      static_cast<Uint32 *>(s->pixels)[y * s->pitch / 4 + x] = alpha << 24 | bgr(c);
    }
  const bool saved = SDL_SaveBMP(s, target.c_str()) == 0;
  SDL_FreeSurface(s);
  if (!saved)
    throw std::runtime_error(std::string("SDL_SaveBMP: ") + SDL_GetError());
}

BitmapKind byConvert(std::string name, BitmapLayout layout, std::string options) {
  return {std::move(name), layout, [options](const fs::path &source, const fs::path &target) {
            const std::string command =
                "convert '" + source.string() + "' " + options + "'" + target.string() + "'";
            if (std::system(command.c_str()) != 0)
              throw std::runtime_error("failed: " + command);
          }};
}

// Rows of one header of 40 bytes, each pixel packed by `pack`.
BitmapKind byHand(std::string name, BitmapLayout l, std::vector<std::uint32_t> masks,
                  std::uint32_t (*pack)(Rgb)) {
  return {std::move(name), l, [=](const fs::path &source, const fs::path &target) {
            const Image pic = readPicture(source);
            const Bytes bytes =
                BitmapFileBytes(40, l.bits, l.compression, pic.width,
                                l.topDown ? -pic.height : pic.height, {}, masks,
                                BitmapRows(pic.width, pic.height, l.bits, l.topDown,
                                           [&](int x, int y) { return pack(pic.at(x, y)); }));
            WriteFile(target, bytes);
          }};
}

} // namespace

void WriteBmp(const fs::path &path, int width, int height,
              const std::function<Rgb(int, int)> &pixel) {
  ruzoz::platform::RgbImage image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      image.rgb.insert(image.rgb.end(), {c.r, c.g, c.b});
    }
  std::string error;
  if (!ruzoz::platform::SaveBmp(path.c_str(), image, &error))
    throw std::runtime_error("cannot write " + path.string() + ": " + error);
}

bool ReadBmp(const fs::path &path, Image &image, std::string &error) {
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

void WriteNominalImages(const fs::path &dir, const char *skip) {
  for (int n = 1; n <= ruzoz::imageCount; ++n) {
    const char *name = ruzoz::imageFileName(n);
    if (skip != nullptr && std::strcmp(name, skip) == 0)
      continue;
    const bool screen = n == ruzoz::imgHintergrund || n == ruzoz::imgTitelbild;
    const bool font = n == ruzoz::imgZeichensatz;
    const Rgb colour{static_cast<std::uint8_t>(5 * n), static_cast<std::uint8_t>(200 - 3 * n),
                     static_cast<std::uint8_t>(40 + n)};
    const auto [width, height] = screen ? std::pair{640, 480}
                                 : font ? std::pair{512, 48}
                                        : std::pair{32, 32};
    WriteBmp(dir / name, width, height, [&](int x, int y) {
      const int dx = x % 32 - 16, dy = y % 32 - 16;
      return dx * dx + dy * dy < 150 ? colour : Rgb{255, 255, 255};
    });
  }
}

std::uint16_t Expected565(Rgb c) {
  const auto v = static_cast<std::uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
  return v == 0xFFFF && !(c == Rgb{255, 255, 255}) ? 0xFFDF : v;
}

const std::vector<BitmapKind> &BitmapKinds() {
  static const std::vector<BitmapKind> all = {
      // SDL's writer: 24 bits, 32 bits with alpha in a V4 header, and the
      // same without (its legacy format).
      {"sdl-24",
       {40, 24, 0, false},
       [](const fs::path &s, const fs::path &t) {
         const Image picture = readPicture(s);
         WriteBmp(t, picture.width, picture.height, [&](int x, int y) { return picture.at(x, y); });
       }},
      {"sdl-32-v4", {108, 32, 3, false}, sdlArgb},
      {"sdl-32-legacy",
       {40, 32, 0, false},
       [](const fs::path &s, const fs::path &t) {
         SDL_SetHint(SDL_HINT_BMP_SAVE_LEGACY_FORMAT, "1");
         sdlArgb(s, t);
         SDL_SetHint(SDL_HINT_BMP_SAVE_LEGACY_FORMAT, "0");
       }},
      // imagemagick: what GIMP, Paint and the like write.
      byConvert("convert-1", {40, 1, 0, false}, "-colors 2 -compress none BMP3:"),
      byConvert("convert-4", {40, 4, 0, false}, "-colors 16 -compress none BMP3:"),
      byConvert("convert-8", {40, 8, 0, false}, "-colors 256 -type palette -compress none BMP3:"),
      byConvert("convert-rle8", {40, 8, 1, false}, "-colors 256 -type palette -compress RLE BMP3:"),
      byConvert("convert-16-565-v5", {124, 16, 3, false}, "-define bmp:subtype=RGB565 BMP:"),
      byConvert("convert-16-555-v5", {124, 16, 3, false}, "-define bmp:subtype=RGB555 BMP:"),
      byConvert("convert-16-1555-v5", {124, 16, 3, false},
                "-alpha on -define bmp:subtype=ARGB1555 BMP:"),
      byConvert("convert-24", {40, 24, 0, false}, "BMP3:"),
      byConvert("convert-24-v5", {124, 24, 0, false}, "BMP:"),
      byConvert("convert-24-core", {12, 24, 0, false}, "BMP2:"),
      byConvert("convert-32-v5", {124, 32, 3, false}, "-alpha on BMP:"),
      // What neither writes: 16 bits without masks, masks after a 40-byte
      // header, top row first. RLE4 (nobody's writer): BitmapImageTest.
      byHand("hand-16-555", {40, 16, 0, false}, {},
             [](Rgb c) { return std::uint32_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3); }),
      byHand("hand-16-565-topdown", {40, 16, 3, true}, {0xF800, 0x07E0, 0x001F},
             [](Rgb c) { return std::uint32_t((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3); }),
      byHand("hand-24-topdown", {40, 24, 0, true}, {}, bgr),
      byHand("hand-32-topdown", {40, 32, 0, true}, {}, bgr),
  };
  return all;
}

Bytes BitmapFileBytes(int headerSize, int bits, int compression, int width, int height,
                      const std::vector<Rgb> &palette, const std::vector<std::uint32_t> &masks,
                      const Bytes &data) {
  const bool core = headerSize == 12;
  Bytes info;
  put(info, std::uint32_t(headerSize), 4);
  put(info, std::uint32_t(width), core ? 2 : 4);
  put(info, std::uint32_t(height), core ? 2 : 4);
  put(info, 1, 2);
  put(info, std::uint32_t(bits), 2);
  if (!core)
    for (std::uint32_t v : {std::uint32_t(compression), std::uint32_t(data.size()), 2835u, 2835u,
                            std::uint32_t(palette.size()), 0u})
      put(info, v, 4);
  for (std::uint32_t mask : masks)
    put(info, mask, 4);
  info.resize(std::max(info.size(), std::size_t(headerSize)), 0);
  for (const Rgb &c : palette)
    put(info, bgr(c), core ? 3 : 4);
  Bytes file{'B', 'M'};
  const std::uint32_t offset = 14 + std::uint32_t(info.size());
  for (std::uint32_t v : {offset + std::uint32_t(data.size()), 0u, offset})
    put(file, v, 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

Bytes BitmapRows(int width, int height, int bits, bool topDown,
                 const std::function<std::uint32_t(int, int)> &pixel) {
  const std::size_t stride = std::size_t((width * bits + 31) / 32) * 4;
  Bytes data(stride * std::size_t(height), 0);
  for (int row = 0; row < height; ++row) {
    std::uint8_t *out = data.data() + stride * std::size_t(row);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, topDown ? row : height - 1 - row);
      if (bits >= 8)
        for (int i = 0; i < bits / 8; ++i)
          out[std::size_t(x) * (bits / 8) + i] = std::uint8_t(v >> (8 * i));
      else
        out[x * bits / 8] |= std::uint8_t(v << (8 - bits - x * bits % 8));
    }
  }
  return data;
}

BitmapLayout ReadBitmapLayout(const fs::path &file) {
  const std::string text = ReadText(file);
  const Bytes b(text.begin(), text.end());
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M')
    throw std::runtime_error(file.string() + ": no bitmap header");
  const int headerSize = int(le(b, 14, 4));
  if (headerSize == 12)
    return {headerSize, int(le(b, 24, 2)), 0, false};
  return {headerSize, int(le(b, 28, 2)), int(le(b, 30, 4)), std::int32_t(le(b, 22, 4)) < 0};
}

} // namespace testsupport
