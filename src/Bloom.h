#pragma once

#include "Framebuffer.h"
#include "QuadRenderer.h"

#include <GL/glew.h>

#include <utility>
#include <vector>

// Sizes of the ten blur levels: width and height halved in turn.
std::vector<std::pair<int, int>> bloomLevelSizes(int width, int height);

// Spreads the scene's glow attachment through ten shrinking levels and adds five of them to the target.
class Bloom
{
public:
    static constexpr int LevelCount = 10;

    Bloom(int width, int height);
    void render(Framebuffer& target, Framebuffer& source);

    // Bracket a draw whose samples pass only where the scene's glow attachment glows. When none
    // passed, the whole bloom would add zero, so `render` leaves its passes to the GPU's conditional
    // rendering, which then skips them. Until the first bracket, `render` always draws.
    void beginGlowCount();
    void endGlowCount();

    int m_Width;
    int m_Height;
    std::vector<Framebuffer> m_BloomFramebuffers;
    Renderer::QuadRenderer m_BloomRenderer;
    Renderer::QuadRenderer m_BlendRenderer;
    // The occlusion query of the last bracket; 0 until the first.
    GLuint m_GlowQuery = 0;
};
