#pragma once

#include "Model.h"

#include <vector>

namespace Resource
{

// The light of the scene: at the origin, turning slowly.
class Sun : public Model
{
public:
    Sun();

    // The body's data as handed to Model::load; readable without a GL context.
    static ModelInfo info();
    static std::vector<TextureSlot> textures();
    static Motion motion();
};

} // namespace Resource
