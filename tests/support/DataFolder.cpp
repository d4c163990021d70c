#include "support/DataFolder.h"

#include "graphics/Display.h"
#include "ports/Texts.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

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

Bytes ReadBytes(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

namespace {

// This process's options for a sanitizer, with an exit code of its own.
std::string WithExitCode(const char *variable) {
  const char *value = std::getenv(variable);
  return std::string(value != nullptr && *value != '\0' ? std::string(value) + ":" : "") +
         "exitcode=23";
}

} // namespace

ProcessResult RunHeadless(const std::string &program, const fs::path &dir,
                          const std::vector<std::string> &arguments, double seconds) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProcess(argv, dir,
                    {{"SDL_VIDEODRIVER", "dummy"},
                     {"SDL_AUDIODRIVER", "dummy"},
                     {"ASAN_OPTIONS", WithExitCode("ASAN_OPTIONS")},
                     {"UBSAN_OPTIONS", WithExitCode("UBSAN_OPTIONS")}},
                    seconds);
}

bool SanitizerReport(const std::string &err) {
  return err.find("Sanitizer") != std::string::npos ||
         err.find("runtime error:") != std::string::npos;
}

} // namespace testsupport
