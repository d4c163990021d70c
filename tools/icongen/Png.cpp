#include "Png.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>
#include <string_view>

namespace ruzoz::icongen {

namespace {

void PutU32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t> &out, std::string_view type,
              const std::vector<std::uint8_t> &data) {
  PutU32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  PutU32(out, static_cast<std::uint32_t>(crc));
}

} // namespace

std::vector<std::uint8_t> EncodePng(const Image &image) {
  if (image.width <= 0 || image.height <= 0)
    throw std::runtime_error("empty image");
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

  std::vector<std::uint8_t> header;
  PutU32(header, static_cast<std::uint32_t>(image.width));
  PutU32(header, static_cast<std::uint32_t>(image.height));
  // Bit depth 8, colour type 6 (RGBA), deflate, adaptive filtering, no interlace.
  header.insert(header.end(), {8, 6, 0, 0, 0});
  PutChunk(out, "IHDR", header);
  PutChunk(out, "sRGB", {0});

  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(image.height) * (1 + 4 * image.width));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0); // filter type None
    for (int x = 0; x < image.width; ++x) {
      const Rgba &p = image.at(x, y);
      raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK)
    throw std::runtime_error("zlib could not compress the image");
  packed.resize(packedSize);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

void WritePng(const Image &image, const std::filesystem::path &path) {
  const std::vector<std::uint8_t> bytes = EncodePng(image);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

} // namespace ruzoz::icongen
