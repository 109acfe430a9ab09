#include "Scattering.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Resource::Scattering
{

float density(float radius)
{
    return std::exp(std::min((1.0f - radius) / ScaleHeight, DensityExponentLimit));
}

float columnOutward(float s, float closest2)
{
    // With the density exponential in height and the height nearly quadratic in `s` near the closest
    // point, the column is the density at r times sqrt(pi H r / 2) erfcx(y), y = |s| / sqrt(2 H r).
    // erfcx(y) ~ 2 / (sqrt(pi) (y + sqrt(y^2 + 4 / pi))), exact at 0 and far out, written without a
    // division. Below the ground only the size of a sun ray's column matters (that it blocks the
    // light), so the planet's curvature there is the ground's.
    const float radius = std::sqrt(closest2 + s * s);
    return 0.25f * glm::pi<float>() * density(radius) *
           (std::sqrt(s * s + 8.0f / glm::pi<float>() * ScaleHeight * std::max(radius, 1.0f)) - std::fabs(s));
}

float columnBetween(float from, float to, float closest2)
{
    // On either side of the closest point the column is the difference of the outward ones; across it,
    // their sum with the whole line's. The whole line's is huge where it runs through the planet, so
    // it is added only where it is needed.
    const float start = columnOutward(from, closest2);
    const float end = columnOutward(to, closest2);
    if (to <= 0.0f)
        return end - start;
    if (from >= 0.0f)
        return start - end;
    return 2.0f * columnOutward(0.0f, closest2) - start - end;
}

float columnToSpace(float radius, float cosZenith)
{
    const float s = radius * cosZenith;
    const float closest2 = radius * radius * std::max(1.0f - cosZenith * cosZenith, 0.0f);
    const float outward = columnOutward(s, closest2);
    return s >= 0.0f ? outward : 2.0f * columnOutward(0.0f, closest2) - outward;
}

glm::vec3 rayleighScattering(const glm::vec4& airColor)
{
    return glm::vec3(airColor) * (RayleighZenithDepth * airColor.a / ScaleHeight);
}

float mieScattering(const glm::vec4& airColor)
{
    return MieZenithDepth * airColor.a / ScaleHeight;
}

glm::vec3 extinction(const glm::vec4& airColor)
{
    return rayleighScattering(airColor) + mieScattering(airColor);
}

glm::vec3 zenithDepth(const glm::vec4& airColor)
{
    return extinction(airColor) * ScaleHeight;
}

glm::vec3 sunlight(float radius, float cosZenith, const glm::vec3& extinction)
{
    return glm::exp(-extinction * columnToSpace(radius, cosZenith));
}

glm::vec3 surfaceLight(float radius, float cosZenith, const glm::vec3& zenithDepth)
{
    const float overhead = columnOutward(radius, 0.0f);
    const glm::vec3 direct = glm::exp(-zenithDepth / ScaleHeight * (columnToSpace(radius, cosZenith) - overhead));
    return direct + SkylightShare * (1.0f - direct) * direct.g;
}

float rayleighPhase(float cosAngle)
{
    return 3.0f / (16.0f * glm::pi<float>()) * (1.0f + cosAngle * cosAngle);
}

float miePhase(float cosAngle)
{
    const float g = MieAsymmetry;
    const float denominator = 1.0f + g * g - 2.0f * g * cosAngle;
    return 3.0f / (8.0f * glm::pi<float>()) * (1.0f - g * g) * (1.0f + cosAngle * cosAngle) /
           ((2.0f + g * g) * denominator * std::sqrt(denominator));
}

glm::vec3 scatteringSource(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& toSun,
                           const glm::vec4& airColor)
{
    const float along = glm::dot(eye, direction);
    const glm::vec3 offAxis = glm::cross(eye, direction);
    const float closest2 = glm::dot(offAxis, offAxis);
    const glm::vec3 rayleigh = rayleighScattering(airColor);
    const float mie = mieScattering(airColor);
    // Over the ground the ray's air lies mostly just over the ground; past the limb, round the ray's
    // lowest point ahead of the eye: at the source height over it. Where the ray is thick up to there,
    // the light of a colour that reaches the eye comes from the ray's first unit of optical depth in
    // that colour, higher up: blue from higher than red, lit by less reddened sunlight.
    const bool hitsGround = closest2 < 1.0f && along < 0.0f;
    const float distance = hitsGround ? -along - std::sqrt(1.0f - closest2) : std::max(-along, 0.0f);
    const glm::vec3 point = eye + direction * distance;
    // The sun ray's column from there is the point's, less by the density's fall up to that height,
    // where the density is the ground's over the depth (as the column above it is the whole one's).
    const glm::vec3 depth = (rayleigh + mie) * columnBetween(along, distance + along, closest2);
    const glm::vec3 thinning = glm::min(glm::vec3(std::exp(-SourceHeight / ScaleHeight)), 1.0f / glm::max(depth, 1.0f));
    const float base = std::max(glm::length(point), 1.0f);
    const float cosSun = glm::dot(point, toSun) / glm::length(point);
    const glm::vec3 column = columnToSpace(base, cosSun) * glm::min(thinning / density(base), 1.0f);

    const float cosAngle = glm::dot(direction, toSun);
    const glm::vec3 scattered = rayleigh * rayleighPhase(cosAngle) + mie * miePhase(cosAngle);
    return SunIntensity * glm::exp(-(rayleigh + mie) * column) * scattered / (rayleigh + mie);
}

AirLight airAlongRay(const glm::vec3& eye, const glm::vec3& direction, float surface, float shadowIn,
                     float shadowOut, float shellRadius, const glm::vec3& source, const glm::vec3& extinction)
{
    const float along = glm::dot(eye, direction);
    const glm::vec3 offAxis = glm::cross(eye, direction);
    const float closest2 = glm::dot(offAxis, offAxis);

    // The air ends at the shell's far side or the ground: at the surface drawn there, or at the round
    // globe where the drawing falls short of it.
    const float shellHalf = std::sqrt(std::max(shellRadius * shellRadius - closest2, 0.0f));
    float last = std::min(shellHalf - along, surface);
    if (closest2 < 1.0f)
    {
        const float ground = -std::sqrt(1.0f - closest2) - along;
        if (ground > 0.0f)
            last = std::min(last, ground);
    }
    last = std::max(last, 0.0f);
    // A shadow body's far side without its near side: the eye is in the shadow.
    const float unbounded = std::numeric_limits<float>::max();
    if (shadowIn > unbounded && shadowOut <= unbounded)
        shadowIn = 0.0f;
    // The lit pieces: from the eye into the shadow, and from out of it to last.
    const float litEnd = std::clamp(shadowIn, 0.0f, last);
    const float litAgain = std::clamp(shadowOut, litEnd, last);

    // Columns from the eye (s = along) to a distance.
    const auto column = [&](float distance) { return columnBetween(along, distance + along, closest2); };
    const glm::vec3 throughAll = glm::exp(-extinction * column(last));
    // The sunlight scattered in a piece, lit alike all along, is the source times the light that the
    // piece's air takes from the view ray: the transmittance from the eye to its start less that to its
    // end. The shadow's share of that is taken in the middle channel alone.
    const float shadowStart = std::exp(-extinction.g * column(litEnd));
    const float shadowEnd = std::exp(-extinction.g * column(litAgain));
    const float shadowShare =
        std::clamp((shadowStart - shadowEnd) / std::max(1.0f - throughAll.g, 1e-6f), 0.0f, 1.0f);
    return {source * (1.0f - throughAll) * (1.0f - shadowShare), throughAll};
}

glm::vec4 blendedAir(const AirLight& air)
{
    // The scene behind dims by a mean of its transmittances; where the light alone would need more
    // than that opacity, the air hides more of the scene instead.
    const float opacity = std::max(1.0f - glm::dot(air.transmittance, OpacityWeights),
                                   std::max(air.light.r, std::max(air.light.g, air.light.b)));
    if (!(opacity > 0.0f))
        return glm::vec4(0.0f);
    return glm::vec4(glm::min(air.light / opacity, glm::vec3(1.0f)), std::min(opacity, 1.0f));
}

} // namespace Resource::Scattering
