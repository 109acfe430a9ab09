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

// Starts decoding these images on two worker threads, in the order given, while the caller goes on
// with other work. The first load of each of these paths, 2D or cube-map face, takes the decoded
// pixels (waiting for them if need be) instead of reading the file; an image that did not decode fails
// in its loader as if read there. Later loads read the file again.
void decodeAhead(const std::vector<std::string>& paths);

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
