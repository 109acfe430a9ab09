// A spoilt shader stage, once for each report it can end start-up with: the report of the first stage
// that fails, after every stage before it was built in start-up's order; later files are never read.
// Every stage with every kind of damage is built in-process in SceneFaultsGLTest.
#include "FaultRun.h"
#include "StartupFiles.h"

#include <gtest/gtest.h>

#include <cctype>

namespace
{
struct ShaderCase
{
    std::string file;
    Damage damage;
};

std::ostream& operator<<(std::ostream& out, const ShaderCase& c)
{
    return out << c.file << " " << damageName(c.damage);
}

std::string caseName(const ::testing::TestParamInfo<ShaderCase>& info)
{
    // "Earth.tessCont.txt" reads "EarthTessCont".
    const std::string file = info.param.file.substr(0, info.param.file.find(".txt"));
    std::string name;
    for (std::size_t i = 0; i < file.size(); ++i)
    {
        if (file[i] != '.')
            name += i > 0 && file[i - 1] == '.' ? static_cast<char>(std::toupper(file[i])) : file[i];
    }
    return name + "_" + damageName(info.param.damage);
}

class ShaderFaultsE2ETest : public ::testing::TestWithParam<ShaderCase>
{
};
} // namespace

TEST_P(ShaderFaultsE2ETest, ReportsFirstFailingStage)
{
    const ShaderCase& c = GetParam();
    const ShaderFailure failure = shaderFailureOf(c.damage);
    FaultRun run("[MAIN]\nWidth=320\nHeight=256\n");
    run.damage("shader/" + c.file, c.damage);
    run.start();
    run.expectReport({"Exception: " + messageOf(failure)});
    if (HasFatalFailure())
        return;
    const std::string& output = run.process().output();

    const BuildLines expected = buildLinesUpTo(c.file, failure);
    EXPECT_EQ(compiledShaders(output), expected.compiled) << output;
    EXPECT_EQ(linkedPrograms(output), expected.linked) << output;
    const std::string compileError = "Compiling shader: shader/" + c.file + "\nresult != GL_TRUE\n";
    EXPECT_EQ(output.find(compileError) != std::string::npos, failure == ShaderFailure::Compile) << output;
}

// The last stage start-up reads, so every program before it is built; the tessellated program's
// stages; and the last program's link.
INSTANTIATE_TEST_SUITE_P(OnePerReport, ShaderFaultsE2ETest,
                         ::testing::Values(ShaderCase{"Sun.fragmentShader.txt", Damage::Missing},
                                           ShaderCase{"Earth.tessEval.txt", Damage::NotCompiling},
                                           ShaderCase{"Sun.fragmentShader.txt", Damage::NotLinking}),
                         caseName);
