#include "support/DataFolder.h"

#include "graphics/Display.h"
#include "ports/Texts.h"

#include <cstdlib>

namespace testsupport {

const std::vector<DataFile> &DataFiles() {
  static const std::vector<DataFile> files = [] {
    std::vector<DataFile> list;
    for (int n = 1; n <= ruzoz::imageCount; ++n)
      list.push_back({ruzoz::imageFileName(n), ruzoz::texts::imageFailed});
    for (const char *name : {"GunShot.wav", "drip.wav", "Schaden.wav", "Get.wav", "Kollision.wav"})
      list.push_back({name, ruzoz::texts::bufferFailed});
    for (const char *name : {"Template1.tpl", "Style1.sty", "Chordmap1.cdm"})
      list.push_back({name, ruzoz::texts::musicFailed});
    return list;
  }();
  return files;
}

DataCopy::DataCopy() {
  for (const DataFile &file : DataFiles())
    fs::copy_file(fs::path(RUZOZ_DATA_DIR) / file.name, path() / file.name);
}

ProcessResult RunHeadless(const std::string &program, const fs::path &dir,
                          const std::vector<std::string> &arguments, double seconds) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  Environment env{{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}};
  // This process's sanitizer options, with an exit code of their own.
  for (const char *sanitizer : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    const char *options = std::getenv(sanitizer);
    env[sanitizer] = std::string(options != nullptr ? options : "") + ":exitcode=23";
  }
  return RunProcess(argv, dir, env, seconds);
}

} // namespace testsupport
