#pragma once
// The autopilot's lookahead (Lookahead.cpp), for the pilot's own files.

namespace ruzoz::pilot::detail {

// Frames run between beginLookahead and endLookahead leave no trace: the
// game's state, keys, random state and the level's objects and tiles are
// put back, and the frames draw nothing and play no sound.
void beginLookahead();
void endLookahead();
// Back to the state beginLookahead saved, to try something else.
void rewind();
// The effects the lookahead's frames asked for so far, by index.
const int *lookaheadEffects();
bool levelValid(int level);

} // namespace ruzoz::pilot::detail
