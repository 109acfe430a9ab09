// The atmosphere with its own meshes and program: what each stage writes, the state it draws with,
// and the air it lays over a scene, from far, from just above and from inside the shell.
#include "Atmosphere.h"
#include "Camera.h"
#include "Earth.h"
#include "GLContext.h"
#include "GLKit.h"
#include "Keys.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scattering.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtx/string_cast.hpp>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr float Infinity = std::numeric_limits<float>::infinity();
constexpr int Size = 96;
const glm::vec4 AirColor = Resource::AtmosphereColor;
const glm::vec4 EarthPosition(50.0f, 0.0f, 0.0f, 1.0f);
const glm::vec4 SunPosition(0.0f, 0.0f, 0.0f, 1.0f);
constexpr Texel NoSurface{0.0f, 0.0f, Infinity, 0.0f};

// A parent with a place and a size and nothing else.
class Body final : public Resource::Model
{
public:
    Body(const glm::vec4& position, float size)
    {
        m_Position = position;
        m_Size = size;
    }
};

struct View
{
    glm::mat4 view;
    glm::mat4 projection;

    // The pixel whose centre ray passes closest to a world point in front of the eye.
    glm::ivec2 pixelOf(const glm::vec3& world) const
    {
        const glm::vec4 clip = projection * view * glm::vec4(world, 1.0f);
        const glm::vec2 window = (glm::vec2(clip) / clip.w * 0.5f + 0.5f) * static_cast<float>(Size);
        return glm::ivec2(glm::floor(window));
    }
};

// From 20 units on the Earth's -y side, with the Sun on its -x side: day on the left, night on the
// right, the Earth 64 pixels across.
View sideView()
{
    const glm::vec3 earth(EarthPosition);
    return {glm::lookAt(earth + glm::vec3(0.0f, -20.0f, 0.0f), earth, glm::vec3(0.0f, 0.0f, 1.0f)),
            glm::perspective(2.0f * std::atan(1.5f / 20.0f), 1.0f, 0.1f, 100.0f)};
}

class AtmosphereGLTest : public GLTest
{
protected:
    // One atmosphere for the suite, with the program's own meshes: the shell and the shadow body.
    static void SetUpTestSuite()
    {
        s_Atmosphere = std::make_unique<Resource::Atmosphere>(Resource::AtmosphereScale, AirColor);
    }

    static void TearDownTestSuite()
    {
        s_Atmosphere.reset();
    }

    void SetUp() override
    {
        GLTest::SetUp();
        s_Atmosphere->setParent(&m_Earth);
        setView(sideView());
    }

    void setView(const View& view)
    {
        m_View = view;
        s_Atmosphere->setMatrices(view.view, view.projection);
        s_Atmosphere->setLightPosition(SunPosition);
    }

    // The renderer's off-screen steps: all five cleared to "no surface", then stages 0 to 3.
    void drawOffscreenStages()
    {
        m_Images.fill({NoSurface, NoSurface, NoSurface, NoSurface, NoSurface});
        for (int stage = 0; stage < 4; ++stage)
        {
            m_Images.m_Framebuffer.bindTextures({stage});
            s_Atmosphere->m_Stage = stage;
            s_Atmosphere->render();
        }
    }

    // Stage 5 over a scene of one colour with a known glow and Earth data.
    void drawOverScene(float sceneDepth = 1.0f, const Texel& background = Background)
    {
        m_Scene.fill({background, Glow, m_EarthData}, sceneDepth);
        s_Atmosphere->m_Stage = 5;
        s_Atmosphere->setFramebuffer(m_Images.m_Framebuffer);
        s_Atmosphere->render();
    }

    // The light the air adds at a pixel and the share of the scene behind it that it hides, from
    // stage 5 over black and over white.
    struct Air
    {
        Texel light;
        float opacity;
    };

