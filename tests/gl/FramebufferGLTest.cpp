// Render-target records on the real driver: storage, clearing, draw-buffer routing.
#include "Framebuffer.h"
#include "GLContext.h"
#include "GLKit.h"
#include "GLState.h"

#include <array>
#include <deque>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace
{

constexpr int Size = 16;
constexpr Tolerance Close{1e-6f};
constexpr float Infinity = std::numeric_limits<float>::infinity();

using GLState::integer;

std::array<GLint, 4> viewport()
{
    std::array<GLint, 4> value{};
    glGetIntegerv(GL_VIEWPORT, value.data());
    return value;
}

std::array<float, 4> clearColor()
{
    std::array<float, 4> value{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, value.data());
    return value;
}

bool depthMask()
{
    GLboolean value = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &value);
    return value == GL_TRUE;
}

// Output j writes (j + 1) / 10 in every channel.
const char* const RoutingFragment = R"(#version 400 core
layout(location = 0) out vec4 out0;
layout(location = 1) out vec4 out1;
layout(location = 2) out vec4 out2;
void main()
{
    out0 = vec4(0.1);
    out1 = vec4(0.2);
    out2 = vec4(0.3);
}
)";

class FramebufferGLTest : public GLTest
{
protected:
    Framebuffer make(int numTextures, std::set<int> floatTextures, int width = Size, int height = Size)
    {
        const Framebuffer& target =
            m_Made.emplace_back(width, height, numTextures, std::move(floatTextures)).m_Framebuffer;
        // Creation leaves its last texture and the renderbuffer bound.
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        return target;
    }

    // Records own nothing, so the test deletes what it made.
    std::deque<ScopedFramebuffer> m_Made;
};

TEST_F(FramebufferGLTest, CreateGivesEachAttachmentItsStorageAndA32BitDepthBuffer)
{
    struct Case
    {
        const char* name;
        int numTextures;
        std::set<int> floatTextures;
        int width;
        int height;
    };
    const std::vector<Case> cases = {
        {"scene target", 3, {2}, Size, Size},
        {"atmosphere target", 5, {0, 1, 2, 3, 4}, Size, Size},
        {"bloom level", 1, {}, 8, 4},
        {"mixed, not square", 4, {1, 3}, 16, 5},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Framebuffer target = make(c.numTextures, c.floatTextures, c.width, c.height);

        EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
        ASSERT_EQ(target.m_Textures.size(), static_cast<std::size_t>(c.numTextures));
        EXPECT_TRUE(glIsFramebuffer(target.m_Fbo));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.m_Fbo);
        for (int i = 0; i < c.numTextures; ++i)
        {
            SCOPED_TRACE(i);
            const GLuint texture = target.m_Textures[static_cast<std::size_t>(i)];
            GLint attached = 0;
            glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i),
                                                  GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attached);
            EXPECT_EQ(static_cast<GLuint>(attached), texture);

            glBindTexture(GL_TEXTURE_2D, texture);
            GLint format = 0;
            GLint width = 0;
            GLint height = 0;
            GLint levelOne = -1;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOne);
            EXPECT_EQ(format, c.floatTextures.count(i) ? GL_RGBA32F : GL_RGBA8);
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
            EXPECT_EQ(levelOne, 0) << "only level 0 is allocated";
            const std::vector<std::pair<GLenum, GLint>> parameters = {
                {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
                {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE},
            };
            for (const auto& [parameter, expected] : parameters)
            {
                GLint value = 0;
                glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
                EXPECT_EQ(value, expected) << parameter;
            }
        }
        glBindTexture(GL_TEXTURE_2D, 0);

        GLint type = 0;
        GLint name = 0;
        GLint depthBits = 0;
        GLint stencilBits = -1;
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depthBits);
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_STENCIL_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &stencilBits);
        EXPECT_EQ(type, GL_RENDERBUFFER);
        EXPECT_EQ(static_cast<GLuint>(name), target.m_DepthBuffer);
        EXPECT_EQ(depthBits, 32);
        EXPECT_EQ(stencilBits, GL_NONE) << "no stencil attachment";
        glBindRenderbuffer(GL_RENDERBUFFER, target.m_DepthBuffer);
        GLint depthWidth = 0;
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &depthWidth);
        EXPECT_EQ(depthWidth, c.width);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    }
}

