// The GL tests' image comparison, which every pixel check of theirs goes through: a comparison that
// passed everything would pass every one of them.
#include "GLKit.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

constexpr float Infinity = std::numeric_limits<float>::infinity();

const struct
{
    const char* name;
    Texel expected;
    Texel actual;
    Tolerance tolerance;
    int channels;
    bool same;
} Cases[] = {
    {"equal", {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.4f}, {}, 4, true},
    {"one channel one step apart", {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.4001f}, {}, 4, false},
    {"within the absolute tolerance", {0.5f, 0.5f, 0.5f, 0.5f}, {0.5f, 0.502f, 0.5f, 0.5f}, {0.002f}, 4, true},
    {"beyond it", {0.5f, 0.5f, 0.5f, 0.5f}, {0.5f, 0.503f, 0.5f, 0.5f}, {0.002f}, 4, false},
    {"within the relative tolerance", {100.0f, 0.0f, 0.0f, 0.0f}, {100.9f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.01f}, 4, true},
    {"beyond it", {100.0f, 0.0f, 0.0f, 0.0f}, {101.1f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.01f}, 4, false},
    {"infinity against itself", {0.0f, 0.0f, Infinity, 0.0f}, {0.0f, 0.0f, Infinity, 0.0f}, {}, 4, true},
    {"infinity against a finite value", {0.0f, 0.0f, Infinity, 0.0f}, {0.0f, 0.0f, 1e30f, 0.0f}, {1e30f}, 4, false},
    {"infinity against its opposite", {-Infinity, 0.0f, 0.0f, 0.0f}, {Infinity, 0.0f, 0.0f, 0.0f}, {}, 4, false},
    {"only the channels compared", {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.9f}, {}, 3, true},
};

TEST(ImageComparisonTest, CountsTheTexelsThatDifferAndShowsWhere)
{
    for (const auto& c : Cases)
    {
        SCOPED_TRACE(c.name);
        Image expected = uniformImage(5, 3, {0.0f, 0.0f, 0.0f, 0.0f});
        Image actual = expected;
        expected.set(4, 2, c.expected);
        actual.set(4, 2, c.actual);

        const ImageDifference difference = compareImages(expected, actual, c.tolerance, c.channels);
        EXPECT_EQ(c.same ? 0u : 1u, difference.differing);
        EXPECT_EQ(c.same, difference.firstFew.empty()) << difference.firstFew;
        EXPECT_EQ(c.same, c.channels < 4 || static_cast<bool>(sameTexel(c.expected, c.actual, c.tolerance)));
        if (!c.same)
        {
            EXPECT_NE(std::string::npos, difference.firstFew.find("(4, 2)")) << difference.firstFew;
            EXPECT_FALSE(sameImage(expected, actual, c.tolerance, c.channels));
        }
    }
}

TEST(ImageComparisonTest, ImagesOfAnotherSizeDiffer)
{
    EXPECT_FALSE(sameImage(uniformImage(4, 4, {}), uniformImage(4, 3, {})));
}

} // namespace
