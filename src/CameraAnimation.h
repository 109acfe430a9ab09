#pragma once

#include <glm/glm.hpp>

#include <deque>
#include <utility>

namespace Resource
{
class IModel;
}

namespace Camera
{

enum class CameraMoveType : int
{
    Travel = 0,
    Orbit = 1,
    Hold = 2,
};

// One scripted move. The models are not owned: the application keeps the bodies alive.
struct CameraMove
{
    CameraMoveType type = CameraMoveType::Hold;
    float duration = 0.0f;      // milliseconds
    float startDistance = 0.0f; // Travel only
    float endDistance = 0.0f;   // Travel only
    Resource::IModel* firstModel = nullptr;
    Resource::IModel* secondModel = nullptr;
};

// A queue of moves played back with eased timing; copying it copies the playback state too.
class CameraAnimation
{
public:
    void addMove(const CameraMove& move);
    void clear();
    bool isEmpty() const;
    // Advances the front move by `seconds` and drops it once its duration is exceeded.
    void step(float seconds);
    // (direction, position) of the playback.
    std::pair<glm::vec4, glm::vec4> getPose() const;

    // Playback values the tour starts from.
    void setDistance(float distance) { m_Distance = distance; }
    void setAngle(float angle) { m_Angle = angle; }
    float getDistance() const { return m_Distance; }
    float getAngle() const { return m_Angle; }
    std::size_t getMoveCount() const { return m_Moves.size(); }
    // The moves still to play, the current one first.
    const std::deque<CameraMove>& getMoves() const { return m_Moves; }

private:
    std::deque<CameraMove> m_Moves;
    float m_Elapsed = 0.0f;
    float m_Distance = 0.0f;
    float m_Angle = 0.0f;
    float m_PreviousBlend = 0.0f;
    glm::vec4 m_Direction{0.0f};
    glm::vec4 m_Position{0.0f};
};

// Smoothstep of t clamped to 0..1: slow at both ends.
float easeBlend(float t);

// The scripted tour of the scene, from the Earth via the Moon to the Sun.
CameraAnimation makeTour(Resource::IModel* earth, Resource::IModel* moon, Resource::IModel* sun);

// The camera held `distance` from `body`, looking at it along the horizontal `angle` (0: along +x), for
// longer than any run lasts: the fixed views of the tools and the tests.
CameraAnimation makeHold(Resource::IModel* body, float distance, float angle = 0.0f);

} // namespace Camera
