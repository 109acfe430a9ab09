// Component-wise comparison of glm vectors, naming the component that fails.
#pragma once

#include <glm/glm.hpp>
#include <gtest/gtest.h>

inline void expectVec4Near(const glm::vec4& expected, const glm::vec4& actual, float tolerance = 1e-4f)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(expected[i], actual[i], tolerance) << "component " << i;
}
