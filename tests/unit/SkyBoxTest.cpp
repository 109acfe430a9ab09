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

} // namespace
