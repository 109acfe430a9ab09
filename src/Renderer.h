#pragma once

#include "Bloom.h"
#include "Framebuffer.h"
#include "LenseFlare.h"
#include "QuadRenderer.h"
#include "Scene.h"

namespace Renderer
{

// Composes one frame: atmosphere stages, the scene target, and the copy onto the window.
class Renderer
{
public:
    Renderer(int width, int height);
    void render(Scene& scene);

    int m_Width;
    int m_Height;
    Framebuffer m_SceneFramebuffer;
    Framebuffer m_AtmosphereFramebuffer;
    Framebuffer m_ScreenFramebuffer;
    QuadRenderer m_QuadRenderer;
    LenseFlare m_LenseFlare;
    Bloom m_Bloom;
};

} // namespace Renderer
