#include "Visibility.h"

#include "Atmosphere.h"
#include "Camera.h"
#include "Earth.h"
#include "Moon.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>

namespace
{
// Whether the ground hides every point of the Earth's shadow body from the eye, so that no ray of the last
// stage meets it before the ground: the ray to each of its points passes through the ground, which it
// enters before the plane of the ground's outline, and the point lies beyond that plane. Both sets are
// convex, and the body is the hull of its two rims: the near one the ground's terminator, the far one
// `ShadowBodyLength` radii away from the light. The near plane must spare the whole body: where it cuts
// only the near side away, the last stage takes the eye to be in the shadow.
bool groundHidesShadowBody(const Sight& sight)
{
    if (!Projection::isCentredPerspective(sight.projection))
        return false;
    const glm::dvec3 eye(glm::inverse(sight.view) * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    const glm::dvec3 centre(sight.earthCentre);
    const double radius = sight.earthSize;
    const glm::dvec3 toEye = eye - centre;
    const glm::dvec3 fromLight = centre - glm::dvec3(sight.sunCentre);
    const double distance = glm::length(toEye);
    if (!(distance > radius) || !(glm::length(fromLight) > 0.0))
        return false;
    const glm::dvec3 e = toEye / distance;
    const glm::dvec3 away = glm::normalize(fromLight);
    const double length = Resource::ShadowBodyLength * radius;

    // The sphere round the body's middle that holds it lies beyond the near plane.
    const glm::vec3 middle(centre + away * (0.5 * length));
    const double reach = std::hypot(radius, 0.5 * length) * MeshRounding;
    if (!(-(sight.view * glm::vec4(middle, 1.0f)).z - reach > Projection::nearPlane(sight.projection)))
        return false;

    // A ray at angle t from the eye's line to the centre passes distance * sin(t) from the centre.
    const double inside = radius - ShadowGrazeMargin * distance;
    const double outlinePlane = distance - radius * radius / distance;
    // The terminator's point nearest the eye lies g round the centre from the eye's side, cos(g) =
    // sqrt(1 - (away . e)^2). Past the outline (cos(g) < radius / distance) it lies nearest the eye and the
    // ray to it passes nearest the outline of all its points.
    const double along = glm::dot(away, e);
    const double cosNearest = std::sqrt(std::max(0.0, 1.0 - along * along));
    if (!(along < 0.0) || !(cosNearest < radius / distance))
        return false;
    const double towardsTerminator =
        distance * radius * -along /
        std::sqrt(distance * distance - 2.0 * distance * radius * cosNearest + radius * radius);
    if (!(towardsTerminator <= inside))
        return false;

    // The far rim, within its sphere of the ground's radius.
    const glm::dvec3 farRim = centre + away * length - eye;
    const double farDistance = glm::length(farRim);
    const double farDepth = glm::dot(farRim, -e);
    if (!(farDistance > radius))
        return false;
    const double farAngle =
        std::acos(std::clamp(farDepth / farDistance, -1.0, 1.0)) + std::asin(radius / farDistance);
    return farAngle < 0.5 * glm::pi<double>() && distance * std::sin(farAngle) <= inside &&
           farDepth - radius > outlinePlane;
}
} // namespace

Sight sightOf(const Scene& scene, int width, int height)
{
    Sight sight;
    sight.view = scene.camera->getViewMatrix();
    sight.projection = scene.camera->getProjectionMatrix();
    sight.width = width;
    sight.height = height;
    sight.sunCentre = glm::vec3(scene.sun->getPosition());
    sight.sunSize = scene.sun->getSize();
    sight.sunInnerRadius = scene.sun->getInnerRadius();
    sight.moonCentre = glm::vec3(scene.moon->getPosition());
    sight.moonSize = scene.moon->getSize();
    sight.earthCentre = glm::vec3(scene.earth->getPosition());
    sight.earthSize = scene.earth->getSize();
    sight.shellRadius = scene.atmosphere->getRadius();
    return sight;
}

bool penumbraReaches(const glm::vec3& sunCentre, float sunRadius, const glm::vec3& occluderCentre,
                     float occluderRadius, const glm::vec3& centre, float radius)
{
    const glm::vec3 axis = occluderCentre - sunCentre;
    const float apart = glm::length(axis);
    // Touching or overlapping the Sun, the occluder may shade anything.
    if (!(apart > sunRadius + occluderRadius))
        return true;
    const glm::vec3 along = axis / apart;
    // Wholly on the Sun's side of the occluder, the body has the occluder behind it.
    if (glm::dot(centre - occluderCentre, along) + radius < -occluderRadius)
        return false;
    // The touching lines cross between the two, this far before the occluder's centre, and open at this
    // half-angle.
    const glm::vec3 apex = occluderCentre - along * (apart * occluderRadius / (sunRadius + occluderRadius));
    const float halfAngle = std::asin((sunRadius + occluderRadius) / apart);
    const glm::vec3 toCentre = centre - apex;
    const float distance = glm::length(toCentre);
    if (distance <= radius)
        return true;
    const float angle = std::acos(std::clamp(glm::dot(toCentre, along) / distance, -1.0f, 1.0f));
    return angle < halfAngle + std::asin(radius / distance);
}

WhatIsSeen findWhatIsSeen(const Sight& sight)
{
    const glm::mat4& view = sight.view;
    const glm::mat4& projection = sight.projection;
    const auto region = [&](const glm::vec3& centre, float size) {
        return sphereScreenRegion(view, projection, centre, size * MeshRounding);
    };
    // The angle one pixel spans at the image's centre, along its coarser axis: the image is 2 across in
    // normalised device coordinates.
    const float pixel = std::max(2.0f / (projection[0][0] * static_cast<float>(sight.width)),
                                 2.0f / (projection[1][1] * static_cast<float>(sight.height)));
    // The Sun is drawn before the Moon and the Earth and writes depth: behind it they fail the depth test.
    const FrontBody sun{sight.sunCentre, sight.sunInnerRadius, sight.sunSize * MeshRounding};
    const auto behindTheSun = [&](const glm::vec3& centre, float size) {
        return sphereHidesSphere(view, projection, sun, centre, size * MeshRounding, RasterMarginPixels * pixel);
    };

    WhatIsSeen seen;
    // The Sun's glow can be nowhere else than the Sun.
    seen.glowRegion = region(sight.sunCentre, sight.sunSize);
    seen.sun = !isEmpty(seen.glowRegion);
    seen.moon = !isEmpty(region(sight.moonCentre, sight.moonSize)) && !behindTheSun(sight.moonCentre, sight.moonSize);
    seen.earth =
        !isEmpty(region(sight.earthCentre, sight.earthSize)) && !behindTheSun(sight.earthCentre, sight.earthSize);

    // Within this distance of the shell the last stage draws it in front of everything, the Sun too.
    const float near = Projection::nearPlane(projection);
    const float far = Projection::farPlane(projection);
    const glm::vec3 shell = glm::vec3(view * glm::vec4(sight.earthCentre, 1.0f));
    const bool closeToTheShell = glm::length(shell) - sight.shellRadius <= Resource::NearShellMargin * near;
    // The last stage reads the images only where the shell lands: within its outline on the screen.
    const bool airHidden = !closeToTheShell && behindTheSun(sight.earthCentre, sight.shellRadius);
    seen.airRegion = airHidden ? NoRegion : region(sight.earthCentre, sight.shellRadius);
    // From farther out the last stage draws the shell's near side, the very pixels of the first stage,
    // and the far side of the closed, convex shell covers the same outline, as long as neither plane
    // clips the shell.
    const float shellDepth = -shell.z;
    seen.shellCoversItsImages = !closeToTheShell && shellDepth - sight.shellRadius > near &&
                                shellDepth + sight.shellRadius < far;
    seen.skyCoversTheImage = Resource::skyBoxCoversTheView(projection);

    seen.moonInEarthShadow = penumbraReaches(sight.sunCentre, sight.sunSize, sight.earthCentre, sight.earthSize,
                                             sight.moonCentre, sight.moonSize * MeshRounding);
    seen.earthInMoonShadow = penumbraReaches(sight.sunCentre, sight.sunSize, sight.moonCentre, sight.moonSize,
                                             sight.earthCentre, sight.shellRadius * MeshRounding);
    // Behind the ground the shadow body cuts no air.
    seen.shadowBody = !groundHidesShadowBody(sight);
    return seen;
}
