// The star cube on the real driver: what it covers, what it writes, and the state it leaves.
#include "Camera.h"
#include "Framebuffer.h"
#include "GLContext.h"
#include "GLKit.h"
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

constexpr int Size = 32;
constexpr int ImageSize = 8;
const float ClearColor[4] = {0.0f, 0.0f, 1.0f, 0.0f};
const Image Black = uniformImage(Size, Size, {0.0f, 0.0f, 0.0f, 0.0f});

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

glm::mat4 view(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& up = {0.0f, 0.0f, 1.0f})
{
    return glm::lookAt(eye, eye + direction, up);
}

// A body over the whole viewport, behind every point of the sky cube.
const char* const FarBodyFragment = R"(#version 400 core
layout(location = 0) out vec4 colour;
layout(location = 1) out vec4 glow;
void main()
{
    colour = vec4(1.0, 0.0, 1.0, 1.0);
    glow = vec4(0.0);
}
)";
constexpr float FarBodyDepth = 0.9999f;

class SkyBoxGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        // The sky reads its image from the working directory; give it a known one.
        std::filesystem::create_directory_symlink(sourceDir() / "shader", m_Dir.path() / "shader");
        m_Dir.write("models/skybox/seamless.png", gradientBmp());
        {
            ScopedWorkingDirectory inDir(m_Dir.path());
            m_pSkyBox = std::make_unique<Resource::SkyBox>();
        }
    }

    // Clears the target, draws the sky through `viewMatrix` into colour and glow, returns the colour.
    Image drawSky(const glm::mat4& viewMatrix)
    {
        m_Target.m_Framebuffer.bind(true, ClearColor);
        m_Target.m_Framebuffer.bindTextures({0, 1});
        m_pSkyBox->setViewProjection(viewMatrix, projection());
        m_pSkyBox->draw();
        return readImage(m_Target.m_Framebuffer);
    }

    glm::mat4 projection() const { return m_Camera.getProjectionMatrix(); }

    TempDir m_Dir;
    std::unique_ptr<Resource::SkyBox> m_pSkyBox;
    ScopedFramebuffer m_Target{Size, Size, 2};
    KeyTable m_Keys{};
    // The program's own projection: near 0.1, far 100.
    Camera::Camera m_Camera{m_Keys, Size, Size, 0.5f, 0.1f};
};

TEST_F(SkyBoxGLTest, MovingWithoutTurningLeavesTheSkyUnchangedTurningTurnsIt)
{
    const glm::vec3 direction(0.6f, 0.8f, 0.0f);
    const Image atOrigin = drawSky(view({0.0f, 0.0f, 0.0f}, direction));

    const glm::vec3 eyes[] = {{50.0f, 0.0f, 0.0f}, {-3.0f, 20.0f, 7.5f}, {0.0f, 0.0f, -1000.0f}, {99.0f, -99.0f, 0.0f}};
    for (const glm::vec3& eye : eyes)
    {
        SCOPED_TRACE(testing::Message() << "eye " << eye.x << " " << eye.y << " " << eye.z);
        EXPECT_TRUE(sameImage(atOrigin, drawSky(view(eye, direction))));
    }

    const glm::vec3 turned[] = {{0.8f, 0.6f, 0.0f}, {-0.6f, -0.8f, 0.0f}, {0.6f, 0.8f, 0.3f}};
    for (const glm::vec3& other : turned)
    {
        SCOPED_TRACE(testing::Message() << "direction " << other.x << " " << other.y << " " << other.z);
        EXPECT_GT(compareImages(atOrigin, drawSky(view({0.0f, 0.0f, 0.0f}, other))).mean, 0.02f);
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
        const Image colour = drawSky(view({10.0f, -4.0f, 2.0f}, v.direction, v.up));
        int uncovered = 0;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x)
                // The clear leaves alpha 0 and blue 1; the sky is opaque and its blue is 0.5.
                uncovered += colour.value(x, y, 3) < 0.99f || colour.value(x, y, 2) > 0.6f ? 1 : 0;
        EXPECT_EQ(0, uncovered);
        // The bloom and the flare react to the glow; stars must not trigger them.
        EXPECT_TRUE(sameImage(Black, readImage(m_Target.m_Framebuffer, 1), {}, 3));
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
        const Image colour = drawSky(view({0.0f, 0.0f, 0.0f}, face.direction, face.up));
        std::array<float, 3> mean{};
        for (std::size_t i = 0; i < colour.values.size(); ++i)
            if (i % 4 < 3)
                mean[i % 4] += colour.values[i] / static_cast<float>(Size * Size);
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

    const Image depth = readDepth(m_Target.m_Framebuffer);
    EXPECT_EQ(1.0f, *std::min_element(depth.values.begin(), depth.values.end())) << "the sky wrote depth";

    // Farther than any point of the cube, so a sky that wrote depth would hide it everywhere.
    FullScreenProbe(FarBodyFragment, {}, FarBodyDepth).draw();
    EXPECT_TRUE(
        sameImage(uniformImage(Size, Size, {1.0f, 0.0f, 1.0f, 1.0f}), readImage(m_Target.m_Framebuffer), {0.01f}, 3));
}

} // namespace
