#include "ports/SoundFonts.h"

#include <string_view>
#include <sys/stat.h>

namespace ruzoz {

namespace {

bool IsFile(const std::string &path) {
  struct stat status;
  return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

std::vector<std::string> SoundFontPlaces(const char *environmentList) {
  std::vector<std::string> places;
  std::string_view list = environmentList != nullptr ? environmentList : "";
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    if (colon != 0)
      places.emplace_back(list.substr(0, colon));
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  if (places.empty())
    places = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
              "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
  return places;
}

std::string FindSoundFont(const char *environmentList) {
  for (const std::string &place : SoundFontPlaces(environmentList))
    if (IsFile(place))
      return place;
  return {};
}

} // namespace ruzoz
