#include "MeshDensity.h"

#include <cmath>
#include <stdexcept>

namespace Assets
{

namespace
{
const double Pi = 3.14159265358979323846;
// Far more than any mesh here needs: a need that no density meets is a mistake in the table.
const int MostSegments = 4096;
} // namespace

double finestPixelsPerRadian(const Screen& screen)
{
    const double focal = 0.5 * screen.height / screen.tanHalfHeight;
    const double tanHalfWidth = screen.tanHalfHeight * screen.width / screen.height;
    // A small turn at angle a from the axis moves a point by focal / cos^2(a) pixels.
    return focal * (1.0 + tanHalfWidth * tanHalfWidth + screen.tanHalfHeight * screen.tanHalfHeight);
}

double outlineErrorPixels(int segments, const MeshNeed& need, const Screen& screen)
{
    if (need.closest <= 0.0)
        return 0.0;
    const double sagitta = need.radius * (1.0 - std::cos(Pi / (segments * need.subdivision)));
    // The outline is where the eye's rays graze the sphere.
    const double outlineDistance = std::sqrt(need.closest * need.closest - need.radius * need.radius);
    return sagitta / outlineDistance * finestPixelsPerRadian(screen);
}

double longestEdge(int segments, int subdivision)
{
    return std::sqrt(2.0) * 2.0 * Pi / (segments * subdivision);
}

int segmentsFor(const MeshNeed& need, const Screen& screen)
{
    if (need.closest > 0.0 && need.closest <= need.radius)
        throw std::invalid_argument("the eye never comes inside a mesh whose outline it sees");
    for (int segments = 4; segments <= MostSegments; segments += 4)
        if (outlineErrorPixels(segments, need, screen) <= OutlineLimitPixels &&
            (need.largestEdge <= 0.0 || longestEdge(segments, need.subdivision) <= need.largestEdge))
            return segments;
    throw std::invalid_argument("no mesh of up to 4096 segments meets the need");
}

} // namespace Assets
