#include "Camera.h"
#include "FakeBody.h"
#include "GlmExpect.h"
#include "Model.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

constexpr float Pi = 3.14159265358979f;

// Where the camera's view puts a world point: view space, camera looking down -z.
glm::vec4 toView(const Camera::Camera& camera, const glm::vec4& world)
{
    return camera.getViewMatrix() * world;
}

class CameraTest : public ::testing::Test
{
protected:
    KeyTable m_Keys{};
    FakeBody m_Earth{glm::vec4(50.0f, 0.0f, 0.0f, 1.0f)};
    FakeBody m_Moon{glm::vec4(60.0f, 10.0f, 0.0f, 1.0f)};
};

TEST_F(CameraTest, FreshCameraOnEarthLooksBackAlongYFromDistanceTen)
{
    Camera::Camera camera(m_Keys, 800, 600, 0.5f, 0.1f);
    camera.setTarget(&m_Earth);
    camera.update(0.016f);

    expectVec4Near({50.0f, 10.0f, 0.0f, 1.0f}, camera.getPosition());
    expectVec4Near({0.0f, -1.0f, 0.0f, 0.0f}, camera.getDirection());
    expectVec4Near({0.0f, 0.0f, 1.0f, 0.0f}, camera.getUp());
    // The target sits straight ahead, 10 units down the view axis; world up is screen up.
    expectVec4Near({0.0f, 0.0f, -10.0f, 1.0f}, toView(camera, m_Earth.getPosition()));
    expectVec4Near({0.0f, 1.0f, -10.0f, 1.0f}, toView(camera, m_Earth.getPosition() + glm::vec4(0, 0, 1, 0)));
}

TEST_F(CameraTest, ConstructorTakesPoseFromEmptyAnimation)
{
    Camera::Camera camera(m_Keys, 800, 600, 0.5f, 0.1f);
    expectVec4Near(glm::vec4(0.0f), camera.getPosition());
    expectVec4Near(glm::vec4(0.0f), camera.getDirection());
    expectVec4Near({0.0f, 0.0f, 1.0f, 0.0f}, camera.getUp());
    EXPECT_FLOAT_EQ(10.0f, camera.getDistance());
    EXPECT_FLOAT_EQ(0.0f, camera.getAngle());
    EXPECT_TRUE(camera.getAnimation().isEmpty());
}

TEST_F(CameraTest, ProjectionUsesFortyFiveAsRadians)
{
    struct Case
    {
        int width;
        int height;
    };
    const float f = 0.557852f; // tan(22.5 rad)
    for (const Case c : {Case{800, 600}, Case{1920, 1080}, Case{600, 800}})
    {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const Camera::Camera camera(m_Keys, c.width, c.height, 1.0f, 1.0f);
        const glm::mat4 p = camera.getProjectionMatrix();
        const float aspect = static_cast<float>(c.width) / static_cast<float>(c.height);
        EXPECT_NEAR(1.0f / (aspect * f), p[0][0], 1e-4f);
        EXPECT_NEAR(1.0f / f, p[1][1], 1e-4f);
        EXPECT_NEAR(-(100.0f + 0.1f) / (100.0f - 0.1f), p[2][2], 1e-5f);
        EXPECT_NEAR(-1.0f, p[2][3], 1e-6f);
        EXPECT_NEAR(-2.0f * 100.0f * 0.1f / (100.0f - 0.1f), p[3][2], 1e-5f);
        EXPECT_NEAR(0.0f, p[3][3], 1e-6f);
        EXPECT_NEAR(0.0f, p[1][0], 1e-6f);
    }
}

