#include "Seam.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Assets
{

namespace
{
const double Pi = 3.14159265358979323846;

int level(double v) { return static_cast<int>(std::lround(clamp01(v) * 255.0)); }
} // namespace

double seamFigure(const Image& image)
{
    double seam = 0.0;
    double inner = 0.0;
    const int last = image.width - 1;
    for (int y = 0; y < image.height; ++y)
        for (int c = 0; c < image.channels; ++c)
        {
            seam += std::abs(level(image.at(last, y, c)) - level(image.at(0, y, c)));
            for (int x = 0; x < last; ++x)
                inner += std::abs(level(image.at(x + 1, y, c)) - level(image.at(x, y, c)));
        }
    // A map without any detail has no seam to see.
    return inner > 0.0 ? seam / (inner / last) : 0.0;
}

double seamWeight(int distance, int band)
{
    if (distance < 0 || distance >= band)
        return 0.0;
    return 0.5 + 0.5 * std::cos(Pi * distance / band);
}

void wrapSeam(Image& image, int wideBand, int narrowBand)
{
    const int last = image.width - 1;
    // The jump per row and channel, and its slow part: a blur down the column. Averaging a few rows
    // keeps the wide correction from drawing long horizontal streaks out of one row's noise.
    Image jump(1, image.height, image.channels);
    for (int y = 0; y < image.height; ++y)
        for (int c = 0; c < image.channels; ++c)
            jump.at(0, y, c) = image.at(0, y, c) - image.at(last, y, c);
    Image slow = jump;
    blur(slow, 4, 3, false);

    for (int y = 0; y < image.height; ++y)
        for (int c = 0; c < image.channels; ++c)
        {
            const double smooth = slow.at(0, y, c);
            const double rest = jump.at(0, y, c) - smooth;
            for (int d = 0; d < std::max(wideBand, narrowBand); ++d)
            {
                const double shift = 0.5 * (smooth * seamWeight(d, wideBand) + rest * seamWeight(d, narrowBand));
                image.at(last - d, y, c) = clamp01(image.at(last - d, y, c) + shift);
                image.at(d, y, c) = clamp01(image.at(d, y, c) - shift);
            }
        }
}

} // namespace Assets
