// Frame numbering, frame times and the title's frame rate.
#include "FrameClock.h"

#include <gtest/gtest.h>

#include <limits>

TEST(FrameClockTest, NumbersFramesFromOneAndMeasuresEachFrame)
{
    FrameClock clock(10.0);
    EXPECT_FLOAT_EQ(clock.tick(10.5), 0.5f);
    EXPECT_EQ(clock.frame(), 1);
    EXPECT_FLOAT_EQ(clock.tick(10.75), 0.25f);
    EXPECT_EQ(clock.frame(), 2);
}

TEST(FrameClockTest, ReportsTheTruncatedAverageRateEveryHundredFrames)
{
    FrameClock clock(0.0);
    double now = 0.0;
    for (int frame = 1; frame <= 250; ++frame)
    {
        // 60 frames a second for the first hundred, then 45.
        now += frame <= 100 ? 1.0 / 60.0 : 1.0 / 45.0;
        clock.tick(now);
        const auto rate = clock.takeFrameRate();
        if (frame == 100)
        {
            ASSERT_TRUE(rate);
            // 100 / 1.6666 s, truncated: rounding of the float sum may give 59 or 60, never 61.
            EXPECT_GE(*rate, 59);
            EXPECT_LE(*rate, 60);
        }
        else if (frame == 200)
        {
            ASSERT_TRUE(rate);
            EXPECT_GE(*rate, 44);
            EXPECT_LE(*rate, 45);
        }
        else
            EXPECT_FALSE(rate) << frame;
    }
}

TEST(FrameClockTest, KeepsMillisecondFramesAfterMonthsOfRunning)
{
    // A float clock resolves only whole seconds after months; differences of doubles stay exact.
    const double months = 90.0 * 24 * 3600;
    FrameClock clock(months);
    EXPECT_NEAR(clock.tick(months + 0.016), 0.016f, 1e-6f);
    EXPECT_NEAR(clock.tick(months + 0.032), 0.016f, 1e-6f);
}

TEST(FrameClockTest, AStalledClockGivesAFiniteRate)
{
    FrameClock stalled(5.0);
    for (int frame = 0; frame < 100; ++frame)
        stalled.tick(5.0);
    const auto rate = stalled.takeFrameRate();
    ASSERT_TRUE(rate);
    EXPECT_EQ(*rate, 2147483520);

    FrameClock backwards(5.0);
    for (int frame = 0; frame < 100; ++frame)
        backwards.tick(5.0 - 0.001 * frame);
    const auto negative = backwards.takeFrameRate();
    ASSERT_TRUE(negative);
    EXPECT_LT(*negative, 0);
}
