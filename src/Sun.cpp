#include "Sun.h"

namespace Resource
{

Sun::Sun()
{
    const ModelInfo info{"models/sun/sun.obj", "Sun", 5.0f, false};
    const std::vector<TextureSlot> textures{{"models/sun/sun.png", 0, "textureColor", 0}};
    const Motion motion{0.0f, 0.0f, 100.0f};
    load(info, textures, motion);
}

} // namespace Resource
