// What the body GL tests share: a small scene-like target and a camera on a body.
#pragma once

#include "GLContext.h"
#include "GLKit.h"
#include "Model.h"

#include <glm/gtc/matrix_transform.hpp>

#include <array>
#include <limits>
#include <set>
#include <utility>

namespace BodyGL
{

constexpr int TargetSize = 16;
constexpr float Infinity = std::numeric_limits<float>::infinity();

// A small copy of the renderer's scene target: colour and glow in 8 bits, Earth data in floats.
class Target : public ScopedFramebuffer
{
public:
    explicit Target(int attachments, std::set<int> floatAttachments = {})
        : ScopedFramebuffer(TargetSize, TargetSize, attachments, std::move(floatAttachments))
    {
    }

    // As the renderer clears its scene target: +inf survives in float attachments only.
    void bindCleared()
    {
        const float clear[4] = {0.0f, 0.0f, Infinity, 0.0f};
        m_Framebuffer.bind(true, clear);
    }
};

// A camera at `eye` looking at `target` with z up, as the program's camera builds it.
inline void lookAt(Resource::IModel& body, const glm::vec3& eye, const glm::vec3& target)
{
    const glm::mat4 view = glm::lookAt(eye, target, glm::vec3(0.0f, 0.0f, 1.0f));
    const glm::mat4 projection = glm::perspective(glm::radians(60.0f), 1.0f, 0.01f, 100.0f);
    body.setMatrices(view, projection);
}

inline float luminance(const std::array<float, 4>& pixel)
{
    return 0.2126f * pixel[0] + 0.7152f * pixel[1] + 0.0722f * pixel[2];
}

} // namespace BodyGL
