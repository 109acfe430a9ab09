#include "Camera.h"
#include "CameraAnimation.h"
#include "FakeBody.h"
#include "GlmExpect.h"
#include "Model.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace
{

constexpr float Pi = 3.14159265358979f;

using Camera::CameraAnimation;
using Camera::CameraMoveType;

glm::vec4 horizontal(float angle)
{
    return glm::vec4(std::cos(angle), std::sin(angle), 0.0f, 0.0f);
}

TEST(CameraEaseTest, SmoothstepClampedAndNaNCountsAsStart)
{
    struct Case
    {
        float t;
        float expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case c : {Case{-1.0f, 0.0f}, Case{0.0f, 0.0f}, Case{0.25f, 0.15625f}, Case{0.5f, 0.5f},
                         Case{0.75f, 0.84375f}, Case{1.0f, 1.0f}, Case{3.0f, 1.0f}, Case{nan, 0.0f},
                         Case{inf, 1.0f}, Case{-inf, 0.0f}})
    {
        SCOPED_TRACE(testing::Message() << "t=" << c.t);
        EXPECT_FLOAT_EQ(c.expected, Camera::easeBlend(c.t));
    }
}

class CameraAnimationTest : public ::testing::Test
{
protected:
    FakeBody m_Earth{glm::vec4(50.0f, 0.0f, 0.0f, 1.0f)};
    FakeBody m_Moon{glm::vec4(60.0f, 10.0f, 4.0f, 1.0f)};
};

TEST_F(CameraAnimationTest, EmptyAnimationIgnoresSteps)
{
    CameraAnimation animation;
    animation.setDistance(5.0f);
    animation.step(1.0f);
    EXPECT_TRUE(animation.isEmpty());
    expectVec4Near(glm::vec4(0.0f), animation.getPose().first);
    expectVec4Near(glm::vec4(0.0f), animation.getPose().second);
}

TEST_F(CameraAnimationTest, MovesEndAfterTheirDurationIsExceeded)
{
    struct Case
    {
        CameraMoveType type;
        float durationMs;
        float frameSeconds;
        int framesToFinish;
    };
    // The move ends on the first frame whose elapsed time is strictly past the duration.
    const std::vector<Case> cases = {
        {CameraMoveType::Hold, 3000.0f, 0.1f, 31},   {CameraMoveType::Hold, 3050.0f, 0.1f, 31},
        {CameraMoveType::Orbit, 1000.0f, 0.25f, 5},  {CameraMoveType::Travel, 1000.0f, 0.3f, 4},
        {CameraMoveType::Hold, 0.0f, 0.0f, 1000},    {CameraMoveType::Hold, 0.0f, 0.001f, 1},
        {CameraMoveType::Travel, 500.0f, 10.0f, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.type) << " " << c.durationMs << " ms by "
                                        << c.frameSeconds << " s");
        CameraAnimation animation;
        animation.addMove({c.type, c.durationMs, 1.0f, 2.0f, &m_Earth, &m_Moon});
        animation.addMove({CameraMoveType::Hold, 1e9f, 0.0f, 0.0f, &m_Earth, nullptr});
        int frames = 0;
        while (animation.getMoveCount() == 2 && frames < 1000)
        {
            animation.step(c.frameSeconds);
            ++frames;
        }
        EXPECT_EQ(c.framesToFinish, frames);
    }
}

