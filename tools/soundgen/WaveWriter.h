#pragma once
// RIFF WAVE files of 16-bit PCM.

#include "Sounds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

// The whole file: "RIFF" form "WAVE" with a 16-byte "fmt " and a "data" chunk.
std::vector<std::uint8_t> EncodeWave(const Clip &clip);
bool WriteFile(const std::string &path, const std::vector<std::uint8_t> &bytes);

} // namespace soundgen
