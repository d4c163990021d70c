#pragma once
// One RIFF WAVE file image held in memory byte for byte, answering what its
// "fmt " and "data" chunks say. Each query walks the chunks afresh.

#include "ports/Sound.h"

#include <cstdint>
#include <vector>

namespace ruzoz {

class MMIO;
struct ChunkRecord;

class Wave {
public:
  Wave() = default;
  virtual ~Wave() { Free(); }
  Wave(const Wave &) = delete;
  Wave &operator=(const Wave &) = delete;

  // Reads the whole file. A refused, unreadable or empty file leaves the
  // Wave empty and gives false.
  bool Load(const char *fileName);
  // True if an image was given back.
  bool Free();
  bool IsValid() const { return !data.empty(); }

  // The 18 bytes from the start of the "fmt " chunk; bytes the image does
  // not hold read as 0. False (record zeroed) when empty or not a WAVE form
  // with a whole "fmt " chunk.
  bool GetFormat(WaveFormat &format) const;
  // Byte size of the "data" chunk; 0 when empty or missing.
  std::uint32_t GetDataSize() const;
  // Copies the "data" chunk into the caller's block *buffer, at most
  // maxBytes; or, when *buffer is null, into a new block of the chunk's
  // size (new[], then the caller's) stored in *buffer. The byte count.
  std::uint32_t ReadData(std::uint8_t **buffer, std::uint32_t maxBytes) const;

  const std::uint8_t *Data() const { return IsValid() ? data.data() : nullptr; }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(data.size()); }

private:
  bool Walk(MMIO &io, ChunkRecord &chunk) const;

  std::vector<std::uint8_t> data;
};

} // namespace ruzoz
