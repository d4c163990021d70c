#include "audio/MMIO.h"

#include <cstring>

namespace ruzoz {

namespace {

constexpr std::uint32_t riffId = FourCC('R', 'I', 'F', 'F');
constexpr std::uint32_t listId = FourCC('L', 'I', 'S', 'T');
constexpr std::uint32_t headerBytes = 8;

} // namespace

bool MMIO::OpenMemory(const MemoryFileInfo &info) {
  Close();
  if (!info.buffer)
    return false;
  image = info.buffer;
  length = info.size;
  return true;
}

void MMIO::Close() {
  image = nullptr;
  length = 0;
  position = 0;
}

bool MMIO::ReadWord(std::uint32_t at, std::uint32_t &word) const {
  if (at > length || length - at < 4)
    return false;
  const std::uint8_t *p = image + at;
  word = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
  return true;
}

std::int32_t MMIO::Read(void *buffer, std::int32_t count) {
  if (!image || count < 0)
    return -1;
  std::uint32_t n = length - position;
  if (std::uint32_t(count) < n)
    n = std::uint32_t(count);
  if (n > 0)
    std::memcpy(buffer, image + position, n);
  position += n;
  return std::int32_t(n);
}

int MMIO::Descend(ChunkRecord &chunk, const ChunkRecord *parent, unsigned flags) {
  if (!image)
    return notOpen;
  // 64-bit arithmetic: a claimed size near 4 GiB must not wrap.
  std::uint64_t end = length;
  if (parent) {
    std::uint64_t parentEnd = std::uint64_t(parent->dataOffset) + parent->size;
    if (parentEnd < end)
      end = parentEnd;
  }
  const bool searching = flags & (findChunk | findRiff);
  std::uint64_t at = position;
  while (at + headerBytes <= end) {
    std::uint32_t id = 0, size = 0, formType = 0;
    ReadWord(std::uint32_t(at), id);
    ReadWord(std::uint32_t(at + 4), size);
    const std::uint64_t dataOffset = at + headerBytes;
    const std::uint64_t dataEnd = dataOffset + size;
    const bool isForm = id == riffId || id == listId;
    // A chunk larger than what holds it can neither be entered nor skipped.
    if (dataEnd > end || (isForm && size < 4))
      return searching ? chunkNotFound : badChunk;
    if (isForm)
      ReadWord(std::uint32_t(dataOffset), formType);

    bool match = true;
    if (flags & findRiff)
      match = id == riffId && formType == chunk.formType;
    else if (flags & findChunk)
      match = id == chunk.id;

    if (match) {
      chunk.id = id;
      chunk.size = size;
      chunk.formType = isForm ? formType : 0;
      chunk.dataOffset = std::uint32_t(dataOffset);
      position = std::uint32_t(isForm ? dataOffset + 4 : dataOffset);
      return ok;
    }
    at = dataEnd + (size & 1);
  }
  return searching ? chunkNotFound : badChunk;
}

int MMIO::Ascend(const ChunkRecord &chunk, unsigned) {
  if (!image)
    return notOpen;
  std::uint64_t next = std::uint64_t(chunk.dataOffset) + chunk.size + (chunk.size & 1);
  position = next < length ? std::uint32_t(next) : length;
  return ok;
}

} // namespace ruzoz
