// Entry of the benchmark's GL tests: one hidden window made with the program's own hints.
#include "BenchmarkGLTest.h"

#include "Application.h"

#include <GLFW/glfw3.h>

#include <stdexcept>
#include <string>

namespace
{
GLFWwindow* g_pWindow = nullptr;

class GLEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(glfwInit()) << "no display: run the GL tests under xvfb-run";
        applyWindowHints();
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        g_pWindow = glfwCreateWindow(64, 64, "benchmark GL tests", nullptr, nullptr);
        ASSERT_NE(g_pWindow, nullptr) << "the driver offers no OpenGL 4 compatibility context";
        glfwMakeContextCurrent(g_pWindow);
        ASSERT_EQ(glewInit(), GLEW_OK);
        glGetError();
    }

    // The window and the library stay up until the process ends: glfwTerminate unloads the driver,
    // and the leak checker then cannot name the driver's own leftovers to suppress them.
};

GLuint compile(GLenum type, const char* text)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE)
    {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        glDeleteShader(shader);
        throw std::runtime_error(std::string("compile failed: ") + log);
    }
    return shader;
}
} // namespace

void BenchmarkGLTest::SetUp()
{
    ASSERT_NE(g_pWindow, nullptr);
    while (glGetError() != GL_NO_ERROR)
    {
    }
}

void BenchmarkGLTest::TearDown()
{
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

GLuint buildProgram(const char* vertex, const char* fragment)
{
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, vertex);
    const GLuint fragmentShader = compile(GL_FRAGMENT_SHADER, fragment);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE)
    {
        glDeleteProgram(program);
        throw std::runtime_error("link failed");
    }
    return program;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GLEnvironment);
    return RUN_ALL_TESTS();
}
