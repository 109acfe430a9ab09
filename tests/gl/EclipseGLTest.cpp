// Eclipses as the renderer draws them at the tour's times: the Moon in the Earth's shadow and the Moon's
// shadow on the Earth. That the frames which skip the eclipse's work equal those that do it is swept with
// the other skips (RendererSweepGLTest).
#include "Camera.h"
#include "CameraAnimation.h"
#include "GLContext.h"
#include "GLKit.h"
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
        holdCamera(*s_pScene->camera, &body, distance, std::atan2(direction.y, direction.x));
    }

    // The scene target's colour after the renderer's passes: the scene with its air, before the effects.
    // The frame before is finished first, as the frame loop's swap finishes it: under a heavy load Mesa's
    // rasterizer threads, still at work on it, left the next frames' Moon without its eclipse.
    static Image rendered(Renderer::Renderer& renderer)
    {
        glFinish();
        renderer.render(*s_pScene);
        return readImage(renderer.m_SceneFramebuffer, 0);
    }

    // The mean colour of the texels round a world point's pixel.
    static glm::vec3 meanAround(const Image& image, const glm::vec3& world, int halfSide)
    {
        const glm::vec4 clip =
            s_pScene->camera->getProjectionMatrix() * s_pScene->camera->getViewMatrix() * glm::vec4(world, 1.0f);
        const glm::ivec2 pixel(glm::floor((glm::vec2(clip) / clip.w * 0.5f + 0.5f) * static_cast<float>(Size)));
        glm::vec3 sum(0.0f);
        int count = 0;
        for (int y = pixel.y - halfSide; y <= pixel.y + halfSide; ++y)
            for (int x = pixel.x - halfSide; x <= pixel.x + halfSide; ++x)
            {
                const Texel texel = image.texel(x, y);
                sum += glm::vec3(texel[0], texel[1], texel[2]);
                ++count;
            }
        return sum / static_cast<float>(count);
    }

    static inline KeyTable s_Keys{};
    static inline std::unique_ptr<Scene> s_pScene;
    static inline float s_Time = 0.0f;
    static inline int s_Frame = 0;
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
        return meanAround(rendered(renderer), place(*scene.moon), 4);
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
    const Image image = rendered(renderer);
    const glm::vec3 inShadow = meanAround(image, shadowCentre, 1);
    const glm::vec3 lit = meanAround(image, beside, 1);
    EXPECT_LT(sum(inShadow), 0.2f * sum(lit)) << "in the shadow " << inShadow.r << " " << inShadow.g << " "
                                              << inShadow.b << ", beside it " << lit.r << " " << lit.g << " "
                                              << lit.b;
}

} // namespace
