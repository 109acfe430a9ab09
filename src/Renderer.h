#pragma once

#include "Bloom.h"
#include "Framebuffer.h"
#include "LenseFlare.h"
#include "QuadRenderer.h"
#include "Scene.h"

#include <glm/glm.hpp>

namespace Renderer
{

// Where a sphere (world centre and radius) can appear on the screen, as a region of the image: the
// exact bounds of the outline of its part ahead of the eye, which run to the screen's edge where it
// reaches past the eye; empty when none of it is ahead of the eye or in view. The whole image when the
// eye is inside the sphere or the projection is not a centred perspective one.
ScreenRegion sphereScreenRegion(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& centre,
                                float radius);

// Composes one frame: atmosphere stages, the scene target, and the copy onto the window.
class Renderer
{
public:
    Renderer(int width, int height);
    // One frame: the steps below, in this order.
    void render(Scene& scene);

    // Where the atmosphere's shell can appear, into `m_AtmosphereRegion`; the three atmosphere steps
    // below work within it.
    void findAtmosphereRegion(Scene& scene);
    // The atmosphere's shell and shadow faces into the atmosphere target.
    void renderAtmosphereStages(Scene& scene);
    // Sky, Sun, Moon and Earth into the scene target, then whether anything of the Sun is left to glow.
    void renderScenePass(Scene& scene);
    // The Earth's data into the atmosphere target, where the last stage reads it.
    void copyEarthData();
    // The atmosphere blended over the scene.
    void renderAtmosphereOverScene(Scene& scene);
    // The scene's colour onto the window.
    void present();

    int m_Width;
    int m_Height;
    Framebuffer m_SceneFramebuffer;
    Framebuffer m_AtmosphereFramebuffer;
    Framebuffer m_ScreenFramebuffer;
    QuadRenderer m_QuadRenderer;
    LenseFlare m_LenseFlare;
    Bloom m_Bloom;
    // Where the atmosphere's shell can appear this frame, set by `findAtmosphereRegion`: its passes
    // clear and draw only there, and none runs when it is empty. The whole image unless told otherwise.
    ScreenRegion m_AtmosphereRegion;

private:
    // Counts the Sun's pixels that the Moon and the Earth left visible, for the bloom.
    void countGlow(Scene& scene);
};

} // namespace Renderer
