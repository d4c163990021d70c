// ruzoz-screenshot SNAPSHOT.bmp OUT.png: a snapshot of the replay tool as
// the PNG the software centres show (AppStream wants PNG or JPEG).

#include "platform/sdl/BitmapFile.h"

#include <png.h>

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SNAPSHOT.bmp OUT.png\n", argv[0]);
    return 2;
  }
  ruzoz::platform::RgbImage shot;
  std::string error;
  if (!ruzoz::platform::LoadBmp(argv[1], shot, &error)) {
    std::fprintf(stderr, "ruzoz-screenshot: cannot read %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  // libpng's simple writer adds no time stamp: the same frame always gives
  // the same bytes.
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(shot.width);
  png.height = static_cast<png_uint_32>(shot.height);
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, argv[2], 0, shot.rgb.data(), 0, nullptr)) {
    std::fprintf(stderr, "ruzoz-screenshot: cannot write %s: %s\n", argv[2], png.message);
    return 1;
  }
  return 0;
}
