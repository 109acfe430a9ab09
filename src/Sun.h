#pragma once

#include "Model.h"

namespace Resource
{

// The light of the scene: at the origin, turning slowly.
class Sun : public Model
{
public:
    Sun();
};

} // namespace Resource
