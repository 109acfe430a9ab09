// Images made from noise alone: the Sun's surface, the star sky and the lens-flare sprites.
#include "Assets.h"

#include <algorithm>
#include <cmath>

#include <glm/common.hpp>
#include <glm/geometric.hpp>

namespace Assets
{

namespace
{
const double Pi = 3.14159265358979323846;

glm::dvec3 lerpColour(const glm::dvec3& a, const glm::dvec3& b, double t) { return a + (b - a) * t; }

// Sampled on the sphere rather than on the map, so cells keep their size near the poles
// and the left and right edges meet without a seam. A little warping keeps the cells from
// looking like a polygon net; the soft ramp from lane to centre makes rounded granules.
double granulation(const glm::dvec3& p, double scale, uint32_t seed)
{
    const glm::dvec3 q = p * scale;
    const glm::dvec3 warp(gradientNoise(q * 0.5, seed + 1u), gradientNoise(q * 0.5 + 3.1, seed + 2u),
                          gradientNoise(q * 0.5 + 7.3, seed + 3u));
    const Cells cells = cellNoise(q + warp * 0.45, seed);
    const double lanes = std::sqrt(smoothstep(0.0, 0.55, cells.f2 - cells.f1));
    const double cellBrightness = 0.7 + 0.3 * ((cells.id >> 8) / 16777216.0);
    return lanes * cellBrightness;
}

// Sprites fade to exact black well inside the square so no quad edge ever shows.
double spriteWindow(double r) { return 1.0 - smoothstep(0.7, 0.97, r); }

// Renders f(x, y) over [-1, 1]^2 with n x n samples per pixel, to keep thin rays smooth.
template <typename F> Image renderSprite(int size, int n, F f)
{
    Image out(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            double sum = 0.0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i)
                {
                    const double sx = (x + (i + 0.5) / n) / size * 2.0 - 1.0;
                    const double sy = (y + (j + 0.5) / n) / size * 2.0 - 1.0;
                    sum += f(sx, sy);
                }
            const double v = clamp01(sum / (n * n));
            for (int c = 0; c < 3; ++c)
                out.at(x, y, c) = v;
        }
    return out;
}

struct Ray
{
    double angle;
    double width;
    double length;
    double strength;
};

double rays(const std::vector<Ray>& list, double x, double y)
{
    const double r = std::sqrt(x * x + y * y);
    const double angle = std::atan2(y, x);
    double sum = 0.0;
    for (const Ray& ray : list)
    {
        double delta = std::fabs(angle - ray.angle);
        delta = std::min(delta, 2.0 * Pi - delta);
        if (delta > 0.5 * Pi)
            continue;
        const double across = r * std::sin(delta);
        const double sigma = ray.width * (0.35 + r);
        const double along = std::pow(std::max(0.0, 1.0 - r / ray.length), 1.5);
        sum += ray.strength * along * std::exp(-across * across / (2.0 * sigma * sigma));
    }
    return sum;
}

// Approximate sRGB colour of black bodies, normalised to the brightest channel.
glm::dvec3 starColour(double kelvin)
{
    static const struct
    {
        double kelvin;
        glm::dvec3 rgb;
    } table[] = {
        {3000, {1.000, 0.706, 0.420}},  {3500, {1.000, 0.769, 0.537}}, {4000, {1.000, 0.820, 0.639}},
        {5000, {1.000, 0.894, 0.808}},  {6000, {1.000, 0.953, 0.937}}, {6500, {1.000, 0.976, 0.992}},
        {7000, {0.961, 0.953, 1.000}},  {8000, {0.890, 0.914, 1.000}}, {10000, {0.788, 0.855, 1.000}},
        {12000, {0.729, 0.812, 1.000}}, {15000, {0.671, 0.776, 1.000}},
    };
    const int count = static_cast<int>(sizeof table / sizeof table[0]);
    if (kelvin <= table[0].kelvin)
        return table[0].rgb;
    for (int i = 1; i < count; ++i)
        if (kelvin <= table[i].kelvin)
        {
            const double t = (kelvin - table[i - 1].kelvin) / (table[i].kelvin - table[i - 1].kelvin);
            return lerpColour(table[i - 1].rgb, table[i].rgb, t);
        }
    return table[count - 1].rgb;
}

void splat(Image& sky, double cx, double cy, double sigma, double peak, const glm::dvec3& colour, int border)
{
    const int reach = static_cast<int>(std::ceil(4.0 * sigma));
    const int x0 = std::max(border, static_cast<int>(std::floor(cx)) - reach);
    const int x1 = std::min(sky.width - 1 - border, static_cast<int>(std::floor(cx)) + reach);
    const int y0 = std::max(border, static_cast<int>(std::floor(cy)) - reach);
    const int y1 = std::min(sky.height - 1 - border, static_cast<int>(std::floor(cy)) + reach);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
        {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double g = peak * std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma));
            for (int c = 0; c < 3; ++c)
                sky.at(x, y, c) += g * colour[c];
        }
}
} // namespace

