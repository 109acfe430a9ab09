#pragma once

#include "ScreenSpace.h"

#include <glm/glm.hpp>

struct Scene;

// The scene as the visibility rules see it: the camera, the render size, and each body's centre
// and size (the radius its mesh reaches to).
struct Sight
{
    glm::mat4 view{1.0f};
    glm::mat4 projection{1.0f};
    int width = 0;
    int height = 0;
    glm::vec3 sunCentre{0.0f};
    float sunSize = 0.0f;
    // The radius of the sphere the Sun's faces enclose: nothing behind it shows through within it.
    float sunInnerRadius = 0.0f;
    glm::vec3 moonCentre{0.0f};
    float moonSize = 0.0f;
    glm::vec3 earthCentre{0.0f};
    float earthSize = 0.0f;
    // The atmosphere's shell round the Earth.
    float shellRadius = 0.0f;
};

// What of the frame can change a pixel, and so which draws and clears the renderer runs. The
// default record is the full frame: every body drawn, every image cleared and drawn whole.
struct WhatIsSeen
{
    bool sun = true;
    bool moon = true;
    bool earth = true;
    // Where the Sun's glow can be: the bloom spreads it from there.
    ScreenRegion glowRegion;
    // Where the atmosphere's shell can appear: its passes clear and draw only there, none when empty.
    ScreenRegion airRegion;
    // Whether the shell's near and far side cover every pixel its last stage reads, so that their
    // images need no clear.
    bool shellCoversItsImages = false;
    // Whether the sky box covers every pixel, so that the scene's colour and glow need no clear.
    bool skyCoversTheImage = false;
    // Whether the Earth's penumbra reaches the Moon, and the Moon's the Earth's air: only then can an
    // eclipse darken a pixel of theirs.
    bool moonInEarthShadow = true;
    bool earthInMoonShadow = true;
    // Whether the Earth's shadow body can cut the air: not where it lies wholly behind the ground, its
    // images then left as cleared.
    bool shadowBody = true;
};

// The meshes lie within the spheres of their sizes up to the rounding of their files' numbers.
constexpr float MeshRounding = 1.001f;
// How far beyond the Sun's outline, in pixels, the rasterizer's rounding may still show a body behind it.
constexpr float RasterMarginPixels = 2.0f;
// How far inside the ground's outline the rays to its shadow body must pass, as a share of its radius per
// radius of the eye's distance: enough for the last stage to find in single precision that they meet the
// ground (its error there is about 1e-6 per radius of distance).
constexpr double ShadowGrazeMargin = 1.0e-5;

// Whether any point of the sphere of `radius` round `centre` sees the occluder hide part of the Sun: whether
// it reaches into the occluder's penumbra: the cone bounded by the lines that touch the Sun and the
// occluder on opposite sides, behind the occluder.
bool penumbraReaches(const glm::vec3& sunCentre, float sunRadius, const glm::vec3& occluderCentre,
                     float occluderRadius, const glm::vec3& centre, float radius);

// The sight of `scene` from its camera, on a target of width x height.
Sight sightOf(const Scene& scene, int width, int height);

// Decides from the sight alone, with no GL, what the frame's draws can change.
WhatIsSeen findWhatIsSeen(const Sight& sight);
