// 2D and cube-map textures decoded from image files, read back from the real driver.
#include "GLContext.h"
#include "GLState.h"
#include "TempDir.h"
#include "Texture.h"

// The writer's own code trips our warning set; it is not ours to fix.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;
using GLState::integer;

enum class Format
{
    Png,
    Bmp,
};

struct Image
{
    int width;
    int height;
    int channels;
    Bytes pixels;
};

// Every byte differs from its neighbours, so a skipped or shifted row shows.
Image patterned(int width, int height, int channels, int seed)
{
    Image image{width, height, channels, Bytes(static_cast<std::size_t>(width * height * channels))};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<unsigned char>((seed * 71 + static_cast<int>(i) * 37 + 11) % 256);
    return image;
}

Image solid(int size, unsigned char r, unsigned char g, unsigned char b)
{
    Image image{size, size, 3, {}};
    for (int i = 0; i < size * size; ++i)
        image.pixels.insert(image.pixels.end(), {r, g, b});
    return image;
}

// What the loader must upload: three bytes per pixel, grey spread to all three, alpha dropped.
Bytes asRGB(const Image& image)
{
    Bytes rgb;
    for (int i = 0; i < image.width * image.height; ++i)
    {
        const unsigned char* pixel = &image.pixels[static_cast<std::size_t>(i * image.channels)];
        if (image.channels < 3)
            rgb.insert(rgb.end(), {pixel[0], pixel[0], pixel[0]});
        else
            rgb.insert(rgb.end(), {pixel[0], pixel[1], pixel[2]});
    }
    return rgb;
}

void writeImage(const std::filesystem::path& path, const Image& image, Format format)
{
    std::filesystem::create_directories(path.parent_path());
    const int written =
        format == Format::Png
            ? stbi_write_png(path.c_str(), image.width, image.height, image.channels, image.pixels.data(),
                             image.width * image.channels)
            : stbi_write_bmp(path.c_str(), image.width, image.height, image.channels, image.pixels.data());
    ASSERT_NE(written, 0) << path;
}

GLint levelParameter(GLenum target, int level, GLenum parameter)
{
    GLint value = -1;
    glGetTexLevelParameteriv(target, level, parameter, &value);
    return value;
}

GLint textureParameter(GLenum target, GLenum parameter)
{
    GLint value = -1;
    glGetTexParameteriv(target, parameter, &value);
    return value;
}

// Level 0 of `target` (a 2D target or one cube face) as tightly packed RGB bytes.
Bytes readRGB(GLenum target, int width, int height)
{
    Bytes pixels(static_cast<std::size_t>(width * height * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return pixels;
}

class TextureGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glActiveTexture(GL_TEXTURE0);
    }

    // Unique across the binary: the texture cache is process-wide and keyed by path.
    std::string path(const std::string& name) const { return (m_Directory.path() / name).string(); }

    TempDir m_Directory;
};

TEST_F(TextureGLTest, UploadsTheFilesPixelsAsMipmappedRGBWithLinearFilterAndLegacyClamp)
{
    struct Case
    {
        const char* name;
        Format format;
        int width;
        int height;
        int channels;
    };
    const std::vector<Case> cases = {
        {"png 4x4 RGB", Format::Png, 4, 4, 3},
        {"png 5x3 RGB, rows of 15 bytes", Format::Png, 5, 3, 3},
        {"bmp 5x3 RGB", Format::Bmp, 5, 3, 3},
        {"bmp 16x2 RGB", Format::Bmp, 16, 2, 3},
        {"png 6x2 RGBA", Format::Png, 6, 2, 4},
        {"bmp 3x3 RGBA", Format::Bmp, 3, 3, 4},
        {"png 3x5 grey", Format::Png, 3, 5, 1},
        {"png 7x1 grey and alpha", Format::Png, 7, 1, 2},
    };
    int seed = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Image image = patterned(c.width, c.height, c.channels, ++seed);
        const std::string file = path("upload" + std::to_string(seed) + (c.format == Format::Png ? ".png" : ".bmp"));
        writeImage(file, image, c.format);
        // A caller's unpack alignment survives the load.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 8);

        const GLuint texture = Texture::TextureCache::instance().load(file);

        EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 8);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
        ASSERT_TRUE(glIsTexture(texture));
        glBindTexture(GL_TEXTURE_2D, texture);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), c.width);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), c.height);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), std::max(1, c.width / 2));
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_HEIGHT), std::max(1, c.height / 2));
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), 0x2900);
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), 0x2900);
        // The file's first row is row 0 of the texture: nothing is flipped.
        EXPECT_EQ(readRGB(GL_TEXTURE_2D, c.width, c.height), asRGB(image));
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

TEST_F(TextureGLTest, SamePathStringGivesOneTextureAndReadsTheFileOnce)
{
    const std::string file = path("once.png");
    writeImage(file, patterned(4, 4, 3, 5), Format::Png);
    Texture::TextureCache& cache = Texture::TextureCache::instance();
    const GLuint first = cache.load(file);

    // Another spelling of the same file is another key.
    const std::string otherSpelling = path("./once.png");
    const GLuint second = cache.load(otherSpelling);
    EXPECT_NE(second, first);

    std::filesystem::remove(file);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    const std::size_t entries = cache.m_Cache.size();
    EXPECT_EQ(cache.load(file), first);
    EXPECT_EQ(cache.load(otherSpelling), second);
    // A hit touches no GL state, not even the binding a miss would reset.
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(other));
    EXPECT_EQ(cache.m_Cache.size(), entries);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &other);
}

