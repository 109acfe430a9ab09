#pragma once

#include "Raster.h"

// The meridian where an equirectangular globe map's right edge meets its left edge.
namespace Assets
{

// Mean 8-bit step from the last column to the first, over the mean step between neighbouring columns,
// all rows and channels. About 1 where the map wraps like its interior, well above 1 at a visible seam.
double seamFigure(const Image& image);

// Makes the last column meet the first: half of the jump between them is taken out of each side, its
// part that changes slowly from row to row over `wideBand` columns and the rest over `narrowBand`.
// Texels are only shifted, never mixed with each other, so the band keeps the map's detail.
void wrapSeam(Image& image, int wideBand, int narrowBand);

// Share of the seam's correction at `distance` columns from the edge column, for a band of `band`
// columns: 1 at the edge, easing to 0 with zero slope at both ends.
double seamWeight(int distance, int band);

} // namespace Assets
