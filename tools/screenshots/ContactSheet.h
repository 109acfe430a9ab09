#pragma once

// The contact sheet: the shots four to a row, each shrunk into its tile with its label under it.
// Drawn here with an embedded font, so that making it needs no other program and no system font.

#include "Font.h"
#include "Picture.h"

#include <string>
#include <vector>

namespace Screenshots
{

constexpr int SheetColumns = 4;
constexpr int ThumbnailWidth = 480;
constexpr int ThumbnailHeight = 384;
// Around each tile's thumbnail and caption.
constexpr int TileMargin = 6;
// Each font pixel is drawn this many pixels square, so captions read at about 18 points.
constexpr int CaptionScale = 2;
// The caption's line and one font pixel of space above and below it.
constexpr int CaptionHeight = (GlyphHeight + 2) * CaptionScale;
constexpr int TileWidth = ThumbnailWidth + 2 * TileMargin;
constexpr int TileHeight = ThumbnailHeight + CaptionHeight + 2 * TileMargin;

// `picture` shrunk to fit in width × height with its aspect ratio kept, each new pixel the average
// of the area of the picture it covers. One that fits already comes back unchanged: enlarging
// would only blur it.
Picture shrinkToFit(const Picture& picture, int width, int height);

// labels[i] goes under pictures[i]. As many columns as pictures when there are fewer than a row;
// each thumbnail is centred in its tile and each caption under it, cut at the tile's edge when too
// long. Nothing when there are no pictures.
Picture contactSheet(const std::vector<Picture>& pictures, const std::vector<std::string>& labels);

} // namespace Screenshots
