// What the renderer may leave out, decided from the camera and the bodies alone.
#include "Visibility.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/trigonometric.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace
{

// The camera's projection at the default size: 45 (radians, as the camera passes it), near 0.1, far 100.
constexpr int Width = 1200;
constexpr int Height = 960;
const glm::mat4 Projection = glm::perspective(45.0f, 1200.0f / 960.0f, 0.1f, 100.0f);
// The Sun's mesh, of size 5, encloses the sphere of this radius.
constexpr float SunInnerRadius = 5.0f * 0.99893f;

// The scene's bodies with the Earth `earthAt` and the Moon 2 beyond it, seen from `eye` towards `target`.
Sight sight(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& earthAt)
{
    Sight s;
    s.view = glm::lookAt(eye, target, glm::vec3(0.0f, 0.0f, 1.0f));
    s.projection = Projection;
    s.width = Width;
    s.height = Height;
    s.sunCentre = glm::vec3(0.0f);
    s.sunSize = 5.0f;
    s.sunInnerRadius = SunInnerRadius;
    s.earthCentre = earthAt;
    s.earthSize = 1.0f;
    s.moonCentre = earthAt + glm::normalize(earthAt) * 2.0f;
    s.moonSize = 0.25f;
    s.shellRadius = 1.075f;
    return s;
}

TEST(VisibilityTest, LeavesOutOnlyWhatCanChangeNoPixel)
{
    const glm::vec3 sun(0.0f);
    // The Earth where the eye, looking at the Sun from +y, sees it straight behind the Sun.
    const glm::vec3 behindTheSun(0.0f, -50.0f, 0.0f);
    const glm::vec3 earth(50.0f, 0.0f, 0.0f);
    const struct
    {
        const char* name;
        Sight sight;
        bool sunSeen;
        bool moonSeen;
        bool earthSeen;
        bool airSeen;
        bool shellCoversItsImages;
    } cases[] = {
        {"the Earth straight behind the Sun", sight({0.0f, 20.0f, 0.0f}, sun, behindTheSun), true, false, false, false,
         true},
        {"the Earth behind the Sun, the eye 1 above its surface", sight({0.0f, 6.0f, 0.0f}, sun, behindTheSun), true,
         false, false, false, true},
        // The near plane cuts into the Sun's mesh, beyond the sphere its faces enclose: through the
        // hole the Earth, the Moon and the air show.
        {"the Earth behind the Sun, the eye 0.1 above its surface", sight({0.0f, 5.1f, 0.0f}, sun, behindTheSun),
         true, true, true, true, true},
        {"the Earth behind the Sun, the eye 0.098 above its surface", sight({0.0f, 5.098f, 0.0f}, sun, behindTheSun),
         true, true, true, true, true},
        {"the Earth in view, the Sun behind the eye", sight({40.0f, 0.0f, 0.0f}, earth, earth), false, true, true,
         true, true},
        {"the Earth and the Sun behind the eye", sight({55.0f, 0.0f, 0.0f}, {60.0f, 0.0f, 0.0f}, earth), false,
         false, false, false, false},
        // Inside the shell the air is all round the eye, and its near side is not drawn.
        {"the eye inside the shell", sight({50.0f, 0.0f, 1.05f}, sun, earth), true, false, true, true, false},
        // So close that the last stage draws the shell's far side in front of the Sun.
        {"the eye just above the shell, the Sun ahead", sight({51.1f, 0.0f, 0.0f}, sun, earth), true, false, true,
         true, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const WhatIsSeen seen = findWhatIsSeen(c.sight);
        EXPECT_EQ(c.sunSeen, seen.sun);
        EXPECT_EQ(c.sunSeen, !isEmpty(seen.glowRegion)) << "the glow lies on the Sun";
        EXPECT_EQ(c.moonSeen, seen.moon);
        EXPECT_EQ(c.earthSeen, seen.earth);
        EXPECT_EQ(c.airSeen, !isEmpty(seen.airRegion));
        EXPECT_EQ(c.shellCoversItsImages, seen.shellCoversItsImages);
        EXPECT_TRUE(seen.skyCoversTheImage);
    }
}

TEST(VisibilityTest, LeavesOutTheShadowBodyOnlyWhereTheGroundHidesIt)
{
    // The Earth on its orbit with the Sun `degrees` off the line behind the eye, `distance` radii away.
    const auto fromTheSunSide = [](float degrees, float distance) {
        const float angle = glm::radians(degrees);
        const glm::vec3 earth = 50.0f * glm::vec3(std::cos(angle), std::sin(angle), 0.0f);
        return sight(earth - glm::vec3(distance, 0.0f, 0.0f), earth, earth);
    };
    // A near plane 1 ahead of the eye cuts into the body's near part from 1.5 radii out.
    Sight nearPlaneAt1 = fromTheSunSide(0.0f, 1.5f);
    nearPlaneAt1.projection = glm::perspective(45.0f, 1200.0f / 960.0f, 1.0f, 100.0f);
    const struct
    {
        const char* name;
        Sight sight;
        bool shadowBody;
    } cases[] = {
        {"the Sun straight behind the eye", fromTheSunSide(0.0f, 5.0f), false},
        // The benchmark's Earth pose, 1.5 s into the tour.
        {"the Sun 10.74 degrees off", fromTheSunSide(glm::degrees(0.1875f), 5.0f), false},
        // The terminator's ray passes 4e-5 inside the outline, short of the margin for single precision.
        {"the Sun 11 degrees off", fromTheSunSide(11.0f, 5.0f), true},
        // Past asin(1 / 5) the terminator shows at the limb.
        {"the Sun 12 degrees off", fromTheSunSide(12.0f, 5.0f), true},
        {"the Sun behind the eye, 30 radii out", fromTheSunSide(0.0f, 30.0f), false},
        {"the Sun behind the eye, 0.05 above the ground", fromTheSunSide(0.0f, 1.05f), false},
        {"the eye inside the ground", fromTheSunSide(0.0f, 0.9f), true},
        {"the near plane reaching the body", nearPlaneAt1, true},
        {"the eye on the night side", sight({55.0f, 0.0f, 0.0f}, {50.0f, 0.0f, 0.0f}, {50.0f, 0.0f, 0.0f}), true},
        {"the eye beside the Earth", sight({50.0f, 5.0f, 0.0f}, {50.0f, 0.0f, 0.0f}, {50.0f, 0.0f, 0.0f}), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shadowBody, findWhatIsSeen(c.sight).shadowBody) << c.name;
}

TEST(VisibilityTest, TheFullFrameLeavesOutNothing)
{
    const WhatIsSeen everything{};
    EXPECT_TRUE(everything.sun && everything.moon && everything.earth && everything.shadowBody);
    for (const ScreenRegion& region : {everything.glowRegion, everything.airRegion})
        EXPECT_TRUE(region.minX == 0.0f && region.minY == 0.0f && region.maxX == 1.0f && region.maxY == 1.0f);
    EXPECT_FALSE(everything.shellCoversItsImages);
    EXPECT_FALSE(everything.skyCoversTheImage);
}

} // namespace
