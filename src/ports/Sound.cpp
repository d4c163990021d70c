#include "ports/Sound.h"

#include <algorithm>

namespace ruzoz {

void MixOutput(float *out, int frames, MixSource *music, MixSource *effects) {
  std::fill(out, out + frames * mixChannels, 0.0f);
  if (music)
    music->MixInto(out, frames);
  if (effects)
    effects->MixInto(out, frames);
  for (int i = 0; i < frames * mixChannels; ++i)
    out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

} // namespace ruzoz
