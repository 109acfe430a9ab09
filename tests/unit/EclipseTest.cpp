// The eclipse arithmetic that the Moon's, the Earth's and the air's programs include, against a numeric
// integral over the Sun's disc and against the eclipses the bodies' own motion brings.
#include "Atmosphere.h"
#include "Scattering.h"
#include "SolarSystem.h"
#include "Visibility.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace Scattering;

// The share of a disc of radius `sun` at the origin outside a disc of radius `occluder` centred
// `separation` along x, counted on a fine grid.
double integratedVisibleShare(double sun, double occluder, double separation)
{
    const int steps = 1000;
    const double cell = 2.0 * sun / steps;
    long inside = 0;
    long visible = 0;
    for (int i = 0; i < steps; ++i)
        for (int j = 0; j < steps; ++j)
        {
            const double x = -sun + (i + 0.5) * cell;
            const double y = -sun + (j + 0.5) * cell;
            if (x * x + y * y > sun * sun)
                continue;
            ++inside;
            visible += (x - separation) * (x - separation) + y * y > occluder * occluder ? 1 : 0;
        }
    return static_cast<double>(visible) / static_cast<double>(inside);
}

TEST(EclipseTest, VisibleShareIsTheAreaTheDiscsDoNotShare)
{
    const struct
    {
        const char* name;
        float sun;
        float occluder;
        float separation;
    } cases[] = {
        {"apart", 0.1f, 0.25f, 0.4f},
        {"touching from outside", 0.1f, 0.25f, 0.35f},
        {"overlapping a little", 0.1f, 0.25f, 0.33f},
        {"overlapping half", 0.1f, 0.25f, 0.25f},
        {"the Sun just inside the occluder", 0.1f, 0.25f, 0.15f},
        {"the Sun deep inside the occluder", 0.1f, 0.25f, 0.0f},
        {"equal discs, partly", 0.1f, 0.1f, 0.1f},
        {"equal discs, centred", 0.1f, 0.1f, 0.0f},
        {"a small occluder inside the Sun", 0.1f, 0.03f, 0.02f},
        {"a small occluder across the Sun's limb", 0.1f, 0.03f, 0.1f},
        {"the Earth seen from the Moon, partly", 0.1f, 0.52f, 0.55f},
    };
    for (const auto& c : cases)
    {
        const double integral = integratedVisibleShare(c.sun, c.occluder, c.separation);
        EXPECT_NEAR(integral, visibleSunShare(c.sun, c.occluder, c.separation), 2e-3) << c.name;
    }
}

// Where each eclipse of the tour's time stands: the Moon's centre in the Earth's umbra from 0 to 1.19 s,
// 15.58 to 17.94 s, 32.33 to 34.70 s and 49.09 to 51.45 s; the Moon's shadow on the Earth's day side
// round 8.38, 25.13 and 41.89 s.
TEST(EclipseTest, TheBodiesOwnMotionBringsTheEclipsesWhenTheOrbitsSay)
{
    const struct
    {
        float time;
        // The share of the Sun the Earth leaves the Moon's centre, and the Moon leaves the point of the
        // Earth under the Sun.
        float moonSeesMin;
        float moonSeesMax;
        float earthSeesMin;
        float earthSeesMax;
    } cases[] = {
        {0.01f, 0.0f, 0.0f, 1.0f, 1.0f},   {1.1f, 0.0f, 0.0f, 1.0f, 1.0f},   {1.3f, 0.01f, 0.99f, 1.0f, 1.0f},
        {2.5f, 1.0f, 1.0f, 1.0f, 1.0f},    {8.38f, 1.0f, 1.0f, 0.0f, 0.0f},  {12.0f, 1.0f, 1.0f, 1.0f, 1.0f},
        {15.3f, 0.01f, 0.99f, 1.0f, 1.0f}, {15.7f, 0.0f, 0.0f, 1.0f, 1.0f},  {16.76f, 0.0f, 0.0f, 1.0f, 1.0f},
        {17.9f, 0.0f, 0.0f, 1.0f, 1.0f},   {18.1f, 0.01f, 0.99f, 1.0f, 1.0f}, {25.13f, 1.0f, 1.0f, 0.0f, 0.0f},
        {33.5f, 0.0f, 0.0f, 1.0f, 1.0f},   {41.89f, 1.0f, 1.0f, 0.0f, 0.0f}, {50.0f, 0.0f, 0.0f, 1.0f, 1.0f},
        {52.5f, 1.0f, 1.0f, 1.0f, 1.0f},
    };
    for (const auto& c : cases)
    {
        SolarSystem bodies;
        bodies.run(c.time, 10);
        const glm::vec3 sun(bodies.sun.getPosition());
        const glm::vec3 earth(bodies.earth.getPosition());
        const glm::vec3 moon(bodies.moon.getPosition());
        const glm::vec3 underTheSun = earth + glm::normalize(sun - earth) * bodies.earth.getSize();
        const float moonSees = sunShareSeen(sun - moon, bodies.sun.getSize(), earth - moon, bodies.earth.getSize());
        const float earthSees =
            sunShareSeen(sun - underTheSun, bodies.sun.getSize(), moon - underTheSun, bodies.moon.getSize());
        EXPECT_GE(moonSees, c.moonSeesMin) << "the Moon at " << c.time << " s";
        EXPECT_LE(moonSees, c.moonSeesMax) << "the Moon at " << c.time << " s";
        EXPECT_GE(earthSees, c.earthSeesMin) << "the Earth at " << c.time << " s";
        EXPECT_LE(earthSees, c.earthSeesMax) << "the Earth at " << c.time << " s";
    }
}

