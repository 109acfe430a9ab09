#include "Poses.h"

namespace
{
// Far beyond any run, so the camera never falls back to its target mode.
constexpr float HoldDuration = 1.0e9f;
} // namespace

const std::vector<Pose>& allPoses()
{
    // Distances as in the tour; times in the middle of the tour's moves at each body.
    static const std::vector<Pose> poses{
        {"earth", PoseBody::Earth, 5.0f, 1.5f, "5 units from the Earth (tour start)"},
        {"moon", PoseBody::Moon, 1.0f, 24.0f, "1 unit from the Moon (tour, orbiting the Moon)"},
        {"sun", PoseBody::Sun, 20.0f, 50.0f, "20 units from the Sun (tour end)"},
    };
    return poses;
}

const Pose* findPose(const std::string& name)
{
    for (const Pose& pose : allPoses())
        if (pose.name == name)
            return &pose;
    return nullptr;
}

Camera::CameraAnimation holdAnimation(Resource::IModel* body, float distance)
{
    Camera::CameraAnimation animation;
    animation.setDistance(distance);
    animation.setAngle(0.0f);
    Camera::CameraMove hold;
    hold.type = Camera::CameraMoveType::Hold;
    hold.duration = HoldDuration;
    hold.startDistance = distance;
    hold.firstModel = body;
    animation.addMove(hold);
    return animation;
}
