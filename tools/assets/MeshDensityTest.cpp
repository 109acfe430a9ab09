// The mesh density rule: the fewest segments whose outline stays within half a pixel at the closest view
// and whose faces are no longer than the per-vertex quantities allow.
#include "MeshDensity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace
{
using Assets::MeshNeed;
using Assets::Screen;

const double Degree = 3.14159265358979323846 / 180.0;
// The program's window: 1200 x 960, tan(22.5) for half the vertical field of view.
const Screen Program{1200, 960, std::tan(22.5)};

TEST(MeshDensityTest, FewestSegmentsThatMeetTheNeed)
{
    const struct
    {
        const char* name;
        MeshNeed need;
        int segments;
    } cases[] = {
        // Outline alone: the Sun at 20, the Moon at 0.705, a cylinder of the Earth's radius at 2.2.
        {"sun", {5.0, 20.0, 0.0, 1}, 64},
        {"moon", {0.25, 0.705, 0.0, 1}, 80},
        {"shadow body", {1.0, 2.2, 0.0, 1}, 92},
        // Split in four on the GPU: the outline asks for 88.3 after the split, the edges for 84.9.
        {"earth", {1.0, 2.2, 6.0 * Degree, 4}, 24},
        // Edges alone: sqrt(2) 360 / 12 = 42.4, rounded up to a multiple of four.
        {"shell", {1.075, 0.0, 10.0 * Degree, 1}, 52},
        // The edges decide where they ask for more than the outline.
        {"earth, finer sunlight", {1.0, 2.2, 3.0 * Degree, 4}, 44},
        // Nothing asked: the coarsest globe.
        {"nothing", {1.0, 0.0, 0.0, 1}, 4},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const int segments = Assets::segmentsFor(c.need, Program);
        EXPECT_EQ(segments, c.segments);
        EXPECT_LE(Assets::outlineErrorPixels(segments, c.need, Program), Assets::OutlineLimitPixels);
        // Four fewer would miss one of the two.
        if (segments > 4)
        {
            const bool outlineMissed =
                Assets::outlineErrorPixels(segments - 4, c.need, Program) > Assets::OutlineLimitPixels;
            const bool edgesMissed = c.need.largestEdge > 0.0 &&
                                     Assets::longestEdge(segments - 4, c.need.subdivision) > c.need.largestEdge;
            EXPECT_TRUE(outlineMissed || edgesMissed);
        }
    }
}

TEST(MeshDensityTest, OutlineErrorInPixels)
{
    // A square screen of 90 degrees: 50 pixels per radian at its centre, three times that at its corners.
    const Screen square{100, 100, 1.0};
    EXPECT_DOUBLE_EQ(Assets::finestPixelsPerRadian(square), 150.0);
    EXPECT_NEAR(Assets::finestPixelsPerRadian(Program), 1546.60, 0.01);

    const struct
    {
        int segments;
        MeshNeed need;
        double pixels;
    } cases[] = {
        // The sagitta of a hexagon round a unit sphere, 1 - cos(30 degrees), seen from 2: its outline is
        // sqrt(3) away.
        {6, {1.0, 2.0, 0.0, 1}, (1.0 - std::cos(30.0 * Degree)) / std::sqrt(3.0) * 150.0},
        // The same outline split in two on the GPU: twelve segments.
        {6, {1.0, 2.0, 0.0, 2}, (1.0 - std::cos(15.0 * Degree)) / std::sqrt(3.0) * 150.0},
        // Twice the size seen from twice as far looks the same.
        {6, {2.0, 4.0, 0.0, 1}, (1.0 - std::cos(30.0 * Degree)) / std::sqrt(3.0) * 150.0},
        // An outline never seen has no error.
        {6, {1.0, 0.0, 0.0, 1}, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(Assets::outlineErrorPixels(c.segments, c.need, square), c.pixels, 1e-12) << c.segments;
    EXPECT_THROW(Assets::segmentsFor({1.0, 0.9, 0.0, 1}, square), std::invalid_argument);
}

} // namespace
