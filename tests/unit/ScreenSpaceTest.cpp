// Screen-space geometry: a sphere's outline on the screen, and when one sphere hides another.
#include "ScreenSpace.h"

#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{

// The camera's projection: 45 (radians, as the camera passes it), 1200 x 960, near 0.1, far 100.
const glm::mat4 Projection = glm::perspective(45.0f, 1200.0f / 960.0f, 0.1f, 100.0f);

bool isWholeImage(const ScreenRegion& region)
{
    return region.minX == 0.0f && region.minY == 0.0f && region.maxX == 1.0f && region.maxY == 1.0f;
}

TEST(SphereScreenRegion, BoundsTheProjectedSphereTightly)
{
    const struct
    {
        const char* name;
        glm::vec3 eye;
        glm::vec3 centre;
        float radius;
    } cases[] = {
        {"ahead", {0.0f, 0.0f, 20.0f}, {0.0f, 0.0f, 0.0f}, 5.0f},
        {"up and to the right", {-6.0f, -3.0f, 20.0f}, {0.0f, 0.0f, 0.0f}, 2.0f},
        {"close, filling the screen", {0.0f, 0.0f, 5.5f}, {0.0f, 0.0f, 0.0f}, 5.0f},
        {"low and left, far", {30.0f, 10.0f, 60.0f}, {0.0f, 0.0f, 0.0f}, 5.0f},
        // Reaching past the eye: bounded on one side, running to the screen's edge on the other.
        {"beside the eye, right", {0.0f, 0.0f, 20.0f}, {3.0f, 0.0f, 20.0f}, 2.9f},
        {"above the eye and a little behind", {0.0f, 0.0f, 20.0f}, {-2.0f, 3.0f, 20.3f}, 2.9f},
        {"up and to the right, a little behind", {0.0f, 0.0f, 20.0f}, {2.5f, 2.5f, 20.2f}, 2.45f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // The eye looks along -z from its place.
        const glm::mat4 view = glm::lookAt(c.eye, c.eye - glm::vec3(0.0f, 0.0f, 1.0f), glm::vec3(0.0f, 1.0f, 0.0f));
        const ScreenRegion region = sphereScreenRegion(view, Projection, c.centre, c.radius);

        // Points all over the sphere's surface project inside the region and reach its edges.
        float minX = 1.0f;
        float minY = 1.0f;
        float maxX = 0.0f;
        float maxY = 0.0f;
        constexpr int Steps = 400;
        for (int i = 0; i <= Steps; ++i)
            for (int j = 0; j < Steps; ++j)
            {
                const float polar = glm::pi<float>() * static_cast<float>(i) / Steps;
                const float azimuth = glm::two_pi<float>() * static_cast<float>(j) / Steps;
                const glm::vec3 point = c.centre + c.radius * glm::vec3(std::sin(polar) * std::cos(azimuth),
                                                                        std::sin(polar) * std::sin(azimuth),
                                                                        std::cos(polar));
                const glm::vec4 clip = Projection * view * glm::vec4(point, 1.0f);
                // Only what lies beyond the near plane is drawn.
                if (clip.w < 0.1f)
                    continue;
                const float x = std::clamp(clip.x / clip.w * 0.5f + 0.5f, 0.0f, 1.0f);
                const float y = std::clamp(clip.y / clip.w * 0.5f + 0.5f, 0.0f, 1.0f);
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxX = std::max(maxX, x);
                maxY = std::max(maxY, y);
            }
        constexpr float Slack = 1.0e-4f;
        EXPECT_LE(region.minX, minX + Slack);
        EXPECT_LE(region.minY, minY + Slack);
        EXPECT_GE(region.maxX, maxX - Slack);
        EXPECT_GE(region.maxY, maxY - Slack);
        // Tight: a sampled point lies within a few thousandths of every edge.
        EXPECT_NEAR(region.minX, minX, 3.0e-3f);
        EXPECT_NEAR(region.minY, minY, 3.0e-3f);
        EXPECT_NEAR(region.maxX, maxX, 3.0e-3f);
        EXPECT_NEAR(region.maxY, maxY, 3.0e-3f);
    }
}

TEST(SphereScreenRegion, WholeImageWhenNotBoundedAndNoneWhenNotAhead)
{
    const glm::mat4 view = glm::lookAt(glm::vec3(0.0f, 0.0f, 20.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    const struct
    {
        const char* name;
        glm::mat4 view;
        glm::mat4 projection;
        glm::vec3 centre;
        float radius;
    } cases[] = {
        {"eye inside the sphere", view, Projection, {0.0f, 0.0f, 18.0f}, 5.0f},
        {"orthographic projection", view, glm::ortho(-1.0f, 1.0f, -1.0f, 1.0f, 0.1f, 100.0f), {0.0f, 0.0f, 0.0f}, 1.0f},
        {"off-centre projection", view, glm::frustum(-0.1f, 0.3f, -0.1f, 0.1f, 0.1f, 100.0f), {0.0f, 0.0f, 0.0f}, 1.0f},
        {"radius not a number", view, Projection, {0.0f, 0.0f, 0.0f}, std::nanf("")},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(isWholeImage(sphereScreenRegion(c.view, c.projection, c.centre, c.radius))) << c.name;

    // Wholly behind the eye, nothing of it can be drawn.
    EXPECT_TRUE(isEmpty(sphereScreenRegion(view, Projection, {0.0f, 0.0f, 40.0f}, 2.0f)));
    EXPECT_TRUE(isEmpty(sphereScreenRegion(view, Projection, {0.0f, 0.0f, 22.0f}, 2.0f)))
        << "touching the eye's plane from behind";

    // Beside the screen, the region is squeezed against its edge: empty, but still ordered.
    const ScreenRegion aside = sphereScreenRegion(view, Projection, {40.0f, 0.0f, 0.0f}, 1.0f);
    EXPECT_EQ(1.0f, aside.minX);
    EXPECT_EQ(1.0f, aside.maxX);
    EXPECT_LE(aside.minY, aside.maxY);
    // Reaching past the eye but out of view: what is ahead of the eye lies beyond the screen's side.
    EXPECT_TRUE(isEmpty(sphereScreenRegion(view, Projection, {8.0f, 0.0f, 19.0f}, 2.0f)));
    EXPECT_TRUE(isEmpty(sphereScreenRegion(view, Projection, {0.0f, -8.0f, 20.5f}, 2.0f)));
}

TEST(SphereHidesSphere, OnlyWhenTheBackSphereLiesWhollyBehindAndWithinTheFrontOne)
{
    // The eye at the origin looking down -z; the front sphere, radius 5 at 20, subtends asin(0.25) = 0.2527.
    const glm::mat4 view(1.0f);
    const FrontBody front{{0.0f, 0.0f, -20.0f}, 5.0f, 5.0f};
    // 70 away, `angle` off the axis.
    const auto offAxis = [](float angle) { return glm::vec3(70.0f * std::sin(angle), 0.0f, -70.0f * std::cos(angle)); };
    const struct
    {
        const char* name;
        glm::vec3 back;
        float backRadius;
        float margin;
        bool hidden;
    } cases[] = {
        {"straight behind", {0.0f, 0.0f, -70.0f}, 1.0f, 0.01f, true},
        // 0.2527 - asin(1 / 70) = 0.2384 of room: the centre may be 0.2384 off the axis.
        {"off the axis, just inside", offAxis(0.23f), 1.0f, 0.0f, true},
        {"off the axis, just outside", offAxis(0.245f), 1.0f, 0.0f, false},
        {"just inside but not with the margin", offAxis(0.23f), 1.0f, 0.01f, false},
        {"touching the front sphere's far side", {0.0f, 0.0f, -26.0f}, 1.0f, 0.0f, false},
        {"in front of it", {0.0f, 0.0f, -10.0f}, 0.5f, 0.0f, false},
        {"larger than it, behind", {0.0f, 0.0f, -90.0f}, 30.0f, 0.0f, false},
        {"behind the eye", {0.0f, 0.0f, 70.0f}, 1.0f, 0.0f, false},
        {"far behind, by the far plane", {0.0f, 0.0f, -99.9f}, 0.01f, 0.0f, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.hidden, sphereHidesSphere(view, Projection, front, c.back, c.backRadius, c.margin)) << c.name;

    // Cut by the near plane, or reaching past the far plane, the front body hides nothing, also where
    // only its mesh beyond the inner sphere is cut; nor does one seen through an orthographic
    // projection, which this does not judge.
    const glm::vec3 behind(0.0f, 0.0f, -70.0f);
    const glm::mat4 shortFar = glm::perspective(45.0f, 1.25f, 0.1f, 22.0f);
    const glm::mat4 orthographic = glm::ortho(-1.0f, 1.0f, -1.0f, 1.0f, 0.1f, 100.0f);
    const struct
    {
        const char* name;
        glm::mat4 projection;
        FrontBody front;
    } cut[] = {
        {"its sphere cut by the near plane", Projection, {{0.0f, 0.0f, -5.05f}, 5.0f, 5.0f}},
        {"its mesh cut by the near plane, not its inner sphere", Projection, {{0.0f, 0.0f, -5.15f}, 4.99f, 5.06f}},
        {"its mesh cut by the far plane, not its inner sphere", glm::perspective(45.0f, 1.25f, 0.1f, 25.02f),
         {{0.0f, 0.0f, -20.0f}, 4.99f, 5.06f}},
        {"past the far plane", shortFar, front},
        {"orthographic", orthographic, front},
    };
    for (const auto& c : cut)
        EXPECT_FALSE(sphereHidesSphere(view, c.projection, c.front, behind, 1.0f, 0.0f)) << c.name;
}

} // namespace
