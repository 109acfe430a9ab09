#pragma once

#include "Keys.h"

#include <memory>

namespace Camera
{
class Camera;
class CameraAnimation;
} // namespace Camera
namespace Resource
{
class SkyBox;
class Sun;
class Moon;
class Earth;
class Atmosphere;
} // namespace Resource

// What one frame draws: extra references to the application's objects, held for that frame only.
struct Scene
{
    std::shared_ptr<Camera::Camera> camera;
    std::shared_ptr<Resource::SkyBox> skyBox;
    std::shared_ptr<Resource::Sun> sun;
    std::shared_ptr<Resource::Moon> moon;
    std::shared_ptr<Resource::Earth> earth;
    std::shared_ptr<Resource::Atmosphere> atmosphere;
};

// The scene's objects, made as start-up makes them and in its order (camera, sky box, Earth,
// atmosphere, Moon, Sun), and linked: Moon to Earth, Earth to Sun, atmosphere to Earth. The camera
// reads `keys` and sees a render of width x height.
Scene makeScene(const KeyTable& keys, int width, int height, float sensivityZoom, float sensivityUpDown);

// How the frame loop begins: the camera on the Earth, then `tour`.
void startTour(Scene& scene, const Camera::CameraAnimation& tour);
// The same with the scene's own tour, from the Earth via the Moon to the Sun.
void startTour(Scene& scene);

// One frame of motion, `frame` being the frame's number: the bodies move on by `deltaTime` seconds
// unless paused, then the camera follows its animation or its target.
void advanceScene(Scene& scene, float deltaTime, int frame, bool paused);
