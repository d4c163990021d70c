#pragma once

namespace ruzoz {

// Texts are 8-bit strings ending at a code 125..127 ("~"), at most 40 cells.
void DrawGlyph(int x, int y, int code);
void DrawString(int x, int y, const char *text);
// Right-aligned on its ones digit at x; the five lowest digits, no sign.
void DrawNumber(int x, int y, int n);

} // namespace ruzoz
