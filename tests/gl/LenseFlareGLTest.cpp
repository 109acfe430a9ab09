#include "Camera.h"
#include "FakeBody.h"
#include "GLContext.h"
#include "GLKit.h"
#include "GLState.h"
#include "LenseFlare.h"
#include "Model.h"
#include "Scene.h"

#include <glm/gtc/constants.hpp>

#include <array>
#include <cmath>
#include <limits>
#include <memory>

namespace
{

// The flare renders at twice the width of its height: boxes narrower than their squares.
constexpr int Width = 128;
constexpr int Height = 64;

class LenseFlareGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        holdCamera(*m_Camera, &m_CameraTarget, 10.0f, -glm::half_pi<float>());
        m_Scene.camera = m_Camera;
        // As the bloom leaves it for the flare.
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glBlendFunc(GL_ONE, GL_ONE);
    }

    // A world position the camera sees at (ndcX, ndcY) with clip-space w.
    glm::vec4 placeOnScreen(float ndcX, float ndcY, float w) const
    {
        const glm::mat4 projection = m_Camera->getProjectionMatrix();
        const glm::vec4 view(ndcX * w / projection[0][0], ndcY * w / projection[1][1], -w, 1.0f);
        return glm::inverse(m_Camera->getViewMatrix()) * view;
    }

    // Where the flare sees a world position: (sx, sy, w).
    glm::vec3 screenOf(const glm::vec4& position) const
    {
        const glm::vec4 clip = m_Camera->getProjectionMatrix() * m_Camera->getViewMatrix() * position;
        return {clip.x / clip.w, clip.y / clip.w, clip.w};
    }

    // Lights the whole glow attachment, then blacks out the pixel (darkX, darkY) if it is on the image.
    void paintGlow(int darkX, int darkY)
    {
        const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        const float glow[4] = {1.0f, 0.8f, 0.5f, 1.0f};
        m_Source.bind(true, black);
        glClearBufferfv(GL_COLOR, 1, glow);
        glEnable(GL_SCISSOR_TEST);
        glScissor(darkX, darkY, 1, 1);
        glClearBufferfv(GL_COLOR, 1, black);
        glDisable(GL_SCISSOR_TEST);
    }

    void fillTarget()
    {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_TargetBuffer.m_Fbo);
        glClearBufferfv(GL_COLOR, 0, Base.data());
    }

    Image readTarget() const { return readImage(m_TargetBuffer); }

    // Renders the flare and counts the primitives it draws.
    GLuint renderCounting(FakeBody& sun)
    {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        m_Flare.render(m_TargetBuffer, m_Source, sun, m_Scene);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint primitives = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
        glDeleteQueries(1, &query);
        return primitives;
    }

    static constexpr Texel Base = {0.1f, 0.2f, 0.3f, 1.0f};

    KeyTable m_Keys{};
    // The camera holds 10 from this body, looking at the world origin along -y.
    FakeBody m_CameraTarget{glm::vec4(0.0f, 0.0f, 0.0f, 1.0f), 1.0f};
    std::shared_ptr<Camera::Camera> m_Camera = std::make_shared<Camera::Camera>(m_Keys, Width, Height, 0.5f, 0.1f);
    Scene m_Scene;
    LenseFlare m_Flare{Width, Height};
    // The scene's layout: colour and an 8-bit glow attachment.
    ScopedFramebuffer m_OwnedSource{Width, Height, 2};
    Framebuffer& m_Source = m_OwnedSource.m_Framebuffer;
    ScopedFramebuffer m_OwnedTarget{Width, Height, 1, {0}};
    Framebuffer& m_TargetBuffer = m_OwnedTarget.m_Framebuffer;
};