TEST_F(CameraTest, EachFrameAppliesOnlyTheFirstHeldKey)
{
    struct Case
    {
        const char* name;
        std::vector<int> held;
        float distanceChange;
        float angleChange;
    };
    const float zoom = 0.5f;
    const float turn = 0.1f;
    const std::vector<Case> cases = {
        {"none", {}, 0.0f, 0.0f},
        {"keypad minus zooms out", {GLFW_KEY_KP_SUBTRACT}, zoom, 0.0f},
        {"keypad plus zooms in", {GLFW_KEY_KP_ADD}, -zoom, 0.0f},
        {"up raises", {GLFW_KEY_UP}, 0.0f, turn},
        {"down lowers", {GLFW_KEY_DOWN}, 0.0f, -turn},
        {"minus beats plus", {GLFW_KEY_KP_ADD, GLFW_KEY_KP_SUBTRACT}, zoom, 0.0f},
        {"plus beats up", {GLFW_KEY_UP, GLFW_KEY_KP_ADD}, -zoom, 0.0f},
        {"up beats down", {GLFW_KEY_DOWN, GLFW_KEY_UP}, 0.0f, turn},
        {"zoom beats turn", {GLFW_KEY_DOWN, GLFW_KEY_KP_SUBTRACT}, zoom, 0.0f},
        {"main-row minus does nothing", {GLFW_KEY_MINUS}, 0.0f, 0.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        KeyTable keys{};
        for (int key : c.held)
            keys[key] = true;
        Camera::Camera camera(keys, 800, 600, zoom, turn);
        camera.setTarget(&m_Earth);
        // Three frames of different lengths: the step is per frame, not per second.
        camera.update(0.001f);
        camera.update(0.5f);
        camera.update(0.02f);
        EXPECT_NEAR(10.0f + 3.0f * c.distanceChange, camera.getDistance(), 1e-5f);
        EXPECT_NEAR(3.0f * c.angleChange, camera.getAngle(), 1e-5f);
    }
}

TEST_F(CameraTest, TurningOverTheTopFlipsUp)
{
    struct Case
    {
        int upFrames;
        glm::vec4 eyeOffset; // from the target
        glm::vec4 up;
    };
    // Steps of a twentieth turn: 5 frames reach the top.
    const float step = Pi / 10.0f;
    const std::vector<Case> cases = {
        {4, {0.0f, 10.0f * std::cos(0.4f * Pi), 10.0f * std::sin(0.4f * Pi), 0.0f}, {0, 0, 1, 0}},
        {5, {0.0f, 0.0f, 10.0f, 0.0f}, {}},
        {6, {0.0f, 10.0f * std::cos(0.6f * Pi), 10.0f * std::sin(0.6f * Pi), 0.0f}, {0, 0, -1, 0}},
        {10, {0.0f, -10.0f, 0.0f, 0.0f}, {0, 0, -1, 0}},
        {15, {0.0f, 0.0f, -10.0f, 0.0f}, {}},
        {16, {0.0f, 10.0f * std::cos(1.6f * Pi), 10.0f * std::sin(1.6f * Pi), 0.0f}, {0, 0, 1, 0}},
        // The angle keeps counting past a full turn instead of wrapping.
        {25, {0.0f, 0.0f, 10.0f, 0.0f}, {}},
        {-5, {0.0f, 0.0f, -10.0f, 0.0f}, {}},
        {-2, {0.0f, 10.0f * std::cos(0.2f * Pi), -10.0f * std::sin(0.2f * Pi), 0.0f}, {0, 0, 1, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.upFrames << " frames");
        KeyTable keys{};
        Camera::Camera camera(keys, 800, 600, 1.0f, step);
        camera.setTarget(&m_Earth);
        keys[c.upFrames >= 0 ? GLFW_KEY_UP : GLFW_KEY_DOWN] = true;
        for (int i = 0; i < std::abs(c.upFrames); ++i)
            camera.update(0.016f);
        EXPECT_NEAR(static_cast<float>(c.upFrames) * step, camera.getAngle(), 1e-4f);
        expectVec4Near(m_Earth.getPosition() + c.eyeOffset, camera.getPosition(), 1e-3f);
        // Always looking back through the target.
        expectVec4Near(-c.eyeOffset / 10.0f, camera.getDirection(), 1e-4f);
        if (c.up != glm::vec4(0.0f))
            expectVec4Near(c.up, camera.getUp());
    }
}

TEST_F(CameraTest, QuarterTurnThenOneMoreFlipsUp)
{
    KeyTable keys{};
    Camera::Camera camera(keys, 800, 600, 1.0f, Pi / 2.0f);
    camera.setTarget(&m_Earth);
    keys[GLFW_KEY_UP] = true;
    camera.update(0.016f);
    expectVec4Near({50.0f, 0.0f, 10.0f, 1.0f}, camera.getPosition());
    expectVec4Near({0.0f, 0.0f, -1.0f, 0.0f}, camera.getDirection());
    camera.update(0.016f);
    expectVec4Near({50.0f, -10.0f, 0.0f, 1.0f}, camera.getPosition());
    expectVec4Near({0.0f, 0.0f, -1.0f, 0.0f}, camera.getUp());
    // Upside down, the target is still dead ahead and world +z now points down the screen.
    expectVec4Near({0.0f, 0.0f, -10.0f, 1.0f}, toView(camera, m_Earth.getPosition()));
    expectVec4Near({0.0f, -1.0f, -10.0f, 1.0f}, toView(camera, m_Earth.getPosition() + glm::vec4(0, 0, 1, 0)));
}

TEST_F(CameraTest, ZoomingInPastTheTargetPutsTheEyeOnTheOtherSide)
{
    struct Case
    {
        int frames;
        float distance;
    };
    KeyTable keys{};
    Camera::Camera camera(keys, 800, 600, 4.0f, 0.1f);
    camera.setTarget(&m_Earth);
    keys[GLFW_KEY_KP_ADD] = true;
    int done = 0;
    for (const Case c : {Case{2, 2.0f}, Case{3, -2.0f}, Case{5, -10.0f}})
    {
        SCOPED_TRACE(testing::Message() << c.frames << " frames");
        for (; done < c.frames; ++done)
            camera.update(0.016f);
        EXPECT_NEAR(c.distance, camera.getDistance(), 1e-5f);
        expectVec4Near({50.0f, c.distance, 0.0f, 1.0f}, camera.getPosition());
        // Still facing -y: past zero the target ends up behind the eye.
        expectVec4Near({0.0f, -1.0f, 0.0f, 0.0f}, camera.getDirection());
        EXPECT_NEAR(-c.distance, toView(camera, m_Earth.getPosition()).z, 1e-4f);
    }
}

TEST_F(CameraTest, TargetModeFollowsAMovingTarget)
{
    Camera::Camera camera(m_Keys, 800, 600, 1.0f, 0.1f);
    camera.setTarget(&m_Moon);
    for (int frame = 0; frame < 5; ++frame)
    {
        m_Moon.m_Position += glm::vec4(1.0f, -2.0f, 0.5f, 0.0f);
        camera.update(0.016f);
        expectVec4Near(m_Moon.m_Position + glm::vec4(0.0f, 10.0f, 0.0f, 0.0f), camera.getPosition());
    }
}

TEST_F(CameraTest, CameraKeysWorkWhileBodiesStandStill)
{
    // A paused scene only stops the bodies; the camera keeps taking keys every frame.
    KeyTable keys{};
    Camera::Camera camera(keys, 800, 600, 1.0f, Pi / 2.0f);
    camera.setTarget(&m_Earth);
    const glm::vec4 frozen = m_Earth.getPosition();
    keys[GLFW_KEY_KP_SUBTRACT] = true;
    camera.update(0.0f);
    keys[GLFW_KEY_KP_SUBTRACT] = false;
    keys[GLFW_KEY_UP] = true;
    camera.update(0.0f);
    EXPECT_EQ(frozen, m_Earth.getPosition());
    expectVec4Near(frozen + glm::vec4(0.0f, 0.0f, 11.0f, 0.0f), camera.getPosition());
}

TEST_F(CameraTest, HoldPlaysJustOverItsDurationThenTargetModeResumes)
{
    KeyTable keys{};
    Camera::Camera camera(keys, 800, 600, 1.0f, 0.25f);
    camera.setTarget(&m_Earth);
    Camera::CameraAnimation hold;
    hold.setDistance(5.0f);
    hold.addMove({Camera::CameraMoveType::Hold, 3000.0f, 0.0f, 0.0f, &m_Moon, nullptr});
    camera.setAnimation(hold);

    // Keys still count during the animation, and take effect once it ends.
    keys[GLFW_KEY_UP] = true;
    camera.update(0.1f);
    keys[GLFW_KEY_UP] = false;

    // 100 ms frames: 3000 ms is reached on frame 30, exceeded on frame 31.
    for (int frame = 2; frame <= 30; ++frame)
        camera.update(0.1f);
    EXPECT_FALSE(camera.getAnimation().isEmpty());
    expectVec4Near(m_Moon.getPosition() - glm::vec4(5.0f, 0.0f, 0.0f, 0.0f), camera.getPosition());
    expectVec4Near({1.0f, 0.0f, 0.0f, 0.0f}, camera.getDirection());

    camera.update(0.1f);
    EXPECT_TRUE(camera.getAnimation().isEmpty());
    EXPECT_FLOAT_EQ(10.0f, camera.getDistance());
    EXPECT_FLOAT_EQ(0.25f, camera.getAngle());
    const glm::vec4 offset(0.0f, 10.0f * std::cos(0.25f), 10.0f * std::sin(0.25f), 0.0f);
    expectVec4Near(m_Earth.getPosition() + offset, camera.getPosition());
    expectVec4Near(-offset / 10.0f, camera.getDirection());
}

TEST_F(CameraTest, AnimationWithoutTargetKeepsItsLastPose)
{
    Camera::Camera camera(m_Keys, 800, 600, 1.0f, 0.1f);
    Camera::CameraAnimation hold;
    hold.setDistance(2.0f);
    hold.addMove({Camera::CameraMoveType::Hold, 100.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    camera.setAnimation(hold);
    for (int frame = 0; frame < 5; ++frame)
        camera.update(0.1f);
    EXPECT_TRUE(camera.getAnimation().isEmpty());
    expectVec4Near({48.0f, 0.0f, 0.0f, 1.0f}, camera.getPosition());
    expectVec4Near({1.0f, 0.0f, 0.0f, 0.0f}, camera.getDirection());
    expectVec4Near({0.0f, 0.0f, 1.0f, 0.0f}, camera.getUp());
}

TEST_F(CameraTest, SetTargetStopsAnimationAndSetAnimationKeepsTarget)
{
    KeyTable keys{};
    Camera::Camera camera(keys, 800, 600, 1.0f, 0.1f);
    camera.setTarget(&m_Earth);
    keys[GLFW_KEY_KP_SUBTRACT] = true;
    camera.update(0.0f);
    keys[GLFW_KEY_KP_SUBTRACT] = false;

    Camera::CameraAnimation hold;
    hold.setDistance(3.0f);
    hold.addMove({Camera::CameraMoveType::Hold, 10000.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    camera.setAnimation(hold);
    EXPECT_FLOAT_EQ(11.0f, camera.getDistance());
    camera.update(0.1f);
    expectVec4Near({47.0f, 0.0f, 0.0f, 1.0f}, camera.getPosition());

    camera.setTarget(&m_Moon);
    EXPECT_TRUE(camera.getAnimation().isEmpty());
    camera.update(0.1f);
    expectVec4Near(m_Moon.getPosition() + glm::vec4(0.0f, 11.0f, 0.0f, 0.0f), camera.getPosition());
}

TEST_F(CameraTest, SetAnimationPlaysACopyAndLeavesTheSourceAlone)
{
    Camera::Camera camera(m_Keys, 800, 600, 1.0f, 0.1f);
    camera.setTarget(&m_Earth);
    Camera::CameraAnimation orbit;
    orbit.setDistance(4.0f);
    orbit.addMove({Camera::CameraMoveType::Orbit, 10000.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    for (int frame = 0; frame < 50; ++frame)
        orbit.step(0.1f);
    ASSERT_NEAR(Pi, orbit.getAngle(), 1e-4f);

    camera.setAnimation(orbit);
    camera.update(0.1f);
    // The copy went on from half way; the source did not move.
    EXPECT_GT(camera.getAnimation().getAngle(), Pi + 0.01f);
    EXPECT_NEAR(Pi, orbit.getAngle(), 1e-6f);
    EXPECT_EQ(1u, orbit.getMoveCount());

    // Stepping the source the same way now gives the camera's pose: elapsed and blend were copied.
    orbit.step(0.1f);
    expectVec4Near(orbit.getPose().second, camera.getPosition(), 1e-5f);
    expectVec4Near(orbit.getPose().first, camera.getDirection(), 1e-6f);

    // 4900 ms are left: 49 more frames reach the end, the 50th passes it.
    for (int frame = 0; frame < 49; ++frame)
        camera.update(0.1f);
    EXPECT_FALSE(camera.getAnimation().isEmpty());
    camera.update(0.1f);
    EXPECT_TRUE(camera.getAnimation().isEmpty());
    expectVec4Near({50.0f, 10.0f, 0.0f, 1.0f}, camera.getPosition());
}

} // namespace
