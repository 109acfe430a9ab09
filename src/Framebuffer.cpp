#include "Framebuffer.h"

#include <array>
#include <cassert>

namespace
{
// Binding happens every frame: the draw-buffer lists live on the stack, not the heap.
constexpr std::size_t MaxAttachments = 16;
constexpr std::array<GLenum, MaxAttachments> AllAttachments = {
    GL_COLOR_ATTACHMENT0,  GL_COLOR_ATTACHMENT1,  GL_COLOR_ATTACHMENT2,  GL_COLOR_ATTACHMENT3,
    GL_COLOR_ATTACHMENT4,  GL_COLOR_ATTACHMENT5,  GL_COLOR_ATTACHMENT6,  GL_COLOR_ATTACHMENT7,
    GL_COLOR_ATTACHMENT8,  GL_COLOR_ATTACHMENT9,  GL_COLOR_ATTACHMENT10, GL_COLOR_ATTACHMENT11,
    GL_COLOR_ATTACHMENT12, GL_COLOR_ATTACHMENT13, GL_COLOR_ATTACHMENT14, GL_COLOR_ATTACHMENT15,
};

[[maybe_unused]] GLint integer(GLenum query)
{
    GLint value = 0;
    glGetIntegerv(query, &value);
    return value;
}
} // namespace

void Framebuffer::create()
{
    // Beyond the driver's limit a target could only be incomplete; llvmpipe crashes on far larger sizes instead.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (m_Width > maxSize || m_Height > maxSize)
        throw "FBO is incomplete!!!";
    glGenFramebuffers(1, &m_Fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Fbo);

    m_Textures.resize(static_cast<std::size_t>(m_NumTextures));
    glGenTextures(m_NumTextures, m_Textures.data());
    for (int i = 0; i < m_NumTextures; ++i)
    {
        const GLint internalFormat = m_FloatTextures.count(i) ? GL_RGBA32F : GL_RGBA8;
        glBindTexture(GL_TEXTURE_2D, m_Textures[static_cast<std::size_t>(i)]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, m_Width, m_Height, 0, GL_RGBA, GL_FLOAT, nullptr);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i), GL_TEXTURE_2D,
                               m_Textures[static_cast<std::size_t>(i)], 0);
    }

    glGenRenderbuffers(1, &m_DepthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, m_DepthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, m_Width, m_Height);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_DepthBuffer);

    if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        throw "FBO is incomplete!!!";
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
}

void Framebuffer::bind(bool clear, const float (&clearColor)[4])
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Fbo);
    if (m_NumTextures > 0)
    {
        assert(static_cast<std::size_t>(m_NumTextures) <= MaxAttachments);
        glDrawBuffers(m_NumTextures, AllAttachments.data());
    }
    if (clear)
    {
        // A clear only reaches the depth buffer while depth writes are on.
        glDepthMask(GL_TRUE);
        glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glViewport(0, 0, m_Width, m_Height);
}

void Framebuffer::bindTextures(std::initializer_list<int> textures)
{
    bindTextures(textures.begin(), textures.size());
}

void Framebuffer::bindTextures(const std::vector<int>& textures)
{
    bindTextures(textures.data(), textures.size());
}

void Framebuffer::bindTextures(const int* textures, std::size_t count)
{
    assert(count > 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Fbo);
    assert(count <= MaxAttachments);
    std::array<GLenum, MaxAttachments> buffers{};
    for (std::size_t k = 0; k < count; ++k)
        buffers[k] = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(textures[k]);
    glDrawBuffers(static_cast<GLsizei>(count), buffers.data());
    glViewport(0, 0, m_Width, m_Height);
}

void Framebuffer::initScreen(int width, int height)
{
    *this = Framebuffer();
    m_Width = width;
    m_Height = height;
    m_NumTextures = 0;
}

void Framebuffer::clearAttachment(int attachment, const float (&clearColor)[4])
{
    assert(integer(GL_DRAW_FRAMEBUFFER_BINDING) == static_cast<GLint>(m_Fbo) && "bind before clearing");
    assert((m_NumTextures == 0 ? attachment == 0 : attachment < m_NumTextures) && "an attachment of the target");
    glClearBufferfv(GL_COLOR, attachment, clearColor);
}

void Framebuffer::clearDepth()
{
    assert(integer(GL_DRAW_FRAMEBUFFER_BINDING) == static_cast<GLint>(m_Fbo) && "bind before clearing");
    // A clear only reaches the depth buffer while depth writes are on.
    glDepthMask(GL_TRUE);
    const float farthest = 1.0f;
    glClearBufferfv(GL_DEPTH, 0, &farthest);
}
