#pragma once

#include <memory>

namespace Camera
{
class Camera;
}
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
