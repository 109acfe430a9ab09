// The fixed-function state of every draw of a frame, in one table: each draw sets what it needs
// whatever it is handed, leaves it so (or undoes what it only needed during the draw) and unbinds its
// program and vertex array; each stand-in for a skipped draw leaves exactly what the draw leaves.
#include "Atmosphere.h"
#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "GLContext.h"
#include "GLState.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"
#include "Visibility.h"

#include <glm/gtc/constants.hpp>

#include <functional>

namespace
{

constexpr int Size = 48;

// What a draw leaves of one setting: on, off, or as it found it.
enum class Leaves
{
    On,
    Off,
    Kept,
};

// Two starting states, each the opposite of the other: whatever a draw needs, one of them lacks it.
struct Start
{
    bool on;
    GLenum frontFace;
    GLenum cullFace;
};
constexpr Start Starts[] = {{true, GL_CW, GL_FRONT}, {false, GL_CCW, GL_BACK}};

void apply(const Start& start)
{
    GLState::setEnabled(GL_DEPTH_TEST, start.on);
    glDepthMask(start.on ? GL_TRUE : GL_FALSE);
    GLState::setEnabled(GL_CULL_FACE, start.on);
    glFrontFace(start.frontFace);
    glCullFace(start.cullFace);
    GLState::setEnabled(GL_BLEND, start.on);
    glBlendFunc(GL_ONE, GL_ZERO);
}

bool expected(Leaves leaves, bool before)
{
    return leaves == Leaves::Kept ? before : leaves == Leaves::On;
}

// Everything the table speaks of, by name, so that a failure says what differs.
GLState::Snapshot drawState()
{
    GLState::Snapshot state;
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    std::array<GLboolean, 4> colourMask{};
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask.data());
    state["depth test"] = glIsEnabled(GL_DEPTH_TEST);
    state["depth writes"] = depthMask;
    state["depth function"] = GLState::integer(GL_DEPTH_FUNC);
    state["colour writes"] = colourMask[0] && colourMask[1] && colourMask[2] && colourMask[3];
    state["face culling"] = glIsEnabled(GL_CULL_FACE);
    state["front face"] = GLState::integer(GL_FRONT_FACE);
    state["culled face"] = GLState::integer(GL_CULL_FACE_MODE);
    state["blending"] = glIsEnabled(GL_BLEND);
    state["blend source"] = GLState::integer(GL_BLEND_SRC_RGB);
    state["blend destination"] = GLState::integer(GL_BLEND_DST_RGB);
    state["blend equation"] = GLState::integer(GL_BLEND_EQUATION_RGB);
    state["program"] = GLState::integer(GL_CURRENT_PROGRAM);
    state["vertex array"] = GLState::integer(GL_VERTEX_ARRAY_BINDING);
    return state;
}

class DrawStateGLTest : public GLTest
{
protected:
    void TearDown() override
    {
        m_Guard.reset();
        GLTest::TearDown();
    }

    std::unique_ptr<GLState::Guard> m_Guard = std::make_unique<GLState::Guard>();
};

