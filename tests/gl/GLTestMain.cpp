// Entry of the GL test binary: opens one hidden window with the program's own hints.
#include "Application.h"
#include "GLContext.h"
#include "Process.h"

#include <cstdlib>
#include <iostream>

namespace
{
GLFWwindow* g_pWindow = nullptr;

class GLEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // The display refuses a connection now and then while other tests connect to it: asked again.
        ASSERT_TRUE(waitUntil([] { return glfwInit() == GLFW_TRUE; }, std::chrono::seconds(10)))
            << "no display: run the GL tests under xvfb-run";
        applyWindowHints();
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        g_pWindow = glfwCreateWindow(64, 64, "GL tests", nullptr, nullptr);
        ASSERT_NE(g_pWindow, nullptr) << "the driver offers no OpenGL 4 compatibility context";
        glfwMakeContextCurrent(g_pWindow);
        ASSERT_EQ(glewInit(), GLEW_OK);
        glGetError();
    }

    // Like the program, the window ends with the process: tearing down the display unloads the
    // driver before the leak check, which then cannot tell its allocations by library name.
};
} // namespace

GLFWwindow* testWindow()
{
    return g_pWindow;
}

GLTest::GLTest()
{
    if (g_pWindow)
        m_Guard.emplace();
}

void GLTest::SetUp()
{
    ASSERT_NE(g_pWindow, nullptr);
    while (glGetError() != GL_NO_ERROR)
    {
    }
}

void GLTest::TearDown()
{
    m_Guard.reset();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GLEnvironment);
    return RUN_ALL_TESTS();
}
