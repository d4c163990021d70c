#include "Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>
#include <string>

namespace ruzoz::contentgen {

struct FontFace::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

FontFace::FontFace(const std::filesystem::path &file, int pixelSize, int pixelWidth)
    : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0)
    throw std::runtime_error("FreeType initialisation failed");
  if (FT_New_Face(impl_->library, file.c_str(), 0, &impl_->face) != 0) {
    FT_Done_FreeType(impl_->library);
    throw std::runtime_error("cannot load font " + file.string());
  }
  if (FT_Set_Pixel_Sizes(impl_->face, pixelWidth, pixelSize) != 0) {
    FT_Done_Face(impl_->face);
    FT_Done_FreeType(impl_->library);
    throw std::runtime_error("font size not available in " + file.string());
  }
}

FontFace::~FontFace() {
  FT_Done_Face(impl_->face);
  FT_Done_FreeType(impl_->library);
}

Glyph FontFace::Render(char32_t code, bool mono) const {
  FT_Int32 flags = FT_LOAD_RENDER | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Char(impl_->face, code, flags) != 0)
    throw std::runtime_error("cannot render glyph " + std::to_string(code));
  const FT_GlyphSlot slot = impl_->face->glyph;
  const FT_Bitmap &bm = slot->bitmap;
  Glyph g;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.advance = static_cast<int>(slot->advance.x >> 6);
  g.coverage.resize(static_cast<std::size_t>(g.width) * g.height);
  for (int y = 0; y < g.height; ++y) {
    const unsigned char *row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      double v = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1)
                                                     : row[x] / 255.0;
      g.coverage[static_cast<std::size_t>(y) * g.width + x] = v;
    }
  }
  return g;
}

int FontFace::Kerning(char32_t left, char32_t right) const {
  FT_Vector k{};
  FT_UInt a = FT_Get_Char_Index(impl_->face, left);
  FT_UInt b = FT_Get_Char_Index(impl_->face, right);
  if (FT_Get_Kerning(impl_->face, a, b, FT_KERNING_DEFAULT, &k) != 0)
    return 0;
  return static_cast<int>(k.x >> 6);
}

} // namespace ruzoz::contentgen
