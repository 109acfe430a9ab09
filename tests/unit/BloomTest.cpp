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

} // namespace
