// The star cube on the real driver: what it covers, what it writes, and the state it leaves.
#include "Camera.h"
#include "Framebuffer.h"
#include "GLContext.h"
#include "GLObjects.h"
#include "GLState.h"
#include "SkyBox.h"
#include "TempDir.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace
{

using GLState::setEnabled;

constexpr int Size = 32;
constexpr int ImageSize = 8;
const float ClearColor[4] = {0.0f, 0.0f, 1.0f, 0.0f};

// A 24-bit BMP: the texture loader reads images by content, so this stands in for the PNG.
std::string gradientBmp()
{
    const int rowBytes = ImageSize * 3;
    const std::uint32_t fileSize = 54 + static_cast<std::uint32_t>(rowBytes * ImageSize);
    std::string bmp(fileSize, '\0');
    const auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bmp[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xffu);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, ImageSize);
    put32(22, ImageSize);
    bmp[26] = 1;
    bmp[28] = 24;
    // Red grows to the right, green downwards, blue is constant: every texel is different.
    for (int y = 0; y < ImageSize; ++y)
    {
        const int fileRow = ImageSize - 1 - y;
        for (int x = 0; x < ImageSize; ++x)
        {
            const std::size_t at = 54 + static_cast<std::size_t>(fileRow * rowBytes + x * 3);
            bmp[at + 0] = static_cast<char>(128);
            bmp[at + 1] = static_cast<char>(16 + 32 * y);
            bmp[at + 2] = static_cast<char>(16 + 32 * x);
        }
    }
    return bmp;
}

std::vector<float> readImage(GLuint fbo, GLenum buffer, GLenum format, int channels)
{
    std::vector<float> pixels(static_cast<std::size_t>(Size * Size * channels));
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    if (format != GL_DEPTH_COMPONENT)
        glReadBuffer(buffer);
    glReadPixels(0, 0, Size, Size, format, GL_FLOAT, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    return pixels;
}

float maxDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

float meanDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    float sum = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::fabs(a[i] - b[i]);
    return sum / static_cast<float>(a.size());
}

glm::mat4 view(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& up = {0.0f, 0.0f, 1.0f})
{
    return glm::lookAt(eye, eye + direction, up);
}

// A body that covers the viewport at depth 0.9999, behind every point of the sky cube.
GLuint makeFarBodyProgram()
{
    return linkProgram(R"(#version 400 core
void main()
{
    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
    gl_Position = vec4(corner, 0.9999, 1.0);
})",
                       R"(#version 400 core
layout(location = 0) out vec4 colour;
layout(location = 1) out vec4 glow;
void main()
{
    colour = vec4(1.0, 0.0, 1.0, 1.0);
    glow = vec4(0.0);
})");
}

class SkyBoxGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glGetIntegerv(GL_VIEWPORT, m_Viewport.data());
        m_Seamless = glIsEnabled(GL_TEXTURE_CUBE_MAP_SEAMLESS);
        m_DepthTest = glIsEnabled(GL_DEPTH_TEST);
        m_CullFace = glIsEnabled(GL_CULL_FACE);

        // The sky reads its image from the working directory; give it a known one.
        std::filesystem::create_directory_symlink(sourceDir() / "shader", m_Dir.path() / "shader");
        m_Dir.write("models/skybox/seamless.png", gradientBmp());
        {
            ScopedWorkingDirectory inDir(m_Dir.path());
            m_pSkyBox = std::make_unique<Resource::SkyBox>();
        }

        m_Target = makeFramebuffer(Size, Size, 2);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    }

    void TearDown() override
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(m_Viewport[0], m_Viewport[1], m_Viewport[2], m_Viewport[3]);
        setEnabled(GL_TEXTURE_CUBE_MAP_SEAMLESS, m_Seamless);
        setEnabled(GL_DEPTH_TEST, m_DepthTest);
        setEnabled(GL_CULL_FACE, m_CullFace);
        glDepthMask(GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        GLTest::TearDown();
    }

    // Clears the target, draws the sky through `viewMatrix` into colour and glow, returns the colour.
    std::vector<float> drawSky(const glm::mat4& viewMatrix)
    {
        m_Target.bind(true, ClearColor);
        m_Target.bindTextures({0, 1});
        m_pSkyBox->setViewProjection(viewMatrix, projection());
        m_pSkyBox->draw();
        return readImage(m_Target.m_Fbo, GL_COLOR_ATTACHMENT0, GL_RGBA, 4);
    }

    glm::mat4 projection() const { return m_Camera.getProjectionMatrix(); }

    TempDir m_Dir;
    std::unique_ptr<Resource::SkyBox> m_pSkyBox;
    Framebuffer m_Target;
    KeyTable m_Keys{};
    // The program's own projection: near 0.1, far 100.
    Camera::Camera m_Camera{m_Keys, Size, Size, 0.5f, 0.1f};
    std::array<GLint, 4> m_Viewport{};
    GLboolean m_Seamless = GL_FALSE;
    GLboolean m_DepthTest = GL_FALSE;
    GLboolean m_CullFace = GL_FALSE;
};

