#pragma once

#include <GL/glew.h>

#include <map>
#include <string>
#include <vector>

namespace Texture
{

enum class Filter : int
{
    Linear = 0,
    Nearest = 1,
    NearestMipmapNearest = 2,
    LinearMipmapLinear = 3,
};

// Sets both filters of the texture bound to GL_TEXTURE_2D.
void setFilter(Filter filter);

// Six faces in the order +X, -X, +Y, -Y, +Z, -Z; every call makes a new texture.
GLuint loadCubeMap(const std::string& positiveX, const std::string& negativeX, const std::string& positiveY,
                   const std::string& negativeY, const std::string& positiveZ, const std::string& negativeZ);

// The one cache of 2D textures, keyed by the path exactly as given.
class TextureCache
{
public:
    static TextureCache& instance();
    GLuint load(const std::string& path);

    std::map<std::string, GLuint> m_Cache;

private:
    TextureCache() = default;
};

} // namespace Texture
