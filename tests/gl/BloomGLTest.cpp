#include "Bloom.h"
#include "FakeBody.h"
#include "GLContext.h"
#include "GLKit.h"
#include "GLState.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{

constexpr int Size = 64;

// Clears the glow attachment of `source` to black and lights the square [x0, x0 + side) x [y0, y0 + side).
void paintGlowSquare(Framebuffer& source, int x0, int y0, int side)
{
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    source.bind(true, black);
    if (side > 0)
    {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x0, y0, side, side);
        glClearBufferfv(GL_COLOR, 1, white);
        glDisable(GL_SCISSOR_TEST);
    }
}

class BloomGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        // The renderer hands the bloom a frame with the depth test on and blending off.
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }

    void paintGlow(int x0, int y0, int side) { paintGlowSquare(m_Source, x0, y0, side); }

    void fillTarget(const Texel& color)
    {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Target.m_Fbo);
        glClearBufferfv(GL_COLOR, 0, color.data());
    }

    // The scene's layout: colour and an 8-bit glow attachment.
    ScopedFramebuffer m_OwnedSource{Size, Size, 2};
    Framebuffer& m_Source = m_OwnedSource.m_Framebuffer;
    // Float, so that even a faint addition shows.
    ScopedFramebuffer m_OwnedTarget{Size, Size, 1, {0}};
    Framebuffer& m_Target = m_OwnedTarget.m_Framebuffer;
};

