// Checks the committed meshes and images under models/ the way the program reads them:
// Assimp with the program's flags for meshes, stb_image with three channels for images.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{
const std::string Root = TALVEN_SOURCE_DIR;
const double Pi = 3.14159265358979323846;

struct Loaded
{
    std::vector<aiVector3D> positions;
    std::vector<aiVector3D> normals;
    std::vector<aiVector3D> texCoords;
    std::vector<unsigned int> indices;
};

// Mirrors the program: first mesh of the root node, or of the first direct child that has one.
bool loadMesh(const std::string& relative, Loaded& out)
{
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(Root + "/" + relative, aiProcess_Triangulate | aiProcess_GenNormals);
    if (!scene || !scene->mRootNode)
        return false;
    const aiNode* node = scene->mRootNode;
    for (unsigned int i = 0; node->mNumMeshes == 0 && i < scene->mRootNode->mNumChildren; ++i)
        if (scene->mRootNode->mChildren[i]->mNumMeshes > 0)
            node = scene->mRootNode->mChildren[i];
    if (node->mNumMeshes == 0)
        return false;
    const aiMesh* mesh = scene->mMeshes[node->mMeshes[0]];
    if (!mesh->HasNormals() || !mesh->HasTextureCoords(0))
        return false;
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i)
    {
        out.positions.push_back(mesh->mVertices[i]);
        out.normals.push_back(mesh->mNormals[i]);
        out.texCoords.push_back(mesh->mTextureCoords[0][i]);
    }
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f)
    {
        if (mesh->mFaces[f].mNumIndices != 3)
            return false;
        for (unsigned int k = 0; k < 3; ++k)
            out.indices.push_back(mesh->mFaces[f].mIndices[k]);
    }
    return true;
}

// Every triangle has real area and faces away from the origin (both shapes are convex
// around it), so counter-clockwise seen from outside.
void expectOutwardTriangles(const std::string& name, const Loaded& mesh)
{
    int inward = 0;
    int degenerate = 0;
    for (size_t t = 0; t < mesh.indices.size(); t += 3)
    {
        const aiVector3D& a = mesh.positions[mesh.indices[t]];
        const aiVector3D& b = mesh.positions[mesh.indices[t + 1]];
        const aiVector3D& c = mesh.positions[mesh.indices[t + 2]];
        const aiVector3D normal = (b - a) ^ (c - a);
        if (normal.Length() < 1e-7f)
            ++degenerate;
        else if (normal * ((a + b + c) / 3.0f) <= 0.0f)
            ++inward;
    }
    EXPECT_EQ(degenerate, 0) << name;
    EXPECT_EQ(inward, 0) << name;
}

// Welded by position, a closed consistently wound surface uses every edge exactly once in
// each direction; a hole or a flipped triangle breaks that.
void expectClosed(const std::string& name, const Loaded& mesh)
{
    auto key = [&](unsigned int i) {
        const aiVector3D& p = mesh.positions[i];
        return std::make_tuple(std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4));
    };
    std::map<std::pair<decltype(key(0)), decltype(key(0))>, int> edges;
    for (size_t t = 0; t < mesh.indices.size(); t += 3)
        for (int k = 0; k < 3; ++k)
            ++edges[{key(mesh.indices[t + k]), key(mesh.indices[t + (k + 1) % 3])}];
    int open = 0;
    for (const auto& [edge, count] : edges)
        if (count != 1 || edges.count({edge.second, edge.first}) == 0 || edges.at({edge.second, edge.first}) != 1)
            ++open;
    EXPECT_EQ(open, 0) << name << ": edges without exactly one opposite partner";
}

const char* const Globes[] = {"models/sun/sun.obj", "models/earth/earth.obj", "models/moon/moon.obj",
                              "models/atmosphere/atmosphere.obj"};

struct Picture
{
    std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels{nullptr, stbi_image_free};
    int width = 0;
    int height = 0;

    int at(int x, int y, int c) const { return pixels.get()[(static_cast<size_t>(y) * width + x) * 3 + c]; }
    int brightest(int x0, int y0, int x1, int y1) const
    {
        int best = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c)
                    best = std::max(best, at(x, y, c));
        return best;
    }
    double mean(int x0, int y0, int x1, int y1, int c) const
    {
        double sum = 0.0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                sum += at(x, y, c);
        return sum / ((x1 - x0) * (y1 - y0));
    }
};

Picture loadPicture(const std::string& relative)
{
    Picture picture;
    int channels = 0;
    picture.pixels.reset(stbi_load((Root + "/" + relative).c_str(), &picture.width, &picture.height, &channels, 3));
    return picture;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }
} // namespace

