#pragma once

#include "Raster.h"

// Every image the program reads, each made by one function from its Debian source or from noise.
namespace Assets
{

Image makeEarthColor(const Image& day);
Image makeClouds(const Image& clouds);
Image makeNight(const Image& night);
Image makeBump(const Image& color);
Image makeMoon(const Image& moon);

Image makeSunSurface();
Image makeStarSky();
Image makeShine(int variant);
Image makeHexagon();

} // namespace Assets
