#include "Raster.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace Assets
{

Image loadImage(const std::string& path, int channels)
{
    if (!std::filesystem::exists(path))
        throw MissingSource{path};
    int width = 0;
    int height = 0;
    int fileChannels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &fileChannels, channels);
    if (!pixels)
        throw std::runtime_error("cannot decode " + path + ": " + stbi_failure_reason());
    Image image(width, height, channels);
    for (size_t i = 0; i < image.data.size(); ++i)
        image.data[i] = pixels[i] / 255.0;
    stbi_image_free(pixels);
    return image;
}

namespace
{
int wrapIndex(int i, int n)
{
    const int m = i % n;
    return m < 0 ? m + n : m;
}

int clampIndex(int i, int n) { return std::clamp(i, 0, n - 1); }

// One box pass over `count` samples spaced `stride` apart, with a running sum.
void boxLine(double* line, int count, int stride, int radius, bool wrap, std::vector<double>& scratch)
{
    scratch.resize(count);
    for (int i = 0; i < count; ++i)
        scratch[i] = line[static_cast<size_t>(i) * stride];
    auto sample = [&](int i) { return scratch[wrap ? wrapIndex(i, count) : clampIndex(i, count)]; };
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i)
        sum += sample(i);
    const double norm = 1.0 / (2 * radius + 1);
    for (int i = 0; i < count; ++i)
    {
        line[static_cast<size_t>(i) * stride] = sum * norm;
        sum += sample(i + radius + 1) - sample(i - radius);
    }
}

unsigned char toByte(double v) { return static_cast<unsigned char>(std::lround(clamp01(v) * 255.0)); }

std::vector<unsigned char> toRGBBytes(const Image& image)
{
    if (image.channels != 1 && image.channels != 3)
        throw std::runtime_error("only grey and RGB images are written");
    std::vector<unsigned char> bytes(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c)
                bytes[(static_cast<size_t>(y) * image.width + x) * 3 + c] =
                    toByte(image.at(x, y, image.channels == 3 ? c : 0));
    return bytes;
}

void appendBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

void putLE(std::vector<unsigned char>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFFu));
}
} // namespace

Image resize(const Image& source, int width, int height, bool wrapX)
{
    Image out(width, height, source.channels);
    if (width >= source.width && height >= source.height)
    {
        for (int y = 0; y < height; ++y)
        {
            const double sy = (y + 0.5) * source.height / height - 0.5;
            const int y0 = static_cast<int>(std::floor(sy));
            const double fy = sy - y0;
            for (int x = 0; x < width; ++x)
            {
                const double sx = (x + 0.5) * source.width / width - 0.5;
                const int x0 = static_cast<int>(std::floor(sx));
                const double fx = sx - x0;
                const int xa = wrapX ? wrapIndex(x0, source.width) : clampIndex(x0, source.width);
                const int xb = wrapX ? wrapIndex(x0 + 1, source.width) : clampIndex(x0 + 1, source.width);
                const int ya = clampIndex(y0, source.height);
                const int yb = clampIndex(y0 + 1, source.height);
                for (int c = 0; c < source.channels; ++c)
                {
                    const double top = mix(source.at(xa, ya, c), source.at(xb, ya, c), fx);
                    const double bottom = mix(source.at(xa, yb, c), source.at(xb, yb, c), fx);
                    out.at(x, y, c) = mix(top, bottom, fy);
                }
            }
        }
        return out;
    }
    if (source.width % width != 0 || source.height % height != 0)
        throw std::runtime_error("only integer reductions are supported");
    const int kx = source.width / width;
    const int ky = source.height / height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < source.channels; ++c)
            {
                double sum = 0.0;
                for (int j = 0; j < ky; ++j)
                    for (int i = 0; i < kx; ++i)
                        sum += source.at(x * kx + i, y * ky + j, c);
                out.at(x, y, c) = sum / (kx * ky);
            }
    return out;
}

void blur(Image& image, int radius, int passes, bool wrapX)
{
    std::vector<double> scratch;
    const int rowStride = image.width * image.channels;
    for (int pass = 0; pass < passes; ++pass)
        for (int c = 0; c < image.channels; ++c)
        {
            for (int y = 0; y < image.height; ++y)
                boxLine(&image.data[static_cast<size_t>(y) * rowStride + c], image.width, image.channels, radius,
                        wrapX, scratch);
            for (int x = 0; x < image.width; ++x)
                boxLine(&image.data[static_cast<size_t>(x) * image.channels + c], image.height, rowStride, radius,
                        false, scratch);
        }
}

Image greyToRGB(const Image& grey)
{
    Image out(grey.width, grey.height, 3);
    for (size_t i = 0; i < grey.data.size(); ++i)
        for (int c = 0; c < 3; ++c)
            out.data[i * 3 + c] = grey.data[i];
    return out;
}

std::vector<unsigned char> encodePNG(const Image& image)
{
    const std::vector<unsigned char> bytes = toRGBBytes(image);
    std::vector<unsigned char> out;
    stbi_write_png_compression_level = 9;
    if (!stbi_write_png_to_func(appendBytes, &out, image.width, image.height, 3, bytes.data(), image.width * 3))
        throw std::runtime_error("PNG encoding failed");
    return out;
}

