// Reading, comparing and putting back the GL state that the code under test changes.
#pragma once

#include <GL/glew.h>

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

namespace GLState
{

inline GLint integer(GLenum query)
{
    GLint value = -1;
    glGetIntegerv(query, &value);
    return value;
}

inline void setEnabled(GLenum capability, bool enabled)
{
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

// Bindings and settings by name, so that a failed comparison says what differs.
using Snapshot = std::map<std::string, GLint>;

// Every binding and setting that drawing code changes.
inline Snapshot capture()
{
    const std::pair<const char*, GLenum> integers[] = {
        {"draw framebuffer", GL_DRAW_FRAMEBUFFER_BINDING}, {"read framebuffer", GL_READ_FRAMEBUFFER_BINDING},
        {"read buffer", GL_READ_BUFFER}, {"program", GL_CURRENT_PROGRAM}, {"vertex array", GL_VERTEX_ARRAY_BINDING},
        {"array buffer", GL_ARRAY_BUFFER_BINDING}, {"active texture", GL_ACTIVE_TEXTURE},
        {"texture", GL_TEXTURE_BINDING_2D}, {"cube map", GL_TEXTURE_BINDING_CUBE_MAP},
        {"renderbuffer", GL_RENDERBUFFER_BINDING}, {"depth function", GL_DEPTH_FUNC}, {"front face", GL_FRONT_FACE},
        {"culled face", GL_CULL_FACE_MODE}, {"blend source", GL_BLEND_SRC_RGB}, {"blend destination", GL_BLEND_DST_RGB},
        {"blend source alpha", GL_BLEND_SRC_ALPHA}, {"blend destination alpha", GL_BLEND_DST_ALPHA},
        {"blend equation", GL_BLEND_EQUATION_RGB}};
    const std::pair<const char*, GLenum> capabilities[] = {
        {"depth test", GL_DEPTH_TEST}, {"face culling", GL_CULL_FACE}, {"blending", GL_BLEND},
        {"scissor test", GL_SCISSOR_TEST}, {"seamless cube maps", GL_TEXTURE_CUBE_MAP_SEAMLESS}};
    Snapshot state;
    for (const auto& [name, query] : integers)
        glGetIntegerv(query, &state[name]);
    for (const auto& [name, capability] : capabilities)
        state[name] = glIsEnabled(capability);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    state["depth writes"] = depthMask;
    std::array<GLboolean, 4> colourMask{};
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask.data());
    state["colour writes"] = colourMask[0] && colourMask[1] && colourMask[2] && colourMask[3];
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    for (std::size_t i = 0; i < viewport.size(); ++i)
        state["viewport " + std::to_string(i)] = viewport[i];
    return state;
}

// Every setting the drawing code under test changes, saved on construction and put back on
// destruction, so that the next test starts from the same state whatever this one left.
// Objects are unbound rather than bound again: one the test deleted must not come back.
class Guard
{
public:
    Guard()
    {
        for (std::size_t i = 0; i < Capabilities.size(); ++i)
            m_Enabled[i] = glIsEnabled(Capabilities[i]);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &m_DepthMask);
        m_DepthFunc = integer(GL_DEPTH_FUNC);
        m_FrontFace = integer(GL_FRONT_FACE);
        m_CullFaceMode = integer(GL_CULL_FACE_MODE);
        m_BlendSourceRGB = integer(GL_BLEND_SRC_RGB);
        m_BlendDestinationRGB = integer(GL_BLEND_DST_RGB);
        m_BlendSourceAlpha = integer(GL_BLEND_SRC_ALPHA);
        m_BlendDestinationAlpha = integer(GL_BLEND_DST_ALPHA);
        m_BlendEquationRGB = integer(GL_BLEND_EQUATION_RGB);
        m_BlendEquationAlpha = integer(GL_BLEND_EQUATION_ALPHA);
        m_PatchVertices = integer(GL_PATCH_VERTICES);
        m_ActiveTexture = integer(GL_ACTIVE_TEXTURE);
        glGetIntegerv(GL_VIEWPORT, m_Viewport.data());
        glGetFloatv(GL_COLOR_CLEAR_VALUE, m_ClearColor.data());
        glGetFloatv(GL_DEPTH_CLEAR_VALUE, &m_ClearDepth);
        glGetIntegerv(GL_SCISSOR_BOX, m_Scissor.data());
        glGetPointerv(GL_DEBUG_CALLBACK_FUNCTION, &m_DebugCallback);
        glGetPointerv(GL_DEBUG_CALLBACK_USER_PARAM, &m_DebugUserParam);
        // The window's own buffers: with a framebuffer bound the queries would name its attachments.
        const GLint drawFramebuffer = integer(GL_DRAW_FRAMEBUFFER_BINDING);
        const GLint readFramebuffer = integer(GL_READ_FRAMEBUFFER_BINDING);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        m_WindowDrawBuffer = integer(GL_DRAW_BUFFER);
        m_WindowReadBuffer = integer(GL_READ_BUFFER);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    }

