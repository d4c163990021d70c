// ruzoz-icongen SPRITE.bmp OUTDIR SIZE...: writes the desktop icon in each
// size as OUTDIR/SIZExSIZE/apps/ruzoz.png (the hicolor theme's layout).

#include "Bmp.h"
#include "Icon.h"
#include "Png.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char **argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s SPRITE.bmp OUTDIR SIZE...\n", argv[0]);
    return 2;
  }
  try {
    const ruzoz::icongen::Image sprite = ruzoz::icongen::ReadBmp(argv[1]);
    for (int i = 3; i < argc; ++i) {
      std::size_t used = 0;
      const int size = std::stoi(argv[i], &used);
      if (used != std::string(argv[i]).size() || size < 16 || size > 1024)
        throw std::runtime_error(std::string("not an icon size: ") + argv[i]);
      const std::string dimension = std::to_string(size) + "x" + std::to_string(size);
      const std::filesystem::path dir = std::filesystem::path(argv[2]) / dimension / "apps";
      std::filesystem::create_directories(dir);
      ruzoz::icongen::WritePng(ruzoz::icongen::MakeIcon(sprite, size), dir / "ruzoz.png");
    }
  } catch (const std::exception &error) {
    std::fprintf(stderr, "ruzoz-icongen: %s\n", error.what());
    return 1;
  }
  return 0;
}
