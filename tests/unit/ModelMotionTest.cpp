#include "GlmExpect.h"
#include "SolarSystem.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

constexpr float Pi = 3.14159265358979f;

Body makeSun()
{
    return Body(Resource::Sun::info(), Resource::Sun::motion());
}

// Where a body's own x axis points in the world, scaled by its size.
glm::vec3 worldXAxis(Resource::IModel& body)
{
    return glm::vec3(body.getModelMatrix() * glm::vec4(1.0f, 0.0f, 0.0f, 0.0f));
}

TEST(ModelMotionTest, SunIsAtTheOriginAfterEveryUpdateAndNowhereBefore)
{
    Body sun = makeSun();
    expectVec4Near({0.0f, 0.0f, 0.0f, 0.0f}, sun.getPosition(), 0.0f);
    // Frame 0 is the frame a fresh model already counts as done.
    sun.update(0.5f, 0);
    expectVec4Near({0.0f, 0.0f, 0.0f, 0.0f}, sun.getPosition(), 0.0f);

    const float deltaTimes[] = {0.016f, 3.0f, 0.0f, 250.0f, 1e-6f};
    int frame = 0;
    for (const float deltaTime : deltaTimes)
    {
        sun.update(deltaTime, ++frame);
        expectVec4Near({0.0f, 0.0f, 0.0f, 1.0f}, sun.getPosition(), 1e-5f);
    }
}

TEST(ModelMotionTest, SunTurnsOnceInTwoHundredPiSecondsAtSizeFive)
{
    Body sun = makeSun();
    struct Case
    {
        float elapsed;
        float angle;
    };
    const Case cases[] = {{25.0f * Pi, Pi / 4.0f}, {25.0f * Pi, Pi / 2.0f}, {150.0f * Pi, 2.0f * Pi}};
    int frame = 0;
    for (const Case& c : cases)
    {
        sun.update(c.elapsed, ++frame);
        const glm::vec3 axis = worldXAxis(sun);
        EXPECT_NEAR(5.0f * std::cos(c.angle), axis.x, 1e-3f) << "angle " << c.angle;
        EXPECT_NEAR(5.0f * std::sin(c.angle), axis.y, 1e-3f) << "angle " << c.angle;
        EXPECT_NEAR(0.0f, axis.z, 1e-6f);
    }
}

glm::vec4 moonPlace(SolarSystem& system)
{
    return system.moon.getPosition() - system.earth.getPosition();
}

glm::vec4 earthPlace(SolarSystem& system)
{
    return system.earth.getPosition();
}

TEST(ModelMotionTest, BodiesReturnToTheirPlacesAfterOneOrbit)
{
    struct Case
    {
        const char* name;
        glm::vec4 (*place)(SolarSystem&);
        float period;
        int frames;
        glm::vec4 start;
        glm::vec4 halfway;
        float tolerance;
    };
    // The Moon circles the Earth in 4 pi seconds, the Earth the Sun in 16 pi.
    const Case cases[] = {
        {"moon", moonPlace, 4.0f * Pi, 757, {2.0f, 0.0f, 0.0f, 0.0f}, {-2.0f, 0.0f, 0.0f, 0.0f}, 2e-3f},
        {"earth", earthPlace, 16.0f * Pi, 1001, {50.0f, 0.0f, 0.0f, 1.0f}, {-50.0f, 0.0f, 0.0f, 1.0f}, 2e-2f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SolarSystem system;
        system.step(0.0f);
        expectVec4Near(c.start, c.place(system), 1e-5f);
        system.run(c.period / 2.0f, c.frames / 2);
        expectVec4Near(c.halfway, c.place(system), c.tolerance);
        system.run(c.period / 2.0f, c.frames - c.frames / 2);
        expectVec4Near(c.start, c.place(system), c.tolerance);
    }
}

TEST(ModelMotionTest, MoonStaysTwoFromTheEarthInItsPlane)
{
    SolarSystem system;
    const float deltaTimes[] = {0.016f, 0.7f, 2.9f, 0.0f, 11.0f, 0.033f};
    for (int round = 0; round < 4; ++round)
        for (const float deltaTime : deltaTimes)
        {
            system.step(deltaTime);
            const glm::vec4 offset = system.moon.getPosition() - system.earth.getPosition();
            EXPECT_NEAR(2.0f, glm::length(glm::vec3(offset)), 1e-4f) << "frame " << system.frame;
            EXPECT_NEAR(0.0f, offset.z, 1e-6f) << "frame " << system.frame;
        }
}

TEST(ModelMotionTest, MoonAlwaysShowsTheEarthTheSameSide)
{
    SolarSystem system;
    for (const float deltaTime : {0.3f, 1.1f, 2.5f, 0.01f, 4.0f})
    {
        system.step(deltaTime);
        const glm::vec3 away = glm::normalize(glm::vec3(system.moon.getPosition() - system.earth.getPosition()));
        const glm::mat4 model = system.moon.getModelMatrix();
        // With the spin matrix the identity, the model matrix is T * Rz(orbit) * T(2, 0, 0) * S(0.25).
        const float orbit = std::atan2(away.y, away.x);
        const glm::mat4 expected = glm::scale(
            glm::translate(glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(system.earth.getPosition())), orbit,
                                       glm::vec3(0.0f, 0.0f, 1.0f)),
                           glm::vec3(2.0f, 0.0f, 0.0f)),
            glm::vec3(0.25f));
        for (int column = 0; column < 4; ++column)
            expectVec4Near(expected[column], model[column], 1e-4f);
        const glm::vec3 axis = worldXAxis(system.moon) / 0.25f;
        EXPECT_NEAR(1.0f, glm::dot(axis, away), 1e-5f) << "frame " << system.frame;
    }
}