TEST(ModelsAssets, GlobesAreUnitSpheresWithEquirectangularMapping)
{
    for (const char* file : Globes)
    {
        SCOPED_TRACE(file);
        Loaded mesh;
        ASSERT_TRUE(loadMesh(file, mesh));
        ASSERT_GE(mesh.indices.size(), 3u * 500u);
        expectOutwardTriangles(file, mesh);
        expectClosed(file, mesh);

        int offSphere = 0;
        int wrongNormal = 0;
        int wrongMapping = 0;
        for (size_t i = 0; i < mesh.positions.size(); ++i)
        {
            const aiVector3D& p = mesh.positions[i];
            offSphere += std::fabs(p.Length() - 1.0f) > 0.001f;
            wrongNormal += (mesh.normals[i] - p).Length() > 0.01f;
            // Row 0 of the image (v = 0) is the north pole at +z; u grows eastward from +x.
            const double v = (0.5 * Pi - std::asin(std::clamp<double>(p.z, -1.0, 1.0))) / Pi;
            wrongMapping += std::fabs(mesh.texCoords[i].y - v) > 1e-3;
            if (std::fabs(p.z) < 0.999f)
            {
                double u = std::atan2(p.y, p.x) / (2.0 * Pi);
                u -= std::floor(u);
                const double du = std::fabs(mesh.texCoords[i].x - u);
                wrongMapping += std::min(du, std::fabs(du - 1.0)) > 1e-3;
            }
        }
        EXPECT_EQ(offSphere, 0);
        EXPECT_EQ(wrongNormal, 0);
        EXPECT_EQ(wrongMapping, 0);

        // A triangle spanning the seam would interpolate u across the whole map.
        int smeared = 0;
        for (size_t t = 0; t < mesh.indices.size(); t += 3)
        {
            const float u0 = mesh.texCoords[mesh.indices[t]].x;
            const float u1 = mesh.texCoords[mesh.indices[t + 1]].x;
            const float u2 = mesh.texCoords[mesh.indices[t + 2]].x;
            smeared += std::max({u0, u1, u2}) - std::min({u0, u1, u2}) > 0.25f;
        }
        EXPECT_EQ(smeared, 0);
    }
}

TEST(ModelsAssets, ShadowBodySpansFromCentrePastTheAtmosphere)
{
    Loaded mesh;
    ASSERT_TRUE(loadMesh("models/atmosphere/shadow.obj", mesh));
    expectOutwardTriangles("shadow", mesh);
    expectClosed("shadow", mesh);

    float minY = 1e9f;
    float maxY = -1e9f;
    std::vector<double> rimAngles;
    for (const aiVector3D& p : mesh.positions)
    {
        EXPECT_LE(std::fabs(p.x), 1.001f);
        EXPECT_LE(std::fabs(p.z), 1.001f);
        EXPECT_LE(std::fabs(p.y), 0.551f);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
        const float radius = std::sqrt(p.x * p.x + p.z * p.z);
        if (radius > 0.5f)
        {
            EXPECT_NEAR(radius, 1.0f, 0.001f);
            rimAngles.push_back(std::atan2(p.z, p.x));
        }
    }
    // Placed 0.55 from the Earth's centre, it must cover 0 .. 1.075 (the atmosphere shell).
    EXPECT_LE(minY + 0.55f, 0.001f);
    EXPECT_GE(maxY + 0.55f, 1.075f);

    // A round silhouette: no gap between rim vertices wider than a 64-gon's.
    std::sort(rimAngles.begin(), rimAngles.end());
    double widest = rimAngles.front() + 2.0 * Pi - rimAngles.back();
    for (size_t i = 1; i < rimAngles.size(); ++i)
        widest = std::max(widest, rimAngles[i] - rimAngles[i - 1]);
    EXPECT_LE(widest, 2.0 * Pi / 64.0 + 1e-4);
}

TEST(ModelsAssets, ImagesDecodeWithUploadableSizes)
{
    const struct
    {
        const char* file;
        int width;
        int height;
    } images[] = {
        {"models/earth/color.png", 2048, 1024},  {"models/earth/clouds.png", 2048, 1024},
        {"models/earth/night.png", 2048, 1024},  {"models/earth/bump.png", 2048, 1024},
        {"models/moon/moon.png", 1024, 512},     {"models/sun/sun.png", 1024, 512},
        {"models/skybox/seamless.png", 1024, 1024}, {"models/flare/shine1.bmp", 256, 256},
        {"models/flare/shine2.bmp", 256, 256},   {"models/flare/hexafull.bmp", 256, 256},
    };
    for (const auto& image : images)
    {
        SCOPED_TRACE(image.file);
        const Picture picture = loadPicture(image.file);
        ASSERT_TRUE(picture.pixels) << stbi_failure_reason();
        EXPECT_EQ(picture.width, image.width);
        EXPECT_EQ(picture.height, image.height);
        EXPECT_EQ(picture.width % 4, 0);
        EXPECT_TRUE(isPowerOfTwo(picture.width) && isPowerOfTwo(picture.height));
    }
}

