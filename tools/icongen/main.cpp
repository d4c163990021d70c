// ruzoz-icongen SPRITE.bmp OUTDIR SIZE...: writes the desktop icon in each
// size as OUTDIR/SIZExSIZE/apps/ruzoz.png (the hicolor theme's layout).
// ruzoz-icongen SPRITE.bmp --include FILE SIZE: the icon's RGBA bytes as
// C++ (windowIconSize, windowIcon[]), for the game's window.

#include "Icon.h"
#include "ToolCommand.h"
#include "platform/sdl/BitmapFile.h"

#include <png.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

using ruzoz::icongen::Image;

// The game draws every pixel whose RGB565 form is all ones as transparent,
// so those get alpha 0 here too.
Image ReadSprite(const char *path) {
  ruzoz::platform::RgbImage file;
  std::string error;
  if (!ruzoz::platform::LoadBmp(path, file, &error))
    throw std::runtime_error(std::string("cannot read ") + path + ": " + error);
  Image sprite(file.width, file.height);
  for (std::size_t i = 0; i < sprite.pixels.size(); ++i) {
    const std::uint8_t r = file.rgb[3 * i], g = file.rgb[3 * i + 1], b = file.rgb[3 * i + 2];
    if (r < 248 || g < 252 || b < 248)
      sprite.pixels[i] = {r, g, b, 255};
  }
  return sprite;
}

// libpng's writer adds the sRGB chunk and no time stamp: the same icon
// always gives the same bytes.
void WritePng(const Image &icon, const std::filesystem::path &path) {
  std::vector<std::uint8_t> rgba;
  rgba.reserve(icon.pixels.size() * 4);
  for (const auto &p : icon.pixels)
    rgba.insert(rgba.end(), {p.r, p.g, p.b, p.a});
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(icon.width);
  png.height = static_cast<png_uint_32>(icon.height);
  png.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&png, path.c_str(), 0, rgba.data(), 0, nullptr))
    throw std::runtime_error("cannot write " + path.string() + ": " + png.message);
}

void WriteInclude(const Image &icon, const std::filesystem::path &path) {
  std::ofstream out(path);
  out << "// Drawn by ruzoz-icongen.\nconstexpr int windowIconSize = " << icon.width
      << ";\nconst unsigned char windowIcon[] = {";
  for (std::size_t i = 0; i < icon.pixels.size(); ++i) {
    const auto &p = icon.pixels[i];
    out << (i % 4 == 0 ? "\n" : " ") << int(p.r) << ',' << int(p.g) << ',' << int(p.b) << ','
        << int(p.a) << ',';
  }
  out << "\n};\n";
  if (!out.flush())
    throw std::runtime_error("cannot write " + path.string());
}

int IconSize(const char *text) {
  std::size_t used = 0;
  const int size = std::stoi(text, &used);
  if (used != std::string(text).size() || size < 16 || size > 1024)
    throw std::runtime_error(std::string("not an icon size: ") + text);
  return size;
}

} // namespace

int main(int argc, char **argv) {
  const ruzoz::tool::Command command{"ruzoz-icongen",
                                     "ruzoz-icongen SPRITE.bmp OUTDIR SIZE...\n"
                                     "ruzoz-icongen SPRITE.bmp --include FILE SIZE\n"};
  command.answerHelp(argc, argv);
  const bool include = argc > 2 && std::string(argv[2]) == "--include";
  for (int i = 1; i < argc; ++i)
    if (!(include && i == 2))
      command.refuseOption(argv[i]);
  if (include ? argc != 5 : argc < 4)
    command.refuse(include ? "--include takes a file and one size"
                           : "a sprite, an output folder and at least one size are needed");
  try {
    const Image sprite = ReadSprite(argv[1]);
    if (include) {
      WriteInclude(ruzoz::icongen::MakeIcon(sprite, IconSize(argv[4])), argv[3]);
      return 0;
    }
    for (int i = 3; i < argc; ++i) {
      const int size = IconSize(argv[i]);
      const std::string dimension = std::to_string(size) + "x" + std::to_string(size);
      const std::filesystem::path dir = std::filesystem::path(argv[2]) / dimension / "apps";
      std::filesystem::create_directories(dir);
      WritePng(ruzoz::icongen::MakeIcon(sprite, size), dir / "ruzoz.png");
    }
  } catch (const std::exception &error) {
    std::fprintf(stderr, "ruzoz-icongen: %s\n", error.what());
    return 1;
  }
  return 0;
}