TEST(ModelMotionTest, RepeatedFrameNumberChangesNothing)
{
    SolarSystem system;
    system.step(0.25f);
    const glm::mat4 moonBefore = system.moon.getModelMatrix();
    const glm::mat4 earthBefore = system.earth.getModelMatrix();
    const glm::mat4 sunBefore = system.sun.getModelMatrix();

    for (const float deltaTime : {0.25f, 3.0f, 100.0f})
    {
        system.moon.update(deltaTime, system.frame);
        system.earth.update(deltaTime, system.frame);
        system.sun.update(deltaTime, system.frame);
        EXPECT_EQ(moonBefore, system.moon.getModelMatrix());
        EXPECT_EQ(earthBefore, system.earth.getModelMatrix());
        EXPECT_EQ(sunBefore, system.sun.getModelMatrix());
    }
}

TEST(ModelMotionTest, EarthAdvancesOncePerFrameAlthoughTwoBodiesFollowIt)
{
    SolarSystem system;
    const float deltaTime = 0.5f;
    const int frames = 12;
    for (int i = 0; i < frames; ++i)
        system.step(deltaTime);

    // Orbit: 6 s / 8 s per radian. Spin: 6 s / 1.3 s per radian.
    const float orbit = frames * deltaTime / 8.0f;
    const float spin = frames * deltaTime / 1.3f;
    expectVec4Near({50.0f * std::cos(orbit), 50.0f * std::sin(orbit), 0.0f, 1.0f}, system.earth.getPosition(), 1e-3f);
    const glm::vec3 axis = worldXAxis(system.earth);
    EXPECT_NEAR(std::cos(spin), axis.x, 1e-4f);
    EXPECT_NEAR(std::sin(spin), axis.y, 1e-4f);
    // The shell sits on the Earth's centre: it follows where the Earth stands this frame.
    expectVec4Near(system.earth.getPosition(), system.shell.getPosition(), 1e-4f);
}

TEST(ModelMotionTest, OrbitModelMatrixPlacesAndTurnsBodies)
{
    struct Case
    {
        const char* name;
        glm::vec3 parent;
        float orbit;
        float distance;
        float size;
        float spin;
    };
    const Case cases[] = {
        {"no orbit, no spin", {0.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 1.0f, 0.0f},
        {"on the parent's centre", {3.0f, -4.0f, 2.0f}, 1.2f, 0.0f, 2.0f, 0.4f},
        {"quarter orbit", {50.0f, 0.0f, 0.0f}, Pi / 2.0f, 2.0f, 0.25f, Pi / 2.0f},
        {"spin against the orbit", {-7.0f, 1.0f, -1.0f}, 2.5f, 10.0f, 3.0f, -1.0f},
        {"large angles", {0.0f, 0.0f, 0.0f}, 40.0f * Pi + 0.3f, 5.0f, 1.0f, 17.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const glm::mat4 m = Resource::orbitModelMatrix(c.parent, c.orbit, c.distance, c.size, c.spin);
        const glm::vec3 expectedCentre =
            c.parent + c.distance * glm::vec3(std::cos(c.orbit), std::sin(c.orbit), 0.0f);
        expectVec4Near(glm::vec4(expectedCentre, 1.0f), m * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f), 1e-3f);
        // The body's turn in the world is its spin alone, whatever its orbit.
        expectVec4Near(glm::vec4(c.size * std::cos(c.spin), c.size * std::sin(c.spin), 0.0f, 0.0f),
                       m * glm::vec4(1.0f, 0.0f, 0.0f, 0.0f), 1e-3f);
        expectVec4Near(glm::vec4(0.0f, 0.0f, c.size, 0.0f), m * glm::vec4(0.0f, 0.0f, 1.0f, 0.0f), 1e-5f);
    }
}

} // namespace
