#include "Application.h"

#include "Atmosphere.h"
#include "Camera.h"
#include "Configuration.h"
#include "DebugOutput.h"
#include "Earth.h"
#include "FrameClock.h"
#include "Keys.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <stdexcept>
#include <string>

namespace
{
const char* const ConfigurationFile = "Talvenmorquiddle.ini";
} // namespace

void applyWindowHints()
{
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, 1);
    // Tessellation needs OpenGL 4; the 2D textures use GL_CLAMP, which only the compatibility profile has.
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_COMPAT_PROFILE);
    // The render targets keep the size they were made with, so the window keeps it too.
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
}

Application::Application()
    : m_Title("Talvenmorquiddle. Control: Zoom ('+','-'), Up/Down, Select object ('S', 'E', 'M'), "
              "Pause (Space), Animation ('A'), FPS: ")
{
}

Application::~Application() = default;

void Application::loadConfig()
{
    const Configuration config = readConfiguration(ConfigurationFile);
    m_Fullscreen = config.fullscreen;
    m_Width = config.width;
    m_Height = config.height;
    m_GLDebug = config.glDebug;
    m_SensivityZoom = config.sensivityZoom;
    m_SensivityUpDown = config.sensivityUpDown;
    m_WaitForVSync = config.waitForVSync;
}

void Application::initialize()
{
    if (!glfwInit())
        throw "";

    GLFWmonitor* monitor = nullptr;
    if (m_Fullscreen)
    {
        monitor = glfwGetPrimaryMonitor();
        const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
        if (mode)
        {
            m_Width = mode->width;
            m_Height = mode->height;
        }
    }

    applyWindowHints();
    // GLFW asserts on a negative size instead of failing; such a size fails here like zero does.
    m_pWindow = m_Width > 0 && m_Height > 0 ? glfwCreateWindow(m_Width, m_Height, m_Title.c_str(), monitor, nullptr)
                                            : nullptr;
    if (!m_pWindow)
    {
        glfwTerminate();
        throw std::runtime_error("m_pWindow=0");
    }
    glfwMakeContextCurrent(m_pWindow);
    glfwSetInputMode(m_pWindow, GLFW_CURSOR, GLFW_CURSOR_NORMAL);

    if (glewInit() != GLEW_OK)
        throw std::runtime_error("glewInit() != GLEW_OK");

    if (m_GLDebug)
        setupDebugOutput();

    m_pRenderer = std::make_shared<Renderer::Renderer>(m_Width, m_Height);
}

void Application::createScene()
{
    const Scene scene = makeScene(Keys, m_Width, m_Height, m_SensivityZoom, m_SensivityUpDown);
    m_pCamera = scene.camera;
    m_pSkyBox = scene.skyBox;
    m_pEarth = scene.earth;
    m_pAtmosphere = scene.atmosphere;
    m_pMoon = scene.moon;
    m_pSun = scene.sun;

    glfwSetKeyCallback(m_pWindow, keyCallback);
}

void Application::createCameraTour()
{
    m_CameraTour = Camera::makeTour(m_pEarth.get(), m_pMoon.get(), m_pSun.get());
}

Scene Application::frameScene() const
{
    return {m_pCamera, m_pSkyBox, m_pSun, m_pMoon, m_pEarth, m_pAtmosphere};
}

void Application::run()
{
    FrameClock clock(glfwGetTime());
    bool paused = false;

    {
        Scene scene = frameScene();
        startTour(scene, m_CameraTour);
    }

    while (!glfwWindowShouldClose(m_pWindow))
    {
        beginKeyPoll();
        glfwPollEvents();
        if (Keys[GLFW_KEY_ESCAPE])
            glfwSetWindowShouldClose(m_pWindow, 1);

        switch (chooseKeyAction(Keys))
        {
        case KeyAction::TargetEarth: m_pCamera->setTarget(m_pEarth.get()); break;
        case KeyAction::TargetSun: m_pCamera->setTarget(m_pSun.get()); break;
        case KeyAction::TargetMoon: m_pCamera->setTarget(m_pMoon.get()); break;
        case KeyAction::RestartTour: m_pCamera->setAnimation(m_CameraTour); break;
        case KeyAction::TogglePause:
            // Cleared here so a held Space toggles once; the callback ignores repeats.
            Keys[GLFW_KEY_SPACE] = false;
            paused = !paused;
            break;
        case KeyAction::None: break;
        }

        const float deltaTime = clock.tick(glfwGetTime());
        const int frame = clock.frame();
        if (const auto rate = clock.takeFrameRate())
            glfwSetWindowTitle(m_pWindow, (m_Title + std::to_string(*rate)).c_str());

        Scene scene = frameScene();
        advanceScene(scene, deltaTime, frame, paused);
        m_pRenderer->drawFrame(scene);

        if (m_WaitForVSync)
            glfwSwapInterval(1);
        glfwSwapBuffers(m_pWindow);
    }
}
