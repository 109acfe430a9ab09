#include "Texture.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <atomic>
#include <exception>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

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

constexpr int AheadWorkers = 2;

// Images being decoded ahead, by path. Only the main thread touches the map; the workers fill the
// promises behind its futures.
struct AheadDecodes
{
    ~AheadDecodes()
    {
        // Images nobody loaded (a start-up that failed early) are finished and dropped at exit.
        for (std::thread& worker : workers)
            worker.join();
    }

    std::map<std::string, std::future<Image>> pending;
    std::vector<std::thread> workers;
};

AheadDecodes& aheadDecodes()
{
    static AheadDecodes decodes;
    return decodes;
}

Image decode(const std::string& path)
{
    AheadDecodes& ahead = aheadDecodes();
    const auto found = ahead.pending.find(path);
    if (found == ahead.pending.end())
        return readImage(path);
    std::future<Image> decoded = std::move(found->second);
    ahead.pending.erase(found);
    return decoded.get();
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

void decodeAhead(const std::vector<std::string>& paths)
{
    struct Jobs
    {
        std::vector<std::string> paths;
        std::vector<std::promise<Image>> images;
        std::atomic<std::size_t> next{0};
    };
    auto jobs = std::make_shared<Jobs>();
    AheadDecodes& ahead = aheadDecodes();
    jobs->images.reserve(paths.size());
    for (const std::string& path : paths)
    {
        if (ahead.pending.count(path))
            continue;
        jobs->paths.push_back(path);
        jobs->images.emplace_back();
        ahead.pending.emplace(path, jobs->images.back().get_future());
    }
    for (int i = 0; i < AheadWorkers && !jobs->paths.empty(); ++i)
        ahead.workers.emplace_back([jobs] {
            for (std::size_t job = jobs->next++; job < jobs->paths.size(); job = jobs->next++)
            {
                try
                {
                    jobs->images[job].set_value(readImage(jobs->paths[job]));
                }
                catch (...)
                {
                    jobs->images[job].set_exception(std::current_exception());
                }
            }
        });
}

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

    const Image image = decode(path);
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
            image = decode(faces[face]);
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
