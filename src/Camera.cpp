#include "Camera.h"

#include "Model.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace Camera
{

Camera::Camera(const KeyTable& keys, int width, int height, float sensivityZoom, float sensivityUpDown)
    : m_SensivityZoom(sensivityZoom),
      m_SensivityUpDown(sensivityUpDown),
      // 45 goes in as radians on purpose: the program has always shown this wide view.
      m_Projection(glm::perspective(45.0f, static_cast<float>(width) / static_cast<float>(height), 0.1f, 100.0f)),
      m_pKeys(&keys)
{
    computePose();
}

void Camera::update(float deltaTime)
{
    // One step per frame for the first held key; steps are per frame, not per second, and unbounded.
    const KeyTable& keys = *m_pKeys;
    if (keys[GLFW_KEY_KP_SUBTRACT])
        m_Distance += m_SensivityZoom;
    else if (keys[GLFW_KEY_KP_ADD])
        m_Distance -= m_SensivityZoom;
    else if (keys[GLFW_KEY_UP])
        m_Angle += m_SensivityUpDown;
    else if (keys[GLFW_KEY_DOWN])
        m_Angle -= m_SensivityUpDown;

    m_Animation.step(deltaTime);
    computePose();
}

glm::mat4 Camera::getViewMatrix() const
{
    const glm::vec3 eye(m_Position);
    return glm::lookAt(eye, eye + glm::vec3(m_Direction), glm::vec3(m_Up));
}

glm::mat4 Camera::getProjectionMatrix() const
{
    return m_Projection;
}

void Camera::setTarget(Resource::IModel* target)
{
    m_Animation.clear();
    m_pTarget = target;
}

void Camera::setAnimation(const CameraAnimation& animation)
{
    m_Animation = animation;
}

void Camera::computePose()
{
    if (m_Animation.isEmpty() && m_pTarget)
    {
        const double angle = static_cast<double>(m_Angle);
        const float c = static_cast<float>(std::cos(angle));
        const float s = static_cast<float>(std::sin(angle));
        // The eye circles the target in the y-z plane and always looks back through it.
        const glm::vec4 offset(0.0f, c, s, 0.0f);
        m_Position = m_pTarget->getPosition() + offset * m_Distance;
        m_Direction = -offset;
        // Past the top the view would flip; turning "up" over keeps the picture continuous.
        m_Up = c >= 0.0f ? glm::vec4(0.0f, 0.0f, 1.0f, 0.0f) : glm::vec4(0.0f, 0.0f, -1.0f, 0.0f);
        return;
    }

    const auto pose = m_Animation.getPose();
    m_Direction = pose.first;
    m_Position = pose.second;
    m_Up = glm::vec4(0.0f, 0.0f, 1.0f, 0.0f);
}

} // namespace Camera
