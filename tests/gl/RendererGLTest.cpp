// The frame renderer with the real scene: where each body's data lands and the state a frame leaves.
#include "Atmosphere.h"
#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "GLContext.h"
#include "GLObjects.h"
#include "GLState.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"
#include "Visibility.h"

#include <glm/gtc/constants.hpp>

#include <array>
#include <cmath>
#include <cstring>
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
        m_pGuard = std::make_unique<GLState::Guard>();
    }

    void TearDown() override
    {
        m_pGuard.reset();
        GLTest::TearDown();
    }

    // Holds `camera` `distance` from `body`, looking at it along the horizontal `angle`.
    static void lookAt(Camera::Camera& camera, Resource::IModel* body, float distance, float angle)
    {
        camera.setAnimation(Camera::makeHold(body, distance, angle));
        camera.update(0.0f);
    }

    static void lookAt(Resource::IModel* body, float distance, float angle)
    {
        lookAt(*s_pScene->camera, body, distance, angle);
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
    std::unique_ptr<GLState::Guard> m_pGuard;
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

        int differing = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
            {
                const std::array<float, 4> window = readPixel(0, 0, x, y);
                const bool inside = x < size.width && y < size.height;
                const std::array<float, 4> expected =
                    inside ? readPixel(renderer.m_SceneFramebuffer.m_Fbo, 0, x, y) : std::array<float, 4>{};
                for (int c = 0; c < 3; ++c)
                    differing += std::abs(window[static_cast<std::size_t>(c)] - expected[static_cast<std::size_t>(c)]) >
                                         0.5f / 255.0f
                                     ? 1
                                     : 0;
            }
        EXPECT_EQ(0, differing);
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
        float brightest = 0.0f;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
            {
                const std::array<float, 4> glow = scenePixel(1, {x, y});
                brightest = std::max({brightest, glow[0], glow[1], glow[2]});
            }
        EXPECT_EQ(c.glows, brightest > 0.0f) << "brightest glow " << brightest;
    }
}

TEST_F(RendererGLTest, BloomWithinTheSunsRegionEqualsABloomOfTheWholeImage)
{
    // Large enough for the fine levels' regions to be much smaller than the image.
    constexpr int Large = 320;
    constexpr int Tall = 256;
    Renderer::Renderer renderer(Large, Tall);
    Camera::Camera camera(s_Keys, Large, Tall, 0.5f, 0.1f);
    Framebuffer target = makeFramebuffer(Large, Tall, 1, {0});
    const auto bloomed = [&](const ScreenRegion& region) {
        const float base[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.m_Fbo);
        glClearBufferfv(GL_COLOR, 0, base);
        renderer.m_Bloom.render(target, renderer.m_SceneFramebuffer, region);
        return readColour(target);
    };

    // From beside the Earth, turning round it: the Sun in the middle, at the edges, partly off the
    // screen, behind the eye.
    int glowing = 0;
    for (int step = 0; step < 12; ++step)
    {
        const float angle = glm::two_pi<float>() * static_cast<float>(step) / 12.0f;
        SCOPED_TRACE(testing::Message() << "angle " << angle);
        lookAt(camera, s_pScene->earth.get(), 30.0f, angle);
        Scene frame = *s_pScene;
        frame.camera = std::shared_ptr<Camera::Camera>(&camera, [](Camera::Camera*) {});
        renderer.render(frame);

        const std::vector<float> withinRegion = bloomed(seen(frame, Large, Tall).glowRegion);
        const std::vector<float> wholeImage = bloomed(ScreenRegion{});
        std::size_t differing = 0;
        bool lit = false;
        for (std::size_t i = 0; i < wholeImage.size(); ++i)
        {
            differing += wholeImage[i] != withinRegion[i] ? 1 : 0;
            lit = lit || wholeImage[i] > 0.31f;
        }
        EXPECT_EQ(0u, differing);
        glowing += lit ? 1 : 0;
    }
    EXPECT_GE(glowing, 2) << "too few of the views show the Sun's glow to tell anything";
}

