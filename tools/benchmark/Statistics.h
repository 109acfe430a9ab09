#pragma once

#include <cstddef>
#include <vector>

// Median and 95th percentile of a series of timings.
struct Summary
{
    double median;
    double p95;
    std::size_t count;
};

// Middle value; the mean of the two middle values for an even count; NaN for no samples.
double median(std::vector<double> samples);
// Nearest-rank percentile (`fraction` in 0..1): the smallest sample that at least that share of the
// samples does not exceed. NaN for no samples.
double percentile(std::vector<double> samples, double fraction);
Summary summarize(const std::vector<double>& samples);
