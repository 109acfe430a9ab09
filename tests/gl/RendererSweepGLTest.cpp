// Drawing less for speed against drawing everything, over sweeps of camera poses, must not change a
// pixel: the renderer that leaves out what cannot be seen against the one that draws everything, the
// eclipse's work left out where no penumbra reaches, and the bloom within the Sun's region against the
// bloom of the whole image. Nearly every pose draws the Earth, which under the address sanitizer costs
// Mesa's tessellation hundreds of fresh mappings: scripts/test.sh runs this file from a build without
// sanitizers (tests/CMakeLists.txt).
#include "Camera.h"
#include "Earth.h"
#include "GLContext.h"
#include "GLKit.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "Sun.h"
#include "Visibility.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{

enum class Body
{
    Earth,
    Moon,
    Sun,
};

// Round each body from inside its air or just above its surface out to afar: the Earth's shell from
// inside and from just above (where its far side is drawn instead), partly on the screen, off it and
// behind the eye; the Sun from 0.098 and 0.1 above its surface, where the near plane cuts a hole into its
// mesh but not into the sphere its faces enclose, and from farther. Each at four angles, and again with
// the Earth a quarter of its orbit on, so that it stands behind the Sun at one of the angles.
const struct
{
    Body body;
    std::vector<float> distances;
} Targets[] = {
    {Body::Earth, {1.05f, 1.1f, 1.3f, 3.0f, 30.0f}},
    {Body::Moon, {0.3f, 1.0f}},
    {Body::Sun, {5.098f, 5.1f, 6.0f, 30.0f}},
};
constexpr int QuarterTurns = 4;
constexpr int Angles = 4;
// The bloom's sweep: from beside the Earth, turning round it, the Sun in the middle, at the edges, partly
// off the screen, behind the eye.
constexpr int BloomAngles = 12;

// Large enough for the bloom's fine levels' regions to be much smaller than the image.
constexpr int Width = 320;
constexpr int Height = 256;

// Every attachment and depth of a renderer's targets set to values no clear leaves, which must not show
// through where the skipping renderer clears less.
void spoil(Renderer::Renderer& renderer)
{
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
}

// A frame drawn after the one before has finished, as the frame loop's swap finishes each: under a heavy
// load Mesa's rasterizer threads, still at work on a frame, were seen to leave the next ones' Moon without
// its eclipse.
void frameAfterFrame(Renderer::Renderer& renderer, Scene& scene)
{
    glFinish();
    renderer.render(scene);
}

class RendererSweepGLTest : public GLTest
{
protected:
    KeyTable m_Keys{};
};

