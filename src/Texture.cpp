#include "Texture.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <memory>
#include <stdexcept>

namespace Texture
{

namespace
{
struct ImageDeleter
{
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};
using Pixels = std::unique_ptr<stbi_uc, ImageDeleter>;

struct Image
{
    Pixels pixels;
    int width = 0;
    int height = 0;
};

// Decodes to tightly packed RGB; no vertical flip, so the file's first row is texture row 0.
Image readImage(const std::string& path)
{
    Image image;
    int channels = 0;
    image.pixels.reset(stbi_load(path.c_str(), &image.width, &image.height, &channels, 3));
    return image;
}

// Rows of 3-byte pixels are not 4-byte aligned for every width: upload with alignment 1.
void uploadRGB(GLenum target, GLint internalFormat, const Image& image)
{
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(target, 0, internalFormat, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
}
} // namespace

void setFilter(Filter filter)
{
    GLint minFilter = GL_LINEAR;
    GLint magFilter = GL_LINEAR;
    switch (filter)
    {
    case Filter::Linear: break;
    case Filter::Nearest: minFilter = magFilter = GL_NEAREST; break;
    case Filter::NearestMipmapNearest:
        minFilter = GL_NEAREST_MIPMAP_NEAREST;
        magFilter = GL_NEAREST;
        break;
    case Filter::LinearMipmapLinear: minFilter = GL_LINEAR_MIPMAP_LINEAR; break;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

TextureCache& TextureCache::instance()
{
    static TextureCache cache;
    return cache;
}

GLuint TextureCache::load(const std::string& path)
{
    const auto cached = m_Cache.find(path);
    if (cached != m_Cache.end())
        return cached->second;

    const Image image = readImage(path);
    if (!image.pixels)
        throw std::runtime_error("Could not load texture");

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    uploadRGB(GL_TEXTURE_2D, GL_RGB8, image);
    glGenerateMipmap(GL_TEXTURE_2D);
    setFilter(Filter::Linear);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    m_Cache.emplace(path, texture);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

GLuint loadCubeMap(const std::string& positiveX, const std::string& negativeX, const std::string& positiveY,
                   const std::string& negativeY, const std::string& positiveZ, const std::string& negativeZ)
{
    const std::string faces[6] = {positiveX, negativeX, positiveY, negativeY, positiveZ, negativeZ};

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    Image image;
    for (GLenum face = 0; face < 6; ++face)
    {
        // A face that names the same file as the one before reuses its pixels: the sky box gives one
        // image for all six faces, and decoding it six times was a third of the start-up.
        if (face == 0 || faces[face] != faces[face - 1])
            image = readImage(faces[face]);
        if (!image.pixels)
            throw std::runtime_error("Could not load cubemap-texture");
        uploadRGB(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, GL_RGB, image);
    }
    glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return texture;
}

} // namespace Texture
