// The fixed-function state of every draw of a frame, in one table: each draw sets what it needs
// whatever it is handed, leaves it so (or undoes what it only needed during the draw) and unbinds its
// program and vertex array; each stand-in for a skipped draw leaves exactly what the draw leaves. A second
// table: what each pass of a frame leaves for the next.
#include "Atmosphere.h"
#include "Bloom.h"
#include "Camera.h"
#include "Earth.h"
#include "FakeBody.h"
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

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace
{

// What a draw leaves of one setting: on, off, or as it found it.
enum class Leaves
{
    On,
    Off,
    Kept,
};

// For the front face and the blend function: nothing said, or as the draw found it.
constexpr GLenum Unchecked = 0;
constexpr GLenum AsFound = 0xffffffffu;

// The draw framebuffer and viewport: as found, or the target the draw was handed, whole.
enum class Target
{
    Kept,
    Own,
};

// What a draw leaves bound on the texture units.
enum class Textures
{
    Any,
    NoneOnTheActiveUnit,
    NoneOnUnitZeroWhichIsActive,
    NoCubeMap,
};

// What each pass leaves for the next, in a frame drawn in full.
const struct
{
    const char* name;
    Renderer::Pass pass;
    bool depthTest;
    bool depthWrites;
    bool culling;
    bool blending;
    GLenum frontFace;
} PassEnds[] = {
    // As stage 3 drew; stages 0 to 2 set the same.
    {"atmosphere stages", Renderer::Pass::AtmosphereStages, false, false, true, false, Unchecked},
    {"Earth-data copy", Renderer::Pass::EarthDataCopy, true, true, false, false, Unchecked},
    {"atmosphere over the scene", Renderer::Pass::AtmosphereOverScene, true, true, true, false, GL_CCW},
};

constexpr int Size = 48;

// Two starting states, each the opposite of the other: whatever a draw needs, one of them lacks it.
struct Start
{
    bool on;
    GLenum frontFace;
    GLenum cullFace;
    GLenum blendDestination;
    std::array<GLint, 4> viewport;
    GLenum activeTexture;
};
constexpr Start Starts[] = {{true, GL_CW, GL_FRONT, GL_ONE, {0, 0, 7, 9}, GL_TEXTURE2},
                            {false, GL_CCW, GL_BACK, GL_ZERO, {1, 2, 30, 20}, GL_TEXTURE0}};

bool expected(Leaves leaves, bool before)
{
    return leaves == Leaves::Kept ? before : leaves == Leaves::On;
}

GLint expected(GLenum value, GLenum before)
{
    return static_cast<GLint>(value == AsFound ? before : value);
}

class DrawStateGLTest : public GLTest
{
protected:
    // The application's scene, built once. From beside the Earth towards the Sun, which then glows in the
    // middle of the frame.
    static void SetUpTestSuite()
    {
        const GLState::Guard guard;
        s_pScene = std::make_unique<Scene>(makeScene(s_Keys, Size, Size, 0.5f, 0.1f));
        advanceScene(*s_pScene, 0.0f, 1, false);
        holdCamera(*s_pScene->camera, s_pScene->sun.get(), 30.0f, glm::pi<float>());
    }

    static void TearDownTestSuite() { s_pScene.reset(); }

    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_TRUE(s_pScene) << "the scene could not be built";
    }

    // The start also binds a target of its own, and textures on unit 0 and on the unit it makes active.
    void apply(const Start& start)
    {
        GLState::setEnabled(GL_DEPTH_TEST, start.on);
        glDepthMask(start.on ? GL_TRUE : GL_FALSE);
        GLState::setEnabled(GL_CULL_FACE, start.on);
        glFrontFace(start.frontFace);
        glCullFace(start.cullFace);
        GLState::setEnabled(GL_BLEND, start.on);
        glBlendFunc(GL_ONE, start.blendDestination);
        GLState::setEnabled(GL_TEXTURE_CUBE_MAP_SEAMLESS, start.on);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, start.on ? m_Elsewhere.m_Framebuffer.m_Fbo : 0);
        glViewport(start.viewport[0], start.viewport[1], start.viewport[2], start.viewport[3]);
        for (const GLenum unit : {static_cast<GLenum>(GL_TEXTURE0), start.activeTexture})
        {
            glActiveTexture(unit);
            glBindTexture(GL_TEXTURE_2D, start.on ? m_Bound.m_Framebuffer.m_Textures[0] : 0);
        }
    }

    static inline KeyTable s_Keys{};
    static inline std::unique_ptr<Scene> s_pScene;
    // What the bloom and the flare are handed to draw on.
    ScopedFramebuffer m_Canvas{Size, Size, 1, {0}};
    ScopedFramebuffer m_Elsewhere{Size, Size, 1};
    ScopedFramebuffer m_Bound{1, 1, 1};
};

