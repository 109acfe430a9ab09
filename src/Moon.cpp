#include "Moon.h"

namespace Resource
{

Moon::Moon()
{
    load(info(), textures(), motion());
}

ModelInfo Moon::info()
{
    return {"models/moon/moon.obj", "Moon", 0.25f, false};
}

std::vector<TextureSlot> Moon::textures()
{
    return {{"models/moon/moon.png", 0, "textureColor", 0}};
}

Motion Moon::motion()
{
    // Equal orbit and spin times: the same side always faces the Earth.
    return {2.0f, 2.0f, 2.0f};
}

} // namespace Resource
