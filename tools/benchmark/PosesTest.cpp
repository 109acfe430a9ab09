#include "Poses.h"

#include "Camera.h"
#include "FakeBody.h"

#include <gtest/gtest.h>


TEST(PosesTest, TheTourDistancesInTourOrder)
{
    struct Case
    {
        const char* name;
        PoseBody body;
        float distance;
    };
    const Case cases[] = {
        {"earth", PoseBody::Earth, 5.0f},
        {"moon", PoseBody::Moon, 1.0f},
        {"sun", PoseBody::Sun, 20.0f},
    };
    ASSERT_EQ(allPoses().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Pose* pose = findPose(cases[i].name);
        ASSERT_NE(pose, nullptr) << cases[i].name;
        EXPECT_EQ(pose, &allPoses()[i]) << cases[i].name;
        EXPECT_EQ(pose->body, cases[i].body) << cases[i].name;
        EXPECT_FLOAT_EQ(pose->distance, cases[i].distance) << cases[i].name;
    }
    // The bodies are only ever moved forward, so a later pose must come later in the tour.
    for (std::size_t i = 1; i < allPoses().size(); ++i)
        EXPECT_GT(allPoses()[i].sceneTime, allPoses()[i - 1].sceneTime);
    EXPECT_EQ(findPose("mars"), nullptr);
    EXPECT_EQ(findPose("Earth"), nullptr);
}

TEST(PosesTest, CameraHoldsOnTheBodyLookingAlongX)
{
    KeyTable keys{};
    const glm::vec4 places[] = {{50.0f, 0.0f, 0.0f, 1.0f}, {-3.0f, 40.0f, 2.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}};
    for (const Pose& pose : allPoses())
        for (const glm::vec4& place : places)
        {
            FakeBody body(place);
            Camera::Camera camera(keys, 1200, 960, 0.1f, 0.01f);
            camera.setTarget(&body);
            camera.setAnimation(Camera::makeHold(&body, pose.distance));
            // Longer than any benchmark runs: the hold must still be playing.
            for (int frame = 0; frame < 3; ++frame)
                camera.update(3600.0f);
            camera.update(0.0f);

            EXPECT_FALSE(camera.getAnimation().isEmpty()) << pose.name;
            const glm::vec4 eye = camera.getPosition();
            EXPECT_NEAR(eye.x, place.x - pose.distance, 1e-4f) << pose.name;
            EXPECT_NEAR(eye.y, place.y, 1e-4f) << pose.name;
            EXPECT_NEAR(eye.z, place.z, 1e-4f) << pose.name;
            // The body sits straight ahead at the pose's distance.
            const glm::vec4 seen = camera.getViewMatrix() * place;
            EXPECT_NEAR(seen.x, 0.0f, 1e-4f) << pose.name;
            EXPECT_NEAR(seen.y, 0.0f, 1e-4f) << pose.name;
            EXPECT_NEAR(seen.z, -pose.distance, 1e-4f) << pose.name;
        }
}
