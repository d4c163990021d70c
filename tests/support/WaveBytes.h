#pragma once
// Wave files put together chunk by chunk, damaged ones included.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Little-endian fields: {value, byte count}.
inline Bytes Le(std::initializer_list<std::pair<std::uint32_t, int>> fields) {
  Bytes out;
  for (auto [v, n] : fields)
    for (int i = 0; i < n; ++i)
      out.push_back(std::uint8_t(v >> 8 * i));
  return out;
}

// Id, size (the payload's unless claimed otherwise), payload, pad byte.
inline Bytes Chunk(const char *id, const Bytes &payload, std::int64_t claimed = -1) {
  const auto size = std::uint32_t(claimed < 0 ? payload.size() : claimed);
  return Cat({Bytes(id, id + 4), Le({{size, 4}}), payload, Bytes(payload.size() % 2)});
}

inline Bytes Riff(std::initializer_list<Bytes> chunks) {
  return Chunk("RIFF", Cat({Bytes{'W', 'A', 'V', 'E'}, Cat(chunks)}));
}

// A 16-byte "fmt " chunk; `align` 0 means channels * bits / 8.
inline Bytes Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                 std::uint16_t align = 0) {
  align = align ? align : std::uint16_t(channels * bits / 8);
  return Chunk("fmt ",
               Le({{tag, 2}, {channels, 2}, {rate, 4}, {rate * align, 4}, {align, 2}, {bits, 2}}));
}

inline Bytes Samples16(const std::vector<int> &samples) {
  Bytes out;
  for (int s : samples)
    out.insert(out.end(), {std::uint8_t(s), std::uint8_t(s >> 8)});
  return out;
}

inline Bytes PcmWave(std::uint16_t channels, std::uint32_t rate, const std::vector<int> &samples) {
  return Riff({Fmt(1, channels, rate, 16), Chunk("data", Samples16(samples))});
}

} // namespace testsupport