TEST_F(TextureGLTest, UnreadableImageThrowsAndLeavesTheCacheUnchanged)
{
    struct Case
    {
        const char* name;
        const char* content; // nullptr: no file at all
    };
    const std::vector<Case> cases = {
        {"missing file", nullptr},
        {"not an image", "certainly no PNG"},
        {"empty file", ""},
    };
    Texture::TextureCache& cache = Texture::TextureCache::instance();
    int index = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string file = "bad" + std::to_string(++index) + ".png";
        if (c.content)
            m_Directory.write(file, c.content);
        const std::map<std::string, GLuint> before = cache.m_Cache;
        GLuint bound = 0;
        glGenTextures(1, &bound);
        glBindTexture(GL_TEXTURE_2D, bound);
        std::string message = "nothing thrown";
        try
        {
            cache.load(path(file));
        }
        catch (const std::runtime_error& error)
        {
            message = error.what();
        }
        EXPECT_EQ(message, "Could not load texture");
        EXPECT_EQ(cache.m_Cache, before);
        // The failure comes before any texture is made or bound.
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bound));
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &bound);
    }
}

class CubeMapGLTest : public TextureGLTest
{
protected:
    // Six different faces, each with its own colour, small and with rows not 4-byte aligned.
    std::vector<std::string> writeFaces(int count, const std::string& stem)
    {
        std::vector<std::string> paths;
        for (int face = 0; face < count; ++face)
        {
            paths.push_back(path(stem + std::to_string(face) + (face % 2 ? ".bmp" : ".png")));
            writeImage(paths.back(), faceImage(face), face % 2 ? Format::Bmp : Format::Png);
        }
        return paths;
    }

    static Image faceImage(int face)
    {
        return solid(FaceSize, static_cast<unsigned char>(40 * face), static_cast<unsigned char>(255 - 30 * face),
                     static_cast<unsigned char>(face % 2 ? 200 : 17));
    }

    static constexpr int FaceSize = 3;
};

TEST_F(CubeMapGLTest, UploadsSixFacesInOrderWithTrilinearFilterAndEdgeClamp)
{
    struct Case
    {
        const char* name;
        std::vector<int> faceFiles; // which written image stands on +X, -X, +Y, -Y, +Z, -Z
    };
    const std::vector<Case> cases = {
        {"six different faces", {0, 1, 2, 3, 4, 5}},
        {"one file six times", {3, 3, 3, 3, 3, 3}},
        // Runs of one file share a decode; the faces after a run must not keep its pixels.
        {"runs of repeated files", {2, 2, 5, 5, 5, 2}},
    };
    const std::vector<std::string> files = writeFaces(6, "face");
    GLuint previous = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::string> p;
        for (int file : c.faceFiles)
            p.push_back(files[static_cast<std::size_t>(file)]);
        glActiveTexture(GL_TEXTURE3);

        const GLuint texture = Texture::loadCubeMap(p[0], p[1], p[2], p[3], p[4], p[5]);

        EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
        // No cache: the same paths again give a new texture.
        EXPECT_NE(texture, previous);
        previous = texture;
        glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
        EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
            EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, wrap), GL_CLAMP_TO_EDGE);
        for (GLenum face = 0; face < 6; ++face)
        {
            SCOPED_TRACE(face);
            const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + face;
            EXPECT_EQ(levelParameter(target, 0, GL_TEXTURE_WIDTH), FaceSize);
            EXPECT_EQ(levelParameter(target, 1, GL_TEXTURE_WIDTH), 1) << "no mipmap chain";
            EXPECT_EQ(readRGB(target, FaceSize, FaceSize), asRGB(faceImage(c.faceFiles[face])));
        }
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        glDeleteTextures(1, &texture);
    }
}

TEST_F(CubeMapGLTest, OneFileStandsOnEveryFace)
{
    const std::vector<std::string> files = writeFaces(2, "one-file-face");

    // The sky box's way: one path six times, decoded once for all of them.
    const std::string& f = files[1];
    const GLuint texture = Texture::loadCubeMap(f, f, f, f, f, f);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    for (GLenum face = 0; face < 6; ++face)
        EXPECT_EQ(readRGB(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, FaceSize, FaceSize), asRGB(faceImage(1))) << face;
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glDeleteTextures(1, &texture);
}

TEST_F(CubeMapGLTest, MissingThirdFaceThrowsAfterTheFirstTwoFacesWereUploaded)
{
    std::vector<std::string> p = writeFaces(6, "partial");
    std::filesystem::remove(p[2]);

    std::string message = "nothing thrown";
    try
    {
        Texture::loadCubeMap(p[0], p[1], p[2], p[3], p[4], p[5]);
    }
    catch (const std::runtime_error& error)
    {
        message = error.what();
    }
    EXPECT_EQ(message, "Could not load cubemap-texture");

    // The half-built texture stays bound on unit 0.
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    const GLuint texture = static_cast<GLuint>(integer(GL_TEXTURE_BINDING_CUBE_MAP));
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(readRGB(GL_TEXTURE_CUBE_MAP_POSITIVE_X, FaceSize, FaceSize), asRGB(faceImage(0)));
    EXPECT_EQ(readRGB(GL_TEXTURE_CUBE_MAP_NEGATIVE_X, FaceSize, FaceSize), asRGB(faceImage(1)));
    for (GLenum face = 2; face < 6; ++face)
        EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_TEXTURE_WIDTH), 0) << face;
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glDeleteTextures(1, &texture);
}

} // namespace
