// The air's scattering arithmetic, the shaders' own text, against a numeric integral and against what
// photographs from orbit show.
#include "Atmosphere.h"
#include "Scattering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

using namespace Scattering;

constexpr float Infinity = std::numeric_limits<float>::infinity();
// The scene's air.
const glm::vec4 AirColor = Resource::AtmosphereColor;
constexpr float ShellRadius = Resource::AtmosphereScale;

// The column from a point at `radius` along a direction `cosZenith` from the vertical, by the midpoint rule.
double integratedColumn(double radius, double cosZenith)
{
    const double step = 1e-5;
    double column = 0.0;
    for (double t = 0.5 * step; t < 3.0; t += step)
    {
        const double r = std::sqrt(radius * radius + t * t + 2.0 * radius * t * cosZenith);
        column += std::exp(std::min((1.0 - r) / ScaleHeight, double(DensityExponentLimit))) * step;
    }
    return column;
}

float blueShare(const glm::vec3& color)
{
    return color.b / (color.r + color.g + color.b);
}

TEST(Scattering, OpticalDepthMatchesTheIntegralAlongTheRay)
{
    const struct
    {
        float radius;
        float cosZenith;
    } cases[] = {
        {1.0f, 1.0f},   {1.0f, 0.5f},    {1.0f, 0.2f},     {1.0f, 0.05f},     {1.0f, 0.0f},
        {1.01f, 0.3f},  {1.01f, 0.0f},   {1.01f, -0.05f},  {1.01f, -0.12f}, // below the horizon, over the ground
        {1.05f, 0.0f},  {1.05f, -0.25f}, {1.003f, -0.06f},
    };
    for (const auto& c : cases)
    {
        const double integral = integratedColumn(c.radius, c.cosZenith);
        EXPECT_NEAR(1.0, columnToSpace(c.radius, c.cosZenith) / integral, 0.06)
            << "radius " << c.radius << ", cos zenith " << c.cosZenith << ": integral " << integral;
    }
    // Straight up from the ground the column is one scale height; a ray into the planet stays finite.
    EXPECT_NEAR(ScaleHeight, columnToSpace(1.0f, 1.0f), 0.01f * ScaleHeight);
    EXPECT_TRUE(std::isfinite(columnToSpace(1.0f, -1.0f)));
    EXPECT_GT(columnToSpace(1.0f, -1.0f), 1e20f);
}

TEST(Scattering, SunlightReddensAsTheSunSinksAndIsGoneBelowTheHorizon)
{
    const glm::vec3 depth = zenithDepth(AirColor);
    const glm::vec3 overhead = glm::exp(-extinction(AirColor) * columnToSpace(1.0f, 1.0f));
    EXPECT_NEAR(std::exp(-depth.g), overhead.g, 1e-3f);

    const struct
    {
        const char* name;
        float radius;
        float cosZenith;
        float minRed;
        float maxGreenOverRed;
        float maxBlueOverRed;
    } cases[] = {
        {"Sun overhead", 1.0f, 1.0f, 0.99f, 1.01f, 1.01f},
        {"Sun 30 degrees up", 1.0f, 0.5f, 0.9f, 0.99f, 0.92f},
        {"Sun grazing the ground", 1.0f, 0.02f, 0.2f, 0.75f, 0.35f},
        {"Sun grazing a cloud top", 1.0f + CloudTopHeight, 0.0f, 0.3f, 0.82f, 0.45f},
    };
    for (const auto& c : cases)
    {
        const glm::vec3 light = surfaceLight(c.radius, c.cosZenith, depth);
        EXPECT_GE(light.r, c.minRed) << c.name;
        EXPECT_LE(light.r, 1.0f + 1e-5f) << c.name;
        EXPECT_LE(light.g / light.r, c.maxGreenOverRed) << c.name;
        EXPECT_LE(light.b / light.r, c.maxBlueOverRed) << c.name;
        EXPECT_LE(light.b, light.g + 1e-5f) << c.name;
    }
    // With the Sun behind the planet, no light; just past the terminator the cloud tops keep it longer.
    EXPECT_LT(surfaceLight(1.0f, -0.15f, depth).r, 1e-3f);
    EXPECT_GT(surfaceLight(1.0f + CloudTopHeight, -0.07f, depth).r, 3.0f * surfaceLight(1.0f, -0.07f, depth).r);
}

// The eye 5 ground radii out on -y, the Sun behind it: the day side faces the eye.
struct ViewRay
{
    const char* name;
    float closest; // the ray's closest approach to the centre, in the x-y plane towards +x
    glm::vec3 toSun;
};

// The air along a ray as the last stage finds it, with the eye's column the vertex stage gives it.
AirLight airBetween(const glm::vec3& eye, const glm::vec3& direction, float shadowIn, float shadowOut,
                    const glm::vec3& source, const glm::vec3& coefficients)
{
    const glm::vec3 offAxis = glm::cross(eye, direction);
    const float eyeColumn = columnOutward(glm::dot(eye, direction), glm::dot(offAxis, offAxis));
    return airAlongRay(eye, direction, Infinity, shadowIn, shadowOut, ShellRadius, source, coefficients, eyeColumn);
}

