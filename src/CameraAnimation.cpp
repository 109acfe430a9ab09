#include "CameraAnimation.h"

#include "Model.h"

#include <cmath>

namespace Camera
{

namespace
{
// Horizontal unit vector at `angle`; cos/sin in double so the result does not depend on the float libm.
glm::vec4 horizontalDirection(float angle)
{
    const double a = static_cast<double>(angle);
    return glm::vec4(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f, 0.0f);
}
} // namespace

float easeBlend(float t)
{
    // Written as negated comparisons so a NaN progress (0 ms over 0 ms) counts as "not started".
    if (!(t > 0.0f))
        t = 0.0f;
    else if (!(t < 1.0f))
        t = 1.0f;
    return t * t * (3.0f - 2.0f * t);
}

void CameraAnimation::addMove(const CameraMove& move)
{
    m_Moves.push_back(move);
}

void CameraAnimation::clear()
{
    // Only the queue: the pose stays where it is so nothing jumps until the next owner takes over.
    m_Moves.clear();
}

bool CameraAnimation::isEmpty() const
{
    return m_Moves.empty();
}

void CameraAnimation::step(float seconds)
{
    if (m_Moves.empty())
        return;

    const CameraMove& move = m_Moves.front();
    m_Elapsed += seconds * 1000.0f;

    const float blend = easeBlend(m_Elapsed / move.duration);
    const float delta = blend - m_PreviousBlend;
    m_PreviousBlend = blend;

    glm::vec4 direction = horizontalDirection(m_Angle);
    switch (move.type)
    {
    case CameraMoveType::Travel:
    {
        m_Direction = direction;
        m_Distance = move.startDistance * (1.0f - blend) + move.endDistance * blend;
        const glm::vec4 focus =
            move.firstModel->getPosition() * (1.0f - blend) + move.secondModel->getPosition() * blend;
        m_Position = focus - direction * m_Distance;
        break;
    }
    case CameraMoveType::Orbit:
        // Driven by the change of the eased blend, so one move sweeps exactly one turn, slow at both ends.
        m_Angle += delta * 2.0f * 3.1415927f;
        direction = horizontalDirection(m_Angle);
        m_Direction = direction;
        m_Position = move.firstModel->getPosition() - direction * m_Distance;
        break;
    case CameraMoveType::Hold:
        m_Direction = direction;
        m_Position = move.firstModel->getPosition() - direction * m_Distance;
        break;
    default:
        break;
    }

    if (m_Elapsed > move.duration)
    {
        // The rest of this frame is dropped, and the blend is kept: the next move starts from it.
        m_Moves.pop_front();
        m_Elapsed = 0.0f;
    }
}

std::pair<glm::vec4, glm::vec4> CameraAnimation::getPose() const
{
    return {m_Direction, m_Position};
}

CameraAnimation makeTour(Resource::IModel* earth, Resource::IModel* moon, Resource::IModel* sun)
{
    CameraAnimation tour;
    tour.setDistance(5.0f);
    tour.setAngle(0.0f);
    tour.addMove({CameraMoveType::Hold, 3000.0f, 5.0f, 0.0f, earth, nullptr});
    tour.addMove({CameraMoveType::Orbit, 10000.0f, 5.0f, 0.0f, earth, nullptr});
    tour.addMove({CameraMoveType::Travel, 6000.0f, 5.0f, 1.0f, earth, moon});
    tour.addMove({CameraMoveType::Orbit, 10000.0f, 1.0f, 0.0f, moon, nullptr});
    tour.addMove({CameraMoveType::Travel, 6000.0f, 1.0f, 20.0f, moon, sun});
    tour.addMove({CameraMoveType::Orbit, 10000.0f, 20.0f, 0.0f, sun, nullptr});
    tour.addMove({CameraMoveType::Hold, 10000.0f, 20.0f, 0.0f, sun, nullptr});
    return tour;
}

CameraAnimation makeHold(Resource::IModel* body, float distance, float angle)
{
    // Milliseconds: some eleven days, after which the camera would fall back to its target mode.
    constexpr float LongerThanAnyRun = 1.0e9f;
    CameraAnimation hold;
    hold.setDistance(distance);
    hold.setAngle(angle);
    hold.addMove({CameraMoveType::Hold, LongerThanAnyRun, distance, 0.0f, body, nullptr});
    return hold;
}

} // namespace Camera
