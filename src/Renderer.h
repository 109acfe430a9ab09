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

// Whether a sphere in front (world centre and radius) hides every pixel of a sphere behind it: the
// back one lies wholly farther from the eye than the front one, and within its outline seen from the
// eye, less `margin` (an angle) on every side; the front one lies wholly between the near and far
// planes of a centred perspective projection. False for any other projection.
bool sphereHidesSphere(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& frontCentre,
                       float frontRadius, const glm::vec3& backCentre, float backRadius, float margin);

// Composes one frame: atmosphere stages, the scene target, and the copy onto the window.
class Renderer
{
public:
    Renderer(int width, int height);
    // One frame: the steps below, in this order.
    void render(Scene& scene);

    // Which bodies can show on the screen, and where the Sun's glow and the atmosphere's shell can:
    // into the members below. The steps after it draw only those.
    void findWhatIsSeen(Scene& scene);
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
    // Where the atmosphere's shell can appear this frame, set by `findWhatIsSeen`: its passes clear
    // and draw only there, and none runs when it is empty. The whole image unless told otherwise.
    ScreenRegion m_AtmosphereRegion;
    // What the presentation clears on the window before its copy: colour only where the window is
    // larger than the render size, depth only if the window has a depth buffer. Set at construction.
    GLbitfield m_WindowClear = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
    // Whether each body can change a pixel this frame, set by `findWhatIsSeen`: the others are not drawn.
    bool m_DrawSun = true;
    bool m_DrawMoon = true;
    bool m_DrawEarth = true;
    // Whether the shell's near and far side cover every pixel the last stage reads, so that their
    // images need no clear; set by `findWhatIsSeen`.
    bool m_ShellCoversItsImages = false;

private:
    // Clears what the scene pass's draws do not overwrite but a later pass reads.
    void clearSceneTarget(const glm::mat4& projection);
    // Counts the Sun's pixels that the Moon and the Earth left visible, for the bloom.
    void countGlow(Scene& scene);
};

} // namespace Renderer
