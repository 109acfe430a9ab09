// What the GL tests share: render targets they make, images read back and compared, a full-screen
// probe program, a camera hold. The state snapshot and guard are in GLState.h, the test base in
// GLContext.h.
#pragma once

#include "Camera.h"
#include "CameraAnimation.h"
#include "Capture.h"
#include "Framebuffer.h"
#include "GLContext.h"
#include "Shader.h"
#include "TempDir.h"

#include <glm/glm.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using Texel = std::array<float, 4>;

inline Texel readPixel(GLuint fbo, int attachment, int x, int y);

// A render target as the program makes them, deleted again when the test ends: the record owns nothing.
class ScopedFramebuffer
{
public:
    ScopedFramebuffer(int width, int height, int attachments, std::set<int> floatAttachments = {})
    {
        m_Framebuffer.m_Width = width;
        m_Framebuffer.m_Height = height;
        m_Framebuffer.m_NumTextures = attachments;
        m_Framebuffer.m_FloatTextures = std::move(floatAttachments);
        m_Framebuffer.create();
    }

    // Takes over a record made elsewhere, also one whose creation failed.
    explicit ScopedFramebuffer(const Framebuffer& record)
        : m_Framebuffer(record)
    {
    }

    ~ScopedFramebuffer()
    {
        glDeleteFramebuffers(1, &m_Framebuffer.m_Fbo);
        glDeleteTextures(static_cast<GLsizei>(m_Framebuffer.m_Textures.size()), m_Framebuffer.m_Textures.data());
        glDeleteRenderbuffers(1, &m_Framebuffer.m_DepthBuffer);
    }

    ScopedFramebuffer(const ScopedFramebuffer&) = delete;
    ScopedFramebuffer& operator=(const ScopedFramebuffer&) = delete;

    // Every attachment a draw buffer, each cleared to its own value, and the depth buffer to `depth`.
    void fill(const std::vector<Texel>& values, float depth = 1.0f)
    {
        const float unused[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        m_Framebuffer.bind(false, unused);
        for (std::size_t i = 0; i < values.size(); ++i)
            glClearBufferfv(GL_COLOR, static_cast<GLint>(i), values[i].data());
        glDepthMask(GL_TRUE);
        glClearBufferfv(GL_DEPTH, 0, &depth);
    }

    Texel pixel(int attachment, int x, int y) const { return readPixel(m_Framebuffer.m_Fbo, attachment, x, y); }
    Texel pixel(int attachment, glm::ivec2 at) const { return pixel(attachment, at.x, at.y); }

    float depth(glm::ivec2 at) const
    {
        float value = 0.0f;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_Framebuffer.m_Fbo);
        glReadPixels(at.x, at.y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &value);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return value;
    }

    Framebuffer m_Framebuffer;
};

// Textures, vertex arrays and buffers a test made, deleted when it goes.
class OwnedObjects
{
public:
    OwnedObjects() = default;
    ~OwnedObjects()
    {
        glDeleteTextures(static_cast<GLsizei>(m_Textures.size()), m_Textures.data());
        glDeleteVertexArrays(static_cast<GLsizei>(m_VertexArrays.size()), m_VertexArrays.data());
        glDeleteBuffers(static_cast<GLsizei>(m_Buffers.size()), m_Buffers.data());
    }
    OwnedObjects(const OwnedObjects&) = delete;
    OwnedObjects& operator=(const OwnedObjects&) = delete;

    GLuint texture(GLuint name) { return m_Textures.emplace_back(name); }
    GLuint vertexArray(GLuint name) { return m_VertexArrays.emplace_back(name); }
    GLuint buffer(GLuint name) { return m_Buffers.emplace_back(name); }

private:
    std::vector<GLuint> m_Textures;
    std::vector<GLuint> m_VertexArrays;
    std::vector<GLuint> m_Buffers;
};

// Values read back from a render target, `channels` per texel, row by row from the bottom.
struct Image
{
    int width = 0;
    int height = 0;
    int channels = 4;
    std::vector<float> values;