TEST_F(DrawStateGLTest, EveryDrawSetsAndLeavesItsOwnStateAndItsStandInLeavesTheSame)
{
    Scene& scene = *s_pScene;
    Renderer::Renderer renderer(Size, Size);
    renderer.render(scene);
    Resource::Atmosphere& atmosphere = *scene.atmosphere;
    atmosphere.setFramebuffer(renderer.m_AtmosphereFramebuffer);
    const glm::mat4 view = scene.camera->getViewMatrix();
    const glm::mat4 projection = scene.camera->getProjectionMatrix();
    for (Resource::IModel* body :
         std::initializer_list<Resource::IModel*>{scene.sun.get(), scene.moon.get(), scene.earth.get(), &atmosphere})
    {
        body->setMatrices(view, projection);
        body->setLightPosition(scene.sun->getPosition());
    }
    scene.skyBox->setViewProjection(view, projection);
    // A bloom whose count passed no sample, for the bloom's stand-in.
    Bloom skippedBloom(Size, Size);
    FakeBody nothing(glm::vec4(0.0f));
    skippedBloom.countGlow(nothing);
    Framebuffer& canvas = m_Canvas.m_Framebuffer;
    ASSERT_FALSE(isEmpty(findWhatIsSeen(sightOf(scene, Size, Size)).glowRegion))
        << "the Sun must glow for the bloom and the flare to draw";

    const auto stage = [&](int number) {
        return [&, number] {
            atmosphere.m_Stage = number;
            atmosphere.render();
        };
    };
    const auto afterStage = [](int number) { return [number] { Resource::Atmosphere::setStateAfterDraw(number); }; };
    const std::function<void()> none;

    const struct
    {
        const char* name;
        std::function<void()> draw;
        Leaves depthTest;
        Leaves depthWrites;
        Leaves culling;
        // With the back face culled.
        GLenum frontFace;
        Leaves blending;
        GLenum blendSource;
        GLenum blendDestination;
        std::function<void()> standIn;
        Textures textures = Textures::Any;
        Target target = Target::Kept;
        Leaves seamless = Leaves::Kept;
    } draws[] = {
        {"sky box", [&] { scene.skyBox->draw(); }, Leaves::Kept, Leaves::On, Leaves::Off, Unchecked, Leaves::Kept,
         Unchecked, Unchecked, none, Textures::NoCubeMap, Target::Kept, Leaves::On},
        {"Sun", [&] { scene.sun->render(); }, Leaves::On, Leaves::On, Leaves::On, GL_CCW, Leaves::Kept, Unchecked,
         Unchecked, none},
        {"Moon", [&] { scene.moon->render(); }, Leaves::On, Leaves::On, Leaves::On, GL_CCW, Leaves::Kept, Unchecked,
         Unchecked, none},
        {"Earth", [&] { scene.earth->render(); }, Leaves::On, Leaves::On, Leaves::Off, Unchecked, Leaves::Kept,
         Unchecked, Unchecked, [] { Resource::Earth::setStateAfterDraw(); }},
        {"the glow count", [&] { renderer.m_Bloom.countGlow(*scene.sun); }, Leaves::On, Leaves::On, Leaves::On, GL_CCW,
         Leaves::Kept, Unchecked, Unchecked, none},
        {"atmosphere stage 0", stage(Resource::ShellFrontStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CCW,
         Leaves::Kept, Unchecked, Unchecked, afterStage(Resource::ShellFrontStage)},
        {"atmosphere stage 1", stage(Resource::ShellBackStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CW,
         Leaves::Kept, Unchecked, Unchecked, afterStage(Resource::ShellBackStage)},
        {"atmosphere stage 2", stage(Resource::ShadowFrontStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CCW,
         Leaves::Kept, Unchecked, Unchecked, afterStage(Resource::ShadowFrontStage)},
        {"atmosphere stage 3", stage(Resource::ShadowBackStage), Leaves::Off, Leaves::Off, Leaves::On, GL_CW,
         Leaves::Kept, Unchecked, Unchecked, afterStage(Resource::ShadowBackStage)},
        {"atmosphere over the scene", stage(Resource::OverSceneStage), Leaves::On, Leaves::On, Leaves::On, GL_CCW,
         Leaves::Off, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, afterStage(Resource::OverSceneStage)},
        // Stages outside the table draw nothing and change nothing.
        {"atmosphere stage -1", stage(-1), Leaves::Kept, Leaves::Kept, Leaves::Kept, AsFound, Leaves::Kept, AsFound,
         AsFound, none},
        {"atmosphere stage 6", stage(6), Leaves::Kept, Leaves::Kept, Leaves::Kept, AsFound, Leaves::Kept, AsFound,
         AsFound, none},
        {"a copy through the quad", [&] { renderer.m_QuadRenderer.draw(renderer.m_SceneFramebuffer.m_Textures[2], 0); },
         Leaves::Kept, Leaves::Kept, Leaves::Off, Unchecked, Leaves::Kept, Unchecked, Unchecked,
         [] { Renderer::QuadRenderer::setStateAfterDraw(); }, Textures::NoneOnUnitZeroWhichIsActive},
        // Clearing its levels switches depth writes on. Its stand-in is a bloom whose count passed no sample.
        {"bloom", [&] { renderer.m_Bloom.render(canvas, renderer.m_SceneFramebuffer); }, Leaves::On, Leaves::On,
         Leaves::Off, Unchecked, Leaves::Off, GL_ONE, GL_ONE,
         [&] { skippedBloom.render(canvas, renderer.m_SceneFramebuffer); }, Textures::NoneOnTheActiveUnit, Target::Own},
        {"lens flare", [&] { renderer.m_LenseFlare.render(canvas, renderer.m_SceneFramebuffer, *scene.sun, scene); },
         Leaves::On, Leaves::Kept, Leaves::Off, Unchecked, Leaves::Off, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, none,
         Textures::NoneOnTheActiveUnit, Target::Own},
    };
    for (const auto& d : draws)
        for (const Start& start : Starts)
        {
            SCOPED_TRACE(testing::Message() << d.name << ", starting with everything " << (start.on ? "on" : "off"));
            apply(start);
            d.draw();
            GLState::Snapshot after = GLState::capture();
            EXPECT_EQ(expected(d.depthTest, start.on), after["depth test"] == GL_TRUE);
            EXPECT_EQ(expected(d.depthWrites, start.on), after["depth writes"] == GL_TRUE);
            EXPECT_EQ(GL_LESS, after["depth function"]);
            EXPECT_EQ(GL_TRUE, after["colour writes"]);
            EXPECT_EQ(expected(d.culling, start.on), after["face culling"] == GL_TRUE);
            if (d.frontFace != Unchecked)
            {
                EXPECT_EQ(expected(d.frontFace, start.frontFace), after["front face"]);
                EXPECT_EQ(expected(d.frontFace == AsFound ? AsFound : GL_BACK, start.cullFace), after["culled face"]);
            }
            EXPECT_EQ(expected(d.blending, start.on), after["blending"] == GL_TRUE);
            if (d.blendSource != Unchecked)
            {
                EXPECT_EQ(expected(d.blendSource, GL_ONE), after["blend source"]);
                EXPECT_EQ(expected(d.blendDestination, start.blendDestination), after["blend destination"]);
                EXPECT_EQ(GL_FUNC_ADD, after["blend equation"]);
            }
            EXPECT_EQ(expected(d.seamless, start.on), after["seamless cube maps"] == GL_TRUE);
            const bool own = d.target == Target::Own;
            const GLuint found = start.on ? m_Elsewhere.m_Framebuffer.m_Fbo : 0;
            EXPECT_EQ(static_cast<GLint>(own ? canvas.m_Fbo : found), after["draw framebuffer"]);
            const std::array<GLint, 4> viewport = own ? std::array<GLint, 4>{0, 0, Size, Size} : start.viewport;
            for (std::size_t i = 0; i < viewport.size(); ++i)
                EXPECT_EQ(viewport[i], after["viewport " + std::to_string(i)]) << "viewport " << i;
            if (d.textures == Textures::NoneOnUnitZeroWhichIsActive)
            {
                EXPECT_EQ(GL_TEXTURE0, after["active texture"]);
            }
            if (d.textures == Textures::NoneOnUnitZeroWhichIsActive || d.textures == Textures::NoneOnTheActiveUnit)
            {
                EXPECT_EQ(0, after["texture"]);
            }
            if (d.textures == Textures::NoCubeMap)
            {
                EXPECT_EQ(0, after["cube map"]);
            }
            EXPECT_EQ(0, after["program"]);
            EXPECT_EQ(0, after["vertex array"]);

            if (d.standIn)
            {
                apply(start);
                d.standIn();
                GLState::Snapshot replaced = GLState::capture();
                // The stand-in binds nothing, and the blend function is only the draw's while it blends.
                for (const char* setting : {"depth test", "depth writes", "face culling", "front face", "culled face",
                                            "blending", "depth function", "colour writes", "draw framebuffer"})
                    EXPECT_EQ(after[setting], replaced[setting]) << "the stand-in's " << setting;
            }
        }
}

TEST_F(DrawStateGLTest, EachPassLeavesWhatTheNextExpects)
{
    struct Observer final : Renderer::PassObserver
    {
        void beginPass(Renderer::Pass) override {}
        void endPass(Renderer::Pass pass) override { ends[static_cast<std::size_t>(pass)] = GLState::capture(); }
        std::array<std::optional<GLState::Snapshot>, Renderer::PassCount> ends{};
    } observer;
    Renderer::Renderer renderer(Size, Size, {&observer, false});
    renderer.render(*s_pScene);

    for (const auto& p : PassEnds)
    {
        SCOPED_TRACE(p.name);
        const std::optional<GLState::Snapshot>& after = observer.ends[static_cast<std::size_t>(p.pass)];
        ASSERT_TRUE(after) << "the pass was not reported";
        EXPECT_EQ(p.depthTest, after->at("depth test") == GL_TRUE);
        EXPECT_EQ(p.depthWrites, after->at("depth writes") == GL_TRUE);
        EXPECT_EQ(p.culling, after->at("face culling") == GL_TRUE);
        EXPECT_EQ(p.blending, after->at("blending") == GL_TRUE);
        if (p.frontFace != Unchecked)
        {
            EXPECT_EQ(static_cast<GLint>(p.frontFace), after->at("front face"));
        }
    }
}

} // namespace
