#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

double median(std::vector<double> samples)
{
    if (samples.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const std::size_t middle = samples.size() / 2;
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(middle), samples.end());
    const double upper = samples[middle];
    if (samples.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2.0;
}

double percentile(std::vector<double> samples, double fraction)
{
    if (!(fraction >= 0.0 && fraction <= 1.0))
        throw std::invalid_argument("percentile fraction outside 0..1");
    if (samples.empty())
        return std::numeric_limits<double>::quiet_NaN();
    std::sort(samples.begin(), samples.end());
    // Fractions have no exact binary form: 0.55 * 100 comes out as 55.00000000000001, which must stay rank 55.
    const double exactRank = fraction * static_cast<double>(samples.size()) - 1e-9;
    // Rank 1 at least, so fraction 0 gives the smallest sample rather than index -1.
    const auto rank = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(exactRank)));
    return samples[std::min(rank, samples.size()) - 1];
}

Summary summarize(const std::vector<double>& samples)
{
    return {median(samples), percentile(samples, 0.95), samples.size()};
}
