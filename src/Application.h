#pragma once

#include "CameraAnimation.h"
#include "Scene.h"

#include <memory>
#include <string>

struct GLFWwindow;

namespace Camera
{
class Camera;
}
namespace Renderer
{
class Renderer;
}
namespace Resource
{
class Sun;
class Earth;
class Moon;
class Atmosphere;
class SkyBox;
} // namespace Resource

// The window hints of the program's context; the GL tests open theirs with the same.
void applyWindowHints();

// The whole program: configuration, window, scene, camera tour and frame loop.
class Application
{
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void loadConfig();
    void initialize();
    void createScene();
    void createCameraTour();
    void run();

private:
    // The record of one frame, holding the scene's objects for its length.
    Scene frameScene() const;

    GLFWwindow* m_pWindow = nullptr;
    int m_Width = 0;
    int m_Height = 0;
    float m_SensivityZoom = 0.0f;
    float m_SensivityUpDown = 0.0f;
    bool m_Fullscreen = false;
    bool m_GLDebug = false;
    Camera::CameraAnimation m_CameraTour;
    std::shared_ptr<Camera::Camera> m_pCamera;
    std::shared_ptr<Renderer::Renderer> m_pRenderer;
    std::shared_ptr<Resource::Sun> m_pSun;
    std::shared_ptr<Resource::Earth> m_pEarth;
    std::shared_ptr<Resource::Moon> m_pMoon;
    std::shared_ptr<Resource::Atmosphere> m_pAtmosphere;
    std::shared_ptr<Resource::SkyBox> m_pSkyBox;
    std::string m_Title;
    bool m_WaitForVSync = false;
};