TEST_F(DrawStateGLTest, EveryDrawSetsAndLeavesItsOwnStateAndItsStandInLeavesTheSame)
{
    KeyTable keys{};
    Scene scene = makeScene(keys, Size, Size, 0.5f, 0.1f);
    advanceScene(scene, 0.0f, 1, false);
    // From beside the Earth towards the Sun, which then glows in the middle of the frame.
    scene.camera->setAnimation(Camera::makeHold(scene.sun.get(), 30.0f, glm::pi<float>()));
    scene.camera->update(0.0f);
    Renderer::Renderer renderer(Size, Size);
    renderer.render(scene);
    Resource::Atmosphere& atmosphere = *scene.atmosphere;
    atmosphere.setFramebuffer(renderer.m_AtmosphereFramebuffer);
    const glm::mat4 view = scene.camera->getViewMatrix();
    const glm::mat4 projection = scene.camera->getProjectionMatrix();
    for (Resource::IModel* body : std::initializer_list<Resource::IModel*>{scene.sun.get(), scene.moon.get(),
                                                                           scene.earth.get(), &atmosphere})
    {
        body->setMatrices(view, projection);
        body->setLightPosition(scene.sun->getPosition());
    }
    scene.skyBox->setViewProjection(view, projection);
    const auto stage = [&](int number) {
        return [&, number] {
            atmosphere.m_Stage = number;
            atmosphere.render();
        };
    };
    const std::function<void()> none;

    const struct
    {
        const char* name;
        std::function<void()> draw;
        Leaves depthTest;
        Leaves depthWrites;
        Leaves culling;
        // The front face and the culled face where culling is on; 0 where the draw does not set them.
        GLenum frontFace;
        Leaves blending;
        // The blend function where the draw sets it.
        GLenum blendSource;
        GLenum blendDestination;
        std::function<void()> standIn;
    } draws[] = {
        {"sky box", [&] { scene.skyBox->draw(); }, Leaves::Kept, Leaves::On, Leaves::Off, 0, Leaves::Kept, 0, 0,
         none},
        {"Sun", [&] { scene.sun->render(); }, Leaves::On, Leaves::On, Leaves::On, GL_CCW, Leaves::Kept, 0, 0, none},
        {"Moon", [&] { scene.moon->render(); }, Leaves::On, Leaves::On, Leaves::On, GL_CCW, Leaves::Kept, 0, 0,
         none},
        {"Earth", [&] { scene.earth->render(); }, Leaves::On, Leaves::On, Leaves::Off, 0, Leaves::Kept, 0, 0,
         [] { Resource::Earth::setStateAfterDraw(); }},
        {"the glow count", [&] { renderer.m_Bloom.countGlow(*scene.sun); }, Leaves::On, Leaves::On, Leaves::On,
         GL_CCW, Leaves::Kept, 0, 0, none},
        {"atmosphere stage 0", stage(Resource::ShellFrontStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CCW,
         Leaves::Kept, 0, 0, [] { Resource::Atmosphere::setStateAfterDraw(Resource::ShellFrontStage); }},
        {"atmosphere stage 1", stage(Resource::ShellBackStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CW,
         Leaves::Kept, 0, 0, [] { Resource::Atmosphere::setStateAfterDraw(Resource::ShellBackStage); }},
        {"atmosphere stage 2", stage(Resource::ShadowFrontStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CCW,
         Leaves::Kept, 0, 0, [] { Resource::Atmosphere::setStateAfterDraw(Resource::ShadowFrontStage); }},
        {"atmosphere stage 3", stage(Resource::ShadowBackStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CW,
         Leaves::Kept, 0, 0, [] { Resource::Atmosphere::setStateAfterDraw(Resource::ShadowBackStage); }},
        {"atmosphere over the scene", stage(Resource::OverSceneStage), Leaves::On, Leaves::On, Leaves::On, GL_CCW,
         Leaves::Off, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
         [] { Resource::Atmosphere::setStateAfterDraw(Resource::OverSceneStage); }},
        {"a copy through the quad", [&] { renderer.m_QuadRenderer.draw(renderer.m_SceneFramebuffer.m_Textures[2], 0); },
         Leaves::Kept, Leaves::Kept, Leaves::Off, 0, Leaves::Kept, 0, 0,
         [] { Renderer::QuadRenderer::setStateAfterDraw(); }},
        // Clearing its levels switches depth writes on.
        {"bloom", [&] { renderer.m_Bloom.render(renderer.m_ScreenFramebuffer, renderer.m_SceneFramebuffer); },
         Leaves::On, Leaves::On, Leaves::Off, 0, Leaves::Off, GL_ONE, GL_ONE, none},
        {"lens flare",
         [&] {
             renderer.m_LenseFlare.render(renderer.m_ScreenFramebuffer, renderer.m_SceneFramebuffer, *scene.sun,
                                          scene);
         },
         Leaves::On, Leaves::Kept, Leaves::Off, 0, Leaves::Off, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, none},
    };
    ASSERT_FALSE(isEmpty(findWhatIsSeen(sightOf(scene, Size, Size)).glowRegion))
        << "the Sun must glow for the bloom and the flare to draw";
    for (const auto& d : draws)
        for (const Start& start : Starts)
        {
            SCOPED_TRACE(testing::Message() << d.name << ", starting with everything " << (start.on ? "on" : "off"));
            apply(start);
            d.draw();
            GLState::Snapshot after = drawState();
            EXPECT_EQ(expected(d.depthTest, start.on), after["depth test"] == GL_TRUE);
            EXPECT_EQ(expected(d.depthWrites, start.on), after["depth writes"] == GL_TRUE);
            EXPECT_EQ(GL_LESS, after["depth function"]);
            EXPECT_EQ(GL_TRUE, after["colour writes"]);
            EXPECT_EQ(expected(d.culling, start.on), after["face culling"] == GL_TRUE);
            if (d.frontFace != 0)
            {
                EXPECT_EQ(static_cast<GLint>(d.frontFace), after["front face"]);
                EXPECT_EQ(GL_BACK, after["culled face"]);
            }
            EXPECT_EQ(expected(d.blending, start.on), after["blending"] == GL_TRUE);
            if (d.blendSource != 0)
            {
                EXPECT_EQ(static_cast<GLint>(d.blendSource), after["blend source"]);
                EXPECT_EQ(static_cast<GLint>(d.blendDestination), after["blend destination"]);
                EXPECT_EQ(GL_FUNC_ADD, after["blend equation"]);
            }
            EXPECT_EQ(0, after["program"]);
            EXPECT_EQ(0, after["vertex array"]);

            if (d.standIn)
            {
                apply(start);
                d.standIn();
                GLState::Snapshot standIn = drawState();
                // The stand-in binds nothing, and the blend function is only the draw's while it blends.
                for (const char* setting : {"depth test", "depth writes", "face culling", "front face", "culled face",
                                            "blending", "depth function", "colour writes"})
                    EXPECT_EQ(after[setting], standIn[setting]) << "the stand-in's " << setting;
            }
        }
}

} // namespace
