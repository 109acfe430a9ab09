#include "Scene.h"

#include "Atmosphere.h"
#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "Moon.h"
#include "SkyBox.h"
#include "Sun.h"

Scene makeScene(const KeyTable& keys, int width, int height, float sensivityZoom, float sensivityUpDown)
{
    Scene scene;
    scene.camera = std::make_shared<Camera::Camera>(keys, width, height, sensivityZoom, sensivityUpDown);
    scene.skyBox = std::make_shared<Resource::SkyBox>();
    scene.earth = std::make_shared<Resource::Earth>();
    scene.atmosphere = std::make_shared<Resource::Atmosphere>(Resource::AtmosphereScale, Resource::AtmosphereColor);
    scene.moon = std::make_shared<Resource::Moon>();
    scene.sun = std::make_shared<Resource::Sun>();

    scene.moon->setParent(scene.earth.get());
    scene.earth->setParent(scene.sun.get());
    scene.atmosphere->setParent(scene.earth.get());
    return scene;
}

void startTour(Scene& scene, const Camera::CameraAnimation& tour)
{
    scene.camera->setTarget(scene.earth.get());
    scene.camera->setAnimation(tour);
}

void startTour(Scene& scene)
{
    startTour(scene, Camera::makeTour(scene.earth.get(), scene.moon.get(), scene.sun.get()));
}

void advanceScene(Scene& scene, float deltaTime, int frame, bool paused)
{
    // Each body follows its parent's position of this frame: parents first.
    if (!paused)
    {
        scene.sun->update(deltaTime, frame);
        scene.earth->update(deltaTime, frame);
        scene.moon->update(deltaTime, frame);
        scene.atmosphere->update(deltaTime, frame);
    }
    scene.camera->update(deltaTime);
}