    Air airAt(glm::ivec2 pixel)
    {
        drawOverScene(1.0f, Black);
        const Texel overBlack = m_Scene.pixel(0, pixel);
        drawOverScene(1.0f, White);
        return {overBlack, 1.0f - (m_Scene.pixel(0, pixel)[1] - overBlack[1])};
    }

    float opacityAt(glm::ivec2 pixel) { return airAt(pixel).opacity; }

    // The colour the scattering's plain functions give at a pixel over `background`, from the images
    // as the stages and the test left them.
    Texel expectedAt(glm::ivec2 pixel, const Texel& background)
    {
        const glm::mat4 toWorld = glm::inverse(m_View.projection * m_View.view);
        const glm::vec2 ndc = (glm::vec2(pixel) + 0.5f) / static_cast<float>(Size) * 2.0f - 1.0f;
        const glm::vec4 nearPoint = toWorld * glm::vec4(ndc, -1.0f, 1.0f);
        const glm::vec4 farPoint = toWorld * glm::vec4(ndc, 1.0f, 1.0f);
        const glm::vec3 direction = glm::normalize(glm::vec3(farPoint) / farPoint.w - glm::vec3(nearPoint) / nearPoint.w);
        // In ground radii from the Earth's centre.
        const float ground = m_Earth.getSize();
        const glm::vec3 eye = (glm::vec3(glm::inverse(m_View.view)[3]) - glm::vec3(EarthPosition)) / ground;
        const glm::vec3 toSun = glm::normalize(glm::vec3(SunPosition - EarthPosition));
        const glm::vec3 offAxis = glm::cross(eye, direction);
        const float eyeColumn = Scattering::columnOutward(glm::dot(eye, direction), glm::dot(offAxis, offAxis));
        const Scattering::AirLight air = Scattering::airAlongRay(
            eye, direction, m_Images.pixel(4, pixel)[2] / ground, m_Images.pixel(2, pixel)[2] / ground,
            m_Images.pixel(3, pixel)[2] / ground, s_Atmosphere->getRadius() / ground,
            Scattering::scatteringSource(eye, direction, toSun, AirColor), Scattering::extinction(AirColor), eyeColumn);
        const glm::vec4 drawn = Scattering::blendedAir(air);
        Texel expected{};
        for (int i = 0; i < 3; ++i)
            expected[static_cast<std::size_t>(i)] = drawn[i] * drawn.a + background[static_cast<std::size_t>(i)] * (1.0f - drawn.a);
        expected[3] = background[3];
        return expected;
    }

    // Stage 5 at a pixel, over black and over a grey, against the shaders' own arithmetic run on the CPU.
    void expectAsComputed(glm::ivec2 pixel, const std::string& what)
    {
        for (const Texel& background : {Black, Grey})
        {
            drawOverScene(1.0f, background);
            const Texel drawn = m_Scene.pixel(0, pixel);
            const Texel expected = expectedAt(pixel, background);
            // The same text on both sides: what parts them is the 8-bit target's rounding and the dither
            // (1.5 steps), and the source taken per vertex, which across the limb changes by up to 6 %
            // between the pixel's ray and its triangle's corners.
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(expected[static_cast<std::size_t>(i)], drawn[static_cast<std::size_t>(i)],
                            1.5f / 255.0f + 0.06f * expected[static_cast<std::size_t>(i)])
                    << what << ", channel " << i << " over " << show(background) << ": drawn " << show(drawn)
                    << ", computed " << show(expected);
        }
    }

    // The pixel of the centre row, on the day side past the Earth's disc, where the air is brightest.
    glm::ivec2 brightestDayLimb()
    {
        drawOverScene(1.0f, Black);
        const glm::ivec2 centre = m_View.pixelOf(glm::vec3(EarthPosition));
        glm::ivec2 brightest = centre;
        float light = -1.0f;
        for (int x = 0; x < m_View.pixelOf(glm::vec3(EarthPosition) + glm::vec3(-1.0f, 0.0f, 0.0f)).x; ++x)
        {
            const float green = m_Scene.pixel(0, {x, centre.y})[1];
            if (green > light)
            {
                light = green;
                brightest = {x, centre.y};
            }
        }
        return brightest;
    }

