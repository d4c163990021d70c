// ruzoz-soundgen OUTDIR
//   writes the game's five wave files into OUTDIR.
// ruzoz-soundgen --excerpt NAME FIRST FRAMES OUT
//   writes frames FIRST .. FIRST+FRAMES-1 of the effect file NAME to OUT
//   (the fuzz corpus's seeds).
// Both as 16-bit PCM WAVE files, through libsndfile.

#include "Sounds.h"
#include "ToolCommand.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool WriteWave(const std::string &path, const soundgen::Clip &clip, std::size_t first,
               std::size_t frames) {
  const std::size_t channels = std::size_t(clip.channels);
  const std::size_t total = clip.samples.size() / channels;
  first = std::min(first, total);
  frames = std::min(frames, total - first);
  // Rounded here, not by libsndfile, so the files keep their samples
  // whatever its float conversion does.
  std::vector<short> pcm(frames * channels);
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    const double s = std::clamp(double(clip.samples[first * channels + i]), -1.0, 1.0);
    pcm[i] = short(std::lround(s * 32767.0));
  }
  SF_INFO info{};
  info.samplerate = clip.rate;
  info.channels = clip.channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "ruzoz-soundgen: %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  const bool written = sf_writef_short(file, pcm.data(), sf_count_t(frames)) == sf_count_t(frames);
  if (!written)
    std::fprintf(stderr, "ruzoz-soundgen: %s: %s\n", path.c_str(), sf_strerror(file));
  return sf_close(file) == 0 && written;
}

const ruzoz::tool::Command command{"ruzoz-soundgen",
                                   "ruzoz-soundgen OUTDIR\n"
                                   "ruzoz-soundgen --excerpt NAME FIRST FRAMES OUT\n"};

} // namespace

int main(int argc, char **argv) {
  command.answerHelp(argc, argv);
  const bool excerpt = argc > 1 && std::strcmp(argv[1], "--excerpt") == 0;
  if (!excerpt && argc > 1)
    command.refuseOption(argv[1]);
  if (argc != (excerpt ? 6 : 2))
    command.refuse("wrong number of arguments");
  const std::vector<soundgen::Clip> clips = soundgen::MakeAllSounds();
  if (!excerpt) {
    for (const soundgen::Clip &clip : clips)
      if (!WriteWave(std::string(argv[1]) + "/" + clip.file, clip, 0, clip.samples.size()))
        return 1;
    return 0;
  }
  char *end1 = nullptr, *end2 = nullptr;
  const unsigned long first = std::strtoul(argv[3], &end1, 10);
  const unsigned long frames = std::strtoul(argv[4], &end2, 10);
  if (*end1 || *end2 || end1 == argv[3] || end2 == argv[4])
    command.refuse("FIRST and FRAMES are numbers of sample frames");
  for (const soundgen::Clip &clip : clips)
    if (std::strcmp(clip.file, argv[2]) == 0)
      return WriteWave(argv[5], clip, first, frames) ? 0 : 1;
  std::fprintf(stderr, "ruzoz-soundgen: no effect named %s\n", argv[2]);
  return 2;
}
