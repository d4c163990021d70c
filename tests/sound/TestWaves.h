#pragma once
// Wave images built byte by byte, and a scratch folder to run the game's
// file loading in.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace soundtest {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes &out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(std::uint8_t(v >> 8 * i));
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Id, size (the payload's unless claimed otherwise), payload, pad byte.
inline Bytes Chunk(const char *id, const Bytes &payload, std::int64_t claimed = -1) {
  Bytes out(id, id + 4);
  Put(out, claimed < 0 ? std::uint32_t(payload.size()) : std::uint32_t(claimed), 4);
  out.insert(out.end(), payload.begin(), payload.end());
  if (payload.size() % 2)
    out.push_back(0);
  return out;
}

inline Bytes Form(const char *id, const char *type, std::initializer_list<Bytes> chunks) {
  return Chunk(id, Cat({Bytes(type, type + 4), Cat(chunks)}));
}

// A plain 16-byte "fmt " payload.
inline Bytes Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                 std::uint16_t bits) {
  Bytes out;
  const std::uint32_t align = std::uint32_t(channels) * bits / 8;
  for (auto [v, n] : {std::pair{std::uint32_t(tag), 2},
                      {channels, 2},
                      {rate, 4},
                      {rate * align, 4},
                      {align, 2},
                      {bits, 2}})
    Put(out, v, n);
  return out;
}

inline Bytes Samples16(const std::vector<std::int16_t> &samples) {
  Bytes out;
  for (std::int16_t s : samples)
    Put(out, std::uint16_t(s), 2);
  return out;
}

inline Bytes PcmWave(std::uint16_t channels, std::uint32_t rate,
                     const std::vector<std::int16_t> &samples) {
  return Form("RIFF", "WAVE",
              {Chunk("fmt ", Fmt(1, channels, rate, 16)), Chunk("data", Samples16(samples))});
}

inline void WriteBytes(const std::filesystem::path &path, const Bytes &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes ReadBytes(const std::filesystem::path &path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

// A fresh folder that is the working directory until the end of the scope.
class ScratchDir {
public:
  ScratchDir() : before(std::filesystem::current_path()) {
    std::string name = (std::filesystem::temp_directory_path() / "ruzoz-sound-XXXXXX").string();
    path = mkdtemp(name.data()) ? name : "";
    std::filesystem::current_path(path);
  }
  ~ScratchDir() {
    std::error_code error;
    std::filesystem::current_path(before, error);
    std::filesystem::remove_all(path, error);
  }
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  std::filesystem::path path;

private:
  std::filesystem::path before;
};

} // namespace soundtest
