#include "support/BitmapKinds.h"

#include "support/Bitmaps.h"

#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
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

void writeFile(const fs::path &target, const Bytes &bytes) {
  std::ofstream out(target, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + target.string());
}

void convert(const fs::path &source, const std::string &options, const fs::path &target) {
  const std::string command =
      "convert '" + source.string() + "' " + options + "'" + target.string() + "'";
  if (std::system(command.c_str()) != 0)
    throw std::runtime_error("failed: " + command);
}

// An SDL surface of the picture in `format`, saved by SDL_SaveBMP.
void sdlSave(const Image &picture, Uint32 format, const fs::path &target,
             const std::function<void(SDL_Surface *)> &fill) {
  SDL_Surface *surface =
      SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 32, format);
  if (surface == nullptr)
    throw std::runtime_error(SDL_GetError());
  fill(surface);
  const bool saved = SDL_SaveBMP(surface, target.c_str()) == 0;
  SDL_FreeSurface(surface);
  if (!saved)
    throw std::runtime_error(std::string("SDL_SaveBMP: ") + SDL_GetError());
}

void sdlArgb(const Image &picture, const fs::path &target) {
  sdlSave(picture, SDL_PIXELFORMAT_ARGB8888, target, [&](SDL_Surface *s) {
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x) {
        const Rgb c = picture.at(x, y);
        // White see-through, as a sprite painted with alpha.
        const Uint32 alpha = c == Rgb{255, 255, 255} ? 0 : 0xFF;
        static_cast<Uint32 *>(s->pixels)[y * s->pitch / 4 + x] = alpha << 24 | bgr(c);
      }
  });
}

using Maker = std::function<void(const fs::path &source, const fs::path &target)>;

struct Made {
  BitmapKind kind;
  Maker make;
};

Maker byConvert(std::string options) {
  return [options](const fs::path &source, const fs::path &target) {
    convert(source, options, target);
  };
}