TEST_F(FramebufferGLTest, ZeroSizedTargetThrowsThePlainString)
{
    struct Case
    {
        int width;
        int height;
    };
    const std::vector<Case> cases = {{0, Size}, {Size, 0}, {0, 0}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Framebuffer target;
        target.m_NumTextures = 1;
        target.m_Width = c.width;
        target.m_Height = c.height;
        const char* message = nullptr;
        try
        {
            target.create();
        }
        catch (const char* text)
        {
            message = text;
        }
        m_Made.emplace_back(target);
        ASSERT_NE(message, nullptr) << "no plain-string exception";
        EXPECT_STREQ(message, "FBO is incomplete!!!");
        // The incomplete framebuffer stays bound.
        EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target.m_Fbo));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    }
}

TEST_F(FramebufferGLTest, ClearStoresInfinityInFloatAttachmentsAndClampsEightBitOnes)
{
    Framebuffer target = make(3, {2});
    glDepthMask(GL_FALSE);
    const float colour[4] = {0.0f, 0.0f, Infinity, 0.0f};
    target.bind(true, colour);

    EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target.m_Fbo));
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, Size, Size}));
    EXPECT_TRUE(depthMask()) << "depth writes stay enabled after a clearing bind";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(integer(GL_DRAW_BUFFER0 + static_cast<GLenum>(i)), GL_COLOR_ATTACHMENT0 + i);

    struct Case
    {
        int attachment;
        std::array<float, 4> expected;
    };
    const std::vector<Case> cases = {
        {0, {0.0f, 0.0f, 1.0f, 0.0f}},
        {1, {0.0f, 0.0f, 1.0f, 0.0f}},
        {2, {0.0f, 0.0f, Infinity, 0.0f}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.attachment);
        EXPECT_TRUE(sameTexel(c.expected, readPixel(target.m_Fbo, c.attachment, 0, 0), Close));
        EXPECT_TRUE(sameTexel(c.expected, readPixel(target.m_Fbo, c.attachment, Size - 1, Size - 1), Close));
    }

    // Depth was cleared too, to the initial clear depth of 1.
    float depth = 0.0f;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.m_Fbo);
    glReadPixels(3, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    EXPECT_FLOAT_EQ(depth, 1.0f);
}

TEST_F(FramebufferGLTest, BindWithoutClearChangesNoStateButBindingDrawBuffersAndViewport)
{
    Framebuffer target = make(3, {0, 1, 2});
    const float first[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    target.bind(true, first);
    // Leave the draw buffers narrowed, as a routed pass does, and the state a caller might have.
    target.bindTextures({1});
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, 3, 3);
    glDepthMask(GL_FALSE);
    glClearColor(0.125f, 0.0f, 0.0f, 0.0f);

    const float unused[4] = {9.0f, 9.0f, 9.0f, 9.0f};
    target.bind(false, unused);

    EXPECT_FALSE(depthMask());
    const std::array<float, 4> expectedClear = {0.125f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(clearColor(), expectedClear);
    EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target.m_Fbo));
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, Size, Size}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(integer(GL_DRAW_BUFFER0 + static_cast<GLenum>(i)), GL_COLOR_ATTACHMENT0 + i) << i;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(sameTexel({0.25f, 0.5f, 0.75f, 1.0f}, readPixel(target.m_Fbo, i, 7, 7), Close));
}

