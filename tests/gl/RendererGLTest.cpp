// The frame renderer with the real scene: where each body's data lands and the state a frame leaves.
#include "Atmosphere.h"
#include "Camera.h"
#include "Earth.h"
#include "GLContext.h"
#include "GLKit.h"
#include "GLState.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"
#include "Visibility.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{

// Not the window's 64 x 64, so a viewport left from elsewhere cannot pass for the render size.
constexpr int Width = 48;
constexpr int Height = 40;
constexpr float Infinity = std::numeric_limits<float>::infinity();

struct Probe
{
    int x;
    int y;
};

class RendererGLTest : public GLTest
{
protected:
    // The application's scene, built once: loading the meshes and maps is the slow part.
    static void SetUpTestSuite()
    {
        GLState::Guard guard;
        s_pScene = std::make_unique<Scene>(makeScene(s_Keys, Width, Height, 0.5f, 0.1f));
        // One frame at no elapsed time places the bodies at their starting points:
        // the Sun at the origin, the Earth at (50, 0, 0), the Moon at (52, 0, 0).
        advanceScene(*s_pScene, 0.0f, 1, false);
        s_pRenderer = std::make_unique<Renderer::Renderer>(Width, Height);
    }

    static void TearDownTestSuite()
    {
        s_pRenderer.reset();
        s_pScene.reset();
    }

    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_TRUE(s_pScene && s_pRenderer) << "the scene could not be built";
    }

    static void lookAt(Resource::IModel* body, float distance, float angle)
    {
        holdCamera(*s_pScene->camera, body, distance, angle);
    }

    static WhatIsSeen seen(const Scene& scene, int width, int height)
    {
        return findWhatIsSeen(sightOf(scene, width, height));
    }

    static std::array<float, 4> scenePixel(int attachment, const Probe& at)
    {
        return readPixel(s_pRenderer->m_SceneFramebuffer.m_Fbo, attachment, at.x, at.y);
    }

    static inline KeyTable s_Keys{};
    static inline std::unique_ptr<Scene> s_pScene;
    static inline std::unique_ptr<Renderer::Renderer> s_pRenderer;
};

constexpr Probe Centre{Width / 2, Height / 2};
constexpr Probe Corner{1, 1};

TEST_F(RendererGLTest, EarthDataStaysClearWhereOnlySkySunOrMoonIsSeen)
{
    const struct
    {
        const char* name;
        Resource::IModel* body;
        float distance;
        float angle;
        Probe probe;
        // What the probe must show in the colour and glow attachments, so it is known to hit the body.
        float minColour;
        float minGlow;
    } cases[] = {
        // From (0, -20, 0) towards +y: the Sun fills the middle, the Earth is far off to the side.
        {"Sun", s_pScene->sun.get(), 20.0f, glm::half_pi<float>(), Centre, 0.3f, 0.3f},
        // From the Earth's side of the Moon towards +x: the Earth is behind the eye.
        {"Moon", s_pScene->moon.get(), 0.8f, 0.0f, Centre, 0.02f, 0.0f},
        // The Earth in the middle; the corner sees only stars.
        {"sky beside the Earth", s_pScene->earth.get(), 5.0f, 0.0f, Corner, 0.0f, 0.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        lookAt(c.body, c.distance, c.angle);
        s_pRenderer->render(*s_pScene);

        const std::array<float, 4> colour = scenePixel(0, c.probe);
        const std::array<float, 4> glow = scenePixel(1, c.probe);
        EXPECT_GE(std::max({colour[0], colour[1], colour[2]}), c.minColour) << "the probe misses the body";
        EXPECT_GE(std::max({glow[0], glow[1], glow[2]}), c.minGlow) << "the probe misses the body";

        // The Earth's data, and its copy for the atmosphere, hold the clear value unchanged where the
        // shell may read them; elsewhere nothing reads them.
        const ScreenRegion region = seen(*s_pScene, Width, Height).airRegion;
        const float x = (static_cast<float>(c.probe.x) + 0.5f) / static_cast<float>(Width);
        const float y = (static_cast<float>(c.probe.y) + 0.5f) / static_cast<float>(Height);
        if (x >= region.minX && x <= region.maxX && y >= region.minY && y <= region.maxY)
        {
            EXPECT_EQ((std::array<float, 4>{0.0f, 0.0f, Infinity, 0.0f}), scenePixel(2, c.probe));
            const std::array<float, 4> copied =
                readPixel(s_pRenderer->m_AtmosphereFramebuffer.m_Fbo, 4, c.probe.x, c.probe.y);
            EXPECT_EQ(Infinity, copied[2]);
        }
    }
}

TEST_F(RendererGLTest, EarthWritesItsDataAndTheSkyNoGlow)
{
    lookAt(s_pScene->earth.get(), 3.0f, 0.0f);
    s_pRenderer->render(*s_pScene);

    // The eye is 3 from the centre, so 2 from the nearest point of the surface. The copy for the
    // atmosphere holds the Earth's data before the atmosphere is laid over the scene.
    const std::array<float, 4> earthData =
        readPixel(s_pRenderer->m_AtmosphereFramebuffer.m_Fbo, 4, Centre.x, Centre.y);
    EXPECT_NEAR(2.0f, earthData[2], 0.05f);
    EXPECT_GT(earthData[3], 0.0f);
    const std::array<float, 4> glow = scenePixel(1, Corner);
    EXPECT_EQ(0.0f, std::max({glow[0], glow[1], glow[2]})) << "stars must not glow";
}

TEST_F(RendererGLTest, FrameEndsOnTheWindowWithItsImageAndTheStateTheEffectsExpect)
{
    // State a previous frame's effects may leave, which the frame must not depend on.
    glViewport(0, 0, 7, 9);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);

    lookAt(s_pScene->sun.get(), 20.0f, glm::half_pi<float>());
    s_pRenderer->render(*s_pScene);

    GLint drawFramebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    EXPECT_EQ(0, drawFramebuffer);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ((std::array<GLint, 4>{0, 0, Width, Height}), viewport);
    const struct
    {
        const char* name;
        GLenum capability;
        bool enabled;
    } states[] = {{"face culling", GL_CULL_FACE, false}, {"blending", GL_BLEND, false}, {"depth test", GL_DEPTH_TEST, true}};
    for (const auto& state : states)
        EXPECT_EQ(state.enabled, glIsEnabled(state.capability) == GL_TRUE) << state.name;

    // The window shows the scene's colour: the Sun in the middle, stars in the corner.
    for (const Probe& probe : {Centre, Corner})
    {
        const std::array<float, 4> window = readPixel(0, 0, probe.x, probe.y);
        const std::array<float, 4> colour = scenePixel(0, probe);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(colour[static_cast<std::size_t>(c)], window[static_cast<std::size_t>(c)], 1.0f / 255.0f)
                << "pixel " << probe.x << "," << probe.y << " channel " << c;
    }
}