Image makeSunSurface()
{
    const int w = 1024;
    const int h = 512;
    Rng rng(0x5u);
    struct Spot
    {
        glm::dvec3 centre;
        double radius;
    };
    // A few sunspots in the activity belts, away from the poles and the equator.
    std::vector<Spot> spots;
    for (int i = 0; i < 5; ++i)
    {
        const double latitude = (rng.uniform() < 0.5 ? -1.0 : 1.0) * rng.uniform(8.0, 28.0) * Pi / 180.0;
        const double longitude = rng.uniform(0.0, 2.0 * Pi);
        spots.push_back({{std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
                          std::sin(latitude)},
                         rng.uniform(0.015, 0.035)});
    }

    // The photosphere seen face on: white with a touch of yellow. The program darkens and reddens it
    // towards the limb, so the map carries no limb and no orange.
    const glm::dvec3 photosphere(1.00, 0.94, 0.82);
    Image out(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const glm::dvec3 p = spherePoint(x, y, w, h);
            // Granules with darker lanes, about 1/60 of the radius: three texels, some four pixels on
            // the disc at the tour's view from 20 units, fine grain rather than a net of cells. Round
            // them the faint large cells of the supergranulation, and a little grain.
            const double granules = granulation(p, 60.0, 31u);
            const double mottle = fbm(p * 6.0, 4, 33u);
            const double grain = gradientNoise(p * 200.0, 34u);
            double brightness = 0.80 + 0.17 * granules + 0.03 * mottle + 0.02 * grain;
            for (const Spot& spot : spots)
            {
                const double d = std::acos(std::clamp(glm::dot(p, spot.centre), -1.0, 1.0));
                const double umbra = 1.0 - smoothstep(0.4 * spot.radius, 0.55 * spot.radius, d);
                const double penumbra = 1.0 - smoothstep(0.8 * spot.radius, spot.radius, d);
                brightness *= 1.0 - 0.35 * penumbra - 0.5 * umbra;
            }
            for (int c = 0; c < 3; ++c)
                out.at(x, y, c) = clamp01(photosphere[c] * brightness);
        }
    return out;
}

