#pragma once
// The command line. The game reads no configuration and writes no file
// unless one of these asks it to.

#include <cstdint>
#include <string>

namespace ruzoz {

struct Options {
  bool inWindow = false;     // --window; --fullscreen (the default) clears it
  bool integerScale = false; // --integer-scale
  bool noSound = false;      // --nosound: neither effects nor music
  bool noMusic = false;      // --nomusic: effects only
  std::string recordPath;    // --record FILE: the key script of the game
  std::string playPath;      // --play FILE: a key script instead of the keyboard
  std::string tracePath;     // --trace FILE: one trace line per frame
  bool demo = false;         // --demo [SEED]: the autopilot plays
  std::uint32_t demoSeed = 1;
};

// What the command line asks for. When `exitCode` is not negative the
// program ends at once with that code, after printing `out` on standard
// output and `err` on standard error (--help, --version, a bad option).
struct CommandLine {
  Options options;
  int exitCode = -1;
  std::string out;
  std::string err;
};

CommandLine ParseCommandLine(int argc, const char *const *argv);

} // namespace ruzoz