TEST_F(RendererGLTest, PresentationCoversTheWholeWindowOrClearsWhatItLeaves)
{
    // The tests' window is 64 x 64: a render of that size covers it, a smaller one leaves a margin.
    const struct
    {
        int width;
        int height;
    } sizes[] = {{64, 64}, {Width, Height}};
    lookAt(s_pScene->earth.get(), 3.0f, 0.0f);
    for (const auto& size : sizes)
    {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        Renderer::Renderer renderer(size.width, size.height);
        // What an earlier frame or another program may have left on the window.
        const float magenta[4] = {1.0f, 0.0f, 1.0f, 1.0f};
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClearBufferfv(GL_COLOR, 0, magenta);
        renderer.render(*s_pScene);

        Image expected = uniformImage(64, 64, {0.0f, 0.0f, 0.0f, 0.0f});
        const Image rendered = readImage(renderer.m_SceneFramebuffer);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                expected.set(x, y, rendered.texel(x, y));
        EXPECT_TRUE(sameImage(expected, readImage(0, 0, 0, 0, 64, 64), {0.5f / 255.0f}, 3));
    }
}

TEST_F(RendererGLTest, CountsGlowOnlyWhereSomeOfTheSunIsLeftInFront)
{
    const struct
    {
        const char* name;
        Resource::IModel* body;
        float distance;
        float angle;
        bool glows;
    } cases[] = {
        {"the Sun in the middle", s_pScene->sun.get(), 20.0f, glm::half_pi<float>(), true},
        // From beyond the Moon towards -x: the Moon and the Earth stand in front of the Sun.
        {"the Sun behind the Moon", s_pScene->moon.get(), 0.8f, glm::pi<float>(), false},
        // A frame that counted nothing must not keep the next from counting.
        {"the Sun in the middle again", s_pScene->sun.get(), 20.0f, glm::half_pi<float>(), true},
        // Towards +x from the Earth's night side: the Sun is behind the eye.
        {"the Sun behind the eye", s_pScene->earth.get(), 5.0f, 0.0f, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        lookAt(c.body, c.distance, c.angle);
        s_pRenderer->render(*s_pScene);

        // With none of the Sun on the screen nothing is counted, and the bloom is skipped for its region.
        if (seen(*s_pScene, Width, Height).sun)
        {
            ASSERT_NE(0u, s_pRenderer->m_Bloom.glowQuery());
            GLuint anySample = 2;
            glGetQueryObjectuiv(s_pRenderer->m_Bloom.glowQuery(), GL_QUERY_RESULT, &anySample);
            EXPECT_EQ(c.glows ? GL_TRUE : GL_FALSE, anySample);
        }
        else
        {
            EXPECT_FALSE(c.glows);
            EXPECT_TRUE(isEmpty(seen(*s_pScene, Width, Height).glowRegion));
        }
        // The count agrees with the glow the frame left behind.
        const ImageDifference glow = compareImages(uniformImage(Width, Height, {0.0f, 0.0f, 0.0f, 0.0f}),
                                                   readImage(s_pRenderer->m_SceneFramebuffer, 1), {}, 3);
        EXPECT_EQ(c.glows, glow.largest > 0.0f) << "brightest glow " << glow.largest;
    }
}

TEST_F(RendererGLTest, ZeroRenderSizeFailsWithTheFramebufferError)
{
    const struct
    {
        int width;
        int height;
    } sizes[] = {{0, Height}, {Width, 0}, {0, 0}};
    for (const auto& size : sizes)
    {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        const char* error = nullptr;
        try
        {
            Renderer::Renderer renderer(size.width, size.height);
        }
        catch (const char* thrown)
        {
            error = thrown;
        }
        ASSERT_NE(nullptr, error) << "construction succeeded";
        EXPECT_STREQ("FBO is incomplete!!!", error);
        // The failed target stays bound; the next case and test must start on the window.
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
}

} // namespace