AirLight airFor(const ViewRay& ray)
{
    const glm::vec3 eye(0.0f, -5.0f, 0.0f);
    const float sine = ray.closest / 5.0f;
    const glm::vec3 direction(sine, std::sqrt(1.0f - sine * sine), 0.0f);
    const glm::vec3 source = scatteringSource(eye, direction, ray.toSun, AirColor);
    return airBetween(eye, direction, Infinity, Infinity, source, extinction(AirColor));
}

TEST(Scattering, SeenFromOrbitTheAirHazesTheGroundTowardsTheLimbAndWhitensWhereThickest)
{
    const glm::vec3 behindTheEye(0.0f, -1.0f, 0.0f);
    const glm::vec3 grey(0.2f);
    const auto overGrey = [&](const ViewRay& ray) {
        const glm::vec4 air = blendedAir(airFor(ray));
        return glm::vec3(air) * air.a + grey * (1.0f - air.a);
    };
    const ViewRay nadir{"down the zenith", 0.0f, behindTheEye};
    const ViewRay towardsLimb{"over the ground near the limb", 0.9f, behindTheEye};
    const ViewRay lowLimb{"the limb, grazing the ground", 1.0f + 0.5f * ScaleHeight, behindTheEye};
    const ViewRay highLimb{"the limb, high", 1.0f + 3.0f * ScaleHeight, behindTheEye};
    const ViewRay space{"past the shell", 1.1f, behindTheEye};
    const ViewRay nightLimb{"the night limb", 1.0f + 0.5f * ScaleHeight, glm::vec3(-1.0f, 0.0f, 0.0f)};

    // Straight down the ground keeps most of its light under a thin blue haze; towards the limb the
    // haze grows, bluer than the grey ground, and the ground fades into it.
    const AirLight down = airFor(nadir);
    const AirLight slant = airFor(towardsLimb);
    EXPECT_GT(down.transmittance.g, 0.8f);
    EXPECT_LT(slant.transmittance.g, down.transmittance.g - 0.1f);
    EXPECT_GT(slant.light.b, 1.5f * down.light.b);
    for (const glm::vec3& light : {down.light, slant.light})
        EXPECT_GT(light.b, light.g) << "blue haze";
    EXPECT_GT(blueShare(overGrey(nadir)), 0.4f);
    EXPECT_GT(blueShare(overGrey(towardsLimb)), 0.4f);
    // The limb is brightest and whitest where it is thickest, pale blue above, and ends before the shell.
    const glm::vec3 low = airFor(lowLimb).light;
    const glm::vec3 high = airFor(highLimb).light;
    EXPECT_GT(low.g, 2.0f * high.g);
    EXPECT_LT(blueShare(low), blueShare(high));
    EXPECT_GT(blueShare(high), 0.45f);
    EXPECT_LT(blueShare(low), 0.45f);
    EXPECT_LT(airFor(space).light.b, 1e-5f);
    // The air behind the planet is in its shadow: the night limb stays dark.
    EXPECT_LT(airFor(nightLimb).light.g, 1e-3f * low.g);
}

TEST(Scattering, TheShadowTakesItsPieceOfTheRaysLight)
{
    const glm::vec3 eye(0.0f, -5.0f, 0.0f);
    const float sine = (1.0f + ScaleHeight) / 5.0f;
    const glm::vec3 direction(sine, std::sqrt(1.0f - sine * sine), 0.0f);
    const glm::vec3 source(1.0f);
    const glm::vec3 coefficients = extinction(AirColor);
    // The ray's lowest point, where most of its air is.
    const float middle = -glm::dot(eye, direction);
    const struct
    {
        const char* name;
        float shadowIn;
        float shadowOut;
        float minShare;
        float maxShare;
    } cases[] = {
        {"no shadow", Infinity, Infinity, 1.0f, 1.0f},
        {"shadow over all the air", 1.0f, 20.0f, 0.0f, 0.0f},
        {"shadow from the lowest point on", middle, Infinity, 0.5f, 0.9f},
        {"shadow up to the lowest point, the eye in it", Infinity, middle, 0.1f, 0.5f},
        {"shadow beyond the air", 10.0f, 12.0f, 1.0f, 1.0f},
    };
    const AirLight unshadowed = airBetween(eye, direction, Infinity, Infinity, source, coefficients);
    const glm::vec3 full = unshadowed.light;
    for (const auto& c : cases)
    {
        const AirLight air = airBetween(eye, direction, c.shadowIn, c.shadowOut, source, coefficients);
        EXPECT_GE(air.light.g, c.minShare * full.g - 1e-6f) << c.name;
        EXPECT_LE(air.light.g, c.maxShare * full.g + 1e-6f) << c.name;
        // The shadow takes light, not the air that dims what lies behind.
        EXPECT_FLOAT_EQ(unshadowed.transmittance.g, air.transmittance.g) << c.name;
    }
}

} // namespace