    std::size_t at(int x, int y, int channel) const
    {
        return static_cast<std::size_t>((y * width + x) * channels + channel);
    }
    float value(int x, int y, int channel = 0) const { return values[at(x, y, channel)]; }
    // The channels beyond the image's are 0.
    Texel texel(int x, int y) const
    {
        Texel texel{};
        for (int c = 0; c < std::min(channels, 4); ++c)
            texel[static_cast<std::size_t>(c)] = value(x, y, c);
        return texel;
    }
    void set(int x, int y, const Texel& texel)
    {
        for (int c = 0; c < std::min(channels, 4); ++c)
            values[at(x, y, c)] = texel[static_cast<std::size_t>(c)];
    }
};

// An image of one colour.
inline Image uniformImage(int width, int height, const Texel& texel)
{
    Image image{width, height, 4, {}};
    for (int i = 0; i < width * height; ++i)
        image.values.insert(image.values.end(), texel.begin(), texel.end());
    return image;
}

// A rectangle of `buffer` of framebuffer `fbo` in `format`, with the read framebuffer bound for the
// call only.
inline Image readImage(GLuint fbo, GLenum buffer, GLenum format, int x, int y, int width, int height)
{
    const int channels = format == GL_RGBA ? 4 : 1;
    Image image{width, height, channels, std::vector<float>(static_cast<std::size_t>(width * height * channels))};
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    if (buffer != GL_NONE)
        glReadBuffer(buffer);
    glReadPixels(x, y, width, height, format, GL_FLOAT, image.values.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    return image;
}

// A rectangle of colour attachment `attachment` of framebuffer `fbo` (the window's back buffer for 0).
inline Image readImage(GLuint fbo, int attachment, int x, int y, int width, int height)
{
    const GLenum buffer = fbo == 0 ? GL_BACK : GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(attachment);
    return readImage(fbo, buffer, GL_RGBA, x, y, width, height);
}

// All of colour attachment `attachment` of a render target.
inline Image readImage(const Framebuffer& target, int attachment = 0)
{
    return readImage(target.m_Fbo, attachment, 0, 0, target.m_Width, target.m_Height);
}

// All of a render target's depth buffer, one channel.
inline Image readDepth(const Framebuffer& target)
{
    return readImage(target.m_Fbo, GL_NONE, GL_DEPTH_COMPONENT, 0, 0, target.m_Width, target.m_Height);
}

inline Texel readPixel(GLuint fbo, int attachment, int x, int y)
{
    return readImage(fbo, attachment, x, y, 1, 1).texel(0, 0);
}

// How far a value may lie from the expected one: `absolute` plus `relative` of the expected value's size.
// An infinity matches only itself.
struct Tolerance
{
    float absolute = 0.0f;
    float relative = 0.0f;

    bool admits(float expected, float actual) const
    {
        if (std::isinf(expected) || std::isinf(actual))
            return expected == actual;
        return std::fabs(actual - expected) <= absolute + relative * std::fabs(expected);
    }
};

inline std::string show(const Texel& texel)
{
    std::ostringstream out;
    out << '(' << texel[0] << ", " << texel[1] << ", " << texel[2] << ", " << texel[3] << ')';
    return out.str();
}

// For EXPECT_TRUE: shows both texels where they differ.
inline testing::AssertionResult sameTexel(const Texel& expected, const Texel& actual, Tolerance tolerance = {})
{
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!tolerance.admits(expected[i], actual[i]))
            return testing::AssertionFailure() << "expected " << show(expected) << ", got " << show(actual);
    return testing::AssertionSuccess();
}

// What parts two images, over the first `channels` channels of each texel.
struct ImageDifference
{
    std::size_t differing = 0;
    // Of one channel: infinite where an infinity meets anything else.
    float largest = 0.0f;
    float mean = 0.0f;
    // The first few texels that differ, with both values.
    std::string firstFew;
};