TEST_F(BloomGLTest, LevelsAreEightBitTexturesOfTheHalvedSizes)
{
    Bloom bloom(Size, Size);
    const auto sizes = bloomLevelSizes(Size, Size);
    ASSERT_EQ(static_cast<std::size_t>(Bloom::LevelCount), bloom.m_BloomFramebuffers.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
    {
        const Framebuffer& level = bloom.m_BloomFramebuffers[i];
        ASSERT_EQ(1u, level.m_Textures.size()) << "level " << i;
        GLint width = 0;
        GLint height = 0;
        GLint format = 0;
        glBindTexture(GL_TEXTURE_2D, level.m_Textures[0]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(sizes[i].first, width) << "level " << i;
        EXPECT_EQ(sizes[i].second, height) << "level " << i;
        EXPECT_EQ(GL_RGBA8, format) << "level " << i;
    }
}

TEST_F(BloomGLTest, ASideBelowThirtyTwoPixelsFailsWithTheFramebufferError)
{
    const std::pair<int, int> sizes[] = {{31, 64}, {64, 31}, {16, 16}};
    for (const auto& [width, height] : sizes)
    {
        const char* error = nullptr;
        try
        {
            Bloom bloom(width, height);
        }
        catch (const char* message)
        {
            error = message;
        }
        ASSERT_NE(nullptr, error) << width << "x" << height << " was accepted";
        EXPECT_STREQ("FBO is incomplete!!!", error) << width << "x" << height;
    }
}

TEST_F(BloomGLTest, BlackGlowAddsNothingEvenAfterABrightFrame)
{
    Bloom bloom(Size, Size);
    const Texel base = {0.2f, 0.4f, 0.6f, 0.8f};
    // A bright frame first fills every level; the next, black, frame must not see any of it.
    paintGlow(24, 24, 16);
    fillTarget(base);
    bloom.render(m_Target, m_Source);
    paintGlow(0, 0, 0);
    fillTarget(base);
    bloom.render(m_Target, m_Source);

    EXPECT_TRUE(sameImage(uniformImage(Size, Size, base), readImage(m_Target)));
}

TEST_F(BloomGLTest, SkipsItsPassesOnlyWhenTheCountedDrawPassedNoSample)
{
    Bloom bloom(Size, Size);
    const Texel base = {0.2f, 0.4f, 0.6f, 0.8f};
    // A Sun that draws where the glow is, or nowhere.
    struct CountedSun : FakeBody
    {
        CountedSun(Bloom& bloom, GLuint glow, bool draws)
            : FakeBody(glm::vec4(0.0f)), m_Bloom(bloom), m_Glow(glow), m_Draws(draws)
        {
        }
        void render() override
        {
            if (m_Draws)
                m_Bloom.m_BlendRenderer.draw(m_Glow, 12);
        }
        Bloom& m_Bloom;
        GLuint m_Glow;
        bool m_Draws;
    };
    const struct
    {
        const char* name;
        bool sunDraws;
        bool adds;
    } cases[] = {
        {"nothing counted", false, false},
        {"samples counted", true, true},
        // The same count twice in a row: a stale or reused query must not stick.
        {"nothing counted again", false, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // A bright glow, which an unconditional bloom would always spread.
        paintGlow(24, 24, 16);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Target.m_Fbo);
        // Nothing in front yet: where the Sun draws, it passes.
        const float far = 1.0f;
        glDepthMask(GL_TRUE);
        glClearBufferfv(GL_DEPTH, 0, &far);
        CountedSun sun(bloom, m_Source.m_Textures[1], c.sunDraws);
        bloom.countGlow(sun);
        fillTarget(base);

        bloom.render(m_Target, m_Source);

        // Whether skipped or not, the bloom leaves the same state behind: see DrawStateGLTest.
        const ImageDifference change = compareImages(uniformImage(Size, Size, base), readImage(m_Target));
        if (c.adds)
            EXPECT_GT(change.largest, 0.05f);
        else
            EXPECT_EQ(0u, change.differing) << change.firstFew;
    }
}

TEST_F(BloomGLTest, DrawingOnlyWhereTheGlowCanSpreadChangesNoPixel)
{
    // Large enough that the fine levels' regions are much smaller than the image.
    constexpr int Large = 256;
    Bloom bloom(Large, Large);
    ScopedFramebuffer source(Large, Large, 2);
    ScopedFramebuffer target(Large, Large, 1, {0});
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const auto bloomOnce = [&](int x0, int y0, int side, const ScreenRegion& region) {
        paintGlowSquare(source.m_Framebuffer, x0, y0, side);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.m_Framebuffer.m_Fbo);
        glClearBufferfv(GL_COLOR, 0, black);
        bloom.render(target.m_Framebuffer, source.m_Framebuffer, region);
        return readImage(target.m_Framebuffer);
    };
    const struct
    {
        const char* name;
        int x0;
        int y0;
        int side;
    } spots[] = {{"in the middle", 120, 100, 9}, {"in a corner", 0, 0, 5}, {"on the right edge", 250, 40, 6}};
    for (const auto& spot : spots)
    {
        SCOPED_TRACE(spot.name);
        const float scale = 1.0f / static_cast<float>(Large);
        // The region is the lit square exactly, as the renderer computes it for the Sun.
        const ScreenRegion lit{static_cast<float>(spot.x0) * scale, static_cast<float>(spot.y0) * scale,
                               static_cast<float>(spot.x0 + spot.side) * scale,
                               static_cast<float>(spot.y0 + spot.side) * scale};
        const Image everywhere = bloomOnce(spot.x0, spot.y0, spot.side, ScreenRegion{});
        EXPECT_GT(*std::max_element(everywhere.values.begin(), everywhere.values.end()), 0.0f);
        EXPECT_TRUE(sameImage(everywhere, bloomOnce(spot.x0, spot.y0, spot.side, lit)));
    }
    GLint scissor = GL_TRUE;
    glGetIntegerv(GL_SCISSOR_TEST, &scissor);
    EXPECT_EQ(GL_FALSE, scissor);
}

TEST_F(BloomGLTest, BrightSpotSpreadsIntoASmoothHaloAddedOntoTheTarget)
{
    Bloom bloom(Size, Size);
    const Texel base = {0.1f, 0.1f, 0.1f, 0.5f};
    // An 8 x 8 spot centred on the point (32, 32).
    paintGlow(28, 28, 8);
    fillTarget(base);
    bloom.render(m_Target, m_Source);
    const Image once = readImage(m_Target);

    // Added to, never cleared; and alpha is left alone.
    float lowest = 1e9f;
    float alphaChange = 0.0f;
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
        {
            for (int channel = 0; channel < 3; ++channel)
                lowest = std::min(lowest, once.value(x, y, channel) - base[static_cast<std::size_t>(channel)]);
            alphaChange = std::max(alphaChange, std::abs(once.value(x, y, 3) - base[3]));
        }
    EXPECT_GE(lowest, 0.0f);
    EXPECT_EQ(0.0f, alphaChange);
    // Clearly visible on an 8-bit screen.
    const float peak = once.value(32, 32) - base[0];
    EXPECT_GT(peak, 8.0f / 255.0f);

    // The halo reaches far beyond the spot along both axes, fades outwards without steps and is symmetric.
    for (int d = 0; d < 31; ++d)
    {
        const float right = once.value(32 + d, 32);
        const float left = once.value(31 - d, 32);
        const float up = once.value(32, 32 + d);
        EXPECT_NEAR(right, left, 0.01f) << "offset " << d;
        EXPECT_NEAR(right, up, 0.01f) << "offset " << d;
        EXPECT_GE(right + 1e-3f, once.value(33 + d, 32)) << "offset " << d;
        EXPECT_GE(up + 1e-3f, once.value(32, 33 + d)) << "offset " << d;
    }
    EXPECT_GT(once.value(32 + 16, 32) - base[0], 0.02f * peak);
    EXPECT_GT(once.value(32, 32 + 16) - base[0], 0.02f * peak);

    // A second pass in the same frame adds the same glow again: the levels do not accumulate.
    bloom.render(m_Target, m_Source);
    const Image twice = readImage(m_Target);
    for (const auto& [x, y] : {std::pair{32, 32}, std::pair{40, 32}, std::pair{32, 50}})
        EXPECT_NEAR(2.0f * (once.value(x, y) - base[0]), twice.value(x, y) - base[0], 1e-4f) << x << ", " << y;
}

TEST_F(BloomGLTest, HaloKeepsItsBrightnessAsTheSpotMovesPixelByPixel)
{
    // Large enough that the coarse levels are more than a few texels wide.
    constexpr int Large = 256;
    Bloom bloom(Large, Large);
    ScopedFramebuffer source(Large, Large, 2);
    ScopedFramebuffer target(Large, Large, 1, {0});
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // Taps that skipped texels would let a small Sun flicker as it crosses them.
    std::vector<double> totals;
    for (int x = 112; x < 120; ++x)
    {
        paintGlowSquare(source.m_Framebuffer, x, 120, 16);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.m_Framebuffer.m_Fbo);
        glClearBufferfv(GL_COLOR, 0, black);
        bloom.render(target.m_Framebuffer, source.m_Framebuffer);

        const Image image = readImage(target.m_Framebuffer);
        double total = 0.0;
        for (std::size_t i = 0; i < image.values.size(); i += 4)
            total += image.values[i];
        totals.push_back(total);
    }
    const auto [lowest, highest] = std::minmax_element(totals.begin(), totals.end());
    EXPECT_GT(*lowest, 0.0);
    EXPECT_LT(*highest / *lowest, 1.08) << "from " << *lowest << " to " << *highest;
}

} // namespace
