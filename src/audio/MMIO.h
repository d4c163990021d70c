#pragma once
// A reader over a RIFF image held in memory, walked chunk by chunk. Every
// size and offset it meets is checked against the image: untrusted bytes.

#include <cstdint>

namespace ruzoz {

// Four characters as one code, the first in the lowest byte (their order on disk).
constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
         std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

// What a descend found: the chunk's id, size, form type (RIFF and LIST only)
// and the offset of its data within the image.
struct ChunkRecord {
  std::uint32_t id = 0;
  std::uint32_t size = 0;
  std::uint32_t formType = 0;
  std::uint32_t dataOffset = 0;
};

// Asks for a RIFF or LIST form of this type.
struct FormInfo : ChunkRecord {
  FormInfo(char a, char b, char c, char d) { formType = FourCC(a, b, c, d); }
};

// Asks for a chunk of this id.
struct ChunkInfo : ChunkRecord {
  ChunkInfo(char a, char b, char c, char d) { id = FourCC(a, b, c, d); }
};

// The image a memory reader runs over; it is read, never grown or written.
struct MemoryFileInfo {
  const std::uint8_t *buffer = nullptr;
  std::uint32_t size = 0;
};

class MMIO {
public:
  // Descend flags.
  static constexpr unsigned findChunk = 0x10;
  static constexpr unsigned findRiff = 0x20;

  // Results of Descend and Ascend.
  enum Result : int { ok = 0, notOpen, chunkNotFound, badChunk };

  explicit MMIO(const MemoryFileInfo &info) { OpenMemory(info); }
  ~MMIO() { Close(); }
  MMIO(const MMIO &) = delete;
  MMIO &operator=(const MMIO &) = delete;

  bool OpenMemory(const MemoryFileInfo &info);
  void Close();
  bool IsOpen() const { return image != nullptr; }

  // Copies up to `count` bytes from the read position; the count copied, or
  // -1 when closed or `count` is negative. Stops at the end of the image.
  std::int32_t Read(void *buffer, std::int32_t count);

  // Enters the next chunk (flags 0), or searches for the chunk or form that
  // `chunk` asks for, starting at the read position and staying inside
  // `parent` when given. On success the read position is the chunk's data
  // (after the form type of a RIFF or LIST).
  int Descend(ChunkRecord &chunk, unsigned flags) { return Descend(chunk, nullptr, flags); }
  int Descend(ChunkRecord &chunk, const ChunkRecord *parent, unsigned flags);

  // Moves the read position past the end of `chunk` and its pad byte.
  int Ascend(const ChunkRecord &chunk, unsigned flags);

private:
  bool ReadWord(std::uint32_t at, std::uint32_t &word) const;

  const std::uint8_t *image = nullptr;
  std::uint32_t length = 0;
  std::uint32_t position = 0;
};

} // namespace ruzoz
