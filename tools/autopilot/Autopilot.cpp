// ruzoz-autopilot: plays one game to its end and prints the key script it
// used; on standard error, how the game went (won or lost, the frames each
// level took, the score).

#include "ToolCommand.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "pilot/Pilot.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace ruzoz;

namespace {

void print(long long frame, const Message &m) {
  if (m.kind == MessageKind::keyDown)
    std::printf("%lld down %d\n", frame, m.virtualKey);
  else
    std::printf("%lld other\n", frame);
}

bool number(const char *text, unsigned long long &value) {
  char *end = nullptr;
  if (*text < '0' || *text > '9')
    return false;
  value = std::strtoull(text, &end, 10);
  return *end == '\0';
}

} // namespace

int main(int argc, char **argv) {
  const tool::Command command{"ruzoz-autopilot", "ruzoz-autopilot [--frames N] [--seed S]\n"};
  command.answerHelp(argc, argv);
  unsigned long long frames = 500000, seed = 1;
  for (int i = 1; i < argc; i += 2) {
    const bool known = std::strcmp(argv[i], "--frames") == 0 || std::strcmp(argv[i], "--seed") == 0;
    if (!known)
      command.refuse(std::string("unknown argument ") + argv[i]);
    unsigned long long value = 0;
    if (i + 1 >= argc || !number(argv[i + 1], value) || value > 0xFFFFFFFFull)
      command.refuse(std::string(argv[i]) + " needs a number of 0..4294967295");
    (std::strcmp(argv[i], "--frames") == 0 ? frames : seed) = value;
  }
  std::printf("# Autopilot game, seed %llu.\n", seed);
  InstallNominalSurfaces(nullptr);
  pilot::Autopilot autopilot(static_cast<std::uint32_t>(seed));
  long long entered[levelCount + 1] = {}; // the frame each level began; 16: the win
  int reached = -1;
  long long ended = -1;
  long long frame = 0;
  std::uint32_t score = 0;
  for (; frame < static_cast<long long>(frames) && !autopilot.Finished(); ++frame) {
    Message messages[pilot::maxMessages];
    const int n = autopilot.Decide(frame, messages);
    for (int i = 0; i < n; ++i) {
      print(frame, messages[i]);
      if (!(messages[i].kind == MessageKind::keyDown && messages[i].virtualKey == vkEscape))
        WindowProc(messages[i]);
    }
    if (autopilot.Finished())
      break;
    const bool playing = game.playing && game.gameInProgress;
    runFrame();
    if (!playing || ended >= 0)
      continue;
    if (reached < 0)
      entered[reached = 0] = frame;
    while (reached < game.currentLevel && reached < levelCount)
      entered[++reached] = frame + 1;
    score = game.score;
    if (!(game.playing && game.gameInProgress))
      ended = frame + 1;
  }
  if (!autopilot.Finished())
    std::printf("%lld down %d\n", frame, vkEscape);
  std::fprintf(stderr, "seed %llu: %s, score %u, %lld frames; frames per level:", seed,
               reached == levelCount ? "won" : (ended < 0 ? "not over" : "lost"), score, frame);
  for (int l = 0; l <= reached && l < levelCount; ++l)
    std::fprintf(stderr, " %lld",
                 (l < reached  ? entered[l + 1]
                  : ended >= 0 ? ended
                               : frame) -
                     entered[l]);
  std::fprintf(stderr, "\n");
  return 0;
}
