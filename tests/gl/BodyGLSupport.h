// What the body GL tests share: a small scene-like target and the state a body's draw touches.
#pragma once

#include "Framebuffer.h"
#include "GLContext.h"
#include "Model.h"

#include <glm/gtc/matrix_transform.hpp>

#include <array>
#include <limits>
#include <set>
#include <utility>

namespace BodyGL
{

constexpr int TargetSize = 16;
constexpr float Infinity = std::numeric_limits<float>::infinity();

// The state a body's draw changes, saved on construction and put back on destruction.
class StateGuard
{
public:
    StateGuard()
    {
        m_DepthTest = glIsEnabled(GL_DEPTH_TEST);
        m_CullFace = glIsEnabled(GL_CULL_FACE);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &m_DepthMask);
        glGetIntegerv(GL_FRONT_FACE, &m_FrontFace);
        glGetIntegerv(GL_CULL_FACE_MODE, &m_CullFaceMode);
        glGetIntegerv(GL_VIEWPORT, m_Viewport.data());
        glGetFloatv(GL_COLOR_CLEAR_VALUE, m_ClearColor.data());
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &m_DrawFramebuffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &m_ActiveTexture);
        glGetIntegerv(GL_PATCH_VERTICES, &m_PatchVertices);
        for (std::size_t unit = 0; unit < m_Textures.size(); ++unit)
        {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_Textures[unit]);
        }
        glActiveTexture(static_cast<GLenum>(m_ActiveTexture));
    }

    ~StateGuard()
    {
        setEnabled(GL_DEPTH_TEST, m_DepthTest);
        setEnabled(GL_CULL_FACE, m_CullFace);
        glDepthMask(m_DepthMask);
        glFrontFace(static_cast<GLenum>(m_FrontFace));
        glCullFace(static_cast<GLenum>(m_CullFaceMode));
        glViewport(m_Viewport[0], m_Viewport[1], m_Viewport[2], m_Viewport[3]);
        glClearColor(m_ClearColor[0], m_ClearColor[1], m_ClearColor[2], m_ClearColor[3]);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(m_DrawFramebuffer));
        glPatchParameteri(GL_PATCH_VERTICES, m_PatchVertices);
        for (std::size_t unit = 0; unit < m_Textures.size(); ++unit)
        {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_Textures[unit]));
        }
        glActiveTexture(static_cast<GLenum>(m_ActiveTexture));
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glUseProgram(0);
        glBindVertexArray(0);
    }

    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

private:
    static void setEnabled(GLenum capability, GLboolean enabled)
    {
        if (enabled)
            glEnable(capability);
        else
            glDisable(capability);
    }

    GLboolean m_DepthTest = GL_FALSE;
    GLboolean m_CullFace = GL_FALSE;
    GLboolean m_DepthMask = GL_TRUE;
    GLint m_FrontFace = GL_CCW;
    GLint m_CullFaceMode = GL_BACK;
    std::array<GLint, 4> m_Viewport{};
    std::array<GLfloat, 4> m_ClearColor{};
    GLint m_DrawFramebuffer = 0;
    GLint m_ActiveTexture = GL_TEXTURE0;
    GLint m_PatchVertices = 3;
    std::array<GLint, 4> m_Textures{};
};

// A small copy of the renderer's scene target: colour and glow in 8 bits, Earth data in floats.
class Target
{
public:
    explicit Target(int attachments, std::set<int> floatAttachments = {})
    {
        m_Framebuffer.m_Width = TargetSize;
        m_Framebuffer.m_Height = TargetSize;
        m_Framebuffer.m_NumTextures = attachments;
        m_Framebuffer.m_FloatTextures = std::move(floatAttachments);
        m_Framebuffer.create();
    }

    ~Target()
    {
        glDeleteFramebuffers(1, &m_Framebuffer.m_Fbo);
        glDeleteTextures(static_cast<GLsizei>(m_Framebuffer.m_Textures.size()), m_Framebuffer.m_Textures.data());
        glDeleteRenderbuffers(1, &m_Framebuffer.m_DepthBuffer);
    }

    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    // As the renderer clears its scene target: +inf survives in float attachments only.
    void bindCleared()
    {
        const float clear[4] = {0.0f, 0.0f, Infinity, 0.0f};
        m_Framebuffer.bind(true, clear);
    }

    std::array<float, 4> pixel(int attachment, int x, int y) const
    {
        return readPixel(m_Framebuffer.m_Fbo, attachment, x, y);
    }

private:
    Framebuffer m_Framebuffer;
};

// A camera at `eye` looking at `target` with z up, as the program's camera builds it.
inline void lookAt(Resource::IModel& body, const glm::vec3& eye, const glm::vec3& target)
{
    const glm::mat4 view = glm::lookAt(eye, target, glm::vec3(0.0f, 0.0f, 1.0f));
    const glm::mat4 projection = glm::perspective(glm::radians(60.0f), 1.0f, 0.01f, 100.0f);
    body.setMatrices(view, projection);
}

inline float luminance(const std::array<float, 4>& pixel)
{
    return 0.2126f * pixel[0] + 0.7152f * pixel[1] + 0.0722f * pixel[2];
}

} // namespace BodyGL
