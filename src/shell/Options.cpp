#include "shell/Options.h"

namespace ruzoz {

namespace {

const char *const usage = R"(Usage: ruzoz [OPTION]...
A 2D space shooter. Keys: arrows steer, Shift fires, Space starts,
Enter shows the story, Esc ends, Alt+Enter switches full screen.
Gamepad: D-pad and left stick steer (the arrows), A and the right trigger
fire (Shift), Start starts (Space), Back shows the story (Enter), Back and
Start together end (Esc).

  --fullscreen     start in full screen (the default)
  --window         start in a window
  --integer-scale  scale the picture by whole numbers only
  --nosound        no sound effects and no music; no sound device is opened
  --nomusic        sound effects without the music
  --record FILE    write the keys of the game to FILE as a key script
  --play FILE      play the key script FILE instead of the keyboard
                   (Esc still ends, Alt+Enter still switches)
  --trace FILE     write one trace line per frame to FILE
  --demo [SEED]    watch the autopilot play a game, title to end (Esc ends)
  -h, --help       show this help and exit
      --version    show the version and exit

Key scripts and traces: see ruzoz(6).
)";

CommandLine failure(const std::string &what) {
  CommandLine line;
  line.exitCode = 2;
  line.err = "ruzoz: " + what + "\n" + usage;
  return line;
}

bool isSeed(const std::string &text) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  return std::stoull(text) <= 0xFFFFFFFFull;
}

} // namespace

CommandLine ParseCommandLine(int argc, const char *const *argv) {
  CommandLine line;
  Options &o = line.options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    // --name=value is --name value.
    std::string value;
    bool inlineValue = false;
    if (arg.compare(0, 2, "--") == 0) {
      const auto equals = arg.find('=');
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
        arg.resize(equals);
        inlineValue = true;
      }
    }
    std::string *path = arg == "--record"  ? &o.recordPath
                        : arg == "--play"  ? &o.playPath
                        : arg == "--trace" ? &o.tracePath
                                           : nullptr;
    if (path != nullptr) {
      if (!inlineValue) {
        if (i + 1 == argc)
          return failure("option '" + arg + "' needs a file name");
        value = argv[++i];
      }
      if (value.empty())
        return failure("option '" + arg + "' needs a file name");
      *path = value;
      continue;
    }
    if (arg == "--demo") {
      // The seed is optional: a next argument that is a number is one.
      if (!inlineValue && i + 1 < argc && isSeed(argv[i + 1]))
        value = argv[++i];
      else if (inlineValue && !isSeed(value))
        return failure("option '--demo' needs a seed of 0..4294967295, not '" + value + "'");
      o.demo = true;
      o.demoSeed = value.empty() ? 1 : static_cast<std::uint32_t>(std::stoull(value));
      continue;
    }
    if (inlineValue)
      return failure("option '" + arg + "' takes no value");
    if (arg == "--window" || arg == "--fullscreen") {
      o.inWindow = arg == "--window";
    } else if (arg == "--integer-scale") {
      o.integerScale = true;
    } else if (arg == "--nosound") {
      o.noSound = true;
    } else if (arg == "--nomusic") {
      o.noMusic = true;
    } else if (arg == "-h" || arg == "--help") {
      line.exitCode = 0;
      line.out = usage;
      return line;
    } else if (arg == "--version") {
      line.exitCode = 0;
      line.out = "ruzoz " RUZOZ_VERSION "\n";
      return line;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return failure("unknown option '" + arg + "'");
    } else {
      return failure("unexpected argument '" + arg + "'");
    }
  }
  if (o.demo && !o.playPath.empty())
    return failure("options '--demo' and '--play' both choose the keys");
  if (!o.recordPath.empty() && o.recordPath == o.tracePath)
    return failure("options '--record' and '--trace' name the same file");
  return line;
}

} // namespace ruzoz
