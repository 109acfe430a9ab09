#pragma once

#include "Framebuffer.h"
#include "QuadRenderer.h"
#include "ScreenSpace.h"

#include <GL/glew.h>

#include <array>
#include <utility>
#include <vector>

namespace Resource
{
class IModel;
}

// Sizes of the ten blur levels: width and height halved in turn.
std::vector<std::pair<int, int>> bloomLevelSizes(int width, int height);

// Where "Bloom" pass `pass` (even passes along x, odd ones along y) can leave light, given where its
// source held light: `region` widened along the pass's axis by the pass's reach in `sourceTexels` (the
// source's texel count along that axis), and kept within the image.
ScreenRegion spreadRegion(const ScreenRegion& region, int pass, int sourceTexels);

// Spreads the scene's glow attachment through ten shrinking levels and adds five of them to the target.
class Bloom
{
public:
    static constexpr int LevelCount = 10;
    // The "Bloom" program's kernel, which the regions of its passes follow: taps on either side of
    // the centre, TexelsPerTap x the pass's spread source texels apart; the spread is
    // FirstSpread + SpreadPerPass x pass, kept between MinSpread and MaxSpread.
    static constexpr int TapsPerSide = 4;
    static constexpr float TexelsPerTap = 2.0f;
    static constexpr float FirstSpread = 0.5f;
    static constexpr float SpreadPerPass = 0.25f;
    static constexpr float MinSpread = 1.0f;
    static constexpr float MaxSpread = 2.0f;
    // The extra value that tells the "Blend" program a level is one of the fine ones (1 and 3) or one of
    // the coarse ones, which carry the wide halo.
    static constexpr int FineLevel = 12;
    static constexpr int CoarseLevel = 20;

    // The programs of the level passes and of adding the levels.
    static constexpr const char* LevelProgramName = "Bloom";
    static constexpr const char* BlendProgramName = "Blend";

    Bloom(int width, int height);
    // Adds the glow of `source` to `target`. The glow attachment holds light only within `glowRegion`
    // (the whole image unless told): the passes draw no further than that light can spread, since
    // everywhere else they would only write and add black.
    void render(Framebuffer& target, Framebuffer& source, const ScreenRegion& glowRegion = ScreenRegion{});

    // Counts whether any of the Sun, drawn into the scene target, is still in front of what was drawn
    // after it: only there does the glow attachment glow. When none is, the whole bloom would add
    // zero, so `render` leaves its passes to the GPU's conditional rendering, which then skips them.
    // Until the first count, `render` always draws.
    void countGlow(Resource::IModel& sun);
    // The occlusion query of the last count; 0 until the first.
    GLuint glowQuery() const { return m_GlowQuery; }

    int m_Width;
    int m_Height;
    std::vector<Framebuffer> m_BloomFramebuffers;
    Renderer::QuadRenderer m_BloomRenderer;
    Renderer::QuadRenderer m_BlendRenderer;

private:
    GLuint m_GlowQuery = 0;
};

// Where each level of a bloom of a `width` x `height` source can hold light, given where the source's
// glow does: the chain of the passes' spreads.
std::array<ScreenRegion, Bloom::LevelCount> bloomLevelRegions(const ScreenRegion& glowRegion, int width, int height);
