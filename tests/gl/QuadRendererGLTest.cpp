// The full-viewport pass and the "Quad" copy program on the real driver.
#include "Capture.h"
#include "Framebuffer.h"
#include "GLContext.h"
#include "GLObjects.h"
#include "GLState.h"
#include "QuadRenderer.h"
#include "TempDir.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace
{

constexpr int Size = 16;
constexpr float Infinity = std::numeric_limits<float>::infinity();
constexpr float Untouched = -1.0f;

// Writes what the pass hands it: the two sizes, the extra value and texel (0, 0) of its texture.
const char* const ProbeVertexText = "#version 400 core\n"
                                    "layout(location = 0) in vec2 position;\n"
                                    "void main() { gl_Position = vec4(position, 0.0, 1.0); }\n";
const char* const ProbeFragmentText =
    "#version 400 core\n"
    "uniform sampler2D quadTexture;\n"
    "uniform float width;\n"
    "uniform float height;\n"
    "uniform int extraData;\n"
    "layout(location = 0) out vec4 result;\n"
    "void main() { result = vec4(width, height, float(extraData), texelFetch(quadTexture, ivec2(0), 0).r); }\n";

using GLState::integer;

// Every texel of attachment 0 of `fbo`, row by row from the bottom.
std::vector<std::array<float, 4>> readAll(GLuint fbo)
{
    std::vector<std::array<float, 4>> pixels(Size * Size);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, Size, Size, GL_RGBA, GL_FLOAT, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return pixels;
}

GLuint makeFloatTexture(int width, int height, GLenum format, const float* data)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Filtered like the render targets the pass reads in the frame.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, format == GL_RED ? GL_R32F : GL_RGBA32F, width, height, 0, format, GL_FLOAT,
                 data);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

class QuadRendererGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glGetIntegerv(GL_VIEWPORT, m_Viewport.data());
    }

    void TearDown() override
    {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glViewport(m_Viewport[0], m_Viewport[1], m_Viewport[2], m_Viewport[3]);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindVertexArray(0);
        glUseProgram(0);
        for (const Framebuffer& target : m_Targets)
            deleteFramebuffer(target);
        for (const Renderer::QuadRenderer& quad : m_Quads)
        {
            glDeleteVertexArrays(1, &quad.m_VertexArray);
            glDeleteBuffers(1, &quad.m_VertexBuffer);
        }
        glDeleteTextures(static_cast<GLsizei>(m_Textures.size()), m_Textures.data());
        GLTest::TearDown();
    }

    Framebuffer& makeTarget(bool floating)
    {
        const Framebuffer target = makeFramebuffer(Size, Size, 1, floating ? std::set<int>{0} : std::set<int>{});
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        m_Targets.push_back(target);
        return m_Targets.back();
    }

    // The probe program lives in a temporary shader directory under a name no other test uses.
    Renderer::QuadRenderer makeProbe(int width, int height)
    {
        const std::string name = "QuadRendererGLTestProbe";
        m_Directory.write("shader/" + name + ".vertexShader.txt", ProbeVertexText);
        m_Directory.write("shader/" + name + ".fragmentShader.txt", ProbeFragmentText);
        ScopedWorkingDirectory inside(m_Directory.path());
        CoutCapture quiet;
        m_Quads.emplace_back(name, width, height);
        return m_Quads.back();
    }

    Renderer::QuadRenderer makeCopy()
    {
        ScopedWorkingDirectory inside(sourceDir());
        CoutCapture quiet;
        m_Quads.emplace_back("Quad", Size, Size);
        return m_Quads.back();
    }

    GLuint keep(GLuint texture)
    {
        m_Textures.push_back(texture);
        return texture;
    }

    TempDir m_Directory;
    std::array<GLint, 4> m_Viewport{};
    std::vector<Framebuffer> m_Targets;
    std::vector<Renderer::QuadRenderer> m_Quads;
    std::vector<GLuint> m_Textures;
};

