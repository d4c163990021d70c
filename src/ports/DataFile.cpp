#include "ports/DataFile.h"

#include "ports/BitmapImage.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ruzoz {

namespace {

const char *kindName(DataKind kind) {
  switch (kind) {
  case DataKind::image:
    return "an image";
  case DataKind::wave:
    return "a wave";
  case DataKind::music:
    return "a music file";
  }
  return "a data file";
}

bool cannotOpen(const char *fileName, int error) {
  std::fprintf(stderr, "%s: cannot be opened: %s\n", fileName, std::strerror(error));
  return false;
}

bool notRegular(const char *fileName, const char *what) {
  std::fprintf(stderr, "%s: refused: %s, not a regular file\n", fileName, what);
  return false;
}

bool tooLarge(const char *fileName, DataKind kind, std::uint64_t size) {
  std::fprintf(stderr, "%s: refused: %" PRIu64 " bytes, more than %s can be (%" PRIu64 ")\n",
               fileName, size, kindName(kind), DataFileCap(kind));
  return false;
}

bool cannotRead(const char *fileName, const char *why) {
  std::fprintf(stderr, "%s: cannot be read: %s\n", fileName, why);
  return false;
}

// Room for the whole file; a cap of 64 MiB may still be more than a small
// machine gives.
bool makeRoom(std::vector<std::uint8_t> &bytes, std::uint64_t size) {
  try {
    bytes.resize(static_cast<std::size_t>(size));
    return true;
  } catch (const std::bad_alloc &) {
    return false;
  }
}

const char *typeName(mode_t mode) {
  if (S_ISDIR(mode))
    return "a directory";
  if (S_ISFIFO(mode))
    return "a named pipe";
  if (S_ISSOCK(mode))
    return "a socket";
  if (S_ISCHR(mode))
    return "a character device";
  if (S_ISBLK(mode))
    return "a block device";
  return "something else";
}

bool judge(const char *fileName, DataKind kind, const struct stat &info) {
  if (!S_ISREG(info.st_mode))
    return notRegular(fileName, typeName(info.st_mode));
  if (static_cast<std::uint64_t>(info.st_size) > DataFileCap(kind))
    return tooLarge(fileName, kind, static_cast<std::uint64_t>(info.st_size));
  return true;
}

} // namespace

std::uint64_t DataFileCap(DataKind kind) {
  switch (kind) {
  case DataKind::image:
    return largestBitmapFileBytes;
  case DataKind::wave:
    return 64ull << 20;
  case DataKind::music:
    return 1ull << 20;
  }
  return 0;
}

bool ReadDataFile(const char *fileName, DataKind kind, std::vector<std::uint8_t> &bytes) {
  bytes.clear();
  // Judged by name first, so that a pipe or device is never opened at all.
  struct stat info;
  if (::stat(fileName, &info) != 0)
    return cannotOpen(fileName, errno);
  if (!judge(fileName, kind, info))
    return false;
  // Never a blocking open, should the name have changed hands meanwhile;
  // what was opened is judged again.
  const int file = ::open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0)
    return cannotOpen(fileName, errno);
  bool whole = ::fstat(file, &info) == 0 && judge(fileName, kind, info);
  if (whole && !makeRoom(bytes, static_cast<std::uint64_t>(info.st_size)))
    whole = cannotRead(fileName, "out of memory");
  std::size_t got = 0;
  while (whole && got < bytes.size()) {
    const ssize_t n = ::read(file, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      whole = cannotRead(fileName, std::strerror(errno));
    else if (n == 0)
      break; // it shrank since: what is there is the file
    else
      got += static_cast<std::size_t>(n);
  }
  ::close(file);
  if (!whole) {
    bytes.clear();
    return false;
  }
  bytes.resize(got);
  return true;
}

} // namespace ruzoz
