#pragma once

// Small raster and noise toolkit for the asset generator. Pixels are doubles in 0..1:
// single-precision rounding would make 8-bit results flip on harmless compiler changes.

#include <cstdint>
#include <string>
#include <vector>

#include <glm/vec3.hpp>

namespace Assets
{

struct Image
{
    int width = 0;
    int height = 0;
    int channels = 0; // 1 (grey) or 3 (RGB), interleaved
    std::vector<double> data;

    Image() = default;
    Image(int w, int h, int c) : width(w), height(h), channels(c), data(static_cast<size_t>(w) * h * c, 0.0) {}

    double& at(int x, int y, int c = 0) { return data[(static_cast<size_t>(y) * width + x) * channels + c]; }
    double at(int x, int y, int c = 0) const { return data[(static_cast<size_t>(y) * width + x) * channels + c]; }
};

// Thrown when a Debian source image is absent, so the caller can name the package to install.
struct MissingSource
{
    std::string path;
};

Image loadImage(const std::string& path, int channels);

// Bilinear when enlarging, box average when shrinking by an integer factor. Equirectangular
// maps pass wrapX so the left and right columns blend across the date line.
Image resize(const Image& source, int width, int height, bool wrapX);

// Separable box blur; three passes approximate a Gaussian of sigma ~ radius.
void blur(Image& image, int radius, int passes, bool wrapX);

Image greyToRGB(const Image& grey);

std::vector<unsigned char> encodePNG(const Image& image);
// 24-bit uncompressed BMP, bottom-up rows, as the flare loader expects.
std::vector<unsigned char> encodeBMP(const Image& image);

double clamp01(double v);
double smoothstep(double edge0, double edge1, double x);
double mix(double a, double b, double t);

// Texel centre (x, y) of a width x height equirectangular map to a point on the unit sphere,
// north pole (+z) on row 0 and longitude 0 (+x) on the left edge, east to the right.
glm::dvec3 spherePoint(int x, int y, int width, int height);

// PCG32: tiny, well tested, and identical on every platform, unlike std:: distributions.
class Rng
{
public:
    explicit Rng(uint64_t seed);
    uint32_t next();
    double uniform();                     // [0, 1)
    double uniform(double lo, double hi); // [lo, hi)

private:
    uint64_t m_State = 0;
    uint64_t m_Increment = 0;
};

uint32_t hash32(uint32_t x);

// Gradient noise in about [-1, 1]; fractal sums normalised to the same range.
double gradientNoise(const glm::dvec3& p, uint32_t seed);
double fbm(const glm::dvec3& p, int octaves, uint32_t seed);

struct Cells
{
    double f1 = 0.0; // distance to the nearest feature point
    double f2 = 0.0; // distance to the second nearest
    uint32_t id = 0; // hash of the nearest cell, for per-cell variation
};
Cells cellNoise(const glm::dvec3& p, uint32_t seed);

} // namespace Assets
