#include "SkyBox.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

namespace
{

void expectMatrixNear(const glm::mat4& expected, const glm::mat4& actual, float tolerance)
{
    for (int column = 0; column < 4; ++column)
    {
        for (int row = 0; row < 4; ++row)
            EXPECT_NEAR(expected[column][row], actual[column][row], tolerance) << "column " << column << " row " << row;
    }
}

TEST(SkyBoxRotationTest, CameraViewLosesItsPlaceButKeepsItsTurn)
{
    const struct
    {
        glm::vec3 eye;
        glm::vec3 direction;
        glm::vec3 up;
    } cases[] = {
        {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{50.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{45.0f, -5.0f, 0.0f}, {0.6f, 0.8f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{-20.0f, 3.0f, 1.5f}, {0.0f, -0.3f, -1.0f}, {0.0f, 0.0f, 1.0f}},
        {{1e4f, -1e4f, 7.0f}, {-1.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "eye " << c.eye.x << " " << c.eye.y << " " << c.eye.z);
        const glm::mat4 view = glm::lookAt(c.eye, c.eye + c.direction, c.up);
        const glm::mat4 sky = Resource::rotationOnly(view);
        // The same camera standing at the origin: the sky is drawn as if the eye never moved.
        expectMatrixNear(glm::lookAt(glm::vec3(0.0f), c.direction, c.up), sky, 1e-5f);
        // Directions turn exactly as the camera turns them.
        const glm::vec4 direction(glm::normalize(c.direction), 0.0f);
        EXPECT_NEAR(-1.0f, (sky * direction).z, 1e-5f) << "the view direction must map to -z";
    }
}

TEST(SkyBoxRotationTest, KeepsTheUpperLeftBlockAndResetsTheFourthRowAndColumn)
{
    // Not a rigid view at all: every entry differs, so a swapped row or column shows.
    glm::mat4 any;
    for (int column = 0; column < 4; ++column)
    {
        for (int row = 0; row < 4; ++row)
            any[column][row] = static_cast<float>(1 + column * 4 + row);
    }
    const glm::mat4 sky = Resource::rotationOnly(any);
    for (int column = 0; column < 4; ++column)
    {
        for (int row = 0; row < 4; ++row)
        {
            const float expected = (column < 3 && row < 3) ? any[column][row] : (column == row ? 1.0f : 0.0f);
            EXPECT_EQ(expected, sky[column][row]) << "column " << column << " row " << row;
        }
    }
}

TEST(SkyBoxCoverageTest, CoversTheViewOnlyWhereTheCubeLiesBetweenTheNearAndFarPlanes)
{
    // The cube's half edge is 50: its corners are 86.6 from the eye.
    const struct
    {
        const char* name;
        glm::mat4 projection;
        bool covers;
    } cases[] = {
        {"the camera's own", glm::perspective(45.0f, 1.25f, 0.1f, 100.0f), true},
        {"far plane short of the corners", glm::perspective(45.0f, 1.25f, 0.1f, 86.0f), false},
        {"far plane just past the corners", glm::perspective(45.0f, 1.25f, 0.1f, 87.0f), true},
        // Narrow: the image's corners are 0.94 of the way along the axis, so depths start at 47.
        {"narrow, near plane in front of the faces", glm::perspective(0.5f, 1.0f, 46.0f, 100.0f), true},
        {"narrow, near plane cutting the faces", glm::perspective(0.5f, 1.0f, 48.0f, 100.0f), false},
        // Wide: at the image's corners a face 50 away lies only 2.5 deep.
        {"wide, near plane in front of the faces", glm::perspective(3.0f, 1.0f, 2.0f, 100.0f), true},
        {"wide, near plane cutting the faces", glm::perspective(3.0f, 1.0f, 3.0f, 100.0f), false},
        {"orthographic", glm::ortho(-1.0f, 1.0f, -1.0f, 1.0f, 0.1f, 100.0f), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.covers, Resource::skyBoxCoversTheView(c.projection)) << c.name;
}

} // namespace
