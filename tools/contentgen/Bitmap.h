#pragma once
#include <cstdint>
#include <vector>

namespace ruzoz::contentgen {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb &, const Rgb &) = default;
};

inline constexpr Rgb transparentRgb{255, 255, 255};

// The game reduces colours to RGB565 and keys on 0xFFFF, so every colour
// whose truncated channels are all ones counts as transparent there.
constexpr bool KeysAsTransparent(Rgb c) { return c.r >= 248 && c.g >= 252 && c.b >= 248; }

constexpr Rgb OpaqueSafe(Rgb c) {
  if (!KeysAsTransparent(c))
    return c;
  auto cap = [](std::uint8_t v) -> std::uint8_t { return v > 240 ? 240 : v; };
  return {cap(c.r), cap(c.g), cap(c.b)};
}

// An image whose pixels are either exactly transparentRgb or a colour the
// game draws; Set() cannot produce the former by accident.
class Bitmap {
public:
  Bitmap(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb At(int x, int y) const { return pixels_[Index(x, y)]; }
  bool IsOpaque(int x, int y) const { return At(x, y) != transparentRgb; }
  void Set(int x, int y, Rgb c) { pixels_[Index(x, y)] = OpaqueSafe(c); }
  void Clear(int x, int y) { pixels_[Index(x, y)] = transparentRgb; }
  // Copies src with its top-left corner at (x, y); transparent pixels of src
  // leave the destination untouched.
  void Blit(const Bitmap &src, int x, int y);

private:
  std::size_t Index(int x, int y) const;

  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

} // namespace ruzoz::contentgen