TEST(ModelsAssets, SpritesAndSkyAreBlackAtTheirEdges)
{
    // Flares must not show their quad; the sky box faces meet in every orientation, which
    // only a pure black border guarantees.
    const struct
    {
        const char* file;
        int border;
    } images[] = {{"models/skybox/seamless.png", 4}, {"models/flare/shine1.bmp", 2}, {"models/flare/shine2.bmp", 2},
                  {"models/flare/hexafull.bmp", 2}};
    for (const auto& image : images)
    {
        SCOPED_TRACE(image.file);
        const Picture p = loadPicture(image.file);
        ASSERT_TRUE(p.pixels);
        const int w = p.width;
        const int h = p.height;
        const int b = image.border;
        EXPECT_EQ(p.brightest(0, 0, w, b), 0);
        EXPECT_EQ(p.brightest(0, h - b, w, h), 0);
        EXPECT_EQ(p.brightest(0, 0, b, h), 0);
        EXPECT_EQ(p.brightest(w - b, 0, w, h), 0);
        EXPECT_GE(p.brightest(0, 0, w, h), 200) << "nothing bright inside";
    }

    // Stars, not noise: most of the sky stays black.
    const Picture sky = loadPicture("models/skybox/seamless.png");
    ASSERT_TRUE(sky.pixels);
    EXPECT_LT(sky.mean(0, 0, sky.width, sky.height, 1), 12.0);
}

TEST(ModelsAssets, EarthMapsAgreeWithEachOther)
{
    const Picture bump = loadPicture("models/earth/bump.png");
    const Picture clouds = loadPicture("models/earth/clouds.png");
    const Picture night = loadPicture("models/earth/night.png");
    ASSERT_TRUE(bump.pixels && clouds.pixels && night.pixels);

    // The maps span 180 W .. 180 E with north on the top row. Seas are flat: the Pacific at
    // 150 W 10 N, the date line at 10 N, the Gulf of Guinea at 0 N 0 E. Central Asia
    // (90 E 40 N) is raised.
    EXPECT_EQ(bump.brightest(160, 445, 180, 465), 0);
    EXPECT_EQ(bump.brightest(0, 445, 10, 465), 0);
    EXPECT_EQ(bump.brightest(2038, 445, 2048, 465), 0);
    EXPECT_EQ(bump.brightest(1014, 502, 1034, 522), 0);
    EXPECT_GT(bump.mean(1516, 274, 1556, 294, 0), 60.0);

    // No solid white caps: the polar rows hold as much clear sky as cloud.
    EXPECT_LT(clouds.mean(0, 0, clouds.width, 20, 0), 180.0);
    EXPECT_LT(clouds.mean(0, clouds.height - 20, clouds.width, clouds.height, 0), 180.0);

    // City lights on black.
    EXPECT_LT(night.mean(0, 0, night.width, night.height, 0), 8.0);
    EXPECT_GE(night.brightest(0, 0, night.width, night.height), 200);
}

TEST(ModelsAssets, SunSurfaceTilesAroundAndIsOrangeYellow)
{
    const Picture sun = loadPicture("models/sun/sun.png");
    ASSERT_TRUE(sun.pixels);
    // The wrap from the last column to the first is no harsher than neighbouring columns.
    double seam = 0.0;
    double inner = 0.0;
    for (int y = 0; y < sun.height; ++y)
        for (int c = 0; c < 3; ++c)
        {
            seam += std::abs(sun.at(sun.width - 1, y, c) - sun.at(0, y, c));
            inner += std::abs(sun.at(sun.width / 2, y, c) - sun.at(sun.width / 2 + 1, y, c));
        }
    EXPECT_LT(seam, 1.5 * inner + 1.0);
    const double r = sun.mean(0, 0, sun.width, sun.height, 0);
    const double g = sun.mean(0, 0, sun.width, sun.height, 1);
    const double b = sun.mean(0, 0, sun.width, sun.height, 2);
    EXPECT_GT(r, g);
    EXPECT_GT(g, b);
    EXPECT_GT(g, 0.5 * r);
}
