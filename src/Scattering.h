#pragma once

#include <glm/glm.hpp>

// Sunlight scattered once in the Earth's air, as the "Atmosphere" and "Earth" programs compute it: the
// same arithmetic as plain functions, for tests without GL. Lengths are in ground radii and measured
// from the Earth's centre, densities relative to the ground's; a "column" is density times length.
// The programs hold each constant below under the same name.
namespace Resource::Scattering
{

// Height over which the air's density falls by e: five times the real Earth's, so that the air shows as a
// band of a few pixels from the tour's distances; the shell's top holds none of it to speak of.
constexpr float ScaleHeight = 0.006f;
// Optical depth of the air straight up from the ground by Rayleigh scattering: "atmosphereColor".rgb
// times this, per colour channel. The design's colour is thus the hue of the thin air at the zenith
// under white light; its ratios are those of the wavelength law (1 / wavelength^4) at 600, 545 and
// 440 nm, and the depths close to the real ones there.
constexpr float RayleighZenithDepth = 0.4f;
// The same for the haze (Mie scattering), alike in every channel.
constexpr float MieZenithDepth = 0.02f;
// How strongly the haze scatters forwards (Cornette and Shanks' g): the glow round the Sun.
constexpr float MieAsymmetry = 0.76f;
// The sunlight's strength on the air, in the units of the scene's colours.
constexpr float SunIntensity = 10.0f;
// The air a view ray scatters from lies mostly within a scale height of the ground: its sunlight is
// taken at this height, or higher where the ray passes higher.
constexpr float SourceHeight = 0.5f * ScaleHeight;
// Height of the cloud tops, which keep the reddened sunlight a little past the ground's terminator.
constexpr float CloudTopHeight = 0.002f;
// Share of the light the air takes from the sunlight that comes down as the sky's light.
constexpr float SkylightShare = 0.3f;
// The weights of the colour channels' transmittances in the one opacity the blending allows.
constexpr glm::vec3 OpacityWeights(0.25f, 0.5f, 0.25f);
// Largest exponent of the density: deep below the ground, where a sun ray through the planet goes,
// the density stays finite, and so do the sums and differences of columns.
constexpr float DensityExponentLimit = 80.0f;

// Relative density at a distance `radius` from the centre.
float density(float radius);
// Column along a straight line from its point at `s` outwards to space, away from the line's closest
// point to the centre, which is `s` = 0 at distance sqrt(`closest2`). An analytic approximation of the
// Chapman function (after Schueler), within 6 % of the integral.
float columnOutward(float s, float closest2);
// Column along the same line between its points at `from` and `to` (`from` <= `to`).
float columnBetween(float from, float to, float closest2);
// Column from a point at `radius` to space along a direction whose cosine to the vertical is
// `cosZenith`; below the horizon the ray crosses the air (or the planet) twice.
float columnToSpace(float radius, float cosZenith);

// Scattering and extinction coefficients per unit of column, per colour channel, for "atmosphereColor"
// `airColor` (its alpha scales the whole air).
glm::vec3 rayleighScattering(const glm::vec4& airColor);
float mieScattering(const glm::vec4& airColor);
glm::vec3 extinction(const glm::vec4& airColor);
// The air's optical depth straight up from the ground, per colour channel.
glm::vec3 zenithDepth(const glm::vec4& airColor);

// Share of the sunlight, per colour channel, that reaches a point at `radius` with the Sun at
// `cosZenith` from its zenith.
glm::vec3 sunlight(float radius, float cosZenith, const glm::vec3& extinction);
// The light on a surface at `radius` (the ground, a cloud top) over that with the Sun overhead: the
// sunlight, reddened as the Sun sinks, and the sky's light, the skylight share of what the air took
// from it: blue, and as bright as the sunlight's middle channel.
glm::vec3 surfaceLight(float radius, float cosZenith, const glm::vec3& zenithDepth);

// Phase functions (per steradian) of the angle between the sunlight and the scattered light.
float rayleighPhase(float cosAngle);
float miePhase(float cosAngle);

// The light a view ray's air scatters towards the eye per unit of its opacity: the sunlight, reddened
// on its way to the air the ray passes through most (over the ground under it, or at its lowest point),
// times the phase functions. It changes slowly across the sky: the program computes it per vertex.
// `eye` is relative to the centre, `direction` and `toSun` are unit vectors.
glm::vec3 scatteringSource(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& toSun,
                           const glm::vec4& airColor);

// What the air along one view ray does to the scene behind it: adds `light` and lets `transmittance`
// of the scene's light through.
struct AirLight
{
    glm::vec3 light{0.0f};
    glm::vec3 transmittance{1.0f};
};

// The scattered light along a view ray from the eye to the ground, the shell's far side or `surface`
// (a distance from the eye, +inf for none), leaving out the part between `shadowIn` and `shadowOut`
// (+inf where the ray misses the shadow body; `shadowIn` +inf with a finite `shadowOut` when the eye
// is in the shadow). `source` as `scatteringSource` gives it, `shellRadius` the shell's radius.
AirLight airAlongRay(const glm::vec3& eye, const glm::vec3& direction, float surface, float shadowIn,
                     float shadowOut, float shellRadius, const glm::vec3& source, const glm::vec3& extinction);

// The colour and opacity that the (source alpha, one minus source alpha) blending turns into the air's
// light over the scene: one opacity for all channels, never less than the light needs.
glm::vec4 blendedAir(const AirLight& air);

} // namespace Resource::Scattering
