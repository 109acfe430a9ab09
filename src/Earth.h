#pragma once

#include "Model.h"

#include <vector>

namespace Resource
{

// The tessellated globe with colour, cloud, night and relief maps.
class Earth : public Model
{
public:
    Earth();
    void render() override;
    // The fixed-function state the draw leaves set, for a renderer that skips the draw.
    static void setStateAfterDraw();

    // The body's data as handed to Model::load; readable without a GL context.
    static ModelInfo info();
    static std::vector<TextureSlot> textures();
    static Motion motion();
};

} // namespace Resource
