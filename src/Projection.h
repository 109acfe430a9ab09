#pragma once

#include <glm/glm.hpp>

// What the renderer's rules read from a projection matrix, as glm::perspective builds it.
namespace Projection
{

// Whether `projection` is a perspective one centred on the view axis: only then does a direction's
// tangent map straight to the screen, and do the near and far planes below mean anything.
inline bool isCentredPerspective(const glm::mat4& projection)
{
    return projection[2][0] == 0.0f && projection[2][1] == 0.0f && projection[2][3] == -1.0f &&
           projection[3][3] == 0.0f;
}

// The distances of a centred perspective projection's near and far planes along the view axis.
inline float nearPlane(const glm::mat4& projection)
{
    return projection[3][2] / (projection[2][2] - 1.0f);
}

inline float farPlane(const glm::mat4& projection)
{
    return projection[3][2] / (projection[2][2] + 1.0f);
}

} // namespace Projection
