#pragma once
// The game's five effect sounds, synthesised.

#include <vector>

namespace soundgen {

struct Clip {
  const char *file;
  int rate;
  int channels;
  std::vector<float> samples; // interleaved, within [-1, 1]
};

Clip MakeDrip();      // the beam firing: a bright falling zap
Clip MakeSchaden();   // damage: noisy burst over a low thump
Clip MakeGet();       // pick-up: a rising four-note chime
Clip MakeKollision(); // a bump: low hollow knock
Clip MakeGunShot();   // a shot (loaded by the game, never played)

std::vector<Clip> MakeAllSounds();

} // namespace soundgen