inline ImageDifference compareImages(const Image& expected, const Image& actual, Tolerance tolerance = {},
                                     int channels = 4)
{
    ImageDifference difference;
    if (expected.width != actual.width || expected.height != actual.height || expected.channels != actual.channels)
        return {static_cast<std::size_t>(std::max(expected.width * expected.height, 1)), 0.0f, 0.0f,
                "the sizes differ"};
    const int compared = std::min(channels, expected.channels);
    double sum = 0.0;
    std::ostringstream shown;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
        {
            bool differs = false;
            for (int c = 0; c < compared; ++c)
            {
                const float e = expected.value(x, y, c);
                const float a = actual.value(x, y, c);
                const float apart = e == a ? 0.0f : std::fabs(e - a);
                sum += apart;
                difference.largest = std::max(difference.largest, apart);
                differs = differs || !tolerance.admits(e, a);
            }
            if (differs && difference.differing++ < 4)
                shown << "\n  (" << x << ", " << y << "): expected " << show(expected.texel(x, y)) << ", got "
                      << show(actual.texel(x, y));
        }
    difference.mean = static_cast<float>(sum / std::max(1, expected.width * expected.height * compared));
    difference.firstFew = shown.str();
    return difference;
}

// Passes where no texel differs; otherwise says how many do, by how much, and shows the first few.
inline testing::AssertionResult sameImage(const Image& expected, const Image& actual, Tolerance tolerance = {},
                                          int channels = 4)
{
    const ImageDifference difference = compareImages(expected, actual, tolerance, channels);
    if (difference.differing == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << difference.differing << " of " << expected.width * expected.height
                                       << " texels differ, by up to " << difference.largest << " (mean "
                                       << difference.mean << "):" << difference.firstFew;
}

// One triangle over the whole viewport at clip-space depth `depth`, drawn with the fragment stage the test
// writes. The program's own loader builds it, so the stage may include the shared texts of shader/ and is
// handed `constants` as the program's stages are.
class FullScreenProbe
{
public:
    explicit FullScreenProbe(const std::string& fragment, const Shader::Constants& constants = {}, float depth = 0.0f)
    {
        // A shader folder of its own beside links to the repository's shared texts.
        const TempDir directory;
        std::filesystem::create_directories(directory.path() / "shader");
        for (const auto& entry : std::filesystem::directory_iterator(sourceDir() / "shader"))
            if (entry.path().extension() == ".glsl")
                std::filesystem::create_symlink(entry.path(), directory.path() / "shader" / entry.path().filename());
        directory.write("shader/Probe.vertexShader.txt", "#version 400 core\n"
                                                         "void main()\n"
                                                         "{\n"
                                                         "    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0,\n"
                                                         "                       gl_VertexID == 2 ? 3.0 : -1.0);\n"
                                                         "    gl_Position = vec4(corner, ProbeDepth, 1.0);\n"
                                                         "}\n");
        directory.write("shader/Probe.fragmentShader.txt", fragment);
        Shader::Constants all = constants;
        all.push_back(Shader::constant("ProbeDepth", depth));
        const ScopedWorkingDirectory inside(directory.path());
        const CoutCapture console;
        try
        {
            m_Program = Shader::loadProgram("Probe", false, all);
        }
        catch (const std::exception& error)
        {
            ADD_FAILURE() << "the probe program: " << error.what() << "\n" << console.text() << fragment;
        }
        glGenVertexArrays(1, &m_VertexArray);
    }

    ~FullScreenProbe()
    {
        glDeleteVertexArrays(1, &m_VertexArray);
        glDeleteProgram(m_Program);
    }

    FullScreenProbe(const FullScreenProbe&) = delete;
    FullScreenProbe& operator=(const FullScreenProbe&) = delete;

    GLint uniform(const char* name) const { return glGetUniformLocation(m_Program, name); }

    // With the program current: `setUniforms`, then the triangle. Leaves no program or vertex array bound.
    void draw(const std::function<void()>& setUniforms = {}) const
    {
        glUseProgram(m_Program);
        if (setUniforms)
            setUniforms();
        glBindVertexArray(m_VertexArray);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(0);
        glUseProgram(0);
    }

private:
    GLuint m_Program = 0;
    GLuint m_VertexArray = 0;
};

// Holds `camera` `distance` from `body`, looking at it along the horizontal `angle`, as the tour holds it.
inline void holdCamera(Camera::Camera& camera, Resource::IModel* body, float distance, float angle = 0.0f)
{
    camera.setAnimation(Camera::makeHold(body, distance, angle));
    camera.update(0.0f);
}
