#pragma once
// A sound device without a device: takes 16-bit PCM of any rate, scales it
// (mono to both sides) and counts what is asked of it.

#include "audio/SoundEffects.h"

namespace soundtest {

struct FakeSoundDevice : ruzoz::SoundDevice {
  bool Open() override { return ++opens, openWorks; }
  bool AcceptsMix() override { return acceptsMix; }
  void Close() override { ++closes; }
  bool IsLost() override { return lost; }
  bool Reopen() override { return ++reopens, lost = !reopenWorks, reopenWorks; }
  bool CanConvert(const ruzoz::WaveFormat &f) override {
    return f.formatTag == 1 && f.bitsPerSample == 16 && f.channels <= 2;
  }
  bool Convert(const ruzoz::WaveFormat &f, const std::uint8_t *bytes, std::uint32_t count,
               std::vector<float> &out) override {
    ++conversions;
    for (std::uint32_t i = 0; convertWorks && i + 1 < count; i += 2)
      out.insert(out.end(), 3 - f.channels,
                 float(std::int16_t(bytes[i] | bytes[i + 1] << 8)) / 32768);
    return convertWorks;
  }
  void Lock() override { ++lockDepth; }
  void Unlock() override { --lockDepth; }

  bool openWorks = true, acceptsMix = true, lost = false, reopenWorks = true, convertWorks = true;
  int opens = 0, closes = 0, reopens = 0, conversions = 0, lockDepth = 0;
};

} // namespace soundtest
