#include "Sun.h"

namespace Resource
{

Sun::Sun()
{
    load(info(), textures(), motion());
}

ModelInfo Sun::info()
{
    return {"models/sun/sun.obj", "Sun", 5.0f, false};
}

std::vector<TextureSlot> Sun::textures()
{
    return {{"models/sun/sun.png", 0, "textureColor", 0}};
}

Motion Sun::motion()
{
    return {0.0f, 0.0f, 100.0f};
}

} // namespace Resource
