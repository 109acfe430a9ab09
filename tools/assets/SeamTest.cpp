// The seam blend: the edge columns meet, nothing outside the bands moves, and the band keeps its detail.
#include "Seam.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
using Assets::Image;

// A map whose rows hold a ramp of detail plus a jump at the meridian that the blend must take out.
Image mapWithSeam(double jump, double rowNoise)
{
    Image map(256, 16, 3);
    for (int y = 0; y < map.height; ++y)
        for (int x = 0; x < map.width; ++x)
            for (int c = 0; c < 3; ++c)
            {
                const double detail = 0.04 * std::sin(0.7 * x + 1.3 * y + c);
                // The jump sits between the last column and the first: the map is offset on its right part.
                const double offset = x >= map.width / 2 ? jump + rowNoise * ((y * 7 + c) % 5 - 2) / 2.0 : 0.0;
                map.at(x, y, c) = 0.5 + detail + offset;
            }
    return map;
}

TEST(SeamTest, EdgesMeetAndOnlyTheBandsMove)
{
    const struct
    {
        double jump;
        double rowNoise;
    } cases[] = {{0.0, 0.0}, {0.2, 0.0}, {-0.15, 0.0}, {0.1, 0.08}, {0.0, 0.1}};
    const int wide = 32;
    const int narrow = 4;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "jump " << c.jump << " row noise " << c.rowNoise);
        const Image before = mapWithSeam(c.jump, c.rowNoise);
        Image after = before;
        Assets::wrapSeam(after, wide, narrow);
        const int last = after.width - 1;
        double largestJump = 0.0;
        for (int y = 0; y < after.height; ++y)
            for (int ch = 0; ch < 3; ++ch)
                largestJump = std::max(largestJump, std::fabs(before.at(0, y, ch) - before.at(last, y, ch)));
        for (int y = 0; y < after.height; ++y)
            for (int ch = 0; ch < 3; ++ch)
            {
                EXPECT_NEAR(after.at(0, y, ch), after.at(last, y, ch), 1e-12);
                EXPECT_NEAR(0.5 * (before.at(0, y, ch) + before.at(last, y, ch)), after.at(0, y, ch), 1e-12);
                for (int x = wide; x <= last - wide; ++x)
                    ASSERT_EQ(before.at(x, y, ch), after.at(x, y, ch)) << x << ", " << y;
                // Neighbours keep their difference up to the gentle slope of the correction: the detail
                // is shifted, not smoothed away.
                for (int x = 0; x < last; ++x)
                {
                    const double step = (after.at(x + 1, y, ch) - after.at(x, y, ch)) -
                                        (before.at(x + 1, y, ch) - before.at(x, y, ch));
                    EXPECT_LE(std::fabs(step), largestJump * 3.1416 / narrow + 1e-12) << x;
                }
            }
        EXPECT_LT(Assets::seamFigure(after), 0.1);
        if (c.jump != 0.0)
        {
            EXPECT_GT(Assets::seamFigure(before), 2.0);
        }
    }
}

TEST(SeamTest, WeightFallsFromOneAtTheEdgeToZeroAtTheBandsEnd)
{
    const struct
    {
        int distance;
        int band;
        double weight;
    } cases[] = {{0, 8, 1.0}, {4, 8, 0.5}, {2, 8, 0.5 + 0.5 * std::sqrt(0.5)}, {8, 8, 0.0}, {9, 8, 0.0}, {-1, 8, 0.0},
                 {0, 1, 1.0}, {0, 0, 0.0}};
    for (const auto& c : cases)
        EXPECT_NEAR(c.weight, Assets::seamWeight(c.distance, c.band), 1e-12) << c.distance << " of " << c.band;
}

} // namespace
