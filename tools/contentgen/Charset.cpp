#include "Art.h"
#include "Font.h"
#include "Raster.h"

#include <algorithm>

namespace ruzoz::contentgen {

namespace {

constexpr int cell = 16;
constexpr int baseline = 12; // room for 11 rows above and 3 below, plus outline

// Light yellow at the top of a glyph, warm orange at the bottom.
Color GlyphFill(int row) {
  static const ColorStop stops[] = {
      {1, {255, 250, 190}}, {6, {255, 220, 90}}, {11, {250, 160, 40}}, {14, {225, 110, 30}}};
  return Ramp(stops, row);
}

// Draws one glyph into the cell whose top-left corner is (ox, oy). The
// glyph is shifted, never clipped, so that it and its outline fit.
void DrawCell(Bitmap &sheet, const FontFace &face, int code, int ox, int oy) {
  Glyph g = face.Render(static_cast<char32_t>(code), true);
  int x0 = (cell - g.advance) / 2 + g.left;
  int y0 = baseline - g.top;
  x0 = std::clamp(x0, 1, cell - 1 - g.width);
  y0 = std::clamp(y0, 1, cell - 1 - g.height);
  Bitmap glyph(cell, cell);
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x)
      if (g.At(x, y) > 0.5)
        glyph.Set(x0 + x, y0 + y, ToRgb(GlyphFill(y0 + y)));
  Outline(glyph, {40, 18, 8}, true);
  sheet.Blit(glyph, ox, oy);
}

} // namespace

Bitmap MakeZeichensatz() {
  FontFace face(fontDirectory / "DejaVuSansMono-Bold.ttf", 14, 18);
  Bitmap sheet(32 * cell, 3 * cell);
  // Space (32) and DEL (127) stay empty.
  for (int code = 33; code < 127; ++code)
    DrawCell(sheet, face, code, cell * (code % 32), cell * (code / 32 - 1));
  return sheet;
}

} // namespace ruzoz::contentgen
