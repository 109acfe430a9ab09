// Framebuffers and programs that GL tests make for themselves.
#pragma once

#include "Framebuffer.h"
#include "GLContext.h"

#include <glm/glm.hpp>

#include <array>
#include <cstddef>
#include <set>
#include <utility>
#include <vector>

// A render target as the program makes them. The record owns nothing: see deleteFramebuffer.
inline Framebuffer makeFramebuffer(int width, int height, int attachments, std::set<int> floatAttachments = {})
{
    Framebuffer framebuffer;
    framebuffer.m_Width = width;
    framebuffer.m_Height = height;
    framebuffer.m_NumTextures = attachments;
    framebuffer.m_FloatTextures = std::move(floatAttachments);
    framebuffer.create();
    return framebuffer;
}

inline void deleteFramebuffer(const Framebuffer& framebuffer)
{
    glDeleteFramebuffers(1, &framebuffer.m_Fbo);
    glDeleteTextures(static_cast<GLsizei>(framebuffer.m_Textures.size()), framebuffer.m_Textures.data());
    glDeleteRenderbuffers(1, &framebuffer.m_DepthBuffer);
}

// Every texel of a colour attachment of a framebuffer of the given record's size, RGBA floats row by
// row from the bottom.
inline std::vector<float> readColour(const Framebuffer& framebuffer, int attachment = 0)
{
    std::vector<float> pixels(static_cast<std::size_t>(framebuffer.m_Width) *
                              static_cast<std::size_t>(framebuffer.m_Height) * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer.m_Fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(attachment));
    glReadPixels(0, 0, framebuffer.m_Width, framebuffer.m_Height, GL_RGBA, GL_FLOAT, pixels.data());
    return pixels;
}

// A render target deleted again when the test ends.
class ScopedFramebuffer
{
public:
    ScopedFramebuffer(int width, int height, int attachments, std::set<int> floatAttachments = {})
        : m_Framebuffer(makeFramebuffer(width, height, attachments, std::move(floatAttachments)))
    {
    }

    ~ScopedFramebuffer() { deleteFramebuffer(m_Framebuffer); }

    ScopedFramebuffer(const ScopedFramebuffer&) = delete;
    ScopedFramebuffer& operator=(const ScopedFramebuffer&) = delete;

    // Every attachment a draw buffer, each cleared to its own value, and the depth buffer to `depth`.
    void fill(const std::vector<std::array<float, 4>>& values, float depth = 1.0f)
    {
        const float unused[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        m_Framebuffer.bind(false, unused);
        for (std::size_t i = 0; i < values.size(); ++i)
            glClearBufferfv(GL_COLOR, static_cast<GLint>(i), values[i].data());
        glDepthMask(GL_TRUE);
        glClearBufferfv(GL_DEPTH, 0, &depth);
    }

    std::array<float, 4> pixel(int attachment, int x, int y) const
    {
        return readPixel(m_Framebuffer.m_Fbo, attachment, x, y);
    }

    std::array<float, 4> pixel(int attachment, glm::ivec2 at) const { return pixel(attachment, at.x, at.y); }

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

// Fails the test, showing the text, where the stage does not compile.
inline GLuint compileShader(GLenum type, const char* text)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    EXPECT_EQ(status, GL_TRUE) << text;
    return shader;
}

// A program of the two stages; whether it linked is for the caller to ask.
inline GLuint linkProgram(const char* vertexText, const char* fragmentText)
{
    const GLuint vertex = compileShader(GL_VERTEX_SHADER, vertexText);
    const GLuint fragment = compileShader(GL_FRAGMENT_SHADER, fragmentText);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}