TEST_F(CameraAnimationTest, ClearEmptiesTheQueueButKeepsThePose)
{
    CameraAnimation animation;
    animation.setDistance(2.0f);
    animation.addMove({CameraMoveType::Hold, 1000.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    animation.addMove({CameraMoveType::Hold, 1000.0f, 0.0f, 0.0f, &m_Moon, nullptr});
    animation.step(0.1f);
    animation.clear();
    EXPECT_TRUE(animation.isEmpty());
    animation.step(0.1f);
    expectVec4Near({48.0f, 0.0f, 0.0f, 1.0f}, animation.getPose().second);
}

TEST_F(CameraAnimationTest, TravelBlendsFocusAndDistanceKeepingDirection)
{
    const float angle = 0.7f;
    CameraAnimation travel;
    travel.setDistance(99.0f); // overwritten by the move's own distances
    travel.setAngle(angle);
    travel.addMove({CameraMoveType::Travel, 6000.0f, 5.0f, 1.0f, &m_Earth, &m_Moon});

    struct Checkpoint
    {
        int frames; // of 100 ms
        float blend;
    };
    int done = 0;
    for (const Checkpoint c : {Checkpoint{1, Camera::easeBlend(1.0f / 60.0f)}, Checkpoint{15, 0.15625f},
                               Checkpoint{30, 0.5f}, Checkpoint{45, 0.84375f}, Checkpoint{60, 1.0f}})
    {
        SCOPED_TRACE(testing::Message() << c.frames << " frames");
        for (; done < c.frames; ++done)
            travel.step(0.1f);
        const float distance = 5.0f * (1.0f - c.blend) + 1.0f * c.blend;
        const glm::vec4 focus = m_Earth.getPosition() * (1.0f - c.blend) + m_Moon.getPosition() * c.blend;
        EXPECT_NEAR(distance, travel.getDistance(), 1e-4f);
        EXPECT_NEAR(angle, travel.getAngle(), 1e-7f);
        expectVec4Near(horizontal(angle), travel.getPose().first, 1e-6f);
        expectVec4Near(focus - horizontal(angle) * distance, travel.getPose().second, 1e-3f);
    }
    EXPECT_FALSE(travel.isEmpty());
    travel.step(0.1f);
    EXPECT_TRUE(travel.isEmpty());
    // Ends one unit short of the Moon, looking at it along the unchanged direction.
    const glm::vec4 end = travel.getPose().second;
    EXPECT_NEAR(1.0f, glm::length(glm::vec3(m_Moon.getPosition() - end)), 1e-4f);
    expectVec4Near(m_Moon.getPosition(), end + travel.getPose().first, 1e-4f);
}

TEST_F(CameraAnimationTest, OrbitTurnsOnceEasedAtBothEnds)
{
    CameraAnimation orbit;
    orbit.setDistance(5.0f);
    orbit.addMove({CameraMoveType::Orbit, 10000.0f, 0.0f, 0.0f, &m_Earth, nullptr});

    std::vector<float> angles{orbit.getAngle()};
    while (!orbit.isEmpty())
    {
        orbit.step(0.1f);
        angles.push_back(orbit.getAngle());
        // Circles the Earth at the playback distance, facing it.
        expectVec4Near(m_Earth.getPosition(), orbit.getPose().second + orbit.getPose().first * 5.0f, 1e-4f);
    }
    ASSERT_EQ(102u, angles.size()); // 100 frames reach 10000 ms, the 101st passes it

    EXPECT_NEAR(Pi, angles[50], 1e-4f);
    expectVec4Near(horizontal(Pi), [&] {
        CameraAnimation half;
        half.setDistance(5.0f);
        half.addMove({CameraMoveType::Orbit, 10000.0f, 0.0f, 0.0f, &m_Earth, nullptr});
        for (int i = 0; i < 50; ++i)
            half.step(0.1f);
        return half.getPose().first;
    }());
    EXPECT_NEAR(2.0f * Pi, angles.back(), 1e-4f);

    const float first = angles[1] - angles[0];
    const float middle = angles[51] - angles[50];
    const float last = angles[100] - angles[99];
    EXPECT_GT(first, 0.0f);
    EXPECT_LT(first, 0.05f * middle);
    EXPECT_LT(last, 0.05f * middle);
    EXPECT_NEAR(first, last, 1e-4f);
    // The frame that passes the end adds nothing.
    EXPECT_FLOAT_EQ(angles[100], angles[101]);
}

TEST_F(CameraAnimationTest, OrbitAfterAnotherMoveFirstStepsBackAFullTurn)
{
    CameraAnimation animation;
    animation.setDistance(5.0f);
    animation.addMove({CameraMoveType::Hold, 100.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    animation.addMove({CameraMoveType::Orbit, 10000.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    for (int i = 0; i < 3; ++i)
        animation.step(0.05f);
    ASSERT_EQ(1u, animation.getMoveCount());
    const glm::vec4 holdDirection = animation.getPose().first;

    // The Hold left the blend at 1; the Orbit's first blend is near 0, so the angle drops by almost 2 pi.
    animation.step(0.05f);
    const float firstBlend = Camera::easeBlend(0.005f);
    EXPECT_NEAR((firstBlend - 1.0f) * 2.0f * Pi, animation.getAngle(), 1e-5f);
    expectVec4Near(holdDirection, animation.getPose().first, 1e-3f);

    // From there it sweeps one full turn forward, back to the start.
    while (!animation.isEmpty())
        animation.step(0.05f);
    EXPECT_NEAR(0.0f, animation.getAngle(), 1e-4f);
}

TEST_F(CameraAnimationTest, UnknownMoveTypeOnlyTakesTime)
{
    CameraAnimation animation;
    animation.setDistance(5.0f);
    animation.addMove({CameraMoveType::Hold, 100.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    animation.addMove({static_cast<CameraMoveType>(7), 100.0f, 0.0f, 0.0f, nullptr, nullptr});
    animation.addMove({CameraMoveType::Orbit, 1000.0f, 0.0f, 0.0f, &m_Earth, nullptr});
    for (int i = 0; i < 2; ++i)
        animation.step(0.1f);
    ASSERT_EQ(2u, animation.getMoveCount());
    const auto pose = animation.getPose();
    for (int i = 0; i < 2; ++i)
        animation.step(0.1f);
    EXPECT_EQ(1u, animation.getMoveCount());
    expectVec4Near(pose.first, animation.getPose().first, 0.0f);
    expectVec4Near(pose.second, animation.getPose().second, 0.0f);
    // The unknown move still advanced the blend to 1, so the Orbit starts a turn behind.
    animation.step(0.001f);
    EXPECT_LT(animation.getAngle(), -6.0f);
}

TEST(CameraTourTest, TourScriptsSevenMovesFromEarthToSun)
{
    FakeBody earth(glm::vec4(100.0f, 0.0f, 0.0f, 1.0f));
    FakeBody moon(glm::vec4(110.0f, 0.0f, 0.0f, 1.0f));
    FakeBody sun(glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    const CameraAnimation tour = Camera::makeTour(&earth, &moon, &sun);
    EXPECT_EQ(7u, tour.getMoveCount());
    EXPECT_FLOAT_EQ(5.0f, tour.getDistance());
    EXPECT_FLOAT_EQ(0.0f, tour.getAngle());
}

// Plays the whole tour in a camera at 60 frames per second while the bodies circle.
TEST(CameraTourTest, WholeTourFollowsMovingBodiesAndReturnsToTheEarth)
{
    FakeBody sun(glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    FakeBody earth(glm::vec4(0.0f));
    FakeBody moon(glm::vec4(0.0f));
    const auto moveBodies = [&](float time) {
        sun.m_Position = glm::vec4(0.5f * time, 0.0f, 0.0f, 1.0f);
        earth.m_Position = sun.m_Position + 40.0f * horizontal(0.05f * time);
        moon.m_Position = earth.m_Position + 6.0f * horizontal(0.3f * time) + glm::vec4(0.0f, 0.0f, 1.0f, 0.0f);
    };

    KeyTable keys{};
    const float turn = 0.05f;
    Camera::Camera camera(keys, 800, 600, 1.0f, turn);
    camera.setTarget(&earth);
    camera.setAnimation(Camera::makeTour(&earth, &moon, &sun));

    struct Move
    {
        CameraMoveType type;
        Resource::IModel* focus; // null for Travel
        float distance;          // where the move ends
        float durationMs;
    };
    const std::vector<Move> moves = {
        {CameraMoveType::Hold, &earth, 5.0f, 3000.0f},    {CameraMoveType::Orbit, &earth, 5.0f, 10000.0f},
        {CameraMoveType::Travel, nullptr, 1.0f, 6000.0f}, {CameraMoveType::Orbit, &moon, 1.0f, 10000.0f},
        {CameraMoveType::Travel, nullptr, 20.0f, 6000.0f}, {CameraMoveType::Orbit, &sun, 20.0f, 10000.0f},
        {CameraMoveType::Hold, &sun, 20.0f, 10000.0f},
    };

    const float dt = 1.0f / 60.0f;
    std::vector<int> framesPerMove;
    // What tells the three types apart: how far the playback's angle ranged during each move, and its
    // distance when each move ends (after the tour's start value).
    std::vector<float> angleRanges;
    float lowestAngle = 0.0f;
    float highestAngle = 0.0f;
    std::vector<float> endDistances = {5.0f};
    int frames = 0;
    int framesInMove = 0;
    float time = 0.0f;
    while (!camera.getAnimation().isEmpty() && frames < 10000)
    {
        const std::size_t index = moves.size() - camera.getAnimation().getMoveCount();
        const Move& move = moves[index];
        // Up held for the first 10 frames of the Travel to the Moon: keys count even during the tour.
        keys[GLFW_KEY_UP] = index == 2 && framesInMove < 10;

        time += dt;
        moveBodies(time);
        camera.update(dt);
        ++frames;
        ++framesInMove;
        lowestAngle = std::min(lowestAngle, camera.getAnimation().getAngle());
        highestAngle = std::max(highestAngle, camera.getAnimation().getAngle());

        // The frame that empties the queue already shows target mode.
        if (move.focus && !camera.getAnimation().isEmpty())
        {
            // Hold and Orbit keep the focus body straight ahead at the move's distance, wherever it went.
            SCOPED_TRACE(testing::Message() << "move " << index << " frame " << framesInMove);
            expectVec4Near(move.focus->getPosition(), camera.getPosition() + camera.getDirection() * move.distance,
                           1e-3f);
            EXPECT_NEAR(0.0f, camera.getDirection().z, 1e-6f);
            if (HasFailure())
                return;
        }
        if (camera.getAnimation().getMoveCount() != moves.size() - index)
        {
            framesPerMove.push_back(framesInMove);
            framesInMove = 0;
            angleRanges.push_back(highestAngle - lowestAngle);
            lowestAngle = highestAngle = camera.getAnimation().getAngle();
            endDistances.push_back(camera.getAnimation().getDistance());
        }
    }

    ASSERT_EQ(moves.size(), framesPerMove.size());
    for (std::size_t i = 0; i < moves.size(); ++i)
    {
        SCOPED_TRACE(testing::Message() << "move " << i);
        const float nominal = moves[i].durationMs / (dt * 1000.0f);
        EXPECT_GE(static_cast<float>(framesPerMove[i]), nominal);
        EXPECT_LE(static_cast<float>(framesPerMove[i]), nominal + 2.0f);
        // A Hold keeps angle and distance, an Orbit sweeps one turn at its distance, a Travel keeps the
        // angle and changes the distance.
        EXPECT_NEAR(moves[i].type == CameraMoveType::Orbit ? 2.0f * Pi : 0.0f, angleRanges[i], 2e-3f);
        EXPECT_FLOAT_EQ(moves[i].distance, endDistances[i + 1]);
        EXPECT_EQ(moves[i].type == CameraMoveType::Travel, endDistances[i] != endDistances[i + 1]);
    }
    // 55 s plus at most a frame or two per move.
    EXPECT_GE(static_cast<float>(frames) * dt, 55.0f);
    EXPECT_LE(static_cast<float>(frames) * dt, 55.0f + 8.0f * dt);

    // Back in target mode on the Earth with the camera's own distance and the angle the keys gave it.
    EXPECT_FLOAT_EQ(10.0f, camera.getDistance());
    EXPECT_NEAR(10.0f * turn, camera.getAngle(), 1e-5f);
    const glm::vec4 offset(0.0f, 10.0f * std::cos(10.0f * turn), 10.0f * std::sin(10.0f * turn), 0.0f);
    expectVec4Near(earth.getPosition() + offset, camera.getPosition(), 1e-3f);
    expectVec4Near(-offset / 10.0f, camera.getDirection());
    expectVec4Near({0.0f, 0.0f, 1.0f, 0.0f}, camera.getUp());

    // And it keeps following the Earth.
    time += dt;
    moveBodies(time);
    camera.update(dt);
    expectVec4Near(earth.getPosition() + offset, camera.getPosition(), 1e-3f);
}

} // namespace
