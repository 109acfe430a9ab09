#include "Statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace
{
std::vector<double> oneTo(int n)
{
    std::vector<double> values(static_cast<std::size_t>(n));
    std::iota(values.begin(), values.end(), 1.0);
    // Reversed, so a summary that forgets to sort shows it.
    std::reverse(values.begin(), values.end());
    return values;
}
} // namespace

TEST(StatisticsTest, MedianAndNearestRankPercentile)
{
    struct Case
    {
        const char* name;
        std::vector<double> samples;
        double median;
        double p95;
    };
    const Case cases[] = {
        {"one sample", {5.0}, 5.0, 5.0},
        {"odd count", {3.0, 1.0, 2.0}, 2.0, 3.0},
        {"even count takes the mean of the middle two", {4.0, 1.0, 3.0, 2.0}, 2.5, 4.0},
        {"repeated values", {7.0, 7.0, 1.0, 7.0}, 7.0, 7.0},
        {"20 samples: rank 19 for the 95th", oneTo(20), 10.5, 19.0},
        {"60 samples, the default frame count: rank 57", oneTo(60), 30.5, 57.0},
        {"100 samples: rank 95", oneTo(100), 50.5, 95.0},
        {"21 samples: rank 20 (19.95 rounded up)", oneTo(21), 11.0, 20.0},
    };
    for (const Case& c : cases)
    {
        const Summary summary = summarize(c.samples);
        EXPECT_DOUBLE_EQ(summary.median, c.median) << c.name;
        EXPECT_DOUBLE_EQ(summary.p95, c.p95) << c.name;
        EXPECT_EQ(summary.count, c.samples.size()) << c.name;
    }
}

TEST(StatisticsTest, EdgesOfThePercentileRange)
{
    const std::vector<double> samples{9.0, 2.0, 5.0};
    EXPECT_DOUBLE_EQ(percentile(samples, 0.0), 2.0);
    EXPECT_DOUBLE_EQ(percentile(samples, 1.0), 9.0);
    // 0.55 * 100 is a hair above 55 in binary: still the 55th of 100.
    EXPECT_DOUBLE_EQ(percentile(oneTo(100), 0.55), 55.0);
    EXPECT_THROW(percentile(samples, 1.5), std::invalid_argument);
    EXPECT_THROW(percentile(samples, -0.1), std::invalid_argument);
}

TEST(StatisticsTest, NoSamplesGiveNoFigure)
{
    const Summary summary = summarize({});
    EXPECT_TRUE(std::isnan(summary.median));
    EXPECT_TRUE(std::isnan(summary.p95));
    EXPECT_EQ(summary.count, 0u);
}