TEST_F(QuadRendererGLTest, CoversTheViewportAndHandsTheProgramItsInputs)
{
    struct Case
    {
        const char* name;
        int width;  // construction size, not the target's
        int height;
        std::array<int, 4> viewport;
        int extra;
        bool cullBefore;
        bool depthTest;
    };
    const std::vector<Case> cases = {
        {"render size larger than the target", 64, 48, {0, 0, Size, Size}, 7, true, true},
        {"render size equals the target", Size, Size, {0, 0, Size, Size}, -3, false, false},
        {"viewport inside the target", 64, 48, {4, 2, 8, 10}, 0, true, true},
    };
    const float texel = 0.625f;
    const GLuint texture = keep(makeFloatTexture(1, 1, GL_RED, &texel));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Renderer::QuadRenderer quad = makeProbe(c.width, c.height);
        Framebuffer& target = makeTarget(true);
        const float clear[4] = {Untouched, Untouched, Untouched, Untouched};
        target.bind(true, clear);
        glViewport(c.viewport[0], c.viewport[1], c.viewport[2], c.viewport[3]);
        if (c.cullBefore)
            glEnable(GL_CULL_FACE);
        // Against a depth buffer cleared to 1, the square must lie nearer.
        if (c.depthTest)
            glEnable(GL_DEPTH_TEST);
        glActiveTexture(GL_TEXTURE2);

        quad.draw(texture, c.extra);

        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), c.depthTest ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
        EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);
        EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
        EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target.m_Fbo));
        glDisable(GL_DEPTH_TEST);

        const std::vector<std::array<float, 4>> pixels = readAll(target.m_Fbo);
        int wrong = 0;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x)
            {
                const bool inside = x >= c.viewport[0] && x < c.viewport[0] + c.viewport[2] &&
                                    y >= c.viewport[1] && y < c.viewport[1] + c.viewport[3];
                const std::array<float, 4> expected =
                    inside ? std::array<float, 4>{static_cast<float>(c.width), static_cast<float>(c.height),
                                                  static_cast<float>(c.extra), texel}
                           : std::array<float, 4>{Untouched, Untouched, Untouched, Untouched};
                const std::array<float, 4>& actual = pixels[static_cast<std::size_t>(y * Size + x)];
                for (std::size_t i = 0; i < 4; ++i)
                    if (std::fabs(actual[i] - expected[i]) > 1e-6f && wrong++ < 4)
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << i << ": " << actual[i]
                                      << " instead of " << expected[i];
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(QuadRendererGLTest, RenderersOfOneNameShareTheProgramButNotTheirSquare)
{
    const Renderer::QuadRenderer first = makeProbe(64, 48);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);
    EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING), 0);
    const Renderer::QuadRenderer second = makeProbe(32, 24);
    {
        CoutCapture capture;
        m_Quads.emplace_back("QuadRendererGLTestProbe", 8, 8);
        EXPECT_EQ(capture.text(), "") << "a cached program is not built again";
        EXPECT_EQ(m_Quads.back().m_Program, first.m_Program);
    }

    EXPECT_EQ(second.m_Program, first.m_Program);
    EXPECT_NE(second.m_VertexArray, first.m_VertexArray);
    EXPECT_NE(second.m_VertexBuffer, first.m_VertexBuffer);
    EXPECT_EQ(second.m_Width, 32);
    EXPECT_EQ(second.m_Height, 24);

    struct Location
    {
        const char* uniform;
        GLint location;
    };
    const std::vector<Location> locations = {
        {"width", second.m_WidthLocation},
        {"height", second.m_HeightLocation},
        {"quadTexture", second.m_QuadTextureLocation},
        {"extraData", second.m_ExtraDataLocation},
    };
    for (const Location& l : locations)
    {
        EXPECT_NE(l.location, -1) << l.uniform;
        EXPECT_EQ(l.location, glGetUniformLocation(second.m_Program, l.uniform)) << l.uniform;
    }

    // Each square: its own 48-byte buffer of the six corners, read as attribute 0 in pairs.
    for (const Renderer::QuadRenderer* quad : {&first, &second})
    {
        glBindVertexArray(quad->m_VertexArray);
        GLint enabled = 0;
        GLint components = 0;
        GLint type = 0;
        GLint stride = 0;
        GLint buffer = 0;
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_SIZE, &components);
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
        glBindVertexArray(0);
        EXPECT_EQ(enabled, GL_TRUE);
        EXPECT_EQ(components, 2);
        EXPECT_EQ(type, GL_FLOAT);
        EXPECT_EQ(stride, 8);
        EXPECT_EQ(static_cast<GLuint>(buffer), quad->m_VertexBuffer);

        std::vector<float> corners(12);
        GLint bytes = 0;
        glBindBuffer(GL_ARRAY_BUFFER, quad->m_VertexBuffer);
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, 48, corners.data());
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        EXPECT_EQ(bytes, 48);
        EXPECT_EQ(corners, Renderer::makeQuadVertices());
    }
}

TEST_F(QuadRendererGLTest, QuadProgramCopiesEveryTexelUnchanged)
{
    // Neighbouring infinities and finite values: any filtering would smear or turn them into NaN.
    std::vector<float> source;
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
        {
            const float value = static_cast<float>(x) * 0.03125f + static_cast<float>(y) * 0.001f;
            source.push_back((x + y) % 3 == 0 ? Infinity : value);
            source.push_back(x == y ? -Infinity : -value);
            source.push_back((x * y) % 5 == 0 ? 1e30f : value * 0.5f);
            source.push_back(value > 0.5f ? 0.0f : 1.0f - value);
        }
    const GLuint texture = keep(makeFloatTexture(Size, Size, GL_RGBA, source.data()));
    Renderer::QuadRenderer quad = makeCopy();

    struct Case
    {
        const char* name;
        bool floating;
    };
    // Float targets keep every value; the window's 8-bit storage clamps to [0, 1].
    const std::vector<Case> cases = {
        {"float target", true},
        {"8-bit target", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Framebuffer& target = makeTarget(c.floating);
        const float clear[4] = {0.25f, 0.25f, 0.25f, 0.25f};
        target.bind(true, clear);
        quad.draw(texture, 0);

        const std::vector<std::array<float, 4>> pixels = readAll(target.m_Fbo);
        int wrong = 0;
        for (std::size_t i = 0; i < source.size(); ++i)
        {
            const float expected = c.floating ? source[i] : std::clamp(source[i], 0.0f, 1.0f);
            const float actual = pixels[i / 4][i % 4];
            const float tolerance = c.floating ? std::fabs(expected) * 1e-7f : 0.5f / 255.0f + 1e-6f;
            const bool same = std::isinf(expected) ? actual == expected : std::fabs(actual - expected) <= tolerance;
            if (!same && wrong++ < 4)
                ADD_FAILURE() << "texel " << i / 4 % Size << ", " << i / 4 / Size << " channel " << i % 4 << ": "
                              << actual << " instead of " << expected;
        }
        EXPECT_EQ(wrong, 0);
    }
}

} // namespace
