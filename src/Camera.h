#pragma once

#include "CameraAnimation.h"
#include "Keys.h"

#include <glm/glm.hpp>

namespace Resource
{
class IModel;
}

namespace Camera
{

// The viewer: circles a target body under key control, or plays a scripted animation.
class Camera
{
public:
    Camera(const KeyTable& keys, int width, int height, float sensivityZoom, float sensivityUpDown);

    void update(float deltaTime);
    glm::mat4 getViewMatrix() const;
    glm::mat4 getProjectionMatrix() const;
    void setTarget(Resource::IModel* target);
    void setAnimation(const CameraAnimation& animation);

    glm::vec4 getPosition() const { return m_Position; }
    glm::vec4 getDirection() const { return m_Direction; }
    glm::vec4 getUp() const { return m_Up; }
    float getDistance() const { return m_Distance; }
    float getAngle() const { return m_Angle; }
    const CameraAnimation& getAnimation() const { return m_Animation; }

private:
    void computePose();

    float m_SensivityZoom;
    float m_SensivityUpDown;
    glm::vec4 m_Position{0.0f};
    glm::vec4 m_Direction{0.0f};
    glm::vec4 m_Up{0.0f, 0.0f, 1.0f, 0.0f};
    float m_Distance = 10.0f;
    float m_Angle = 0.0f;
    Resource::IModel* m_pTarget = nullptr;
    glm::mat4 m_Projection;
    const KeyTable* m_pKeys;
    CameraAnimation m_Animation;
};

} // namespace Camera
