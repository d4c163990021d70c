#pragma once
#include <filesystem>
#include <memory>
#include <vector>

namespace ruzoz::contentgen {

inline const std::filesystem::path fontDirectory = "/usr/share/fonts/truetype/dejavu";

// Coverage bitmap of one glyph; `left`/`top` place it relative to the pen on
// the baseline (top grows upwards, as in FreeType).
struct Glyph {
  int width = 0, height = 0;
  int left = 0, top = 0;
  int advance = 0;
  std::vector<double> coverage; // row-major, 0..1

  double At(int x, int y) const { return coverage[static_cast<std::size_t>(y) * width + x]; }
};

class FontFace {
public:
  // A pixelWidth of 0 keeps the design proportions; larger values widen.
  FontFace(const std::filesystem::path &file, int pixelSize, int pixelWidth = 0);
  ~FontFace();
  FontFace(const FontFace &) = delete;
  FontFace &operator=(const FontFace &) = delete;

  // mono renders hinted one-bit glyphs (coverage exactly 0 or 1).
  Glyph Render(char32_t code, bool mono) const;
  int Kerning(char32_t left, char32_t right) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace ruzoz::contentgen