    void overrideImage(int attachment, const Texel& value)
    {
        const float unused[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        m_Images.m_Framebuffer.bind(false, unused);
        glClearBufferfv(GL_COLOR, attachment, value.data());
    }

    static constexpr Texel Background{1.0f, 0.0f, 0.0f, 1.0f};
    static constexpr Texel Black{0.0f, 0.0f, 0.0f, 1.0f};
    static constexpr Texel White{1.0f, 1.0f, 1.0f, 1.0f};
    static constexpr Texel Grey{0.4f, 0.4f, 0.4f, 1.0f};
    static constexpr Texel Glow{0.2f, 0.4f, 0.6f, 0.8f};

    static std::unique_ptr<Resource::Atmosphere> s_Atmosphere;

    Body m_Earth{EarthPosition, 1.0f};
    View m_View;
    ScopedFramebuffer m_Images{Size, Size, 5, {0, 1, 2, 3, 4}};
    ScopedFramebuffer m_Scene{Size, Size, 3, {2}};
    Texel m_EarthData{0.25f, 0.0f, Infinity, 0.0f};
};

std::unique_ptr<Resource::Atmosphere> AtmosphereGLTest::s_Atmosphere;

TEST_F(AtmosphereGLTest, ShellRadiusAndSizeFollowTheParentsSize)
{
    const struct
    {
        float parentSize;
        float radius;
    } cases[] = {{1.0f, 1.075f}, {2.0f, 2.15f}, {0.5f, 0.5375f}};
    for (const auto& c : cases)
    {
        Body parent(EarthPosition, c.parentSize);
        s_Atmosphere->setParent(&parent);
        EXPECT_FLOAT_EQ(c.radius, s_Atmosphere->getRadius()) << "parent size " << c.parentSize;
        EXPECT_FLOAT_EQ(c.radius, s_Atmosphere->getSize()) << "parent size " << c.parentSize;
    }
    s_Atmosphere->setParent(&m_Earth);
}

TEST_F(AtmosphereGLTest, OffscreenStagesWriteTheirFacesDistanceIntoTheirOwnImageOnly)
{
    const glm::vec3 eye = glm::vec3(EarthPosition) + glm::vec3(0.0f, -20.0f, 0.0f);
    const glm::vec3 centre(EarthPosition);
    const glm::vec3 night = centre + glm::vec3(0.5f, 0.0f, 0.0f);
    const glm::vec3 day = centre + glm::vec3(-0.5f, 0.0f, 0.0f);
    // The state each stage draws with is in DrawStateGLTest's table.
    const struct
    {
        int stage;
        glm::vec3 through;
        float expected; // distance of the face hit, +inf where the mesh misses
    } cases[] = {
        {0, centre, 20.0f - 1.075f},
        {1, centre, 20.0f + 1.075f},
        {2, night, glm::distance(eye, night + glm::vec3(0.0f, -1.0f, 0.0f))},
        {3, night, glm::distance(eye, night + glm::vec3(0.0f, 1.0f, 0.0f))},
        {2, day, Infinity},
        {3, day, Infinity},
    };
    for (const auto& c : cases)
    {
        std::vector<Texel> before;
        for (int i = 0; i < 5; ++i)
            before.push_back(i == c.stage ? NoSurface : Texel{10.0f + i, 20.0f + i, 30.0f + i, 1.0f});
        // Depth 0 everywhere: the faces show only if the stage does not test depth.
        m_Images.fill(before, 0.0f);
        m_Images.m_Framebuffer.bindTextures({c.stage});
        s_Atmosphere->m_Stage = c.stage;
        s_Atmosphere->render();

        const std::string what = "stage " + std::to_string(c.stage);

        const glm::ivec2 pixel = m_View.pixelOf(c.through);
        const Texel written = m_Images.pixel(c.stage, pixel);
        if (std::isinf(c.expected))
            EXPECT_TRUE(sameTexel(NoSurface, written)) << what;
        else
            EXPECT_NEAR(c.expected, written[2], 0.02f) << what;
        for (int i = 0; i < 5; ++i)
        {
            if (i == c.stage)
                continue;
            for (const glm::ivec2 p : {pixel, glm::ivec2(Size / 2, Size / 2), glm::ivec2(0, 0)})
                EXPECT_TRUE(sameTexel(before[static_cast<std::size_t>(i)], m_Images.pixel(i, p)))
                    << what << " touched attachment " << i;
        }
        EXPECT_FLOAT_EQ(0.0f, m_Images.depth(pixel)) << what << " wrote depth";
    }
}

// That they change no state is in DrawStateGLTest's table.
TEST_F(AtmosphereGLTest, StagesOutsideTheTableDrawNothing)
{
    const Texel sentinel{1.0f, 2.0f, 3.0f, 4.0f};
    for (const int stage : {-1, 6})
    {
        m_Images.fill({sentinel, sentinel, sentinel, sentinel, sentinel});
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        s_Atmosphere->m_Stage = stage;
        s_Atmosphere->render();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint primitives = 1;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
        glDeleteQueries(1, &query);

        const std::string what = "stage " + std::to_string(stage);
        EXPECT_EQ(0u, primitives) << what;
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(sameTexel(sentinel, m_Images.pixel(i, {Size / 2, Size / 2}))) << what;
    }
}

TEST_F(AtmosphereGLTest, OverTheSceneTheDayLimbGlowsAndTheNightLimbStaysDark)
{
    drawOffscreenStages();
    const glm::ivec2 dayLimb = brightestDayLimb();
    // The state it leaves is in DrawStateGLTest's table.
    drawOverScene();

    const glm::vec3 centre(EarthPosition);
    const glm::ivec2 space = m_View.pixelOf(centre + glm::vec3(-1.25f, 0.0f, 0.0f));
    const glm::ivec2 dayGround = m_View.pixelOf(centre + glm::vec3(-0.5f, 0.0f, 0.0f));
    EXPECT_TRUE(sameTexel(Background, m_Scene.pixel(0, space), {1.0f / 255.0f}));
    for (const glm::ivec2 pixel : {dayLimb, space})
    {
        EXPECT_TRUE(sameTexel(Glow, m_Scene.pixel(1, pixel), {0.5f / 255.0f})) << "glow";
        EXPECT_TRUE(sameTexel(m_EarthData, m_Scene.pixel(2, pixel))) << "Earth data";
    }
    EXPECT_LT(m_Scene.depth(dayLimb), 1.0f) << "the shell writes depth";

    // The day limb: bright, blue or white, and opaque enough to hide what lies behind it.
    const Air day = airAt(dayLimb);
    EXPECT_GT(day.light[1], 0.1f) << show(day.light);
    EXPECT_GE(day.light[2], day.light[0]) << show(day.light);
    EXPECT_GT(day.opacity, 0.3f);
    EXPECT_LE(day.opacity, 1.0f);
    // The night limb, in the shadow, adds no light.
    drawOverScene(1.0f, Black);
    for (int x = m_View.pixelOf(centre + glm::vec3(1.0f, 0.0f, 0.0f)).x; x < Size; ++x)
        EXPECT_LT(m_Scene.pixel(0, {x, dayLimb.y})[1], 2.0f / 255.0f) << "night side, x " << x;
    // Down to the day side's ground a thin haze, even where no Earth was drawn: the air ends at
    // the ground, not at the shell's far side through the planet.
    EXPECT_GT(opacityAt(dayGround), 0.05f);
    EXPECT_LT(opacityAt(dayGround), 0.3f);
    expectAsComputed(dayLimb, "day limb");
    expectAsComputed(dayGround, "day ground");
}

TEST_F(AtmosphereGLTest, OverTheSceneTheEarthAndTheShadowCutTheAirOut)
{
    drawOffscreenStages();
    const glm::ivec2 pixel = brightestDayLimb();
    const float nearSide = m_Images.pixel(0, pixel)[2];
    const float farSide = m_Images.pixel(1, pixel)[2];
    ASSERT_LT(nearSide, farSide);
    const float middle = 0.5f * (nearSide + farSide);
    const Air full = airAt(pixel);
    ASSERT_GT(full.opacity, 0.3f);

    const struct
    {
        const char* name;
        int attachment;
        Texel image;
        float lightShare; // of the whole ray's, at most
        bool keepsOpacity;
    } cases[] = {
        {"Earth just behind the shell's near side", 4, {0.5f, 0.0f, nearSide + 0.01f, 1.0f}, 0.02f, false},
        {"Earth halfway", 4, {0.5f, 0.0f, middle, 1.0f}, 0.95f, false},
        {"shadow from the near side on", 2, {0.0f, 0.0f, nearSide - 0.5f, 1.0f}, 0.02f, true},
        {"shadow from halfway on", 2, {0.0f, 0.0f, middle, 1.0f}, 0.95f, true},
        {"eye inside the shadow, which ends halfway", 3, {0.0f, 0.0f, middle, 1.0f}, 0.6f, true},
    };
    for (const auto& c : cases)
    {
        drawOffscreenStages();
        overrideImage(c.attachment, c.image);
        if (c.attachment == 2)
            overrideImage(3, NoSurface);
        if (c.attachment == 4)
            m_EarthData = c.image;
        const Air cut = airAt(pixel);
        EXPECT_LE(cut.light[1], c.lightShare * full.light[1] + 1.0f / 255.0f) << c.name << ": " << show(cut.light);
        // The shadow takes the air's light, the ground the air behind it.
        if (c.keepsOpacity)
            EXPECT_NEAR(full.opacity, cut.opacity, 2.0f / 255.0f) << c.name;
        else
            EXPECT_LT(cut.opacity, full.opacity - 0.05f) << c.name;
        expectAsComputed(pixel, c.name);
        EXPECT_TRUE(sameTexel(m_EarthData, m_Scene.pixel(2, pixel))) << c.name << ": Earth data";
        m_EarthData = {0.25f, 0.0f, Infinity, 0.0f};
    }
}

TEST_F(AtmosphereGLTest, OverTheSceneTheShellIsHiddenByNearerBodies)
{
    drawOffscreenStages();
    drawOverScene(0.0f);
    const glm::ivec2 dayLimb = m_View.pixelOf(glm::vec3(EarthPosition) + glm::vec3(-1.03f, 0.0f, 0.0f));
    EXPECT_TRUE(sameTexel(Background, m_Scene.pixel(0, dayLimb), {1.0f / 255.0f}));
}

TEST_F(AtmosphereGLTest, FromInsideOrJustAboveTheShellTheAirStillShows)
{
    const glm::vec3 centre(EarthPosition);
    // Standing 0.004 over the ground at noon, looking along the horizon.
    const glm::vec3 low = centre + glm::vec3(-1.004f, 0.0f, 0.0f);
    setView({glm::lookAt(low, low + glm::vec3(0.0f, 1.0f, 0.0f), glm::vec3(-1.0f, 0.0f, 0.0f)),
             glm::perspective(glm::radians(60.0f), 1.0f, 0.1f, 100.0f)});
    drawOffscreenStages();
    const float horizon = opacityAt({Size / 2, Size / 2});
    const float high = opacityAt({Size / 2, Size - 4});
    EXPECT_GT(horizon, 0.08f);
    EXPECT_GT(high, 0.01f);
    EXPECT_LT(high, horizon) << "the air thins upwards";
    EXPECT_TRUE(sameTexel(Glow, m_Scene.pixel(1, {Size / 2, Size / 2}), {0.5f / 255.0f}));

    // 0.025 over the shell looking straight down: the near plane cuts its near side away.
    const glm::vec3 above = centre + glm::vec3(-1.1f, 0.0f, 0.0f);
    setView({glm::lookAt(above, centre, glm::vec3(0.0f, 0.0f, 1.0f)),
             glm::perspective(glm::radians(60.0f), 1.0f, 0.1f, 100.0f)});
    m_EarthData = {1.0f, 0.0f, 0.1f, 1.0f};
    drawOffscreenStages();
    overrideImage(4, m_EarthData);
    EXPECT_GT(opacityAt({Size / 2, Size / 2}), 0.06f) << "air down to the ground";
    EXPECT_TRUE(sameTexel(m_EarthData, m_Scene.pixel(2, {Size / 2, Size / 2})));
}

TEST_F(AtmosphereGLTest, ContractViolationsStopAtTheirAssertions)
{
#ifdef NDEBUG
    GTEST_SKIP() << "assertions are compiled out";
#else
    s_Atmosphere->m_Stage = 4;
    EXPECT_DEATH(s_Atmosphere->render(), "must be done in Renderer to save rendering time!!!");
    EXPECT_DEATH(s_Atmosphere->setParent(nullptr), "parent");
    s_Atmosphere->m_Stage = 0;
#endif
}

// The renderer's side with the real scene: the Earth data travelling from the scene target through the
// atmosphere's copy unchanged, and the air's colour reaching ground and air. The state each pass leaves
// is in DrawStateGLTest's table.
class AtmospherePassesGLTest : public GLTest
{
protected:
    KeyTable m_Keys{};
};

TEST_F(AtmospherePassesGLTest, TheEarthDataArrivesUnchanged)
{
    const int size = 64;
    Scene scene = makeScene(m_Keys, size, size, 0.5f, 0.1f);
    holdCamera(*scene.camera, scene.earth.get(), 5.0f);
    advanceScene(scene, 0.0f, 1, false);

    // What each pass has left when it ends, read while the frame goes on.
    struct Probe final : Renderer::PassObserver
    {
        void beginPass(Renderer::Pass) override {}
        void endPass(Renderer::Pass pass) override
        {
            ended[static_cast<std::size_t>(pass)] = true;
            ends[static_cast<std::size_t>(pass)]();
        }
        std::array<std::function<void()>, Renderer::PassCount> ends{};
        std::array<bool, Renderer::PassCount> ended{};
    } probe;
    for (auto& end : probe.ends)
        end = [] {};
    // The full passes: with skipping, the Earth's data is cleared only where the shell may read it.
    Renderer::Renderer renderer(size, size, {&probe, false});
    const glm::ivec2 centre(size / 2, size / 2);
    const glm::ivec2 corner(1, 1);
    const GLuint images = renderer.m_AtmosphereFramebuffer.m_Fbo;
    const GLuint sceneTarget = renderer.m_SceneFramebuffer.m_Fbo;
    Texel earthAtCentre{};
    std::vector<int> limb;
    const auto at = [&](Renderer::Pass pass, std::function<void()> check) {
        probe.ends[static_cast<std::size_t>(pass)] = std::move(check);
    };

    at(Renderer::Pass::AtmosphereStages,
       [&] { EXPECT_LT(readPixel(images, 0, centre.x, centre.y)[2], readPixel(images, 1, centre.x, centre.y)[2]); });
    at(Renderer::Pass::EarthDataCopy, [&] {
        EXPECT_TRUE(sameTexel(NoSurface, readPixel(images, 4, corner.x, corner.y)));
        earthAtCentre = readPixel(sceneTarget, 2, centre.x, centre.y);
        EXPECT_NEAR(4.0f, earthAtCentre[2], 0.05f) << "the eye is 4 above the ground";
        EXPECT_TRUE(sameTexel(earthAtCentre, readPixel(images, 4, centre.x, centre.y)));
        // Pixels of the centre row where the shell lies but the Earth does not: its limb.
        for (int x = 0; x < size; ++x)
            if (std::isinf(readPixel(sceneTarget, 2, x, centre.y)[2]) &&
                !std::isinf(readPixel(images, 0, x, centre.y)[2]))
                limb.push_back(x);
    });
    at(Renderer::Pass::AtmosphereOverScene, [&] {
        // The air's own draw leaves the Earth data as the Earth wrote it, also where it is +inf.
        EXPECT_TRUE(sameTexel(earthAtCentre, readPixel(sceneTarget, 2, centre.x, centre.y)));
        EXPECT_TRUE(sameTexel(NoSurface, readPixel(sceneTarget, 2, corner.x, corner.y)));
        ASSERT_FALSE(limb.empty()) << "the row crosses no shell beside the Earth";
        for (const int x : limb)
            EXPECT_TRUE(sameTexel(NoSurface, readPixel(sceneTarget, 2, x, centre.y))) << "limb pixel " << x;
    });

    renderer.render(scene);
    for (std::size_t pass = 0; pass < Renderer::RenderPassCount; ++pass)
        EXPECT_TRUE(probe.ended[pass]) << "pass " << pass << " was not reported";
}

TEST_F(AtmospherePassesGLTest, AnotherAirColourChangesTheGroundAndTheAirTogether)
{
    const int size = 64;
    Scene scene = makeScene(m_Keys, size, size, 0.5f, 0.1f);
    // The Earth's day side, the Sun behind the eye: round the limb the Sun stands low over the ground.
    holdCamera(*scene.camera, scene.earth.get(), 5.0f);
    advanceScene(scene, 0.0f, 1, false);

    struct Colours
    {
        glm::vec3 ground{0.0f};
        glm::vec3 air{0.0f};
    };
    // The Earth's own pixels as it drew them, and the air's beside it over the black sky.
    struct Probe final : Renderer::PassObserver
    {
        void beginPass(Renderer::Pass) override {}
        void endPass(Renderer::Pass pass) override
        {
            if (pass != Renderer::Pass::Scene && pass != Renderer::Pass::AtmosphereOverScene)
                return;
            const Image colour = readImage(renderer->m_SceneFramebuffer, 0);
            const Image earth = readImage(renderer->m_SceneFramebuffer, 2);
            for (std::size_t i = 0; i < colour.values.size(); i += 4)
            {
                const glm::vec3 texel(colour.values[i], colour.values[i + 1], colour.values[i + 2]);
                if (pass == Renderer::Pass::Scene && earth.values[i + 3] == 1.0f)
                    colours.ground += texel;
                else if (pass == Renderer::Pass::AtmosphereOverScene && earth.values[i + 3] == 0.0f)
                    colours.air += texel;
            }
        }
        Renderer::Renderer* renderer = nullptr;
        Colours colours;
    };
    const auto frameWith = [&](const glm::vec4& airColour) {
        scene.atmosphere = std::make_shared<Resource::Atmosphere>(Resource::AtmosphereScale, airColour);
        scene.atmosphere->setParent(scene.earth.get());
        Probe probe;
        Renderer::Renderer renderer(size, size, {&probe, false});
        probe.renderer = &renderer;
        renderer.render(scene);
        return probe.colours;
    };
    const auto share = [](const glm::vec3& colour, int channel) {
        return colour[channel] / (colour.r + colour.g + colour.b);
    };

    // Air that scatters red most: the sunlight comes down bluer and the sky glows redder.
    const Colours blueAir = frameWith(Resource::AtmosphereColor);
    const Colours redAir = frameWith({0.7f, 0.3f, 0.2f, 1.0f});
    // Sums over the image: the ground's blue share moved by 0.012, the air's red share by 0.046.
    EXPECT_GT(share(redAir.ground, 2), share(blueAir.ground, 2) + 0.005f)
        << "ground " << glm::to_string(blueAir.ground) << " under blue air, " << glm::to_string(redAir.ground);
    EXPECT_GT(share(redAir.air, 0), share(blueAir.air, 0) + 0.02f)
        << "air " << glm::to_string(blueAir.air) << " blue, " << glm::to_string(redAir.air) << " red";
}

} // namespace
