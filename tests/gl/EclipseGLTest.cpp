// Eclipses as the renderer draws them at the tour's times: the Moon in the Earth's shadow, the Moon's
// shadow on the Earth, and the frames that skip the eclipse's work equal to those that do it.
#include "Camera.h"
#include "CameraAnimation.h"
#include "GLContext.h"
#include "GLObjects.h"
#include "GLState.h"
#include "Keys.h"
#include "Renderer.h"
#include "Earth.h"
#include "Moon.h"
#include "Scene.h"
#include "Sun.h"

#include <glm/gtc/constants.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cmath>
#include <memory>
#include <vector>

namespace
{

constexpr int Size = 64;

class EclipseGLTest : public GLTest
{
protected:
    static void SetUpTestSuite()
    {
        s_pScene = std::make_unique<Scene>(makeScene(s_Keys, Size, Size, 0.5f, 0.1f));
        s_Time = 0.0f;
        s_Frame = 0;
    }

    static void TearDownTestSuite() { s_pScene.reset(); }

    // The bodies where the tour has them at `seconds`; times only go forward.
    static void moveTo(float seconds)
    {
        ASSERT_GE(seconds, s_Time);
        advanceScene(*s_pScene, seconds - s_Time, ++s_Frame, false);
        s_Time = seconds;
    }

    static glm::vec3 place(Resource::IModel& body) { return glm::vec3(body.getPosition()); }

    // The camera `distance` from `body`, looking along `direction` in the orbits' plane.
    static void lookAt(Resource::IModel& body, float distance, const glm::vec3& direction)
    {
        s_pScene->camera->setAnimation(Camera::makeHold(&body, distance, std::atan2(direction.y, direction.x)));
        s_pScene->camera->update(0.0f);
    }

    // The scene target's colour after the renderer's passes: the scene with its air, before the effects.
    static std::vector<float> rendered(Renderer::Renderer& renderer)
    {
        renderer.render(*s_pScene);
        return readColour(renderer.m_SceneFramebuffer, 0);
    }

    // The same after a second frame at the same time, as the frame loop draws one after another: under a
    // heavy load the first frame after a jump of seconds was seen, now and then, to show the Moon without
    // its eclipse, and the next one with it.
    static std::vector<float> settled(Renderer::Renderer& renderer)
    {
        renderer.render(*s_pScene);
        return rendered(renderer);
    }

    // The mean colour of the texels round a world point's pixel.
    static glm::vec3 meanAround(const std::vector<float>& image, const glm::vec3& world, int halfSide)
    {
        const glm::vec4 clip =
            s_pScene->camera->getProjectionMatrix() * s_pScene->camera->getViewMatrix() * glm::vec4(world, 1.0f);
        const glm::ivec2 pixel(glm::floor((glm::vec2(clip) / clip.w * 0.5f + 0.5f) * static_cast<float>(Size)));
        glm::vec3 sum(0.0f);
        int count = 0;
        for (int y = pixel.y - halfSide; y <= pixel.y + halfSide; ++y)
            for (int x = pixel.x - halfSide; x <= pixel.x + halfSide; ++x)
            {
                const std::size_t at = (static_cast<std::size_t>(y) * Size + static_cast<std::size_t>(x)) * 4;
                sum += glm::vec3(image[at], image[at + 1], image[at + 2]);
                ++count;
            }
        return sum / static_cast<float>(count);
    }

