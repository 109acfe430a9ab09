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
    // The air over the ground, whose colour decides how it reddens and dims the sunlight (the
    // atmosphere's "atmosphereColor"); none until told.
    void setAtmosphereColor(const glm::vec4& color);
    // The fixed-function state the draw leaves set, for a renderer that skips the draw.
    static void setStateAfterDraw();

    // The body's data as handed to Model::load; readable without a GL context.
    static ModelInfo info();
    static std::vector<TextureSlot> textures();
    static Motion motion();

private:
    GLint m_AtmosphereColorLocation = 0;
    glm::vec4 m_AtmosphereColor{0.0f};
};

} // namespace Resource