TEST_F(SkyBoxGLTest, MovingWithoutTurningLeavesTheSkyUnchangedTurningTurnsIt)
{
    const glm::vec3 direction(0.6f, 0.8f, 0.0f);
    const std::vector<float> atOrigin = drawSky(view({0.0f, 0.0f, 0.0f}, direction));

    const glm::vec3 eyes[] = {{50.0f, 0.0f, 0.0f}, {-3.0f, 20.0f, 7.5f}, {0.0f, 0.0f, -1000.0f}, {99.0f, -99.0f, 0.0f}};
    for (const glm::vec3& eye : eyes)
    {
        SCOPED_TRACE(testing::Message() << "eye " << eye.x << " " << eye.y << " " << eye.z);
        EXPECT_EQ(0.0f, maxDifference(atOrigin, drawSky(view(eye, direction))));
    }

    const glm::vec3 turned[] = {{0.8f, 0.6f, 0.0f}, {-0.6f, -0.8f, 0.0f}, {0.6f, 0.8f, 0.3f}};
    for (const glm::vec3& other : turned)
    {
        SCOPED_TRACE(testing::Message() << "direction " << other.x << " " << other.y << " " << other.z);
        EXPECT_GT(meanDifference(atOrigin, drawSky(view({0.0f, 0.0f, 0.0f}, other))), 0.02f);
    }
}

TEST_F(SkyBoxGLTest, CoversEveryPixelWithOpaqueStarsAndNoGlowWhateverTheTurn)
{
    // Straight at faces, edges and corners, where the cube reaches furthest from the eye.
    const struct
    {
        glm::vec3 direction;
        glm::vec3 up;
    } views[] = {
        {{1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},  {{0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}},  {{0.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 0.0f}},
        {{1.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},  {{1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}},
        {{-1.0f, 1.0f, -1.0f}, {1.0f, 0.0f, 1.0f}},
    };
    for (const auto& v : views)
    {
        SCOPED_TRACE(testing::Message() << "direction " << v.direction.x << " " << v.direction.y << " "
                                        << v.direction.z);
        const std::vector<float> colour = drawSky(view({10.0f, -4.0f, 2.0f}, v.direction, v.up));
        const std::vector<float> glow = readImage(m_Target.m_Fbo, GL_COLOR_ATTACHMENT1, GL_RGBA, 4);
        int uncovered = 0;
        float brightestGlow = 0.0f;
        for (std::size_t p = 0; p < colour.size(); p += 4)
        {
            // The clear leaves alpha 0 and blue 1; the sky is opaque and its blue is 0.5.
            if (colour[p + 3] < 0.99f || colour[p + 2] > 0.6f)
                ++uncovered;
            brightestGlow = std::max({brightestGlow, glow[p], glow[p + 1], glow[p + 2]});
        }
        EXPECT_EQ(0, uncovered);
        // The bloom and the flare react to the glow; stars must not trigger them.
        EXPECT_EQ(0.0f, brightestGlow);
    }
}

TEST_F(SkyBoxGLTest, AllSixFacesShowTheSameImage)
{
    const struct
    {
        glm::vec3 direction;
        glm::vec3 up;
    } faces[] = {
        {{1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}, {{-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}, {{0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}}, {{0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f}},
    };
    // Seen square on, a face shows the middle of the image turned or mirrored, whose mean
    // colour does not depend on the turn: red and green average to the middle of their ramps.
    for (const auto& face : faces)
    {
        SCOPED_TRACE(testing::Message() << "direction " << face.direction.x << " " << face.direction.y << " "
                                        << face.direction.z);
        const std::vector<float> colour = drawSky(view({0.0f, 0.0f, 0.0f}, face.direction, face.up));
        std::array<float, 3> mean{};
        for (std::size_t p = 0; p < colour.size(); p += 4)
        {
            for (std::size_t c = 0; c < 3; ++c)
                mean[c] += colour[p + c] / static_cast<float>(Size * Size);
        }
        EXPECT_NEAR(0.5f, mean[0], 0.02f);
        EXPECT_NEAR(0.5f, mean[1], 0.02f);
        EXPECT_NEAR(128.0f / 255.0f, mean[2], 0.01f);
    }
}

TEST_F(SkyBoxGLTest, WritesNoDepthSoABodyDrawnAfterIsNeverHidden)
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    drawSky(view({0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}));

    const std::vector<float> depth = readImage(m_Target.m_Fbo, GL_NONE, GL_DEPTH_COMPONENT, 1);
    EXPECT_EQ(1.0f, *std::min_element(depth.begin(), depth.end())) << "the sky wrote depth";

    // Farther than any point of the cube, so a sky that wrote depth would hide it everywhere.
    const GLuint program = makeFarBodyProgram();
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glUseProgram(program);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(0);
    glUseProgram(0);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteProgram(program);

    const std::vector<float> colour = readImage(m_Target.m_Fbo, GL_COLOR_ATTACHMENT0, GL_RGBA, 4);
    int hidden = 0;
    for (std::size_t p = 0; p < colour.size(); p += 4)
    {
        if (colour[p] < 0.99f || colour[p + 1] > 0.01f || colour[p + 2] < 0.99f)
            ++hidden;
    }
    EXPECT_EQ(0, hidden);
}

TEST_F(SkyBoxGLTest, DrawLeavesSeamlessFilteringOnAndNothingBound)
{
    glDisable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    drawSky(view({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP_SEAMLESS));
    const struct
    {
        const char* name;
        GLenum query;
    } bindings[] = {{"program", GL_CURRENT_PROGRAM},
                    {"vertex array", GL_VERTEX_ARRAY_BINDING},
                    {"cube map", GL_TEXTURE_BINDING_CUBE_MAP}};
    for (const auto& binding : bindings)
    {
        GLint value = -1;
        glGetIntegerv(binding.query, &value);
        EXPECT_EQ(0, value) << binding.name;
    }
}

} // namespace
