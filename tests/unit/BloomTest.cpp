#include "Bloom.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{

using Sizes = std::vector<std::pair<int, int>>;

TEST(BloomLevelSizes, HalveWidthAndHeightInTurnTruncatingOddValues)
{
    struct Case
    {
        int width;
        int height;
        Sizes levels;
    };
    const Case cases[] = {
        {1920, 1080,
         {{960, 1080}, {960, 540}, {480, 540}, {480, 270}, {240, 270}, {240, 135}, {120, 135}, {120, 67}, {60, 67},
          {60, 33}}},
        {1366, 768,
         {{683, 768}, {683, 384}, {341, 384}, {341, 192}, {170, 192}, {170, 96}, {85, 96}, {85, 48}, {42, 48},
          {42, 24}}},
        // The smallest size whose every level keeps at least one pixel.
        {32, 32, {{16, 32}, {16, 16}, {8, 16}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}, {1, 1}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.levels, bloomLevelSizes(c.width, c.height)) << c.width << "x" << c.height;
}

TEST(BloomLevelSizes, SizesBelowThirtyTwoReachZeroAtTheLevelsThatMakeConstructionFail)
{
    struct Case
    {
        int width;
        int height;
        // Levels of zero width, zero height.
        std::vector<int> zeroWidth;
        std::vector<int> zeroHeight;
    };
    const Case cases[] = {
        {31, 1080, {8, 9}, {}},
        {1920, 31, {}, {9}},
        {31, 31, {8, 9}, {9}},
        {32, 32, {}, {}},
    };
    for (const Case& c : cases)
    {
        const Sizes levels = bloomLevelSizes(c.width, c.height);
        ASSERT_EQ(static_cast<std::size_t>(Bloom::LevelCount), levels.size());
        std::vector<int> zeroWidth;
        std::vector<int> zeroHeight;
        for (int i = 0; i < Bloom::LevelCount; ++i)
        {
            if (levels[static_cast<std::size_t>(i)].first == 0)
                zeroWidth.push_back(i);
            if (levels[static_cast<std::size_t>(i)].second == 0)
                zeroHeight.push_back(i);
        }
        EXPECT_EQ(c.zeroWidth, zeroWidth) << c.width << "x" << c.height;
        EXPECT_EQ(c.zeroHeight, zeroHeight) << c.width << "x" << c.height;
    }
}

TEST(BloomRegions, APassSpreadsLightAlongItsOwnAxisOnlyAndStaysInTheImage)
{
    const ScreenRegion spot{0.4f, 0.5f, 0.45f, 0.6f};
    // Pass 6, along x, reaches 18 texels: of a 180-texel source, a tenth of the image.
    const ScreenRegion acrossX = spreadRegion(spot, 6, 180);
    EXPECT_FLOAT_EQ(0.3f, acrossX.minX);
    EXPECT_FLOAT_EQ(0.55f, acrossX.maxX);
    EXPECT_EQ(spot.minY, acrossX.minY);
    EXPECT_EQ(spot.maxY, acrossX.maxY);
    const ScreenRegion acrossY = spreadRegion(spot, 7, 36);
    EXPECT_EQ(spot.minX, acrossY.minX);
    EXPECT_EQ(spot.maxX, acrossY.maxX);
    EXPECT_FLOAT_EQ(0.0f, acrossY.minY);
    EXPECT_FLOAT_EQ(1.0f, acrossY.maxY);

    // Ten passes from a dot on a 1200 x 960 screen: the fine levels stay near the dot, every level
    // holds the one before, and the five passes along x reach 10, 10, 14, 18 and 18 texels of 1200,
    // 600, 300, 150 and 75; those along y 10, 12, 16, 18 and 18 of 960, 480, 240, 120 and 60.
    const ScreenRegion dot{0.5f, 0.5f, 0.5f, 0.5f};
    const auto levels = bloomLevelRegions(dot, 1200, 960);
    ScreenRegion previous = dot;
    for (std::size_t level = 0; level < levels.size(); ++level)
    {
        const ScreenRegion& region = levels[level];
        EXPECT_LE(region.minX, previous.minX) << "level " << level;
        EXPECT_GE(region.maxX, previous.maxX) << "level " << level;
        EXPECT_LE(region.minY, previous.minY) << "level " << level;
        EXPECT_GE(region.maxY, previous.maxY) << "level " << level;
        previous = region;
    }
    EXPECT_LT(levels[1].maxX - levels[1].minX, 0.05f);
    const ScreenRegion& last = levels.back();
    EXPECT_NEAR(0.5f - 0.431667f, last.minX, 1.0e-5f);
    EXPECT_NEAR(0.5f + 0.431667f, last.maxX, 1.0e-5f);
    EXPECT_EQ(0.0f, last.minY);
    EXPECT_EQ(1.0f, last.maxY);

    const ScreenRegion widened = widenRegion({0.01f, 0.2f, 0.99f, 0.3f}, 0.02f, 0.1f);
    EXPECT_EQ(0.0f, widened.minX);
    EXPECT_EQ(1.0f, widened.maxX);
    EXPECT_FLOAT_EQ(0.1f, widened.minY);
    EXPECT_FLOAT_EQ(0.4f, widened.maxY);
}

} // namespace
