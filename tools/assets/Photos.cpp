// Maps derived from the NASA and OpenUniverse photographs.
#include "Assets.h"
#include "Seam.h"

#include <algorithm>
#include <cmath>

namespace Assets
{

namespace
{
const int MapWidth = 2048;
const int MapHeight = 1024;

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

int nextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

double luminance(const Image& image, int x, int y)
{
    return 0.2126 * image.at(x, y, 0) + 0.7152 * image.at(x, y, 1) + 0.0722 * image.at(x, y, 2);
}

double latitudeDegrees(int y, int height) { return 90.0 - 180.0 * (y + 0.5) / height; }

// The photographs do not quite wrap round: their first and last columns differ more than any
// neighbours do, which shows as a straight meridian on the globe.
Image makeSeamless(Image map)
{
    wrapSeam(map, map.width / 32, map.width / 256);
    return map;
}

Image fitMap(const Image& source)
{
    if (source.width == MapWidth && source.height == MapHeight)
        return makeSeamless(source);
    return makeSeamless(resize(source, MapWidth, MapHeight, true));
}
} // namespace

Image makeEarthColor(const Image& day) { return fitMap(day); }

Image makeClouds(const Image& clouds)
{
    const Image grey = fitMap(clouds);

    // Towards both poles the source fades into a hazy veil and then solid white. Per row,
    // the 10th percentile measures the veil (subtracted to bring back the clear gaps) and the
    // share of saturated texels measures the cap (where the photograph is replaced by
    // procedural cloud, so the poles show weather instead of a white disc).
    std::vector<double> veil(MapHeight, 0.0);
    std::vector<double> saturated(MapHeight, 0.0);
    std::vector<double> row(MapWidth);
    for (int y = 0; y < MapHeight; ++y)
    {
        int count = 0;
        for (int x = 0; x < MapWidth; ++x)
        {
            row[x] = grey.at(x, y);
            count += row[x] > 0.93 ? 1 : 0;
        }
        std::nth_element(row.begin(), row.begin() + MapWidth / 10, row.end());
        veil[y] = row[MapWidth / 10];
        saturated[y] = static_cast<double>(count) / MapWidth;
    }
    auto smoothRows = [](const std::vector<double>& values) {
        std::vector<double> out(values.size(), 0.0);
        const int window = 16;
        const int n = static_cast<int>(values.size());
        for (int y = 0; y < n; ++y)
        {
            double sum = 0.0;
            for (int k = -window; k <= window; ++k)
                sum += values[std::clamp(y + k, 0, n - 1)];
            out[y] = sum / (2 * window + 1);
        }
        return out;
    };
    veil = smoothRows(veil);
    saturated = smoothRows(saturated);

    Image out(MapWidth, MapHeight, 1);
    for (int y = 0; y < MapHeight; ++y)
    {
        const double polar = smoothstep(40.0, 55.0, std::fabs(latitudeDegrees(y, MapHeight)));
        const double floor = std::min(0.8, veil[y]) * polar;
        const double replace = polar * smoothstep(0.15, 0.6, saturated[y]);
        for (int x = 0; x < MapWidth; ++x)
        {
            double value = clamp01((grey.at(x, y) - floor) / (1.0 - floor));
            if (replace > 0.0)
            {
                const glm::dvec3 p = spherePoint(x, y, MapWidth, MapHeight);
                // Domain warping turns round noise blobs into streaky, swirled cloud bands.
                const glm::dvec3 warp(fbm(p * 2.0, 4, 11u), fbm(p * 2.0 + 5.2, 4, 12u), fbm(p * 2.0 + 9.7, 4, 13u));
                const double n = fbm(p * 6.0 + warp * 1.8, 7, 14u);
                const double detail = 0.6 + 0.4 * (0.5 + 0.5 * fbm(p * 40.0, 4, 15u));
                const double synthetic = smoothstep(-0.1, 0.35, n) * detail;
                value = mix(value, synthetic, replace);
            }
            out.at(x, y) = value;
        }
    }
    return greyToRGB(out);
}

Image makeNight(const Image& night)
{
    Image out = fitMap(night);
    // JPEG ringing leaves faint blocks around every city; a black level removes them so
    // only the lights themselves glow on the dark side.
    const double blackLevel = 4.0 / 255.0;
    const double gain = 1.25;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
        {
            const double l = luminance(out, x, y);
            const double scale = l > blackLevel ? gain * (l - blackLevel) / l : 0.0;
            for (int c = 0; c < 3; ++c)
                out.at(x, y, c) = clamp01(out.at(x, y, c) * scale);
        }
    // Each town is a texel or two; seen from orbit, a whole globe spans a few hundred pixels and they
    // vanish in the filtering. A soft glow round every light, as a long exposure shows it, lets the
    // lit coasts and valleys still read as lines at that size.
    Image glow = out;
    blur(glow, 3, 3, true);
    const double glowGain = 3.0;
    for (size_t i = 0; i < out.data.size(); ++i)
        out.data[i] = clamp01(out.data[i] + glowGain * glow.data[i]);
    return out;
}

Image makeBump(const Image& color)
{
    const Image day = fitMap(color);
    const int w = day.width;
    const int h = day.height;

    // The oceans are the only strongly blue surface; ice is white and stays land.
    Image land(w, h, 1);
    Image light(w, h, 1);
    Image rock(w, h, 1);
    Image ice(w, h, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const double r = day.at(x, y, 0);
            const double g = day.at(x, y, 1);
            const double b = day.at(x, y, 2);
            const double high = std::max({r, g, b});
            const double low = std::min({r, g, b});
            const double saturation = high > 0.0 ? (high - low) / high : 0.0;
            const double l = luminance(day, x, y);
            land.at(x, y) = 1.0 - smoothstep(0.04, 0.12, b - std::max(r, g));
            light.at(x, y) = l;
            // Bare rock is grey-brown; forests are saturated and dark, deserts saturated and bright.
            rock.at(x, y) = (1.0 - saturation) * smoothstep(0.1, 0.4, l);
            ice.at(x, y) = smoothstep(0.75, 0.92, l) * (1.0 - smoothstep(0.08, 0.2, saturation));
        }

    Image coast = land;
    blur(coast, 2, 2, true);
    Image interior = land;
    blur(interior, 24, 3, true);
    Image inland = land;
    blur(inland, 4, 2, true);

    // Mountain ranges show as fine light/shadow texture in the photograph, so local contrast
    // marks high relief. Averages are taken over bare land only (normalised convolution):
    // the shore against the dark sea, or tundra against white ice, would otherwise draw a
    // mountain chain along every coast.
    Image bare(w, h, 1);
    for (size_t i = 0; i < bare.data.size(); ++i)
        bare.data[i] = land.data[i] * (1.0 - ice.data[i]);
    Image bareLight(w, h, 1);
    for (size_t i = 0; i < bareLight.data.size(); ++i)
        bareLight.data[i] = light.data[i] * bare.data[i];
    Image bareNear = bare;
    blur(bareLight, 3, 2, true);
    blur(bareNear, 3, 2, true);
    Image rough(w, h, 1);
    for (size_t i = 0; i < rough.data.size(); ++i)
    {
        const double mean = bareLight.data[i] / std::max(bareNear.data[i], 1e-3);
        rough.data[i] = std::fabs(light.data[i] - mean) * bare.data[i];
    }
    Image roughWeight = bare;
    blur(rough, 4, 2, true);
    blur(roughWeight, 4, 2, true);
    // Where bare land is only a sliver the ratio is noise; fade it out there.
    for (size_t i = 0; i < rough.data.size(); ++i)
        rough.data[i] *= smoothstep(0.3, 0.9, roughWeight.data[i]) / std::max(roughWeight.data[i], 1e-3);
    blur(rock, 2, 2, true);

    Image height(w, h, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const glm::dvec3 p = spherePoint(x, y, w, h);
            const double hills = 0.5 + 0.5 * fbm(p * 6.0, 6, 21u);
            const double shore = smoothstep(0.85, 1.0, inland.at(x, y));
            const double relief = 0.05 + 0.22 * interior.at(x, y) + shore * 6.0 * rough.at(x, y) +
                                  0.14 * rock.at(x, y) + 0.2 * ice.at(x, y) + 0.12 * hills;
            height.at(x, y) = clamp01(relief) * land.at(x, y);
        }
    blur(height, 1, 2, true);

    // Multiplying by a mask that is exactly zero off the coast keeps the seas perfectly flat.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            height.at(x, y) *= smoothstep(0.35, 0.85, coast.at(x, y));
    return greyToRGB(height);
}

Image makeMoon(const Image& moon)
{
    if (isPowerOfTwo(moon.width) && isPowerOfTwo(moon.height))
        return greyToRGB(makeSeamless(moon));
    return greyToRGB(makeSeamless(resize(moon, nextPowerOfTwo(moon.width), nextPowerOfTwo(moon.height), true)));
}

} // namespace Assets
