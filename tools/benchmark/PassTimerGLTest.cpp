#include "GLContext.h"
#include "GLObjects.h"

#include "PassTimer.h"

#include <chrono>
#include <cmath>

namespace
{
const char* const CornerVertex = "#version 400 core\n"
                                 "layout(location = 0) in vec2 position;\n"
                                 "void main() { gl_Position = vec4(position, 0.0, 1.0); }\n";
// Enough arithmetic per fragment that a large target takes measurable time on a software renderer.
const char* const BusyFragment = "#version 400 core\n"
                                 "layout(location = 0) out vec4 color;\n"
                                 "void main()\n"
                                 "{\n"
                                 "    vec2 p = gl_FragCoord.xy;\n"
                                 "    for (int i = 0; i < 512; ++i) p = vec2(sin(p.y + 0.1), cos(p.x));\n"
                                 "    color = vec4(p, 0.0, 1.0);\n"
                                 "}\n";
} // namespace

class PassTimerGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        m_Program = linkProgram(CornerVertex, BusyFragment);
        GLint linked = GL_FALSE;
        glGetProgramiv(m_Program, GL_LINK_STATUS, &linked);
        ASSERT_EQ(linked, GL_TRUE);
        glGenFramebuffers(1, &m_Framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, m_Framebuffer);
        glGenTextures(1, &m_Texture);
        glBindTexture(GL_TEXTURE_2D, m_Texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Size, Size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_Texture, 0);
        const float corners[] = {-1.0f, -1.0f, 3.0f, -1.0f, -1.0f, 3.0f};
        glGenVertexArrays(1, &m_VertexArray);
        glBindVertexArray(m_VertexArray);
        glGenBuffers(1, &m_Buffer);
        glBindBuffer(GL_ARRAY_BUFFER, m_Buffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        glUseProgram(m_Program);
    }

    void TearDown() override
    {
        glUseProgram(0);
        glDisableVertexAttribArray(0);
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDeleteBuffers(1, &m_Buffer);
        glDeleteVertexArrays(1, &m_VertexArray);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &m_Framebuffer);
        glDeleteTextures(1, &m_Texture);
        glDeleteProgram(m_Program);
        glViewport(0, 0, 64, 64);
        GLTest::TearDown();
    }

    // Covers `side` x `side` pixels with the busy program.
    void draw(int side)
    {
        glViewport(0, 0, side, side);
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }

    static constexpr int Size = 512;
    GLuint m_Program = 0;
    GLuint m_Framebuffer = 0;
    GLuint m_Texture = 0;
    GLuint m_VertexArray = 0;
    GLuint m_Buffer = 0;
};

TEST_F(PassTimerGLTest, EachPassGetsItsOwnTimeWithinTheFramesWallTime)
{
    PassTimer timer(3);
    ASSERT_TRUE(timer.available());
    // Warm the driver's shader variant outside the timed frame.
    draw(Size);
    glFinish();

    // Each pass finished before the next: llvmpipe renders a target tile by tile across all the draws
    // queued for it, so queries of passes sharing a target overlap.
    const auto start = std::chrono::steady_clock::now();
    timer.begin(0);
    draw(Size);
    timer.end(0);
    glFinish();
    timer.begin(1);
    draw(4);
    timer.end(1);
    glFinish();
    timer.begin(2);
    timer.end(2);
    glFinish();
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    double elapsed[3] = {};
    timer.read(elapsed);
    for (double milliseconds : elapsed)
    {
        EXPECT_TRUE(std::isfinite(milliseconds));
        EXPECT_GE(milliseconds, 0.0);
    }
    // 16384 times the pixels: the passes must not be read back swapped or summed. The driver adds
    // about a millisecond to any query, so the margin is kept wide.
    EXPECT_GT(elapsed[0], 0.0);
    EXPECT_GT(elapsed[0], elapsed[1] * 3.0);
    EXPECT_LE(elapsed[0] + elapsed[1] + elapsed[2], wall);
}
