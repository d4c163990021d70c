#include "audio/Wave.h"

#include "audio/MMIO.h"
#include "ports/DataFile.h"

#include <new>

namespace ruzoz {

namespace {

std::uint16_t Word16(const std::uint8_t *p) { return std::uint16_t(p[0] | p[1] << 8); }

std::uint32_t Word32(const std::uint8_t *p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

} // namespace

bool Wave::Load(const char *fileName) {
  Free();
  if (!fileName)
    return false;
  return ReadDataFile(fileName, DataKind::wave, data) && IsValid();
}

bool Wave::Free() {
  if (!IsValid())
    return false;
  std::vector<std::uint8_t>().swap(data);
  return true;
}

bool Wave::Walk(MMIO &io, ChunkRecord &chunk) const {
  if (!io.IsOpen())
    return false;
  FormInfo form('W', 'A', 'V', 'E');
  if (io.Descend(form, MMIO::findRiff) != MMIO::ok)
    return false;
  return io.Descend(chunk, &form, MMIO::findChunk) == MMIO::ok;
}

bool Wave::GetFormat(WaveFormat &format) const {
  format = WaveFormat{};
  if (!IsValid())
    return false;
  MMIO io(MemoryFileInfo{data.data(), Size()});
  ChunkInfo chunk('f', 'm', 't', ' ');
  if (!Walk(io, chunk))
    return false;
  std::uint8_t record[waveFormatBytes] = {};
  io.Read(record, waveFormatBytes);
  io.Ascend(chunk, 0);
  io.Close();
  format.formatTag = Word16(record);
  format.channels = Word16(record + 2);
  format.samplesPerSec = Word32(record + 4);
  format.blockAlign = Word16(record + 12);
  format.bitsPerSample = Word16(record + 14);
  return true;
}

std::uint32_t Wave::GetDataSize() const {
  if (!IsValid())
    return 0;
  MMIO io(MemoryFileInfo{data.data(), Size()});
  ChunkInfo chunk('d', 'a', 't', 'a');
  bool found = Walk(io, chunk);
  io.Close();
  return found ? chunk.size : 0;
}

std::uint32_t Wave::ReadData(std::uint8_t **buffer, std::uint32_t maxBytes) const {
  if (!IsValid() || !buffer)
    return 0;
  MMIO io(MemoryFileInfo{data.data(), Size()});
  ChunkInfo chunk('d', 'a', 't', 'a');
  if (!Walk(io, chunk))
    return 0;
  std::uint32_t n = chunk.size;
  if (!*buffer) {
    if (n == 0)
      return 0;
    *buffer = new (std::nothrow) std::uint8_t[n];
    if (!*buffer)
      return 0;
  } else if (maxBytes < n) {
    n = maxBytes;
  }
  // The chunk lies inside the image, so the reads deliver all n bytes.
  std::uint32_t copied = 0;
  while (copied < n) {
    std::uint32_t step = n - copied < (1u << 30) ? n - copied : (1u << 30);
    std::int32_t got = io.Read(*buffer + copied, std::int32_t(step));
    if (got <= 0)
      break;
    copied += std::uint32_t(got);
  }
  io.Close();
  return copied;
}

} // namespace ruzoz
