#pragma once

#include "CameraAnimation.h"

#include <string>
#include <vector>

namespace Resource
{
class IModel;
}

enum class PoseBody
{
    Earth,
    Moon,
    Sun,
};

// A fixed view of the tour: the camera holds at `distance` from `body`, looking along +x, with the
// bodies where the tour has them after `sceneTime` seconds.
struct Pose
{
    std::string name;
    PoseBody body;
    float distance;
    float sceneTime;
    std::string description;
};

// Earth, Moon and Sun, in the order the tour reaches them.
const std::vector<Pose>& allPoses();
const Pose* findPose(const std::string& name);

