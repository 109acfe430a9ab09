// The full-viewport pass and the "Quad" copy program on the real driver.
#include "Capture.h"
#include "Framebuffer.h"
#include "GLContext.h"
#include "GLKit.h"
#include "GLState.h"
#include "QuadRenderer.h"
#include "TempDir.h"

#include <algorithm>
#include <array>
#include <deque>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace
{

constexpr int Size = 16;
constexpr float Infinity = std::numeric_limits<float>::infinity();
constexpr float Untouched = -1.0f;

using GLState::integer;

// Writes what the pass hands it: the two sizes, the extra value and texel (0, 0) of its texture. Its
// vertices are the pass's own square.
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
    Framebuffer& makeTarget(bool floating)
    {
        Framebuffer& target =
            m_Targets.emplace_back(Size, Size, 1, floating ? std::set<int>{0} : std::set<int>{}).m_Framebuffer;
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        return target;
    }

    // The probe program lives in a temporary shader directory under a name no other test uses.
    Renderer::QuadRenderer makeProbe(int width, int height)
    {
        const std::string name = "QuadRendererGLTestProbe";
        m_Directory.write("shader/" + name + ".vertexShader.txt", ProbeVertexText);
        m_Directory.write("shader/" + name + ".fragmentShader.txt", ProbeFragmentText);
        ScopedWorkingDirectory inside(m_Directory.path());
        CoutCapture quiet;
        return keep(Renderer::QuadRenderer(name, width, height));
    }

    Renderer::QuadRenderer makeCopy()
    {
        ScopedWorkingDirectory inside(sourceDir());
        CoutCapture quiet;
        return keep(Renderer::QuadRenderer("Quad", Size, Size));
    }

    // Each square's own objects go with the test; the program stays in the loader's cache.
    Renderer::QuadRenderer keep(const Renderer::QuadRenderer& quad)
    {
        m_Objects.vertexArray(quad.m_VertexArray);
        m_Objects.buffer(quad.m_VertexBuffer);
        return quad;
    }

    TempDir m_Directory;
    std::deque<ScopedFramebuffer> m_Targets;
    OwnedObjects m_Objects;
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
    const GLuint texture = m_Objects.texture(makeFloatTexture(1, 1, GL_RED, &texel));
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

        // The state the draw leaves is in DrawStateGLTest's table.
        quad.draw(texture, c.extra);

        Image expected = uniformImage(Size, Size, {Untouched, Untouched, Untouched, Untouched});
        for (int y = c.viewport[1]; y < c.viewport[1] + c.viewport[3]; ++y)
            for (int x = c.viewport[0]; x < c.viewport[0] + c.viewport[2]; ++x)
                expected.set(
                    x, y,
                    {static_cast<float>(c.width), static_cast<float>(c.height), static_cast<float>(c.extra), texel});
        EXPECT_TRUE(sameImage(expected, readImage(target), {1e-6f}));
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
        const Renderer::QuadRenderer third = keep(Renderer::QuadRenderer("QuadRendererGLTestProbe", 8, 8));
        EXPECT_EQ(capture.text(), "") << "a cached program is not built again";
        EXPECT_EQ(third.m_Program, first.m_Program);
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
    const GLuint texture = m_Objects.texture(makeFloatTexture(Size, Size, GL_RGBA, source.data()));
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

        Image expected{Size, Size, 4, source};
        if (!c.floating)
            for (float& value : expected.values)
                value = std::clamp(value, 0.0f, 1.0f);
        const Tolerance tolerance = c.floating ? Tolerance{0.0f, 1e-7f} : Tolerance{0.5f / 255.0f + 1e-6f};
        EXPECT_TRUE(sameImage(expected, readImage(target), tolerance));
    }
}

} // namespace
