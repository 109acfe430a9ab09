#include "SceneRunner.h"

#include "Application.h"
#include "Camera.h"
#include "Configuration.h"
#include "Earth.h"
#include "Keys.h"
#include "Moon.h"
#include "Sun.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <vector>

GLFWwindow* openWindow(int width, int height, bool visible)
{
    if (!glfwInit())
        throw std::runtime_error("glfwInit failed (no display?)");
    applyWindowHints();
    glfwWindowHint(GLFW_VISIBLE, visible ? GLFW_TRUE : GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "Talvenmorquiddle", nullptr, nullptr);
    if (!window)
        throw std::runtime_error("no window: the driver offers no OpenGL 4 compatibility context");
    glfwMakeContextCurrent(window);
    if (glewInit() != GLEW_OK)
        throw std::runtime_error("glewInit failed");
    glfwSwapInterval(0);
    return window;
}

SceneRunner::SceneRunner(GLFWwindow* window, int width, int height, Renderer::PassObserver* observer)
    : m_pWindow(window)
{
    // The shader build lines would bury the tool's own report; they are shown only when the scene
    // cannot be made.
    std::ostringstream buildLog;
    std::streambuf* console = std::cout.rdbuf(buildLog.rdbuf());
    try
    {
        m_pRenderer = std::make_unique<Renderer::Renderer>(width, height, Renderer::RenderOptions{observer, true});
        // The camera's key sensitivities as the default configuration has them: the tools press no keys.
        const Configuration defaults;
        m_Scene = makeScene(Keys, width, height, defaults.sensivityZoom, defaults.sensivityUpDown);
    }
    catch (...)
    {
        std::cout.rdbuf(console);
        std::cout << buildLog.str();
        throw;
    }
    std::cout.rdbuf(console);
}

void SceneRunner::startTour()
{
    ::startTour(m_Scene);
}

void SceneRunner::advance(float seconds)
{
    glfwPollEvents();
    advanceScene(m_Scene, seconds, ++m_Frame, false);
}

void SceneRunner::advanceBy(double seconds, double step)
{
    // Counted in whole frames, so that no rounding of a running sum adds or drops one.
    const auto frames = static_cast<long>(seconds / step);
    for (long frame = 0; frame < frames; ++frame)
        advance(static_cast<float>(step));
    // A remainder of rounding only is no frame.
    const double rest = seconds - static_cast<double>(frames) * step;
    if (rest > 1.0e-9)
        advance(static_cast<float>(rest));
}

void SceneRunner::draw()
{
    m_pRenderer->drawFrame(m_Scene);
}

void SceneRunner::present()
{
    glfwSwapBuffers(m_pWindow);
}

void SceneRunner::readPicture(int channels, std::vector<unsigned char>& pixels)
{
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(m_pWindow, &width, &height);
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    m_Rows.resize(row * static_cast<std::size_t>(height));
    pixels.resize(m_Rows.size());
    // The lens flare leaves its own target bound for reading.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, m_Rows.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // GL's rows run bottom to top.
    for (int y = 0; y < height; ++y)
        std::copy_n(m_Rows.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(height - 1 - y)), row,
                    pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y)));
}

void SceneRunner::savePicture(const std::filesystem::path& file)
{
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(m_pWindow, &width, &height);
    std::vector<unsigned char> rgb;
    readPicture(3, rgb);
    if (!stbi_write_png(file.c_str(), width, height, 3, rgb.data(), width * 3))
        throw std::runtime_error("could not write " + file.string());
}
