// A spoilt shader stage ends start-up with the report of the first stage that fails, after the stages
// before it were built in order; later files are never read.
#include "Damage.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace
{
struct Program
{
    std::string name;
    bool tessellation;
};

// In the order start-up builds them.
const std::vector<Program> Programs = {
    {"Quad", false},   {"LenseFlare", false}, {"Bloom", false}, {"Blend", false}, {"SkyBox", false},
    {"Earth", true},   {"Atmosphere", false}, {"Moon", false},  {"Sun", false},
};

struct Stage
{
    std::string file;
    std::size_t program;
};

std::vector<Stage> allStages()
{
    std::vector<Stage> stages;
    for (std::size_t p = 0; p < Programs.size(); ++p)
    {
        const std::string& name = Programs[p].name;
        stages.push_back({name + ".vertexShader.txt", p});
        if (Programs[p].tessellation)
        {
            stages.push_back({name + ".tessCont.txt", p});
            stages.push_back({name + ".tessEval.txt", p});
        }
        stages.push_back({name + ".fragmentShader.txt", p});
    }
    return stages;
}

struct ShaderCase
{
    std::string file;
    Damage damage;
};

std::ostream& operator<<(std::ostream& out, const ShaderCase& c)
{
    return out << c.file << " " << damageName(c.damage);
}

enum class Failure
{
    Open,
    Compile,
    Link,
};

Failure failureOf(Damage damage)
{
    switch (damage)
    {
    // A lone line feed is a text without any declaration, which the compiler rejects.
    case Damage::OneEmptyLine:
    case Damage::CutBeforeLastBrace:
    case Damage::RandomBytes:
    case Damage::NotCompiling: return Failure::Compile;
    case Damage::NotLinking: return Failure::Link;
    default: return Failure::Open;
    }
}

std::string messageOf(Failure failure)
{
    switch (failure)
    {
    case Failure::Open: return "Exception: Could not open file";
    case Failure::Compile: return "Exception: Shader loading failed";
    case Failure::Link: return "Exception: Shader Linking Error";
    }
    return {};
}

std::vector<ShaderCase> everyStage(Damage damage)
{
    std::vector<ShaderCase> cases;
    for (const Stage& stage : allStages())
        cases.push_back({stage.file, damage});
    return cases;
}

// One stage of a different program for each further damage: they take the same path whichever stage it is.
std::vector<ShaderCase> representativeCases()
{
    return {
        {"Quad.vertexShader.txt", Damage::Empty},
        {"Earth.tessEval.txt", Damage::Empty},
        {"Sun.fragmentShader.txt", Damage::Empty},
        {"Blend.vertexShader.txt", Damage::OneEmptyLine},
        {"Quad.fragmentShader.txt", Damage::CutBeforeLastBrace},
        {"Earth.tessCont.txt", Damage::CutBeforeLastBrace},
        {"Atmosphere.fragmentShader.txt", Damage::CutBeforeLastBrace},
        {"LenseFlare.vertexShader.txt", Damage::RandomBytes},
        {"Earth.vertexShader.txt", Damage::RandomBytes},
        {"Moon.fragmentShader.txt", Damage::RandomBytes},
        {"Bloom.vertexShader.txt", Damage::NotLinking},
        {"Earth.tessEval.txt", Damage::NotLinking},
        {"Sun.fragmentShader.txt", Damage::NotLinking},
        {"SkyBox.vertexShader.txt", Damage::Unreadable},
        {"Earth.fragmentShader.txt", Damage::Unreadable},
        {"Blend.fragmentShader.txt", Damage::Directory},
        {"Moon.vertexShader.txt", Damage::Directory},
    };
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
    if (c.damage == Damage::Unreadable && geteuid() == 0 && !unprivilegedUser())
        GTEST_SKIP() << "running as root without an unprivileged user, so no file is unreadable";

    const std::vector<Stage> stages = allStages();
    const auto failing = std::find_if(stages.begin(), stages.end(), [&](const Stage& s) { return s.file == c.file; });
    ASSERT_NE(failing, stages.end());
    const Failure failure = failureOf(c.damage);

    FaultRun run("[MAIN]\nWidth=320\nHeight=256\n");
    run.damage("shader/" + c.file, c.damage);
    run.start();
    run.expectReport({messageOf(failure)});
    if (HasFatalFailure())
        return;
    const std::string& output = run.process().output();

    // Built so far: every stage before the failing one; the failing one too once it was readable; and
    // for a link failure the rest of its program.
    std::vector<std::string> expected;
    std::size_t linked = failing->program;
    for (auto stage = stages.begin(); stage != stages.end(); ++stage)
    {
        const bool before = stage < failing;
        const bool itself = stage == failing && failure != Failure::Open;
        const bool restOfProgram = failure == Failure::Link && stage->program == failing->program;
        if (before || itself || restOfProgram)
            expected.push_back("shader/" + stage->file);
    }
    if (failure == Failure::Link)
        ++linked;
    EXPECT_EQ(compiledShaders(output), expected) << output;

    std::size_t linking = 0;
    for (auto at = output.find("Linking program: "); at != std::string::npos;
         at = output.find("Linking program: ", at + 1))
        ++linking;
    EXPECT_EQ(linking, linked) << output;

    const std::string compileError = "Compiling shader: shader/" + c.file + "\nresult != GL_TRUE\n";
    EXPECT_EQ(output.find(compileError) != std::string::npos, failure == Failure::Compile) << output;
}

INSTANTIATE_TEST_SUITE_P(Missing, ShaderFaultsE2ETest, ::testing::ValuesIn(everyStage(Damage::Missing)), caseName);
INSTANTIATE_TEST_SUITE_P(NotCompiling, ShaderFaultsE2ETest, ::testing::ValuesIn(everyStage(Damage::NotCompiling)),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Representative, ShaderFaultsE2ETest, ::testing::ValuesIn(representativeCases()), caseName);
