#pragma once

#include "Framebuffer.h"
#include "QuadRenderer.h"
#include "ScreenSpace.h"

#include <GL/glew.h>

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

    Bloom(int width, int height);
    void render(Framebuffer& target, Framebuffer& source);

    // Counts whether any of the Sun, drawn into the scene target, is still in front of what was drawn
    // after it: only there does the glow attachment glow. When none is, the whole bloom would add
    // zero, so `render` leaves its passes to the GPU's conditional rendering, which then skips them.
    // Until the first count, `render` always draws.
    void countGlow(Resource::IModel& sun);

    int m_Width;
    int m_Height;
    std::vector<Framebuffer> m_BloomFramebuffers;
    Renderer::QuadRenderer m_BloomRenderer;
    Renderer::QuadRenderer m_BlendRenderer;
    // The occlusion query of the last count; 0 until the first.
    GLuint m_GlowQuery = 0;
    // Where the glow attachment may hold light; the passes draw no further than that light can spread,
    // since everywhere else they would only write and add black. The whole image unless told otherwise.
    ScreenRegion m_GlowRegion;
};
