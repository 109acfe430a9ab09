#include "ScreenSpace.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr float Infinity = std::numeric_limits<float>::infinity();

// The directions from the eye to a disc (centre `across` sideways and `depth` ahead of the eye, radius
// `radius`) that lie ahead of the eye, as tangents across / depth from `lowest` to `highest`: an end is
// infinite where the disc reaches behind the eye on that side, and `lowest` > `highest` when none of it is
// ahead. With the eye inside the disc every direction meets it: the whole line.
void tangentRange(float across, float depth, float radius, float& lowest, float& highest)
{
    const float tangentSquared = across * across + depth * depth - radius * radius;
    if (!(tangentSquared > 0.0f))
    {
        lowest = -Infinity;
        highest = Infinity;
        return;
    }
    const float t = std::sqrt(tangentSquared);
    // The two edges: the centre's direction turned by the angle whose sine is radius / distance, either
    // way, as (across, depth). The disc's directions lie between them, less than half a turn wide.
    const glm::vec2 a(across * t - depth * radius, depth * t + across * radius);
    const glm::vec2 b(across * t + depth * radius, depth * t - across * radius);
    if (a.y > 0.0f && b.y > 0.0f)
    {
        lowest = std::min(a.x / a.y, b.x / b.y);
        highest = std::max(a.x / a.y, b.x / b.y);
    }
    else if (a.y > 0.0f || b.y > 0.0f)
    {
        const glm::vec2& ahead = a.y > 0.0f ? a : b;
        const glm::vec2& behind = a.y > 0.0f ? b : a;
        // Between the edges the directions pass the eye's plane once, on the side where this is positive.
        const bool passesRight = ahead.y * behind.x - behind.y * ahead.x > 0.0f;
        lowest = passesRight ? ahead.x / ahead.y : -Infinity;
        highest = passesRight ? Infinity : ahead.x / ahead.y;
    }
    else
    {
        lowest = Infinity;
        highest = -Infinity;
    }
}
} // namespace

bool isEmpty(const ScreenRegion& region)
{
    return !(region.maxX > region.minX && region.maxY > region.minY);
}

ScreenRegion widenRegion(const ScreenRegion& region, float dx, float dy)
{
    return {std::max(0.0f, region.minX - dx), std::max(0.0f, region.minY - dy), std::min(1.0f, region.maxX + dx),
            std::min(1.0f, region.maxY + dy)};
}

void scissorTo(const ScreenRegion& region, int width, int height)
{
    const int x0 = std::max(0, static_cast<int>(std::floor(region.minX * static_cast<float>(width))) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(region.minY * static_cast<float>(height))) - 1);
    const int x1 = std::min(width, static_cast<int>(std::ceil(region.maxX * static_cast<float>(width))) + 1);
    const int y1 = std::min(height, static_cast<int>(std::ceil(region.maxY * static_cast<float>(height))) + 1);
    glScissor(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

ScissorScope::ScissorScope(const ScreenRegion& region, int width, int height)
{
    glEnable(GL_SCISSOR_TEST);
    scissorTo(region, width, height);
}

ScissorScope::~ScissorScope()
{
    glDisable(GL_SCISSOR_TEST);
}

namespace Projection
{

bool isCentredPerspective(const glm::mat4& projection)
{
    return projection[2][0] == 0.0f && projection[2][1] == 0.0f && projection[2][3] == -1.0f &&
           projection[3][3] == 0.0f;
}

float nearPlane(const glm::mat4& projection)
{
    return projection[3][2] / (projection[2][2] - 1.0f);
}

float farPlane(const glm::mat4& projection)
{
    return projection[3][2] / (projection[2][2] + 1.0f);
}

} // namespace Projection

ScreenRegion sphereScreenRegion(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& centre,
                                float radius)
{
    const bool centredPerspective = Projection::isCentredPerspective(projection);
    const glm::vec3 eye = glm::vec3(view * glm::vec4(centre, 1.0f));
    // Wholly behind the eye, none of it survives clipping.
    if (centredPerspective && -eye.z + radius <= 0.0f)
        return NoRegion;
    if (!centredPerspective || !(radius >= 0.0f))
        return ScreenRegion{};
    // Each screen axis on its own: the sphere's directions along x are those of its shadow on the
    // eye's xz plane, a disc of the same radius; likewise for y. An axis whose disc holds the eye is whole.
    float minX = 0.0f;
    float maxX = 0.0f;
    float minY = 0.0f;
    float maxY = 0.0f;
    tangentRange(eye.x, -eye.z, radius, minX, maxX);
    tangentRange(eye.y, -eye.z, radius, minY, maxY);
    if (minX > maxX || minY > maxY)
        return NoRegion;
    const auto toImage = [](float ndc) { return std::clamp(ndc * 0.5f + 0.5f, 0.0f, 1.0f); };
    const float x0 = projection[0][0] * minX;
    const float x1 = projection[0][0] * maxX;
    const float y0 = projection[1][1] * minY;
    const float y1 = projection[1][1] * maxY;
    return {toImage(std::min(x0, x1)), toImage(std::min(y0, y1)), toImage(std::max(x0, x1)),
            toImage(std::max(y0, y1))};
}

bool sphereHidesSphere(const glm::mat4& view, const glm::mat4& projection, const FrontBody& front,
                       const glm::vec3& backCentre, float backRadius, float margin)
{
    if (!Projection::isCentredPerspective(projection))
        return false;
    const float near = Projection::nearPlane(projection);
    const float far = Projection::farPlane(projection);
    const glm::vec3 frontEye = glm::vec3(view * glm::vec4(front.centre, 1.0f));
    const glm::vec3 backEye = glm::vec3(view * glm::vec4(backCentre, 1.0f));
    const float frontDistance = glm::length(frontEye);
    const float backDistance = glm::length(backEye);
    // Neither plane may reach any part of the mesh: one that cuts it, even only beyond the inner
    // sphere, opens a hole in its faces through which the body behind shows.
    if (!(-frontEye.z - front.outerRadius > near && -frontEye.z + front.outerRadius < far))
        return false;
    // Every point of the back sphere farther than every point of the front mesh: its depths are larger.
    if (!(backDistance - backRadius > frontDistance + front.outerRadius))
        return false;
    // Seen from the eye, the back sphere's cone within the front one's inner cone, with `margin` to spare.
    const float apart = std::atan2(glm::length(glm::cross(frontEye, backEye)), glm::dot(frontEye, backEye));
    return apart + std::asin(backRadius / backDistance) + margin <= std::asin(front.innerRadius / frontDistance);
}
