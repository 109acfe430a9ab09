#include "Poses.h"

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


