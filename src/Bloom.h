#pragma once

#include "Framebuffer.h"
#include "QuadRenderer.h"

#include <GL/glew.h>

#include <utility>
#include <vector>

// Sizes of the ten blur levels: width and height halved in turn.
std::vector<std::pair<int, int>> bloomLevelSizes(int width, int height);

// A rectangle of an image in coordinates from 0 to 1 across it, the same for every level of the bloom.
struct ScreenRegion
{
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 1.0f;
    float maxY = 1.0f;
};

// Whether `region` holds no pixel centre of any image: it has no width or no height.
bool isEmpty(const ScreenRegion& region);

// Restricts drawing and clearing to `region` of a width x height target, a pixel wider on every side
// for rounding; the caller enables the scissor test.
void scissorTo(const ScreenRegion& region, int width, int height);

// Clears and draws are restricted to `region` of a width x height target, as `scissorTo` sets it, while
// this lives; the scissor test is off again after it.
class ScissorScope
{
public:
    ScissorScope(const ScreenRegion& region, int width, int height);
    ~ScissorScope();
    ScissorScope(const ScissorScope&) = delete;
    ScissorScope& operator=(const ScissorScope&) = delete;
};

// `region` widened by `dx` and `dy` on either side, kept within the image.
ScreenRegion widenRegion(const ScreenRegion& region, float dx, float dy);

// Where "Bloom" pass `pass` (even passes along x, odd ones along y) can leave light, given where its
// source held light: `region` widened along the pass's axis by the pass's reach in `sourceTexels` (the
// source's texel count along that axis), and kept within the image.
ScreenRegion spreadRegion(const ScreenRegion& region, int pass, int sourceTexels);

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
    // Where the glow attachment may hold light; the passes draw no further than that light can spread,
    // since everywhere else they would only write and add black. The whole image unless told otherwise.
    ScreenRegion m_GlowRegion;
};