    static inline KeyTable s_Keys{};
    static inline std::unique_ptr<Scene> s_pScene;
    static inline float s_Time = 0.0f;
    static inline int s_Frame = 0;
    GLState::Guard m_Guard;
};

TEST_F(EclipseGLTest, TheMoonTurnsDarkCopperInTheEarthsShadowAndTheEarthDarkUnderTheMoons)
{
    Renderer::Renderer renderer(Size, Size);
    Scene& scene = *s_pScene;
    const auto sum = [](const glm::vec3& colour) { return colour.r + colour.g + colour.b; };

    // The Moon's sunlit face, from between it and the Sun: full at 12 s, in totality at 16.76 s.
    const auto moonFace = [&](float seconds) {
        moveTo(seconds);
        lookAt(*scene.moon, 0.8f, place(*scene.moon) - place(*scene.sun));
        return meanAround(settled(renderer), place(*scene.moon), 4);
    };
    const glm::vec3 full = moonFace(12.0f);
    const glm::vec3 totality = moonFace(16.76f);
    EXPECT_GT(sum(full), 10.0f * sum(totality)) << "full " << full.r << " " << full.g << " " << full.b
                                                << ", totality " << totality.r << " " << totality.g << " "
                                                << totality.b;
    EXPECT_GT(totality.r, totality.g);
    EXPECT_GT(totality.r, totality.b);
    EXPECT_GT(totality.r, 2.0f / 255.0f) << "the disc stays readable";

    // The Earth's day side at 8.38 s, with the Moon between it and the Sun: under the Moon's shadow and
    // 35 degrees of longitude beside it, towards the eye.
    moveTo(8.38f + 16.76f);
    const glm::vec3 earth = place(*scene.earth);
    const glm::vec3 toSun = glm::normalize(place(*scene.sun) - earth);
    lookAt(*scene.earth, 4.0f, glm::angleAxis(glm::radians(20.0f), glm::vec3(0.0f, 0.0f, 1.0f)) * -toSun);
    // Where the line from the Sun through the Moon meets the ground.
    const glm::vec3 axis = glm::normalize(place(*scene.moon) - place(*scene.sun));
    const float along = glm::dot(earth - place(*scene.sun), axis);
    const float off = glm::length(earth - place(*scene.sun) - along * axis);
    const glm::vec3 shadowCentre = place(*scene.sun) + axis * (along - std::sqrt(1.0f - off * off));
    const glm::vec3 beside =
        earth + glm::angleAxis(glm::radians(-35.0f), glm::vec3(0.0f, 0.0f, 1.0f)) * (shadowCentre - earth);
    const std::vector<float> image = settled(renderer);
    const glm::vec3 inShadow = meanAround(image, shadowCentre, 1);
    const glm::vec3 lit = meanAround(image, beside, 1);
    EXPECT_LT(sum(inShadow), 0.2f * sum(lit)) << "in the shadow " << inShadow.r << " " << inShadow.g << " "
                                              << inShadow.b << ", beside it " << lit.r << " " << lit.g << " "
                                              << lit.b;
}

TEST_F(EclipseGLTest, SkippingTheEclipsesWorkWhereNoShadowReachesChangesNoPixel)
{
    Renderer::Renderer skipping(Size, Size);
    Renderer::Renderer full(Size, Size, {nullptr, false});
    Scene& scene = *s_pScene;
    moveTo(60.0f);
    // Through a lunar and a solar eclipse and the times between, the Moon and the Earth from their
    // sunlit and their night sides.
    int frames = 0;
    for (float seconds = 60.0f; seconds < 60.0f + 16.76f; seconds += 0.5f)
    {
        moveTo(seconds);
        const glm::vec3 fromSun = glm::normalize(place(*scene.earth) - place(*scene.sun));
        for (Resource::IModel* body : {static_cast<Resource::IModel*>(scene.moon.get()),
                                       static_cast<Resource::IModel*>(scene.earth.get())})
            for (const float turn : {0.0f, 0.6f, glm::pi<float>()})
            {
                SCOPED_TRACE(testing::Message() << seconds << " s, turned " << turn);
                const float distance = body == scene.moon.get() ? 0.8f : 4.0f;
                lookAt(*body, distance, glm::angleAxis(turn, glm::vec3(0.0f, 0.0f, 1.0f)) * fromSun);
                const std::vector<float> withSkipping = rendered(skipping);
                const std::vector<float> whole = rendered(full);
                std::size_t differing = 0;
                for (std::size_t i = 0; i < whole.size(); ++i)
                    differing += whole[i] != withSkipping[i] ? 1 : 0;
                EXPECT_EQ(0u, differing);
                ++frames;
            }
    }
    EXPECT_GT(frames, 200);
}

} // namespace
