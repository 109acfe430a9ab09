// The renderer and the scene made and linked as start-up makes them (Application::initialize, then
// createScene), and the frame loop's turn, for tests that need what the program builds and draws.
#pragma once

#include "Atmosphere.h"
#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "Keys.h"
#include "Moon.h"
#include "Renderer.h"
#include "Scene.h"
#include "SkyBox.h"
#include "Sun.h"

#include <memory>

struct StartupScene
{
    // Every part in start-up's order, so a failure stops at the same file as the program's start-up.
    StartupScene(int width, int height, float sensivityZoom = 0.1f, float sensivityUpDown = 0.01f)
    {
        renderer = std::make_shared<Renderer::Renderer>(width, height);
        camera = std::make_shared<Camera::Camera>(keys, width, height, sensivityZoom, sensivityUpDown);
        skyBox = std::make_shared<Resource::SkyBox>();
        earth = std::make_shared<Resource::Earth>();
        atmosphere = std::make_shared<Resource::Atmosphere>(1.075f, glm::vec4(0.2f, 0.3f, 0.7f, 1.0f));
        moon = std::make_shared<Resource::Moon>();
        sun = std::make_shared<Resource::Sun>();
        moon->setParent(earth.get());
        earth->setParent(sun.get());
        atmosphere->setParent(earth.get());
        startTour();
    }

    // Another window size and sensitivities for the same bodies, as another configuration would give.
    void reconfigure(int width, int height, float sensivityZoom, float sensivityUpDown)
    {
        renderer = std::make_shared<Renderer::Renderer>(width, height);
        camera = std::make_shared<Camera::Camera>(keys, width, height, sensivityZoom, sensivityUpDown);
        startTour();
    }

    // What the frame loop does before its first frame.
    void startTour()
    {
        camera->setTarget(earth.get());
        camera->setAnimation(Camera::makeTour(earth.get(), moon.get(), sun.get()));
    }

    // One turn of the frame loop after its keys: the bodies, the camera, the frame and its two effects.
    void frame(float deltaTime)
    {
        ++frameNumber;
        sun->update(deltaTime, frameNumber);
        earth->update(deltaTime, frameNumber);
        moon->update(deltaTime, frameNumber);
        atmosphere->update(deltaTime, frameNumber);
        camera->update(deltaTime);
        Scene scene{camera, skyBox, sun, moon, earth, atmosphere};
        renderer->render(scene);
        renderer->m_Bloom.render(renderer->m_ScreenFramebuffer, renderer->m_SceneFramebuffer);
        renderer->m_LenseFlare.render(renderer->m_ScreenFramebuffer, renderer->m_SceneFramebuffer, *scene.sun, scene);
    }

    KeyTable keys{};
    int frameNumber = 0;
    std::shared_ptr<Renderer::Renderer> renderer;
    std::shared_ptr<Camera::Camera> camera;
    std::shared_ptr<Resource::SkyBox> skyBox;
    std::shared_ptr<Resource::Earth> earth;
    std::shared_ptr<Resource::Atmosphere> atmosphere;
    std::shared_ptr<Resource::Moon> moon;
    std::shared_ptr<Resource::Sun> sun;
};
