#pragma once

#include "Model.h"

#include <vector>

namespace Resource
{

// Circles the Earth, always showing it the same side.
class Moon : public Model
{
public:
    Moon();

    // The body's data as handed to Model::load; readable without a GL context.
    static ModelInfo info();
    static std::vector<TextureSlot> textures();
    static Motion motion();
};

} // namespace Resource
