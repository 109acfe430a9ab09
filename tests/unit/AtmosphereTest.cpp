// Where the shadow body goes and how it is turned: plain arithmetic, no GL.
#include "Atmosphere.h"

#include <glm/gtc/constants.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

bool allFinite(const glm::mat4& m)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r]))
                return false;
    return true;
}

void expectNear(const glm::vec3& expected, const glm::vec3& actual, float tolerance, const std::string& what)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(expected[i], actual[i], tolerance) << what << ", component " << i;
}

// A rotation keeps lengths and angles and does not mirror: columns orthonormal, determinant +1.
void expectRotation(const glm::mat4& m, const std::string& what)
{
    const glm::mat3 r(m);
    const glm::mat3 product = glm::transpose(r) * r;
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(c == k ? 1.0f : 0.0f, product[c][k], 1e-5f) << what;
    EXPECT_NEAR(1.0f, glm::determinant(r), 1e-5f) << what;
    expectNear(glm::vec3(0.0f), glm::vec3(m[3]), 0.0f, what + ": no translation");
}

TEST(ShadowPlacement, CentreSitsBeyondTheParentAndPlusYPointsAwayFromTheLight)
{
    struct Case
    {
        const char* name;
        glm::vec4 parent;
        glm::vec4 light;
        float size;
        glm::vec3 centre;
        glm::vec3 away;
    };
    const Case cases[] = {
        {"Earth on the x axis", {50.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 1.0f, {50.55f, 0.0f, 0.0f},
         {1.0f, 0.0f, 0.0f}},
        {"parent along +y", {0.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 1.0f, {0.0f, 1.55f, 0.0f},
         {0.0f, 1.0f, 0.0f}},
        {"straight below the light", {0.0f, -3.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 1.0f,
         {0.0f, -3.55f, 0.0f}, {0.0f, -1.0f, 0.0f}},
        {"twice the size, light elsewhere", {3.0f, 4.0f, 7.0f, 1.0f}, {3.0f, 4.0f, 2.0f, 1.0f}, 2.0f,
         {3.0f, 4.0f, 8.1f}, {0.0f, 0.0f, 1.0f}},
        {"both off the origin, oblique", {10.0f, 2.0f, 0.0f, 1.0f}, {7.0f, -2.0f, 0.0f, 1.0f}, 1.0f,
         {10.33f, 2.44f, 0.0f}, {0.6f, 0.8f, 0.0f}},
    };
    for (const Case& c : cases)
    {
        const glm::mat4 m = Resource::shadowModelMatrix(c.parent, c.light, c.size);
        ASSERT_TRUE(allFinite(m)) << c.name;
        expectNear(c.centre, glm::vec3(m * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f)), 2e-5f, std::string(c.name) + ": centre");
        // The mesh's +y axis, scaled by the size, points from the light through the parent.
        expectNear(c.away * c.size, glm::vec3(m * glm::vec4(0.0f, 1.0f, 0.0f, 0.0f)), 1e-5f,
                   std::string(c.name) + ": +y");
        // Its ends: the Earth's centre and 1.1 sizes beyond, past a shell of 1.075.
        expectNear(glm::vec3(c.parent), glm::vec3(m * glm::vec4(0.0f, -0.55f, 0.0f, 1.0f)), 2e-5f,
                   std::string(c.name) + ": near end");
        const glm::vec3 sideways = glm::vec3(m * glm::vec4(1.0f, 0.0f, 0.0f, 0.0f));
        EXPECT_NEAR(c.size, glm::length(sideways), 1e-5f) << c.name << ": radius";
    }
}

TEST(ShadowPlacement, ParentStraightAlongPlusYKeepsTheMeshUnturned)
{
    const glm::mat4 m = Resource::shadowModelMatrix({0.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 1.0f);
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(c == r ? 1.0f : 0.0f, m[c][r]) << "column " << c << " row " << r;
}

TEST(ShadowPlacement, ParentOnTheLightGivesAFiniteMatrix)
{
    const glm::vec4 both(4.0f, 5.0f, 6.0f, 1.0f);
    const glm::mat4 m = Resource::shadowModelMatrix(both, both, 1.0f);
    EXPECT_TRUE(allFinite(m));
    expectNear(glm::vec3(both), glm::vec3(m[3]), 0.0f, "centre");
}

TEST(ShadowOrientation, TurnsPlusYOntoTheDirectionWithoutNaN)
{
    struct Case
    {
        const char* name;
        glm::vec3 direction;
    };
    // Directions whose turn axis is zero or so short that its squared length underflows.
    const Case cases[] = {
        {"+y", {0.0f, 1.0f, 0.0f}},
        {"-y", {0.0f, -1.0f, 0.0f}},
        {"+x", {1.0f, 0.0f, 0.0f}},
        {"-z", {0.0f, 0.0f, -1.0f}},
        {"-y, x tilt 1e-30", {1e-30f, -1.0f, 0.0f}},
        {"+y, z tilt 1e-30", {0.0f, 1.0f, 1e-30f}},
        {"-y, tilt 1e-20", {1e-20f, -1.0f, -1e-20f}},
        {"+y, tilt 1e-4", glm::normalize(glm::vec3(1e-4f, 1.0f, 0.0f))},
        {"-y, tilt 1e-4", glm::normalize(glm::vec3(0.0f, -1.0f, 1e-4f))},
    };
    for (const Case& c : cases)
    {
        const glm::mat4 r = Resource::shadowOrientation(c.direction);
        ASSERT_TRUE(allFinite(r)) << c.name;
        expectRotation(r, c.name);
        expectNear(c.direction, glm::vec3(r * glm::vec4(0.0f, 1.0f, 0.0f, 0.0f)), 1e-6f, c.name);
    }
}

TEST(ShadowOrientation, StraightBelowTheLightIsAHalfTurnAboutX)
{
    const glm::mat4 r = Resource::shadowOrientation({0.0f, -1.0f, 0.0f});
    expectNear({1.0f, 0.0f, 0.0f}, glm::vec3(r * glm::vec4(1.0f, 0.0f, 0.0f, 0.0f)), 1e-6f, "x stays");
    expectNear({0.0f, 0.0f, -1.0f}, glm::vec3(r * glm::vec4(0.0f, 0.0f, 1.0f, 0.0f)), 1e-6f, "z flips");
}

TEST(ShadowOrientation, RandomDirectionsAreTurnedOntoExactly)
{
    std::mt19937 random(20240611u);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    for (int i = 0; i < 2000; ++i)
    {
        glm::vec3 d(normal(random), normal(random), normal(random));
        if (glm::length(d) < 1e-3f)
            continue;
        d = glm::normalize(d);
        const glm::mat4 r = Resource::shadowOrientation(d);
        const std::string what = "direction " + std::to_string(d.x) + " " + std::to_string(d.y) + " " +
                                 std::to_string(d.z);
        ASSERT_TRUE(allFinite(r)) << what;
        expectNear(d, glm::vec3(r * glm::vec4(0.0f, 1.0f, 0.0f, 0.0f)), 2e-6f, what);
        expectRotation(r, what);
        // The shortest turn: the axis u x d is left where it is.
        const glm::vec3 axis = glm::cross(glm::vec3(0.0f, 1.0f, 0.0f), d);
        if (glm::length(axis) > 1e-3f)
            expectNear(axis, glm::vec3(r * glm::vec4(axis, 0.0f)), 2e-6f, what + ", axis");
        if (HasFatalFailure() || HasNonfatalFailure())
            return;
    }
}

} // namespace
