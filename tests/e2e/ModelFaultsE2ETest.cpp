// A spoilt mesh or image under models/: the loader's report, a wait for Enter and exit code 0, or a
// normal start where the reader still accepts the file.
#include "Damage.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

namespace
{
const std::string Assimp = "Exception: Failed to load model. ASSIMP-ERROR";
const std::string NoMesh = "Exception: Failed to load model. No mesh found.";
const std::string Texture = "Exception: Could not load texture";
const std::string CubeMap = "Exception: Could not load cubemap-texture";

struct ModelCase
{
    std::string file;
    Damage damage;
    // The last line of the report; none when the program must start normally.
    std::optional<std::string> report;
};

std::ostream& operator<<(std::ostream& out, const ModelCase& c)
{
    return out << c.file << " " << damageName(c.damage);
}

const std::vector<std::string> Meshes = {
    "models/earth/earth.obj", "models/atmosphere/atmosphere.obj", "models/atmosphere/shadow.obj",
    "models/moon/moon.obj",   "models/sun/sun.obj",
};

// The sky box's image goes through the cube-map loader, all others through the 2D one.
const std::vector<std::string> Images = {
    "models/flare/shine1.bmp",  "models/flare/shine2.bmp",  "models/flare/hexafull.bmp",
    "models/skybox/seamless.png", "models/earth/color.png", "models/earth/clouds.png",
    "models/earth/night.png",   "models/earth/bump.png",    "models/moon/moon.png",
    "models/sun/sun.png",
};

std::string imageReport(const std::string& file)
{
    return file == "models/skybox/seamless.png" ? CubeMap : Texture;
}

bool isPng(const std::string& file)
{
    return file.size() > 4 && file.compare(file.size() - 4, 4, ".png") == 0;
}

std::vector<ModelCase> meshCases()
{
    std::vector<ModelCase> cases;
    for (const std::string& mesh : Meshes)
    {
        cases.push_back({mesh, Damage::Missing, Assimp});
        // The OBJ reader skips what it cannot read and returns a scene without a mesh.
        cases.push_back({mesh, Damage::RandomBytes, NoMesh});
    }
    // The Earth's mesh goes through the model's own load, the shadow through the atmosphere's second load.
    for (const std::string mesh : {"models/earth/earth.obj", "models/atmosphere/shadow.obj"})
    {
        cases.push_back({mesh, Damage::Empty, Assimp});
        cases.push_back({mesh, Damage::ObjBadIndex, Assimp});
        cases.push_back({mesh, Damage::Unreadable, Assimp});
        // Its first half holds vertex data but no face: an object without a mesh.
        cases.push_back({mesh, Damage::Truncated, NoMesh});
        // Points and lines get no normals: nothing to draw as a surface.
        cases.push_back({mesh, Damage::ObjOnlyVertices, NoMesh});
        cases.push_back({mesh, Damage::ObjOnlyLine, NoMesh});
        // The reader opens a directory as an empty file.
        cases.push_back({mesh, Damage::Directory, NoMesh});
    }
    return cases;
}

std::vector<ModelCase> imageCases()
{
    std::vector<ModelCase> cases;
    for (const std::string& image : Images)
    {
        cases.push_back({image, Damage::Missing, imageReport(image)});
        cases.push_back({image, isPng(image) ? Damage::PngHeaderNoise : Damage::RandomBytes, imageReport(image)});
    }
    // A PNG and a BMP through the 2D loader, and the cube map: each kind of damage once.
    for (const std::string image : {"models/earth/color.png", "models/flare/shine1.bmp", "models/skybox/seamless.png"})
    {
        for (const Damage damage : {Damage::Empty, Damage::Unreadable, Damage::Directory})
            cases.push_back({image, damage, imageReport(image)});
    }
    cases.push_back({"models/earth/color.png", Damage::Truncated, Texture});
    cases.push_back({"models/skybox/seamless.png", Damage::Truncated, CubeMap});
    cases.push_back({"models/earth/night.png", Damage::RandomBytes, Texture});
    cases.push_back({"models/skybox/seamless.png", Damage::RandomBytes, CubeMap});
    // The BMP decoder fills what is missing: half a bitmap still loads.
    cases.push_back({"models/flare/shine1.bmp", Damage::Truncated, std::nullopt});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<ModelCase>& info)
{
    std::string name = info.param.file.substr(info.param.file.rfind('/') + 1);
    std::replace(name.begin(), name.end(), '.', '_');
    return name + "_" + damageName(info.param.damage);
}

class ModelFaultsE2ETest : public ::testing::TestWithParam<ModelCase>
{
};
} // namespace

TEST_P(ModelFaultsE2ETest, EndsAsDescribed)
{
    const ModelCase& c = GetParam();
    if (c.damage == Damage::Unreadable && geteuid() == 0 && !unprivilegedUser())
        GTEST_SKIP() << "running as root without an unprivileged user, so no file is unreadable";

    FaultRun run("[MAIN]\nWidth=320\nHeight=256\n");
    run.damage(c.file, c.damage);
    run.start();
    if (c.report)
        run.expectReport({*c.report});
    else
        run.expectRuns();
}

INSTANTIATE_TEST_SUITE_P(Meshes, ModelFaultsE2ETest, ::testing::ValuesIn(meshCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Images, ModelFaultsE2ETest, ::testing::ValuesIn(imageCases()), caseName);