TEST_F(RendererGLTest, SkippingWhatIsNotSeenChangesNoPixelOfTheFullFrame)
{
    constexpr int Large = 320;
    constexpr int Tall = 256;
    Renderer::Renderer skipping(Large, Tall);
    Renderer::Renderer full(Large, Tall, {nullptr, false});
    // A scene of its own, whose bodies move round their orbits between the poses.
    Scene frame = makeScene(s_Keys, Large, Tall, 0.5f, 0.1f);
    int frameNumber = 1;
    advanceScene(frame, 0.0f, frameNumber, false);

    // Every attachment and depth of both targets set to values no clear leaves, which must not show
    // through where the skipping renderer clears less.
    const auto spoil = [](Renderer::Renderer& renderer) {
        const float colour[4] = {0.25f, 0.5f, 7.0f, 0.75f};
        const float depth = 0.0f;
        for (Framebuffer* target : {&renderer.m_SceneFramebuffer, &renderer.m_AtmosphereFramebuffer})
        {
            target->bind(false, colour);
            for (GLint attachment = 0; attachment < target->m_NumTextures; ++attachment)
                glClearBufferfv(GL_COLOR, attachment, colour);
            glDepthMask(GL_TRUE);
            glClearBufferfv(GL_DEPTH, 0, &depth);
        }
    };
    // What the later passes read: the scene's colour and glow.
    const auto image = [](Renderer::Renderer& renderer) {
        std::vector<float> pixels = readColour(renderer.m_SceneFramebuffer, 0);
        const std::vector<float> glow = readColour(renderer.m_SceneFramebuffer, 1);
        pixels.insert(pixels.end(), glow.begin(), glow.end());
        return pixels;
    };

    // The frame as the camera now sees it, drawn with and without skipping; they must not differ.
    const auto compare = [&]() {
        const WhatIsSeen decided = seen(frame, Large, Tall);
        spoil(skipping);
        skipping.render(frame);
        full.render(frame);
        const std::vector<float> withSkipping = image(skipping);
        const std::vector<float> whole = image(full);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < whole.size(); ++i)
            differing += whole[i] != withSkipping[i] ? 1 : 0;
        EXPECT_EQ(0u, differing) << "air region " << decided.airRegion.minX << " " << decided.airRegion.minY << " "
                                 << decided.airRegion.maxX << " " << decided.airRegion.maxY;
        return decided;
    };

    // Round each body from inside its air or just above its surface out to afar: the Earth's shell
    // from inside and from just above (where its far side is drawn instead), partly on the screen,
    // off it and behind the eye; the Sun from 0.098 and 0.1 above its surface, where the near plane
    // cuts a hole into its mesh but not into the sphere its faces enclose, and from farther, each with
    // the Earth a quarter of its orbit on, so that it stands behind the Sun at one of the angles.
    const struct
    {
        Resource::IModel* body;
        std::vector<float> distances;
    } targets[] = {
        {frame.earth.get(), {1.05f, 1.1f, 1.3f, 3.0f, 30.0f}},
        {frame.moon.get(), {0.3f, 1.0f}},
        {frame.sun.get(), {5.098f, 5.1f, 6.0f, 30.0f}},
    };
    constexpr int QuarterTurns = 4;
    constexpr int Angles = 4;
    const float quarterOrbit = Resource::Earth::motion().orbitTime * glm::half_pi<float>();
    int poses = 0;
    int skipped = 0;
    int partial = 0;
    int hidden = 0;
    int bodiesLeftOut = 0;
    int shellCovers = 0;
    for (int quarter = 0; quarter < QuarterTurns; ++quarter)
    {
        for (const auto& target : targets)
            for (const float distance : target.distances)
                for (int step = 0; step < Angles; ++step)
                {
                    const float angle = glm::two_pi<float>() * static_cast<float>(step) / static_cast<float>(Angles);
                    SCOPED_TRACE(testing::Message() << "orbit quarter " << quarter << ", " << distance << " from body "
                                                    << (&target - targets) << ", angle " << angle);
                    lookAt(*frame.camera, target.body, distance, angle);
                    const WhatIsSeen decided = compare();

                    ++poses;
                    const bool earthInView = !isEmpty(sphereScreenRegion(
                        frame.camera->getViewMatrix(), frame.camera->getProjectionMatrix(),
                        glm::vec3(frame.earth->getPosition()), frame.earth->getSize()));
                    hidden += decided.sun && earthInView && !decided.earth ? 1 : 0;
                    shellCovers += !isEmpty(decided.airRegion) && decided.shellCoversItsImages ? 1 : 0;
                    bodiesLeftOut += (decided.sun ? 0 : 1) + (decided.moon ? 0 : 1) + (decided.earth ? 0 : 1);
                    skipped += isEmpty(decided.airRegion) ? 1 : 0;
                    const ScreenRegion& air = decided.airRegion;
                    partial += !isEmpty(air) && (air.maxX - air.minX) * (air.maxY - air.minY) < 0.9f ? 1 : 0;
                }
        ++frameNumber;
        advanceScene(frame, quarterOrbit, frameNumber, false);
    }
    // From the Sun's side of the Earth, where the ground hides the shadow body up to about 11 degrees off
    // the line to the Sun (10.74 at the benchmark's Earth pose) and then no longer.
    const glm::vec3 earthAt(frame.earth->getPosition());
    const float sunSide = std::atan2(earthAt.y, earthAt.x);
    int shadowLeftOut = 0;
    for (const float distance : {2.2f, 5.0f})
        for (const float degrees : {0.0f, 10.0f, 10.74f, 10.9f, 11.6f})
        {
            SCOPED_TRACE(testing::Message() << distance << " from the Earth, " << degrees << " degrees off the Sun");
            lookAt(*frame.camera, frame.earth.get(), distance, sunSide + glm::radians(degrees));
            shadowLeftOut += compare().shadowBody ? 0 : 1;
        }
    EXPECT_GE(shadowLeftOut, 5) << "too few views with the shadow body behind the ground";
    EXPECT_GE(skipped, poses / 4) << "too few views without the shell";
    EXPECT_GE(partial, 10) << "too few views with the shell on part of the screen";
    EXPECT_GE(hidden, 4) << "too few views with the Earth in view behind the Sun";
    EXPECT_GE(bodiesLeftOut, poses / 2) << "too few bodies left out to tell anything";
    EXPECT_GE(shellCovers, 10) << "too few views drawing the shell without clearing its images";
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
