#include "ports/BitmapImage.h"

#include "ports/DataFile.h"

#include <iterator>

namespace ruzoz {

namespace {

constexpr std::uint32_t compressionNone = 0;
constexpr std::uint32_t compressionRle8 = 1;
constexpr std::uint32_t compressionRle4 = 2;
constexpr std::uint32_t compressionBitFields = 3;

// Where the file header and the header's masks start.
constexpr std::size_t fileHeaderBytes = 14;
constexpr std::size_t masksAt = fileHeaderBytes + 40;

std::uint32_t le(const std::uint8_t *at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | at[i];
  return value;
}

std::uint16_t rgb565(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  const auto packed = static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
  // Dropping the low bits turns near-white into the key.
  return packed == colorKey && (r & g & b) != 0xFF ? almostWhite : packed;
}

struct Masks {
  std::uint32_t red, green, blue, alpha;
};

// The packed layouts SDL's loader takes (others it refuses); alpha is read
// but not used. 444 without alpha is not among them.
constexpr Masks layouts16[] = {
    {0x7C00, 0x03E0, 0x001F, 0},      {0x001F, 0x03E0, 0x7C00, 0},
    {0xF800, 0x07E0, 0x001F, 0},      {0x001F, 0x07E0, 0xF800, 0},
    {0x7C00, 0x03E0, 0x001F, 0x8000}, {0x001F, 0x03E0, 0x7C00, 0x8000},
    {0xF800, 0x07C0, 0x003E, 0x0001}, {0x003E, 0x07C0, 0xF800, 0x0001},
    {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x000F, 0x00F0, 0x0F00, 0xF000},
    {0xF000, 0x0F00, 0x00F0, 0x000F}, {0x00F0, 0x0F00, 0xF000, 0x000F},
};
constexpr Masks layouts32[] = {
    {0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {0x000000FF, 0x0000FF00, 0x00FF0000, 0},
    {0xFF000000, 0x00FF0000, 0x0000FF00, 0},
    {0x0000FF00, 0x00FF0000, 0xFF000000, 0},
    {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
    {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
    {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
    {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
};

bool knownLayout(const Masks &masks, std::uint32_t bits) {
  const Masks *first = bits == 16 ? layouts16 : layouts32;
  const std::size_t count = bits == 16 ? std::size(layouts16) : std::size(layouts32);
  for (std::size_t i = 0; i < count; ++i)
    if (first[i].red == masks.red && first[i].green == masks.green && first[i].blue == masks.blue &&
        first[i].alpha == masks.alpha)
      return true;
  return false;
}

// One channel of a packed pixel (a mask of one run of ones), widened to 8
// bits as SDL widens it (v * 255 / max, rounded down): all ones is 255.
struct Channel {
  int shift = 0;
  std::uint32_t max = 1;

  explicit Channel(std::uint32_t mask) {
    while (shift < 31 && (mask >> shift & 1) == 0)
      ++shift;
    max = mask >> shift | 1;
  }
  std::uint32_t operator()(std::uint32_t pixel) const {
    const std::uint32_t value = pixel >> shift & max;
    return max == 0xFF ? value : value * 255 / max; // no division for 24 and 32 bits
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  std::uint32_t bits = 0;
  std::uint32_t compression = compressionNone;
  std::uint32_t paletteSize = 0; // entries used
  std::size_t paletteEntry = 4;  // bytes each
  std::size_t paletteAt = 0;
  Masks masks{};
};

bool readHeader(const std::uint8_t *bytes, std::size_t size, Header &h) {
  if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M')
    return false;
  const std::uint32_t headerSize = le(bytes + 14, 4);
  const bool core = headerSize == 12; // 16-bit sizes, 3-byte palette entries
  if (!core && (headerSize < 40 || headerSize > 124))
    return false;
  if (size < fileHeaderBytes + headerSize)
    return false;
  const std::uint8_t *info = bytes + fileHeaderBytes;
  h.width = core ? std::int64_t(le(info + 4, 2)) : std::int32_t(le(info + 4, 4));
  const std::int64_t rawHeight =
      core ? std::int64_t(le(info + 6, 2)) : std::int64_t(std::int32_t(le(info + 8, 4)));
  const std::uint32_t planes = le(info + (core ? 8 : 12), 2);
  h.bits = le(info + (core ? 10 : 14), 2);
  h.compression = core ? compressionNone : le(info + 16, 4);
  h.topDown = rawHeight < 0;
  h.height = h.topDown ? -rawHeight : rawHeight;
  if (planes != 1 || h.width <= 0 || h.height <= 0 || h.width * h.height > maxBitmapPixels)
    return false;

  switch (h.bits) {
  case 1:
  case 2:
  case 4:
  case 8: {
    const bool rle = (h.compression == compressionRle8 && h.bits == 8) ||
                     (h.compression == compressionRle4 && h.bits == 4);
    // Runs are written from the bottom row up only.
    if (h.compression != compressionNone && (!rle || h.topDown))
      return false;
    const std::uint32_t used = core ? 0 : le(info + 32, 4);
    h.paletteSize = used == 0 || used > (1u << h.bits) ? 1u << h.bits : used;
    h.paletteEntry = core ? 3 : 4;
    h.paletteAt = fileHeaderBytes + headerSize;
    // SDL reads as many colours as the header says, whatever bytes follow
    // the table (core files of few colours have their pixels there); of
    // those the file holds, the pixels may use any.
    const std::size_t present = (size - h.paletteAt) / h.paletteEntry;
    if (present < h.paletteSize)
      h.paletteSize = std::uint32_t(present);
    return h.paletteSize > 0;
  }
  case 24:
    h.masks = {0xFF0000, 0x00FF00, 0x0000FF, 0}; // blue in the first byte
    return h.compression == compressionNone;
  case 16:
  case 32:
    if (h.compression == compressionNone) {
      h.masks = h.bits == 16 ? Masks{0x7C00, 0x03E0, 0x001F, 0}
                             : Masks{0x00FF0000, 0x0000FF00, 0x000000FF, 0};
      return true;
    }
    // Header 64 is OS/2's, whose compression 3 is something else; V3 and
    // later headers carry an alpha mask after the three.
    if (h.compression != compressionBitFields || headerSize == 64)
      return false;
    if (size < masksAt + (headerSize >= 56 ? 16 : 12))
      return false;
    h.masks = {le(bytes + masksAt, 4), le(bytes + masksAt + 4, 4), le(bytes + masksAt + 8, 4),
               headerSize >= 56 ? le(bytes + masksAt + 12, 4) : 0};
    return knownLayout(h.masks, h.bits);
  default:
    return false;
  }
}

// Palette indices from RLE8 or RLE4 runs, into out (zeros where no run
// reaches, as in SDL's reading). Every run, jump and row end is checked
// against the picture: a pixel above the top row, or beyond the row's
// padding to four bytes, refuses the file; one within the padding (as some
// encoders write a last odd pixel) is dropped.
bool decodeRuns(const std::uint8_t *data, std::size_t size, bool four, const Header &h,
                std::uint16_t *out) {
  const std::int64_t padded = (h.width + 3) / 4 * 4;
  std::int64_t x = 0;
  std::int64_t y = 0; // from the bottom row
  const auto put = [&](std::uint32_t index) {
    if (y >= h.height || x >= padded)
      return false;
    if (x < h.width)
      out[(h.height - 1 - y) * h.width + x] = static_cast<std::uint16_t>(index);
    ++x;
    return true;
  };
  // The i-th index of packed ones: RLE4 holds two in a byte, high first.
  const auto index = [four](const std::uint8_t *at, int i) -> std::uint32_t {
    return four ? (i % 2 == 0 ? at[i / 2] >> 4 : at[i / 2] & 0x0F) : at[i];
  };
  std::size_t at = 0;
  for (;;) {
    if (size - at < 2)
      return false; // no end-of-bitmap mark
    const std::uint8_t count = data[at];
    const std::uint8_t value = data[at + 1];
    at += 2;
    if (count > 0) { // a run of one index (RLE4: two, alternating)
      for (int i = 0; i < count; ++i)
        if (!put(index(&value, four ? i % 2 : 0)))
          return false;
      continue;
    }
    switch (value) {
    case 0: // end of row
      x = 0;
      ++y;
      break;
    case 1: // end of bitmap
      return true;
    case 2: // jump right and up
      if (size - at < 2)
        return false;
      x += data[at];
      y += data[at + 1];
      at += 2;
      break;
    default: { // `value` indices as they are, padded to a whole word
      const std::size_t length = four ? (value + 1u) / 2 : value;
      const std::size_t padding = length % 2;
      if (size - at < length + padding)
        return false;
      for (int i = 0; i < value; ++i)
        if (!put(index(data + at, i)))
          return false;
      at += length + padding;
    }
    }
  }
}

} // namespace

bool DecodeBitmap(const std::uint8_t *bytes, std::size_t size, Rgb565Image &out) {
  Header h;
  if (!readHeader(bytes, size, h))
    return false;
  std::uint32_t colours[256] = {};
  for (std::uint32_t i = 0; i < h.paletteSize; ++i)
    colours[i] = le(bytes + h.paletteAt + i * h.paletteEntry, 3); // 0xRRGGBB

  const std::uint32_t offset = le(bytes + 10, 4);
  if (offset > size)
    return false;
  const bool rle = h.compression == compressionRle8 || h.compression == compressionRle4;
  const std::size_t stride = std::size_t((h.width * h.bits + 31) / 32) * 4;
  if (!rle && (size - offset) / stride < std::size_t(h.height))
    return false;

  const std::size_t count = std::size_t(h.width * h.height);
  out.width = int(h.width);
  out.height = int(h.height);
  out.pixels.assign(count, 0);
  std::uint16_t *pixels = out.pixels.data();
  if (h.bits <= 8) {
    if (rle) {
      if (!decodeRuns(bytes + offset, size - offset, h.compression == compressionRle4, h, pixels))
        return false;
    } else {
      for (std::int64_t y = 0; y < h.height; ++y) {
        const std::uint8_t *row =
            bytes + offset + stride * std::size_t(h.topDown ? y : h.height - 1 - y);
        for (std::int64_t x = 0; x < h.width; ++x) {
          const std::int64_t bit = x * h.bits;
          pixels[y * h.width + x] = (row[bit / 8] >> (8 - h.bits - bit % 8)) & ((1u << h.bits) - 1);
        }
      }
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (pixels[i] >= h.paletteSize)
        return false;
      const std::uint32_t rgb = colours[pixels[i]];
      pixels[i] = rgb565(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
    }
    return true;
  }

  const Channel red(h.masks.red), green(h.masks.green), blue(h.masks.blue);
  const int pixelBytes = int(h.bits / 8);
  for (std::int64_t y = 0; y < h.height; ++y) {
    const std::uint8_t *row =
        bytes + offset + stride * std::size_t(h.topDown ? y : h.height - 1 - y);
    std::uint16_t *target = pixels + y * h.width;
    for (std::int64_t x = 0; x < h.width; ++x) {
      const std::uint32_t p = le(row + x * pixelBytes, pixelBytes);
      target[x] = rgb565(red(p), green(p), blue(p));
    }
  }
  return true;
}

bool LoadBitmapFile(const char *fileName, Rgb565Image &out) {
  std::vector<std::uint8_t> file;
  return ReadDataFile(fileName, DataKind::image, file) &&
         DecodeBitmap(file.data(), file.size(), out);
}

} // namespace ruzoz
