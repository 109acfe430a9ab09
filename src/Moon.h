#pragma once

#include "Model.h"

namespace Resource
{

// Circles the Earth, always showing it the same side.
class Moon : public Model
{
public:
    Moon();
};

} // namespace Resource
