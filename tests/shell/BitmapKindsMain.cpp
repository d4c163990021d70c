// ruzoz-bitmapkinds OUTDIR SOURCE.bmp...: writes each source in every kind
// of bitmap file as OUTDIR/KIND/NAME (the source's own name), for the
// tests that load them elsewhere (the node replay's, tests/web).

#include "support/BitmapKinds.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR SOURCE.bmp...\n", argv[0]);
    return 2;
  }
  try {
    for (const testsupport::BitmapKind &kind : testsupport::BitmapKinds()) {
      const std::filesystem::path dir = std::filesystem::path(argv[1]) / kind.name;
      std::filesystem::create_directories(dir);
      for (int i = 2; i < argc; ++i) {
        const std::filesystem::path source = argv[i];
        const std::filesystem::path target = dir / source.filename();
        testsupport::WriteBitmapKind(kind, source, target);
        if (testsupport::ReadBitmapLayout(target) != kind.layout) {
          std::fprintf(stderr, "ruzoz-bitmapkinds: %s is not of kind %s\n", target.c_str(),
                       kind.name.c_str());
          return 1;
        }
      }
    }
  } catch (const std::exception &error) {
    std::fprintf(stderr, "ruzoz-bitmapkinds: %s\n", error.what());
    return 1;
  }
  return 0;
}