TEST_F(FramebufferGLTest, BindTexturesRoutesOutputsToExactlyTheListedAttachments)
{
    struct Case
    {
        const char* name;
        int numTextures;
        std::vector<int> list;
    };
    const std::vector<Case> cases = {
        {"first two of three", 3, {0, 1}},
        {"all three", 3, {0, 1, 2}},
        {"swapped", 3, {1, 0}},
        {"last of five", 5, {4}},
        {"scattered over five", 5, {3, 0, 4}},
    };
    const FullScreenProbe routing(RoutingFragment);
    const float untouched = -1.0f;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::set<int> all;
        for (int i = 0; i < c.numTextures; ++i)
            all.insert(i);
        Framebuffer target = make(c.numTextures, all);
        const float clear[4] = {untouched, untouched, untouched, untouched};
        target.bind(true, clear);
        glViewport(0, 0, 1, 1);

        target.bindTextures(c.list);

        EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target.m_Fbo));
        EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, Size, Size}));
        routing.draw();

        for (int attachment = 0; attachment < c.numTextures; ++attachment)
        {
            SCOPED_TRACE(attachment);
            float expected = untouched;
            for (std::size_t output = 0; output < c.list.size(); ++output)
                if (c.list[output] == attachment)
                    expected = 0.1f * static_cast<float>(output + 1);
            EXPECT_TRUE(
                sameTexel({expected, expected, expected, expected}, readPixel(target.m_Fbo, attachment, 0, 0), Close));
            EXPECT_TRUE(sameTexel({expected, expected, expected, expected},
                                  readPixel(target.m_Fbo, attachment, Size - 1, Size - 1), Close));
        }
    }
}

TEST_F(FramebufferGLTest, CopyNamesTheSameTargetAndItsEndLeavesTheSourceUsable)
{
    Framebuffer source = make(2, {1});
    {
        Framebuffer copy = source;
        Framebuffer assigned;
        assigned = source;
        for (const Framebuffer* other : {&copy, &assigned})
        {
            EXPECT_EQ(other->m_Fbo, source.m_Fbo);
            EXPECT_EQ(other->m_Textures, source.m_Textures);
            EXPECT_EQ(other->m_DepthBuffer, source.m_DepthBuffer);
        }
        const float colour[4] = {0.0f, 0.5f, 0.0f, 1.0f};
        copy.bind(true, colour);
        EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(source.m_Fbo));
    }
    // What the copy drew is in the source's attachments, and the source still binds and clears.
    EXPECT_TRUE(sameTexel({0.0f, 0.5f, 0.0f, 1.0f}, readPixel(source.m_Fbo, 1, 2, 2), Close));
    EXPECT_TRUE(glIsFramebuffer(source.m_Fbo));
    const float colour[4] = {0.0f, 0.0f, 2.0f, 1.0f};
    source.bind(true, colour);
    EXPECT_TRUE(sameTexel({0.0f, 0.0f, 2.0f, 1.0f}, readPixel(source.m_Fbo, 1, 2, 2), Close));
}

TEST_F(FramebufferGLTest, ScreenRecordBindsTheWindowAndSetsNoDrawBuffers)
{
    Framebuffer record = make(2, {1});
    record.initScreen(32, 24);

    EXPECT_EQ(record.m_NumTextures, 0);
    EXPECT_EQ(record.m_Width, 32);
    EXPECT_EQ(record.m_Height, 24);
    EXPECT_TRUE(record.m_FloatTextures.empty());
    EXPECT_TRUE(record.m_Textures.empty());
    EXPECT_EQ(record.m_Fbo, 0u);
    EXPECT_EQ(record.m_DepthBuffer, 0u);

    const GLint windowDrawBuffer = integer(GL_DRAW_BUFFER);
    // Start from another target so the bind has to switch back to the window.
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Made.back().m_Framebuffer.m_Fbo);
    const float colour[4] = {0.5f, 0.25f, 0.75f, 1.0f};
    record.bind(true, colour);

    EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(integer(GL_DRAW_BUFFER), windowDrawBuffer);
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, 32, 24}));
    const std::array<float, 4> pixel = readPixel(0, 0, 4, 4);
    // The window stores 8 bits per channel.
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(pixel[i], colour[i], 1.0f / 255.0f) << i;
}

} // namespace
