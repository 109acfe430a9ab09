#include "LenseFlare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

constexpr float Eps = 1e-4f;

const std::vector<FlareElement>& elements()
{
    static const std::vector<FlareElement> table = makeFlareElements(11, 12, 13);
    return table;
}

TEST(FlareElements, TwoShinesThenFiveGhostsSharingTheHexagon)
{
    const std::vector<FlareElement>& table = elements();
    ASSERT_EQ(7u, table.size());
    const GLuint textures[] = {11, 12, 13, 13, 13, 13, 13};
    for (std::size_t i = 0; i < table.size(); ++i)
    {
        EXPECT_EQ(textures[i], table[i].texture) << "element " << i + 1;
        EXPECT_EQ(i < 2, table[i].scaleWithDistance) << "element " << i + 1;
    }
}

// Sun at (0.5, 0.2), w 20, size 5 (r1 0.25, r2 0.5), 1200 x 900.
TEST(FlarePlacement, WorkedExampleGivesTheListedCentresSizesAndStrengths)
{
    struct Expected
    {
        float centerX;
        float centerY;
        float halfSize;
        float distance;
        float strength;
    };
    const Expected expected[] = {
        {0.5f, 0.2f, 1.75f, 0.0f, 0.2f},
        {0.5f, 0.2f, 1.75f, 0.0f, 0.2f},
        {0.375f, 0.15f, 0.1f, 0.1346f, 0.0f},
        {0.25f, 0.1f, 0.2f, 0.2693f, 0.0034f},
        {0.125f, 0.05f, 0.25f, 0.4039f, 0.1676f},
        {-0.125f, -0.05f, 0.3f, 0.6731f, 0.3f},
        {-0.375f, -0.15f, 0.35f, 0.9424f, 0.2f},
    };
    const float aspect = 1200.0f / 900.0f;
    for (std::size_t i = 0; i < elements().size(); ++i)
    {
        const FlarePlacement p = placeFlareElement(elements()[i], 0.5f, 0.2f, 20.0f, 5.0f, aspect);
        const Expected& e = expected[i];
        EXPECT_NEAR(e.centerX, p.centerX, Eps) << "element " << i + 1;
        EXPECT_NEAR(e.centerY, p.centerY, Eps) << "element " << i + 1;
        EXPECT_NEAR(e.halfSize, p.halfSize, Eps) << "element " << i + 1;
        EXPECT_NEAR(e.distance, std::hypot(0.5f - p.centerX, 0.2f - p.centerY), Eps) << "element " << i + 1;
        EXPECT_NEAR(e.strength, p.strength, Eps) << "element " << i + 1;
    }

    const FlarePlacement ghost3 = placeFlareElement(elements()[2], 0.5f, 0.2f, 20.0f, 5.0f, aspect);
    EXPECT_NEAR(0.15f, ghost3.effectWidth, 1e-6f);
    EXPECT_NEAR(0.2f, ghost3.effectHeight, 1e-6f);
    EXPECT_NEAR(0.3f, ghost3.effectPosX, 1e-6f);
    EXPECT_NEAR(0.05f, ghost3.effectPosY, 1e-6f);
}

TEST(FlarePlacement, BoxIsSquareOnScreenAndCentredOnTheElement)
{
    struct Case
    {
        float sx, sy, w, aspect;
    };
    const Case cases[] = {{0.5f, 0.2f, 20.0f, 4.0f / 3.0f}, {-0.9f, 0.7f, 3.0f, 16.0f / 9.0f}, {0.1f, -1.0f, 50.0f, 0.5f}};
    for (const Case& c : cases)
        for (std::size_t i = 0; i < elements().size(); ++i)
        {
            const FlarePlacement p = placeFlareElement(elements()[i], c.sx, c.sy, c.w, 5.0f, c.aspect);
            // Equal in pixels: the NDC width times the aspect equals the NDC height.
            EXPECT_NEAR(p.effectHeight, p.effectWidth * c.aspect, Eps) << "element " << i + 1;
            EXPECT_NEAR(p.centerX, p.effectPosX + p.effectWidth / 2.0f, Eps) << "element " << i + 1;
            EXPECT_NEAR(p.centerY, p.effectPosY + p.effectHeight / 2.0f, Eps) << "element " << i + 1;
            EXPECT_NEAR(2.0f * p.halfSize, p.effectHeight, Eps) << "element " << i + 1;
        }
}

