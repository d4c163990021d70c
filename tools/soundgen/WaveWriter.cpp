#include "WaveWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace soundgen {

namespace {

void Put16(std::vector<std::uint8_t> &out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

void Put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

void PutId(std::vector<std::uint8_t> &out, const char *id) {
  for (int i = 0; i < 4; ++i)
    out.push_back(std::uint8_t(id[i]));
}

} // namespace

std::vector<std::uint8_t> EncodeWave(const Clip &clip) {
  const std::uint32_t dataBytes = std::uint32_t(clip.samples.size() * 2);
  const std::uint32_t blockAlign = std::uint32_t(clip.channels) * 2;
  std::vector<std::uint8_t> out;
  out.reserve(44 + dataBytes + 1);
  PutId(out, "RIFF");
  Put32(out, 4 + 8 + 16 + 8 + dataBytes + (dataBytes & 1));
  PutId(out, "WAVE");
  PutId(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);
  Put16(out, std::uint32_t(clip.channels));
  Put32(out, std::uint32_t(clip.rate));
  Put32(out, std::uint32_t(clip.rate) * blockAlign);
  Put16(out, blockAlign);
  Put16(out, 16);
  PutId(out, "data");
  Put32(out, dataBytes);
  for (float s : clip.samples) {
    const long v = std::lround(std::clamp(double(s), -1.0, 1.0) * 32767.0);
    Put16(out, std::uint32_t(v) & 0xffff);
  }
  return out;
}

bool WriteFile(const std::string &path, const std::vector<std::uint8_t> &bytes) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

} // namespace soundgen
