// A spoilt mesh or image under models/, once for each report it can end start-up with: the loader's
// report, a wait for Enter and exit code 0. Every variant (each file, each kind of damage) is made
// in-process in SceneFaultsGLTest.
#include "FaultRun.h"
#include "StartupFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
struct ModelCase
{
    std::string file;
    Damage damage;
    std::string message;
};

std::ostream& operator<<(std::ostream& out, const ModelCase& c)
{
    return out << c.file << " " << damageName(c.damage);
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
    FaultRun run("[MAIN]\nWidth=320\nHeight=256\n");
    run.damage(c.file, c.damage);
    run.start();
    run.expectReport({"Exception: " + c.message});
}

INSTANTIATE_TEST_SUITE_P(OnePerReport, ModelFaultsE2ETest,
                         ::testing::Values(
                             // The atmosphere's second mesh, after the Earth's textures.
                             ModelCase{"models/atmosphere/shadow.obj", Damage::Missing, AssimpError},
                             ModelCase{"models/earth/earth.obj", Damage::RandomBytes, NoMesh},
                             // The last image start-up reads, after the images decoded ahead.
                             ModelCase{"models/sun/sun.png", Damage::Missing, TextureError},
                             ModelCase{"models/skybox/seamless.png", Damage::Missing, CubeMapError}),
                         caseName);