TEST(FlarePlacement, SunInTheCentreGivesGhostsNoStrengthAndShinesAlwaysAFifth)
{
    struct Case
    {
        float sx, sy, w, sunSize;
    };
    // The first case is the centre; the rest move the Sun and change its distance and size.
    const Case cases[] = {
        {0.0f, 0.0f, 20.0f, 5.0f}, {0.0f, 0.0f, 2.0f, 0.1f}, {0.9f, -0.4f, 20.0f, 5.0f},
        {-1.0f, 1.0f, 7.0f, 50.0f}, {0.3f, 0.3f, 100.0f, 0.0f},
    };
    for (const Case& c : cases)
        for (std::size_t i = 0; i < elements().size(); ++i)
        {
            const FlarePlacement p = placeFlareElement(elements()[i], c.sx, c.sy, c.w, c.sunSize, 1.5f);
            const bool shine = i < 2;
            if (shine)
            {
                EXPECT_FLOAT_EQ(0.2f, p.strength) << "shine " << i + 1 << " at " << c.sx << ", " << c.sy;
            }
            else if (c.sx == 0.0f && c.sy == 0.0f)
            {
                EXPECT_FLOAT_EQ(0.0f, p.strength) << "ghost " << i + 1 << " with the Sun in the centre";
            }
        }
}

TEST(FlarePlacement, GhostFadesInBetweenOneAndTwoSunRadii)
{
    // A ghost at position 0.5 lies at half the Sun's distance from the centre; with w 1 and the
    // Sun's size chosen, the disc radii r1 = size and r2 = 2 size are fixed on the screen.
    const FlareElement ghost{0, {1.0f, 1.0f, 1.0f}, 0.5f, 0.1f, false, 0.05f, 0.4f};
    struct Case
    {
        float sx;
        float sunSize;
        float expected;
    };
    // d = sx / 2 in every case.
    const Case cases[] = {
        {0.2f, 0.1f, 0.05f},          // d = r1: not faded in yet
        {0.1f, 0.1f, 0.05f},          // inside the disc
        {0.4f, 0.1f, 0.45f},          // d = r2: the full ramp
        {0.9f, 0.1f, 0.45f},          // far outside
        {0.3f, 0.1f, 0.05f + 0.2f},   // half way: smoothstep gives a half
        {0.25f, 0.1f, 0.05f + 0.4f * 0.15625f}, // a quarter: 3/16 - 2/64
        {0.2f, 0.0f, 0.45f},          // a Sun of no size: every ghost is off its disc
        {0.0f, 0.0f, 0.05f},          // 0 / 0 counts as not faded in
    };
    for (const Case& c : cases)
    {
        const FlarePlacement p = placeFlareElement(ghost, c.sx, 0.0f, 1.0f, c.sunSize, 1.0f);
        EXPECT_NEAR(c.expected, p.strength, 1e-5f) << "sx " << c.sx << ", Sun size " << c.sunSize;
    }
}

TEST(FlarePlacement, OnlyDistanceScaledElementsShrinkWithTheSunsW)
{
    struct Case
    {
        bool scale;
        float w;
        float halfSize;
    };
    const Case cases[] = {{true, 20.0f, 0.5f}, {true, 0.5f, 20.0f}, {false, 20.0f, 10.0f}, {false, 0.5f, 10.0f}};
    for (const Case& c : cases)
    {
        const FlareElement element{0, {1.0f, 1.0f, 1.0f}, 0.0f, 10.0f, c.scale, 0.2f, 0.0f};
        EXPECT_FLOAT_EQ(c.halfSize, placeFlareElement(element, 0.2f, 0.1f, c.w, 1.0f, 1.0f).halfSize)
            << "scaled " << c.scale << ", w " << c.w;
    }
}

} // namespace
