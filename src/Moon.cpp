#include "Moon.h"

namespace Resource
{

Moon::Moon()
{
    const ModelInfo info{"models/moon/moon.obj", "Moon", 0.25f, false};
    const std::vector<TextureSlot> textures{{"models/moon/moon.png", 0, "textureColor", 0}};
    // Equal orbit and spin times: the same side always faces the Earth.
    const Motion motion{2.0f, 2.0f, 2.0f};
    load(info, textures, motion);
}

} // namespace Resource
