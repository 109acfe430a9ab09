#include "Bloom.h"

#include "Model.h"
#include "Shader.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>

namespace
{
// Texels beyond the farthest tap that a pass still reads or may round into: the linear filter's
// neighbour, and one to spare.
constexpr float FilterReach = 2.0f;

// How far "Bloom" pass `pass` spreads what it reads, in its source's texels along the pass's axis.
float passReach(int pass)
{
    const float spread = std::clamp(Bloom::FirstSpread + Bloom::SpreadPerPass * static_cast<float>(pass),
                                    Bloom::MinSpread, Bloom::MaxSpread);
    return static_cast<float>(Bloom::TapsPerSide) * Bloom::TexelsPerTap * spread + FilterReach;
}
} // namespace

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

ScreenRegion spreadRegion(const ScreenRegion& region, int pass, int sourceTexels)
{
    const bool alongX = pass % 2 == 0;
    const float reach = passReach(pass) / static_cast<float>(std::max(1, sourceTexels));
    return widenRegion(region, alongX ? reach : 0.0f, alongX ? 0.0f : reach);
}

std::array<ScreenRegion, Bloom::LevelCount> bloomLevelRegions(const ScreenRegion& glowRegion, int width, int height)
{
    // Each level is blurred from the one before, along the axis it halves.
    std::array<ScreenRegion, Bloom::LevelCount> regions{};
    ScreenRegion region = glowRegion;
    int sourceWidth = width;
    int sourceHeight = height;
    int level = 0;
    for (const auto& [levelWidth, levelHeight] : bloomLevelSizes(width, height))
    {
        const bool alongX = level % 2 == 0;
        region = spreadRegion(region, level, alongX ? sourceWidth : sourceHeight);
        regions[static_cast<std::size_t>(level++)] = region;
        sourceWidth = levelWidth;
        sourceHeight = levelHeight;
    }
    return regions;
}

Bloom::Bloom(int width, int height)
    : m_Width(width)
    , m_Height(height)
    , m_BloomRenderer(LevelProgramName, width, height,
                      {Shader::constant("TapsPerSide", TapsPerSide), Shader::constant("TexelsPerTap", TexelsPerTap),
                       Shader::constant("FirstSpread", FirstSpread), Shader::constant("SpreadPerPass", SpreadPerPass),
                       Shader::constant("MinSpread", MinSpread), Shader::constant("MaxSpread", MaxSpread)})
    , m_BlendRenderer(BlendProgramName, width, height,
                      {Shader::constant("FineLevel", FineLevel), Shader::constant("CoarseLevel", CoarseLevel)})
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

void Bloom::render(Framebuffer& target, Framebuffer& source, const ScreenRegion& glowRegion)
{
    assert(!m_BloomFramebuffers.empty());
    assert(m_BloomFramebuffers.size() == LevelCount);
    // With none of the Sun on the screen nothing glows, and the glow count was not taken.
    if (isEmpty(glowRegion))
        return;
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // A level is cleared whole and drawn only where light can have spread to: the rest stays black, as
    // drawing it would leave it.
    const std::array<ScreenRegion, LevelCount> lit = bloomLevelRegions(glowRegion, source.m_Width, source.m_Height);

    // Clears and draws alike are skipped when nothing glowed: the levels are read only by the blend below.
    if (m_GlowQuery != 0)
        glBeginConditionalRender(m_GlowQuery, GL_QUERY_WAIT);
    // Each level is blurred from the one before; only the first reads the scene's glow.
    for (std::size_t i = 0; i < LevelCount; ++i)
    {
        Framebuffer& level = m_BloomFramebuffers[i];
        level.bind(true, black);
        const ScissorScope scissor(lit[i], level.m_Width, level.m_Height);
        const GLuint read = i == 0 ? source.m_Textures[1] : m_BloomFramebuffers[i - 1].m_Textures[0];
        m_BloomRenderer.draw(read, static_cast<int>(i));
    }

    target.bind(false, black);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    // The levels of square blur (after both axes were halved) are added, the coarser ones stronger.
    for (std::size_t i = 1; i < LevelCount; i += 2)
    {
        const Framebuffer& level = m_BloomFramebuffers[i];
        // Magnified, a level's texel reaches its neighbours' pixels through the linear filter.
        const ScreenRegion added = widenRegion(lit[i], 1.0f / static_cast<float>(level.m_Width),
                                               1.0f / static_cast<float>(level.m_Height));
        scissorTo(added, target.m_Width, target.m_Height);
        m_BlendRenderer.draw(level.m_Textures[0], i < LevelCount / 2 ? FineLevel : CoarseLevel);
    }
    glDisable(GL_SCISSOR_TEST);
    if (m_GlowQuery != 0)
        glEndConditionalRender();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

void Bloom::countGlow(Resource::IModel& sun)
{
    // The Sun once more, writing no colour, passes the depth test where its own depth is still in
    // front: the same program and vertices give the same depths. Only the Sun writes glow, and the
    // Moon and the Earth write black glow where they hide it.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    if (m_GlowQuery == 0)
        glGenQueries(1, &m_GlowQuery);
    glBeginQuery(GL_ANY_SAMPLES_PASSED, m_GlowQuery);
    sun.render();
    glEndQuery(GL_ANY_SAMPLES_PASSED);
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}