TEST_F(RendererSweepGLTest, SkippingWhatIsNotSeenChangesNoPixelOfTheFullFrame)
{
    Renderer::Renderer skipping(Width, Height);
    Renderer::Renderer full(Width, Height, {nullptr, false});
    // The bodies move round their orbits between the quarters.
    Scene frame = makeScene(m_Keys, Width, Height, 0.5f, 0.1f);
    int frameNumber = 1;
    advanceScene(frame, 0.0f, frameNumber, false);
    const auto model = [&](Body body) -> Resource::IModel* {
        switch (body)
        {
        case Body::Earth: return frame.earth.get();
        case Body::Moon: return frame.moon.get();
        case Body::Sun: return frame.sun.get();
        }
        return nullptr;
    };

    // The frame as the camera now sees it, drawn with and without skipping; they must not differ.
    const auto compare = [&]() {
        const WhatIsSeen decided = findWhatIsSeen(sightOf(frame, Width, Height));
        spoil(skipping);
        frameAfterFrame(skipping, frame);
        frameAfterFrame(full, frame);
        for (const int attachment : {0, 1})
            EXPECT_TRUE(sameImage(readImage(full.m_SceneFramebuffer, attachment),
                                  readImage(skipping.m_SceneFramebuffer, attachment)))
                << "attachment " << attachment << ", air region " << decided.airRegion.minX << " "
                << decided.airRegion.minY << " " << decided.airRegion.maxX << " " << decided.airRegion.maxY;
        return decided;
    };

    const float quarterOrbit = Resource::Earth::motion().orbitTime * glm::half_pi<float>();
    int poses = 0;
    int skipped = 0;
    int partial = 0;
    int hidden = 0;
    int bodiesLeftOut = 0;
    int shellCovers = 0;
    for (int quarter = 0; quarter < QuarterTurns; ++quarter)
    {
        for (const auto& target : Targets)
            for (const float distance : target.distances)
                for (int step = 0; step < Angles; ++step)
                {
                    const float angle = glm::two_pi<float>() * static_cast<float>(step) / static_cast<float>(Angles);
                    SCOPED_TRACE(testing::Message() << "orbit quarter " << quarter << ", " << distance << " from body "
                                                    << (&target - Targets) << ", angle " << angle);
                    holdCamera(*frame.camera, model(target.body), distance, angle);
                    const WhatIsSeen decided = compare();

                    ++poses;
                    const bool earthInView =
                        !isEmpty(sphereScreenRegion(frame.camera->getViewMatrix(), frame.camera->getProjectionMatrix(),
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
            holdCamera(*frame.camera, frame.earth.get(), distance, sunSide + glm::radians(degrees));
            shadowLeftOut += compare().shadowBody ? 0 : 1;
        }
    EXPECT_GE(shadowLeftOut, 5) << "too few views with the shadow body behind the ground";
    EXPECT_EQ(176, poses);
    EXPECT_GE(skipped, poses / 4) << "too few views without the shell";
    EXPECT_GE(partial, 10) << "too few views with the shell on part of the screen";
    EXPECT_GE(hidden, 4) << "too few views with the Earth in view behind the Sun";
    EXPECT_GE(bodiesLeftOut, poses / 2) << "too few bodies left out to tell anything";
    EXPECT_GE(shellCovers, 10) << "too few views drawing the shell without clearing its images";
}

TEST_F(RendererSweepGLTest, BloomWithinTheSunsRegionEqualsABloomOfTheWholeImage)
{
    Renderer::Renderer renderer(Width, Height);
    Scene frame = makeScene(m_Keys, Width, Height, 0.5f, 0.1f);
    advanceScene(frame, 0.0f, 1, false);
    ScopedFramebuffer target(Width, Height, 1, {0});
    const auto bloomed = [&](const ScreenRegion& region) {
        const float base[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.m_Framebuffer.m_Fbo);
        glClearBufferfv(GL_COLOR, 0, base);
        renderer.m_Bloom.render(target.m_Framebuffer, renderer.m_SceneFramebuffer, region);
        return readImage(target.m_Framebuffer);
    };

    int glowing = 0;
    for (int step = 0; step < BloomAngles; ++step)
    {
        const float angle = glm::two_pi<float>() * static_cast<float>(step) / static_cast<float>(BloomAngles);
        SCOPED_TRACE(testing::Message() << "angle " << angle);
        holdCamera(*frame.camera, frame.earth.get(), 30.0f, angle);
        renderer.render(frame);

        const Image withinRegion = bloomed(findWhatIsSeen(sightOf(frame, Width, Height)).glowRegion);
        const Image wholeImage = bloomed(ScreenRegion{});
        EXPECT_TRUE(sameImage(wholeImage, withinRegion));
        glowing += *std::max_element(wholeImage.values.begin(), wholeImage.values.end()) > 0.31f ? 1 : 0;
    }
    EXPECT_GE(glowing, 2) << "too few of the views show the Sun's glow to tell anything";
}

TEST_F(RendererSweepGLTest, SkippingTheEclipsesWorkWhereNoShadowReachesChangesNoPixel)
{
    constexpr int Size = 64;
    Renderer::Renderer skipping(Size, Size);
    Renderer::Renderer full(Size, Size, {nullptr, false});
    Scene scene = makeScene(m_Keys, Size, Size, 0.5f, 0.1f);
    int frameNumber = 1;
    advanceScene(scene, 60.0f, frameNumber, false);
    // Through a lunar and a solar eclipse and the times between, every half second, the Moon and the Earth
    // from their sunlit and their night sides.
    int frames = 0;
    for (float seconds = 60.0f; seconds < 60.0f + 16.76f; seconds += 0.5f)
    {
        const glm::vec3 fromSun = glm::normalize(glm::vec3(scene.earth->getPosition() - scene.sun->getPosition()));
        for (Resource::IModel* body : {static_cast<Resource::IModel*>(scene.moon.get()),
                                       static_cast<Resource::IModel*>(scene.earth.get())})
            for (const float turn : {0.0f, 0.6f, glm::pi<float>()})
            {
                SCOPED_TRACE(testing::Message() << seconds << " s, turned " << turn);
                holdCamera(*scene.camera, body, body == scene.moon.get() ? 0.8f : 4.0f,
                           std::atan2(fromSun.y, fromSun.x) + turn);
                frameAfterFrame(skipping, scene);
                frameAfterFrame(full, scene);
                EXPECT_TRUE(sameImage(readImage(full.m_SceneFramebuffer), readImage(skipping.m_SceneFramebuffer)));
                ++frames;
            }
        advanceScene(scene, 0.5f, ++frameNumber, false);
    }
    EXPECT_GT(frames, 200);
}

} // namespace
