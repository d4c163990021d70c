#pragma once
// The effects' wave data into the mix format, the same on every platform:
// samples to floats, channels to stereo, any rate to the mix rate.

#include "ports/Sound.h"

#include <cstdint>
#include <vector>

namespace ruzoz {

// PCM of 8, 16 or 32 bits or 32-bit float, 1 to 8 channels, 100 to
// 100000 Hz: below that a few bytes would resample into gigabytes.
bool CanConvertWave(const WaveFormat &format);
// `count` bytes of `format` (whole frames) into interleaved stereo float at
// the mix rate. Mono goes to both sides; more channels give their first two.
// Other rates are resampled with a cubic through four neighbours, whose
// weights add up to one, so a steady level stays that level.
bool ConvertWave(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
                 std::vector<float> &out);

} // namespace ruzoz