const std::vector<Made> &kinds() {
  static const std::vector<Made> all = [] {
    std::vector<Made> k;
    const auto add = [&](std::string name, std::string maker, BitmapLayout layout, Maker make) {
      k.push_back({{std::move(name), std::move(maker), layout}, std::move(make)});
    };
    // SDL's writer: 24 bits, 32 bits with alpha in a V4 header, and the
    // same without (its legacy format).
    add("sdl-24", "SDL", {40, 24, 0, false}, [](const fs::path &s, const fs::path &t) {
      const Image picture = readPicture(s);
      WriteBmp(t, picture.width, picture.height, [&](int x, int y) { return picture.at(x, y); });
    });
    add("sdl-32-v4", "SDL", {108, 32, 3, false},
        [](const fs::path &s, const fs::path &t) { sdlArgb(readPicture(s), t); });
    add("sdl-32-legacy", "SDL", {40, 32, 0, false}, [](const fs::path &s, const fs::path &t) {
      SDL_SetHint(SDL_HINT_BMP_SAVE_LEGACY_FORMAT, "1");
      sdlArgb(readPicture(s), t);
      SDL_SetHint(SDL_HINT_BMP_SAVE_LEGACY_FORMAT, "0");
    });

    // imagemagick: what GIMP, Paint and the like write, as convert writes it.
    add("convert-1", "convert", {40, 1, 0, false}, byConvert("-colors 2 -compress none BMP3:"));
    add("convert-4", "convert", {40, 4, 0, false}, byConvert("-colors 16 -compress none BMP3:"));
    add("convert-8", "convert", {40, 8, 0, false},
        byConvert("-colors 256 -type palette -compress none BMP3:"));
    add("convert-rle8", "convert", {40, 8, 1, false},
        byConvert("-colors 256 -type palette -compress RLE BMP3:"));
    add("convert-16-565-v5", "convert", {124, 16, 3, false},
        byConvert("-define bmp:subtype=RGB565 BMP:"));
    add("convert-16-555-v5", "convert", {124, 16, 3, false},
        byConvert("-define bmp:subtype=RGB555 BMP:"));
    add("convert-16-1555-v5", "convert", {124, 16, 3, false},
        byConvert("-alpha on -define bmp:subtype=ARGB1555 BMP:"));
    add("convert-24", "convert", {40, 24, 0, false}, byConvert("BMP3:"));
    add("convert-24-v5", "convert", {124, 24, 0, false}, byConvert("BMP:"));
    add("convert-24-core", "convert", {12, 24, 0, false}, byConvert("BMP2:"));
    add("convert-32-v5", "convert", {124, 32, 3, false}, byConvert("-alpha on BMP:"));

    // By hand: 16 bits without masks, masks after a 40-byte header, and top
    // row first. RLE4, which convert does not write: BitmapImageTest.
    const auto byHand = [&](std::string name, BitmapLayout l,
                            std::function<Bytes(const Image &)> encode) {
      add(std::move(name), "by hand", l,
          [encode](const fs::path &s, const fs::path &t) { writeFile(t, encode(readPicture(s))); });
    };
    byHand("hand-16-555", {40, 16, 0, false}, [](const Image &pic) {
      return BitmapFileBytes(40, 16, 0, pic.width, pic.height, {}, {},
                             BitmapRows(pic.width, pic.height, 16, false, [&](int x, int y) {
                               const Rgb c = pic.at(x, y);
                               return std::uint32_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3);
                             }));
    });
    byHand("hand-16-565-topdown", {40, 16, 3, true}, [](const Image &pic) {
      return BitmapFileBytes(40, 16, 3, pic.width, -pic.height, {}, {0xF800, 0x07E0, 0x001F},
                             BitmapRows(pic.width, pic.height, 16, true, [&](int x, int y) {
                               const Rgb c = pic.at(x, y);
                               return std::uint32_t((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3);
                             }));
    });
    byHand("hand-24-topdown", {40, 24, 0, true}, [](const Image &pic) {
      return BitmapFileBytes(40, 24, 0, pic.width, -pic.height, {}, {},
                             BitmapRows(pic.width, pic.height, 24, true,
                                        [&](int x, int y) { return bgr(pic.at(x, y)); }));
    });
    byHand("hand-32-topdown", {40, 32, 0, true}, [](const Image &pic) {
      return BitmapFileBytes(40, 32, 0, pic.width, -pic.height, {}, {},
                             BitmapRows(pic.width, pic.height, 32, true,
                                        [&](int x, int y) { return bgr(pic.at(x, y)); }));
    });
    return k;
  }();
  return all;
}

} // namespace

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
  if (!core) {
    put(info, std::uint32_t(compression), 4);
    put(info, std::uint32_t(data.size()), 4);
    put(info, 2835, 4);
    put(info, 2835, 4);
    put(info, std::uint32_t(palette.size()), 4);
    put(info, 0, 4);
  }
  for (std::uint32_t mask : masks)
    put(info, mask, 4);
  if (info.size() < std::size_t(headerSize))
    info.resize(std::size_t(headerSize), 0);
  for (const Rgb &c : palette)
    put(info, bgr(c), core ? 3 : 4);
  Bytes file{'B', 'M'};
  const std::uint32_t offset = 14 + std::uint32_t(info.size());
  put(file, offset + std::uint32_t(data.size()), 4);
  put(file, 0, 4);
  put(file, offset, 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

Bytes BitmapRows(int width, int height, int bits, bool topDown,
                 const std::function<std::uint32_t(int, int)> &pixel) {
  const std::size_t stride = std::size_t((width * bits + 31) / 32) * 4;
  Bytes data(stride * std::size_t(height), 0);
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    std::uint8_t *out = data.data() + stride * std::size_t(row);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      if (bits >= 8)
        for (int i = 0; i < bits / 8; ++i)
          out[std::size_t(x) * (bits / 8) + i] = std::uint8_t(v >> (8 * i));
      else
        out[x * bits / 8] |= std::uint8_t(v << (8 - bits - x * bits % 8));
    }
  }
  return data;
}

const std::vector<BitmapKind> &BitmapKinds() {
  static const std::vector<BitmapKind> names = [] {
    std::vector<BitmapKind> v;
    for (const Made &m : kinds())
      v.push_back(m.kind);
    return v;
  }();
  return names;
}

void WriteBitmapKind(const BitmapKind &kind, const fs::path &source, const fs::path &target) {
  for (const Made &m : kinds())
    if (m.kind.name == kind.name) {
      m.make(source, target);
      return;
    }
  throw std::runtime_error("no bitmap kind " + kind.name);
}

BitmapLayout ReadBitmapLayout(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  const Bytes b{std::istreambuf_iterator<char>(in), {}};
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M')
    throw std::runtime_error(file.string() + ": no bitmap header");
  BitmapLayout l;
  l.headerSize = int(le(b, 14, 4));
  if (l.headerSize == 12) {
    l.bits = int(le(b, 24, 2));
    return l;
  }
  l.topDown = std::int32_t(le(b, 22, 4)) < 0;
  l.bits = int(le(b, 28, 2));
  l.compression = int(le(b, 30, 4));
  return l;
}

} // namespace testsupport
