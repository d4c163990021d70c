#include "graphics/Font.h"

#include "graphics/Display.h"

namespace ruzoz {

void DrawGlyph(int x, int y, int code) {
  if (code < 32 || code > 127)
    return;
  DrawFontCell(x, y, code);
}

void DrawString(int x, int y, const char *text) {
  for (int i = 0; i < 40; ++i) {
    const int k = static_cast<signed char>(text[i]);
    if (k >= 125)
      return;
    DrawGlyph(x + 16 * i, y, k);
  }
}

void DrawNumber(int x, int y, int n) {
  const int ones = n - (n / 10) * 10;
  const int tens = (n - (n / 100) * 100) / 10;
  const int hundreds = (n - (n / 1000) * 1000) / 100;
  const int thousands = (n - (n / 10000) * 10000) / 1000;
  const int tenThousands = (n - (n / 100000) * 100000) / 10000;
  DrawGlyph(x, y, 48 + ones);
  if (tens == 0 && hundreds == 0 && thousands == 0 && tenThousands == 0)
    return;
  DrawGlyph(x - 16, y, 48 + tens);
  if (hundreds == 0 && thousands == 0 && tenThousands == 0)
    return;
  DrawGlyph(x - 32, y, 48 + hundreds);
  if (thousands == 0 && tenThousands == 0)
    return;
  DrawGlyph(x - 48, y, 48 + thousands);
  if (tenThousands == 0)
    return;
  DrawGlyph(x - 64, y, 48 + tenThousands);
}

} // namespace ruzoz
