#pragma once

#include <glm/glm.hpp>

// Where things land on the screen: the rectangles that clears and draws are restricted to, and the
// projection arithmetic that decides them. Everything but `scissorTo` and `ScissorScope` is plain
// arithmetic, usable without a GL context.

// A rectangle of an image in coordinates from 0 to 1 across it, the same for every size of target.
struct ScreenRegion
{
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 1.0f;
    float maxY = 1.0f;
};

// The region that holds no pixel.
constexpr ScreenRegion NoRegion{0.0f, 0.0f, 0.0f, 0.0f};

// Whether `region` holds no pixel centre of any image: it has no width or no height.
bool isEmpty(const ScreenRegion& region);

// `region` widened by `dx` and `dy` on either side, kept within the image.
ScreenRegion widenRegion(const ScreenRegion& region, float dx, float dy);

// Restricts drawing and clearing to `region` of a width x height target, a pixel wider on every side
// for rounding; the caller enables the scissor test.
void scissorTo(const ScreenRegion& region, int width, int height);

// Clears and draws are restricted to `region` of a width x height target, as `scissorTo` sets it, while
// this lives; the scissor test is off again after it.
class ScissorScope
{
public:
    ScissorScope(const ScreenRegion& region, int width, int height);
    ~ScissorScope();
    ScissorScope(const ScissorScope&) = delete;
    ScissorScope& operator=(const ScissorScope&) = delete;
};

// What the rules below read from a projection matrix, as glm::perspective builds it.
namespace Projection
{

// Whether `projection` is a perspective one centred on the view axis: only then does a direction's
// tangent map straight to the screen, and do the near and far planes below mean anything.
bool isCentredPerspective(const glm::mat4& projection);

// The distances of a centred perspective projection's near and far planes along the view axis.
float nearPlane(const glm::mat4& projection);
float farPlane(const glm::mat4& projection);

} // namespace Projection

// Where a sphere (world centre and radius) can appear on the screen, as a region of the image: the
// exact bounds of the outline of its part ahead of the eye, which run to the screen's edge where it
// reaches past the eye; empty when none of it is ahead of the eye or in view. The whole image when the
// eye is inside the sphere or the projection is not a centred perspective one.
ScreenRegion sphereScreenRegion(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& centre,
                                float radius);

// A body in front as the hiding rule sees it: its mesh lies within the sphere of `outerRadius` round
// `centre` and encloses the sphere of `innerRadius`.
struct FrontBody
{
    glm::vec3 centre;
    float innerRadius;
    float outerRadius;
};

// Whether a body in front hides every pixel of a sphere behind it (world centre and radius): the back
// one lies wholly farther from the eye than the front one, and within the outline of the front one's
// inner sphere seen from the eye, less `margin` (an angle) on every side; and neither the near nor the
// far plane of a centred perspective projection cuts into any part of the front one's mesh, whose
// faces then cover that whole outline. False for any other projection.
bool sphereHidesSphere(const glm::mat4& view, const glm::mat4& projection, const FrontBody& front,
                       const glm::vec3& backCentre, float backRadius, float margin);
