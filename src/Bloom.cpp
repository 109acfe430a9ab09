#include "Bloom.h"

#include <cassert>

std::vector<std::pair<int, int>> bloomLevelSizes(int width, int height)
{
    std::vector<std::pair<int, int>> sizes;
    for (int level = 0; level < Bloom::LevelCount; ++level)
    {
        // Halve width and height in turn, so each level blurs along one axis at a time.
        if (level % 2 == 0)
            width /= 2;
        else
            height /= 2;
        sizes.emplace_back(width, height);
    }
    return sizes;
}

Bloom::Bloom(int width, int height)
    : m_Width(width)
    , m_Height(height)
    , m_BloomRenderer("Bloom", width, height)
    , m_BlendRenderer("Blend", width, height)
{
    for (const auto& [levelWidth, levelHeight] : bloomLevelSizes(width, height))
    {
        Framebuffer level;
        level.m_NumTextures = 1;
        level.m_Width = levelWidth;
        level.m_Height = levelHeight;
        level.create();
        m_BloomFramebuffers.push_back(level);
    }
}

void Bloom::render(Framebuffer& target, Framebuffer& source)
{
    assert(!m_BloomFramebuffers.empty());
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const int count = static_cast<int>(m_BloomFramebuffers.size());

    // Clears and draws alike are skipped when nothing glowed: the levels are read only by the blend below.
    if (m_GlowQuery != 0)
        glBeginConditionalRender(m_GlowQuery, GL_QUERY_WAIT);
    // Each level is blurred from the one before; only the first reads the scene's glow.
    m_BloomFramebuffers[0].bind(true, black);
    m_BloomRenderer.draw(source.m_Textures[1], 0);
    for (int i = 1; i < count; ++i)
    {
        m_BloomFramebuffers[static_cast<std::size_t>(i)].bind(true, black);
        m_BloomRenderer.draw(m_BloomFramebuffers[static_cast<std::size_t>(i - 1)].m_Textures[0], i);
    }

    target.bind(false, black);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    // The levels of square blur (after both axes were halved) are added, the coarser ones stronger.
    for (int i = 1; i < count; i += 2)
        m_BlendRenderer.draw(m_BloomFramebuffers[static_cast<std::size_t>(i)].m_Textures[0], i < count / 2 ? 12 : 20);
    if (m_GlowQuery != 0)
        glEndConditionalRender();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

void Bloom::beginGlowCount()
{
    if (m_GlowQuery == 0)
        glGenQueries(1, &m_GlowQuery);
    glBeginQuery(GL_ANY_SAMPLES_PASSED, m_GlowQuery);
}

void Bloom::endGlowCount()
{
    glEndQuery(GL_ANY_SAMPLES_PASSED);
}