TEST_F(LenseFlareGLTest, SunOffScreenBehindTheEyeOrHiddenDrawsNothing)
{
    struct Case
    {
        const char* name;
        glm::vec4 position;
        bool hidden;
        // Only the hidden Sun gets as far as reading its centre pixel.
        bool readsGlow;
    };
    const Case cases[] = {
        {"just right of the screen", placeOnScreen(1.01f, 0.0f, 10.0f), false, false},
        {"just below the screen", placeOnScreen(0.3f, -1.01f, 10.0f), false, false},
        // Projected through the eye it would land in the centre of the screen.
        {"behind the eye", glm::vec4(0.0f, 20.0f, 0.0f, 1.0f), false, false},
        // The Sun's position before its first update: clip-space w is 0.
        {"not yet updated", glm::vec4(0.0f), false, false},
        {"centre pixel dark", glm::vec4(0.0f, 0.0f, 0.0f, 1.0f), true, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        FakeBody sun(c.position, 5.0f);
        const glm::vec3 screen = screenOf(c.position);
        // The centre pixel of the Sun at the origin is (64, 32); elsewhere the glow is lit.
        paintGlow(c.hidden ? Width / 2 : -1, c.hidden ? Height / 2 : -1);
        ASSERT_TRUE(c.hidden || screen.z <= 0.0f || std::abs(screen.x) > 1.0f || std::abs(screen.y) > 1.0f);
        fillTarget();
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        GLState::Snapshot before = GLState::capture();

        EXPECT_EQ(0u, renderCounting(sun));

        GLState::Snapshot after = GLState::capture();
        if (c.readsGlow)
        {
            EXPECT_EQ(static_cast<GLint>(m_Source.m_Fbo), after["read framebuffer"]);
            after["read framebuffer"] = before["read framebuffer"];
            after["read buffer"] = before["read buffer"];
        }
        EXPECT_EQ(before, after);
        EXPECT_TRUE(sameImage(uniformImage(Width, Height, Base), readTarget()));
    }
}

TEST_F(LenseFlareGLTest, VisibleSunDrawsEveryElementOffItsDisc)
{
    const struct
    {
        const char* name;
        glm::vec4 position;
        GLuint triangles;
    } cases[] = {
        // Every ghost lies on the Sun's disc, where its strength is 0: only the two shines are drawn.
        {"centre", glm::vec4(0.0f, 0.0f, 0.0f, 1.0f), 4},
        // With w = 30 the disc's radius is 1/6: the nearest ghost, a quarter of the way to the centre, is off it.
        {"upper left", placeOnScreen(-0.7f, 0.6f, 30.0f), 14},
        {"on the bottom edge", placeOnScreen(0.2f, -0.999f, 30.0f), 14},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        FakeBody sun(c.position, 5.0f);
        paintGlow(-1, -1);
        fillTarget();
        glEnable(GL_CULL_FACE);
        glViewport(0, 0, 3, 3);

        // What it leaves bound is in DrawStateGLTest's table.
        EXPECT_EQ(c.triangles, renderCounting(sun));

        // The shines are brightest on the Sun.
        const glm::vec3 screen = screenOf(c.position);
        const int x = std::min(Width - 1, static_cast<int>((screen.x + 1.0f) * 0.5f * Width));
        const int y = std::min(Height - 1, static_cast<int>((screen.y + 1.0f) * 0.5f * Height));
        const Texel shine = readTarget().texel(x, y);
        EXPECT_GT(shine[0] + shine[1] + shine[2], Base[0] + Base[1] + Base[2] + 0.05f);
    }
}

TEST_F(LenseFlareGLTest, SunExactlyOnTheRightEdgeReadsTheLastColumn)
{
    // Walk the Sun one float step at a time until the flare's own arithmetic puts it at exactly 1.
    glm::vec4 position = placeOnScreen(1.0f, 0.0f, 10.0f);
    const float slope = screenOf(position + glm::vec4(0.01f, 0.0f, 0.0f, 0.0f)).x - screenOf(position).x;
    const float outwards = slope > 0.0f ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    for (int i = 0; i < 1000 && screenOf(position).x != 1.0f; ++i)
        position.x = std::nextafter(position.x, screenOf(position).x < 1.0f ? outwards : -outwards);
    ASSERT_EQ(1.0f, screenOf(position).x) << "no float position lands exactly on the edge";

    // Small enough that every ghost is off its disc and drawn.
    FakeBody sun(position, 1.0f);
    // Only the last column glows, where the Sun's centre is.
    const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const float glow[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    m_Source.bind(true, black);
    glEnable(GL_SCISSOR_TEST);
    glScissor(Width - 1, 0, 1, Height);
    glClearBufferfv(GL_COLOR, 1, glow);
    glDisable(GL_SCISSOR_TEST);

    EXPECT_EQ(14u, renderCounting(sun));
}

TEST_F(LenseFlareGLTest, WideScreenElementsShowOnlyInsideTheirSquareBox)
{
    // Far away the shines shrink to a dot; the last ghost then stands alone on the left.
    const glm::vec4 position = placeOnScreen(0.8f, 0.0f, 1000.0f);
    FakeBody sun(position, 5.0f);
    paintGlow(-1, -1);
    fillTarget();
    ASSERT_EQ(14u, renderCounting(sun));
    const Image image = readTarget();

    // Ghost 7 sits at x = -0.6 with half size 0.35: its square spans x -0.95 to -0.25,
    // its box (half as wide on this 2:1 screen) -0.775 to -0.425.
    auto column = [](float ndcX) { return static_cast<int>((ndcX + 1.0f) * 0.5f * Width); };
    const auto changed = [&](int x, int y) {
        return std::abs(image.value(x, y, 0) - Base[0]) + std::abs(image.value(x, y, 1) - Base[1]) +
               std::abs(image.value(x, y, 2) - Base[2]);
    };
    for (int x = column(-0.95f) + 1; x < column(-0.775f) - 1; ++x)
        for (int y = 0; y < Height; ++y)
            EXPECT_EQ(0.0f, changed(x, y)) << "outside the box at " << x << ", " << y;
    EXPECT_GT(changed(column(-0.6f), Height / 2), 0.05f);
}

} // namespace