    ~Guard()
    {
        for (std::size_t i = 0; i < Capabilities.size(); ++i)
            setEnabled(Capabilities[i], m_Enabled[i] == GL_TRUE);
        glDepthMask(m_DepthMask);
        glDepthFunc(static_cast<GLenum>(m_DepthFunc));
        glFrontFace(static_cast<GLenum>(m_FrontFace));
        glCullFace(static_cast<GLenum>(m_CullFaceMode));
        glBlendFuncSeparate(static_cast<GLenum>(m_BlendSourceRGB), static_cast<GLenum>(m_BlendDestinationRGB),
                            static_cast<GLenum>(m_BlendSourceAlpha), static_cast<GLenum>(m_BlendDestinationAlpha));
        glBlendEquationSeparate(static_cast<GLenum>(m_BlendEquationRGB), static_cast<GLenum>(m_BlendEquationAlpha));
        glPatchParameteri(GL_PATCH_VERTICES, m_PatchVertices);
        glViewport(m_Viewport[0], m_Viewport[1], m_Viewport[2], m_Viewport[3]);
        glClearColor(m_ClearColor[0], m_ClearColor[1], m_ClearColor[2], m_ClearColor[3]);
        glClearDepth(m_ClearDepth);
        glScissor(m_Scissor[0], m_Scissor[1], m_Scissor[2], m_Scissor[3]);
        // A report the test switched on must not print during the tests after it.
        glDebugMessageCallback(reinterpret_cast<GLDEBUGPROC>(m_DebugCallback), m_DebugUserParam);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDrawBuffer(static_cast<GLenum>(m_WindowDrawBuffer));
        glReadBuffer(static_cast<GLenum>(m_WindowReadBuffer));
        for (GLenum unit = 0; unit < TextureUnits; ++unit)
        {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, 0);
            glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        }
        glActiveTexture(static_cast<GLenum>(m_ActiveTexture));
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glUseProgram(0);
        glBindVertexArray(0);
    }

    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    static constexpr std::array<GLenum, 7> Capabilities{GL_DEPTH_TEST,   GL_CULL_FACE,    GL_BLEND,
                                                        GL_SCISSOR_TEST, GL_DEBUG_OUTPUT, GL_DEBUG_OUTPUT_SYNCHRONOUS,
                                                        GL_TEXTURE_CUBE_MAP_SEAMLESS};
    // The program uses at most five units; eight leave room.
    static constexpr GLenum TextureUnits = 8;

    std::array<GLboolean, Capabilities.size()> m_Enabled{};
    GLboolean m_DepthMask = GL_TRUE;
    GLint m_DepthFunc = GL_LESS;
    GLint m_FrontFace = GL_CCW;
    GLint m_CullFaceMode = GL_BACK;
    GLint m_BlendSourceRGB = GL_ONE;
    GLint m_BlendDestinationRGB = GL_ZERO;
    GLint m_BlendSourceAlpha = GL_ONE;
    GLint m_BlendDestinationAlpha = GL_ZERO;
    GLint m_BlendEquationRGB = GL_FUNC_ADD;
    GLint m_BlendEquationAlpha = GL_FUNC_ADD;
    GLint m_PatchVertices = 3;
    GLint m_ActiveTexture = GL_TEXTURE0;
    std::array<GLint, 4> m_Viewport{};
    std::array<GLfloat, 4> m_ClearColor{};
    GLfloat m_ClearDepth = 1.0f;
    std::array<GLint, 4> m_Scissor{};
    void* m_DebugCallback = nullptr;
    void* m_DebugUserParam = nullptr;
    GLint m_WindowDrawBuffer = GL_BACK;
    GLint m_WindowReadBuffer = GL_BACK;
};

} // namespace GLState
