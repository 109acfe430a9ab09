#pragma once

// The captions' bitmap font: printable ASCII in a 5 × 7 design, with two rows under the baseline
// for the tails of g, j, p, q, y and the comma.

namespace Screenshots
{

constexpr int GlyphWidth = 5;
constexpr int GlyphHeight = 9;
// A glyph and the blank column that separates it from the next.
constexpr int GlyphAdvance = GlyphWidth + 1;

// Whether column x, row y (from the top) of c's glyph is set. Anything outside ASCII 32 to 126
// draws as an empty box, so a character the font lacks shows instead of vanishing.
bool glyphPixel(char c, int x, int y);

} // namespace Screenshots
