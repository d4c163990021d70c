// ruzoz-bitmapkinds OUTDIR SOURCE.bmp...: each source as OUTDIR/KIND/NAME, for
// tests/web and the fuzz corpus.

#include "support/Bitmaps.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR SOURCE.bmp...\n", argv[0]);
    return 2;
  }
  try {
    for (const testsupport::BitmapKind &kind : testsupport::BitmapKinds())
      for (int i = 2; i < argc; ++i) {
        const std::filesystem::path source = argv[i],
                                    dir = std::filesystem::path(argv[1]) / kind.name;
        std::filesystem::create_directories(dir);
        kind.make(source, dir / source.filename());
        if (testsupport::ReadBitmapLayout(dir / source.filename()) != kind.layout)
          throw std::runtime_error((dir / source.filename()).string() + " is not of kind " +
                                   kind.name);
      }
  } catch (const std::exception &error) {
    std::fprintf(stderr, "ruzoz-bitmapkinds: %s\n", error.what());
    return 1;
  }
  return 0;
}