// The rule that lets a frame skip the eclipse's work must never skip a point that sees part of the Sun
// hidden: points all over the Moon and the Earth's air, through the whole tour.
TEST(EclipseTest, ThePenumbraRuleSkipsNoPointThatSeesTheSunPartlyHidden)
{
    SolarSystem bodies;
    int reached = 0;
    int skipped = 0;
    for (int frame = 0; frame < 1100; ++frame)
    {
        bodies.step(0.05f);
        const glm::vec3 sun(bodies.sun.getPosition());
        const float sunRadius = bodies.sun.getSize();
        const struct
        {
            Body& body;
            float radius;
            Body& occluder;
        } pairs[] = {{bodies.moon, bodies.moon.getSize(), bodies.earth},
                     {bodies.earth, Resource::AtmosphereScale * bodies.earth.getSize(), bodies.moon}};
        for (const auto& pair : pairs)
        {
            const glm::vec3 centre(pair.body.getPosition());
            const glm::vec3 occluder(pair.occluder.getPosition());
            const bool reaches = penumbraReaches(sun, sunRadius, occluder, pair.occluder.getSize(), centre, pair.radius);
            (reaches ? reached : skipped) += 1;
            if (reaches)
                continue;
            for (int i = 0; i < 24; ++i)
                for (int j = 1; j < 12; ++j)
                {
                    const float longitude = 6.2831853f * static_cast<float>(i) / 24.0f;
                    const float latitude = 3.14159265f * (static_cast<float>(j) / 12.0f - 0.5f);
                    const glm::vec3 point = centre + pair.radius * glm::vec3(std::cos(latitude) * std::cos(longitude),
                                                                             std::cos(latitude) * std::sin(longitude),
                                                                             std::sin(latitude));
                    ASSERT_EQ(1.0f, sunShareSeen(sun - point, sunRadius, occluder - point, pair.occluder.getSize()))
                        << "frame " << frame << ", a point skipped in shadow";
                }
        }
    }
    // Three in four bodies' frames skip (each penumbra reaches the other body round its eclipses, an
    // eighth of its orbit); the eclipses do not.
    EXPECT_GT(skipped, 2 * reached);
    EXPECT_GT(reached, 100);
}

TEST(EclipseTest, TotalityIsCopperAndEarthlightFollowsTheEarthsPhase)
{
    // The light in the umbra: the air's own reddening along grazing rays, dim against the sunlight.
    const glm::vec3 copper = umbraLight(Resource::AtmosphereColor);
    EXPECT_GT(copper.r, 1.5f * copper.g);
    EXPECT_GT(copper.g, 2.0f * copper.b);
    EXPECT_LT(copper.r, 0.35f) << "dim against the sunlight";
    EXPECT_GT(copper.r, 0.1f) << "the disc stays readable";

    const glm::vec3 toSun(1.0f, 0.0f, 0.0f);
    const struct
    {
        const char* name;
        glm::vec3 toMoon;
        float lit;
    } phases[] = {
        {"the Moon new, the Earth full", toSun, 1.0f},
        {"quarter", glm::vec3(0.0f, 1.0f, 0.0f), 0.5f},
        {"the Moon full, the Earth new", -toSun, 0.0f},
    };
    for (const auto& phase : phases)
    {
        EXPECT_NEAR(phase.lit, litShare(toSun, phase.toMoon), 1e-6f) << phase.name;
        // Two Earth radii away: a fifth of a quarter of the sunlight when full.
        EXPECT_NEAR(0.05f * phase.lit, earthlight(-2.0f * phase.toMoon, 1.0f, phase.lit), 1e-6f) << phase.name;
    }
}

} // namespace
