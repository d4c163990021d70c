// ruzoz-soundgen OUTDIR: writes the game's five wave files into OUTDIR.

#include "Sounds.h"
#include "WaveWriter.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ruzoz-soundgen OUTDIR\n");
    return 2;
  }
  for (const soundgen::Clip &clip : soundgen::MakeAllSounds()) {
    const std::string path = std::string(argv[1]) + "/" + clip.file;
    if (!soundgen::WriteFile(path, soundgen::EncodeWave(clip))) {
      std::fprintf(stderr, "ruzoz-soundgen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