Image makeStarSky()
{
    // The same picture covers all six cube faces, so the faces meet each other in every
    // orientation. Only a border of pure black matches under all of them: stars stay clear
    // of it, and there is no haze, since a haze fading out at the border would draw the cube.
    const int size = 1024;
    const int border = 6;
    Image sky(size, size, 3);
    Rng rng(0x57a25u);
    const int count = 8000;
    for (int placed = 0; placed < count;)
    {
        const double cx = rng.uniform(0.0, size);
        const double cy = rng.uniform(0.0, size);
        // A face texel near a cube corner covers less sky than one at the centre; thinning
        // stars by the texel's solid angle keeps the density even across the sphere.
        const double fx = 2.0 * cx / size - 1.0;
        const double fy = 2.0 * cy / size - 1.0;
        const double stretch = 1.0 + fx * fx + fy * fy;
        if (rng.uniform() > 1.0 / (stretch * std::sqrt(stretch)))
            continue;

        // Pareto brightness: many faint stars, a handful of bright ones.
        const double flux = std::min(60.0, std::pow(1.0 - rng.uniform(), -1.0 / 1.7));
        const double sigma = (0.55 + 0.18 * std::log2(flux)) * std::pow(stretch, 0.75);
        const double peak = std::min(1.5, 0.035 * flux);
        const double roll = rng.uniform();
        const double kelvin =
            roll < 0.25 ? rng.uniform(3000.0, 4500.0) : roll < 0.65 ? rng.uniform(4500.0, 6500.0) : rng.uniform(6500.0, 15000.0);
        glm::dvec3 colour = starColour(kelvin);
        // The raw black-body tints are nearly white; a little extra saturation makes them read.
        const double average = (colour.r + colour.g + colour.b) / 3.0;
        colour = glm::dvec3(average) + (colour - glm::dvec3(average)) * 1.6;
        colour = glm::clamp(colour, 0.0, 1.0);

        const double halo = flux > 25.0 ? 4.0 * sigma : 0.0;
        const double reach = 4.0 * std::max(sigma, halo) + 1.0;
        if (cx < border + reach || cy < border + reach || cx > size - border - reach || cy > size - border - reach)
            continue;
        splat(sky, cx, cy, sigma, peak, colour, border);
        if (halo > 0.0)
            splat(sky, cx, cy, halo, 0.04 * peak, colour, border);
        ++placed;
    }
    // Soft shoulder instead of hard clipping keeps bright cores round.
    for (double& v : sky.data)
        v = v < 0.8 ? v : 0.8 + 0.2 * (1.0 - std::exp(-(v - 0.8) / 0.2));
    return sky;
}

Image makeShine(int variant)
{
    Rng rng(variant == 1 ? 0x5A1u : 0x5A2u);
    std::vector<Ray> list;
    if (variant == 1)
    {
        // Many thin streaks of random length: a glare halo.
        for (int i = 0; i < 56; ++i)
            list.push_back({rng.uniform(-Pi, Pi), rng.uniform(0.004, 0.012), rng.uniform(0.35, 0.95),
                            rng.uniform(0.15, 0.5)});
        return renderSprite(256, 3, [&](double x, double y) {
            const double r = std::sqrt(x * x + y * y);
            const double glow = std::exp(-r * r / 0.006) + 0.35 * std::exp(-r / 0.12);
            return spriteWindow(r) * (glow + rays(list, x, y));
        });
    }
    // Six long diffraction spikes from a hexagonal aperture, faint spikes between them
    // and a thin ring.
    const double tilt = rng.uniform(0.0, Pi / 3.0);
    for (int i = 0; i < 6; ++i)
        list.push_back({std::remainder(tilt + i * Pi / 3.0, 2.0 * Pi), 0.018, 0.97, 0.9});
    for (int i = 0; i < 12; ++i)
        list.push_back({rng.uniform(-Pi, Pi), 0.008, rng.uniform(0.3, 0.6), 0.25});
    return renderSprite(256, 3, [&](double x, double y) {
        const double r = std::sqrt(x * x + y * y);
        const double glow = std::exp(-r * r / 0.012) + 0.25 * std::exp(-r / 0.2);
        const double ring = 0.12 * std::exp(-(r - 0.55) * (r - 0.55) / (2.0 * 0.02 * 0.02));
        return spriteWindow(r) * (glow + ring + rays(list, x, y));
    });
}

Image makeHexagon()
{
    // Apothem 0.7 of the half size leaves room for the soft edge inside the square.
    const double apothem = 0.7;
    const double soft = 0.08;
    Image out = renderSprite(256, 4, [&](double x, double y) {
        double d = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            const double angle = Pi / 6.0 + k * Pi / 3.0;
            d = std::max(d, std::fabs(x * std::cos(angle) + y * std::sin(angle)));
        }
        // Real aperture ghosts are a little brighter towards their rim.
        const double fill = 0.82 + 0.13 * std::pow(std::min(1.0, d / apothem), 4.0);
        return fill * (1.0 - smoothstep(apothem - soft, apothem, d));
    });
    return out;
}

} // namespace Assets