std::vector<unsigned char> encodeBMP(const Image& image)
{
    const std::vector<unsigned char> rgb = toRGBBytes(image);
    const uint32_t rowSize = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowSize * static_cast<uint32_t>(image.height);
    std::vector<unsigned char> out;
    out.push_back('B');
    out.push_back('M');
    putLE(out, 54 + pixelBytes, 4); // file size
    putLE(out, 0, 4);               // reserved
    putLE(out, 54, 4);              // offset of the pixels
    putLE(out, 40, 4);              // BITMAPINFOHEADER
    putLE(out, static_cast<uint32_t>(image.width), 4);
    putLE(out, static_cast<uint32_t>(image.height), 4); // positive: bottom-up
    putLE(out, 1, 2);                                   // planes
    putLE(out, 24, 2);                                  // bits per pixel
    putLE(out, 0, 4);                                   // BI_RGB, uncompressed
    putLE(out, pixelBytes, 4);
    putLE(out, 2835, 4); // 72 dpi
    putLE(out, 2835, 4);
    putLE(out, 0, 4);
    putLE(out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y)
    {
        const size_t start = out.size();
        for (int x = 0; x < image.width; ++x)
            for (int c = 2; c >= 0; --c)
                out.push_back(rgb[(static_cast<size_t>(y) * image.width + x) * 3 + c]);
        out.resize(start + rowSize, 0);
    }
    return out;
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double smoothstep(double edge0, double edge1, double x)
{
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

glm::dvec3 spherePoint(int x, int y, int width, int height)
{
    const double pi = 3.14159265358979323846;
    const double longitude = 2.0 * pi * (x + 0.5) / width;
    const double latitude = 0.5 * pi - pi * (y + 0.5) / height;
    return {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
            std::sin(latitude)};
}

Rng::Rng(uint64_t seed) : m_Increment((seed << 1u) | 1u)
{
    next();
    m_State += seed;
    next();
}

uint32_t Rng::next()
{
    const uint64_t old = m_State;
    m_State = old * 6364136223846793005ULL + m_Increment;
    const auto xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

double Rng::uniform() { return next() * (1.0 / 4294967296.0); }

double Rng::uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

namespace
{
uint32_t latticeHash(int x, int y, int z, uint32_t seed)
{
    return hash32(static_cast<uint32_t>(x) ^ hash32(static_cast<uint32_t>(y) ^
                                                    hash32(static_cast<uint32_t>(z) ^ hash32(seed))));
}

// The twelve cube-edge gradients of improved Perlin noise.
double gradientDot(uint32_t h, double x, double y, double z)
{
    h &= 15u;
    const double u = h < 8 ? x : y;
    const double v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1u) ? -u : u) + ((h & 2u) ? -v : v);
}

double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
} // namespace

double gradientNoise(const glm::dvec3& p, uint32_t seed)
{
    const int x0 = static_cast<int>(std::floor(p.x));
    const int y0 = static_cast<int>(std::floor(p.y));
    const int z0 = static_cast<int>(std::floor(p.z));
    const double fx = p.x - x0;
    const double fy = p.y - y0;
    const double fz = p.z - z0;
    double corners[8];
    for (int i = 0; i < 8; ++i)
    {
        const int dx = i & 1;
        const int dy = (i >> 1) & 1;
        const int dz = (i >> 2) & 1;
        corners[i] = gradientDot(latticeHash(x0 + dx, y0 + dy, z0 + dz, seed), fx - dx, fy - dy, fz - dz);
    }
    const double u = fade(fx);
    const double v = fade(fy);
    const double w = fade(fz);
    const double x00 = mix(corners[0], corners[1], u);
    const double x10 = mix(corners[2], corners[3], u);
    const double x01 = mix(corners[4], corners[5], u);
    const double x11 = mix(corners[6], corners[7], u);
    return mix(mix(x00, x10, v), mix(x01, x11, v), w);
}

double fbm(const glm::dvec3& p, int octaves, uint32_t seed)
{
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    double frequency = 1.0;
    for (int octave = 0; octave < octaves; ++octave)
    {
        sum += amplitude * gradientNoise(p * frequency, seed + static_cast<uint32_t>(octave) * 101u);
        total += amplitude;
        amplitude *= 0.5;
        frequency *= 2.0;
    }
    return sum / total;
}

Cells cellNoise(const glm::dvec3& p, uint32_t seed)
{
    const int x0 = static_cast<int>(std::floor(p.x));
    const int y0 = static_cast<int>(std::floor(p.y));
    const int z0 = static_cast<int>(std::floor(p.z));
    Cells cells;
    double best = 1e9;
    double second = 1e9;
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
            {
                const uint32_t h = latticeHash(x0 + dx, y0 + dy, z0 + dz, seed);
                const uint32_t hx = hash32(h);
                const uint32_t hy = hash32(hx);
                const uint32_t hz = hash32(hy);
                const glm::dvec3 feature(x0 + dx + hx / 4294967296.0, y0 + dy + hy / 4294967296.0,
                                         z0 + dz + hz / 4294967296.0);
                const glm::dvec3 d = feature - p;
                const double distance2 = d.x * d.x + d.y * d.y + d.z * d.z;
                if (distance2 < best)
                {
                    second = best;
                    best = distance2;
                    cells.id = h;
                }
                else if (distance2 < second)
                    second = distance2;
            }
    cells.f1 = std::sqrt(best);
    cells.f2 = std::sqrt(second);
    return cells;
}

} // namespace Assets
