#pragma once
// The autopilot: plays one game from the title to its end by reading the
// game's state before each frame and answering with the messages a player
// could send (key-downs, one arrow at a time, and other messages). It looks
// ahead by running the game's own frames on the live state and putting the
// state back afterwards, with the pictures and sounds of those frames
// switched off. Its choices depend only on the game's state and its seed,
// so one seed always gives the same messages.

#include "ports/Input.h"

#include <cstdint>

namespace ruzoz::pilot {

// Messages the pilot may send before one frame.
constexpr int maxMessages = 4;

// Frames of title shown after the game's end before the pilot presses Esc.
constexpr int tailFrames = 180;

namespace detail {

struct Vec {
  double x, y;
};

enum class GoalKind { alien, tile, point, brake, coast };

struct Goal {
  GoalKind kind = GoalKind::coast;
  int slot = -1; // the alien's
  Vec at = {0, 0};
};

// The pilot's working state between frames.
struct Plan {
  Goal main;   // where it wants to go
  Goal active; // how it gets there now (main, or a way out)
  long long chosenAt = -1000;
  long long evaluatedAt = -1000;
  long long progressAt = 0; // last frame that scored or changed level
  std::uint32_t lastScore = 0;
  int lastLevel = -1;
  int avoid = -1; // an alien that would not be caught
};

} // namespace detail

class Autopilot {
public:
  explicit Autopilot(std::uint32_t seed);

  // The messages to deliver before frame `frame` (0-based, as key scripts
  // count), from the state the frames before it left. Returns how many were
  // written to `out`. Call once per frame, in frame order, and hand the
  // messages to WindowProc before the frame runs.
  int Decide(long long frame, Message out[maxMessages]);

  // Esc has been sent: the program ends.
  bool Finished() const { return finished_; }

private:
  bool played_ = false; // a game has started
  bool finished_ = false;
  long long endedAt_ = -1; // frame at which the game was seen over
  long long titleWait_;
  std::uint32_t random_;
  detail::Plan plan_;
};

// The messages of an Autopilot as the main loop's input: each frame's are
// decided when the loop first asks after the frames before it have run
// (`framesRun` is the loop's count). Of `inner`'s messages only Esc and the
// window's closing get through, as with a played key script.
class PilotInput final : public Input {
public:
  PilotInput(Input &inner, std::uint32_t seed, const long long &framesRun)
      : inner_(inner), pilot_(seed), framesRun_(framesRun) {}
  bool TakeMessage(Message &message) override;
  void WaitForMessage(int milliseconds) override;

private:
  Input &inner_;
  Autopilot pilot_;
  const long long &framesRun_;
  long long decidedFor_ = -1;
  Message pending_[maxMessages];
  int count_ = 0;
  int next_ = 0;
};

// What a key-down or other message does to the key flags (the arrows and
// the fire request), as the window procedure does it; the lookahead's
// frames take their keys this way. Screen-state keys are not handled.
void ApplyToKeys(const Message &message);

// One play frame of the game without its pictures: the counting and the
// camera cell of the drawing pass, the beam, the update, the level check,
// the banner's timer and the tile effects, in the frame's order.
void SimulatePlayFrame();

} // namespace ruzoz::pilot
