// Start-up's scene made in-process from shader/ and models/ with one file spoilt: every variant ends in
// the message the program reports, after the console lines the program prints before it. The program's
// own way through each report (the console, the wait for Enter, the exit code) is tested once per report
// in tests/e2e.
#include "Capture.h"
#include "Damage.h"
#include "GLContext.h"
#include "GLState.h"
#include "Shader.h"
#include "StartupFiles.h"
#include "StartupScene.h"
#include "TempDir.h"
#include "Texture.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
struct FaultCase
{
    // Below the working directory, as "shader/Quad.vertexShader.txt".
    std::string file;
    Damage damage;
    // What the start-up throws; none when it must succeed.
    std::optional<std::string> message;
};

std::string describe(const FaultCase& c)
{
    return c.file + " " + damageName(c.damage);
}

// What a start-up in-process ended with.
struct Outcome
{
    // The exception's message; "no exception" when the scene was made.
    std::string message;
    std::string console;
};

// The caches live as long as the process. A row starts with them holding the scene's programs and
// textures, less what a spoilt file would have given: every program when a shader is spoilt (the build
// order is what the row checks), the texture of a spoilt image. Afterwards they are put back.
class CachesForRow
{
public:
    CachesForRow(bool withoutPrograms, const std::string& image)
        : m_Programs(Shader::programCache)
        , m_Textures(Texture::TextureCache::instance().m_Cache)
    {
        if (withoutPrograms)
            Shader::programCache.clear();
        Texture::TextureCache::instance().m_Cache.erase(image);
    }

    ~CachesForRow()
    {
        Shader::programCache = m_Programs;
        Texture::TextureCache::instance().m_Cache = m_Textures;
    }

    CachesForRow(const CachesForRow&) = delete;
    CachesForRow& operator=(const CachesForRow&) = delete;

private:
    std::map<std::string, GLuint> m_Programs;
    std::map<std::string, GLuint> m_Textures;
};

class SceneFaultsGLTest : public GLTest
{
protected:
    // One start-up from sound files fills the caches: the rows need not decode every image again.
    static void SetUpTestSuite()
    {
        TempDir dir;
        for (const char* folder : {"shader", "models"})
            mirrorAsLinks(sourceDir() / folder, dir.path() / folder);
        const ScopedWorkingDirectory inside(dir.path());
        const GLState::Guard guard;
        const CoutCapture quiet;
        const StartupScene scene(320, 256);
    }

    // Start-up in a working directory whose shader/ and models/ are the repository's, with `c.file`
    // spoilt. A scene that is made also draws two frames.
    static Outcome startUp(const FaultCase& c)
    {
        TempDir dir;
        const bool unreadable = c.damage == Damage::Unreadable;
        for (const char* folder : {"shader", "models"})
        {
            // The user who cannot read the spoilt file must read every other one: copies, since the
            // repository may lie where only its owner can enter.
            if (unreadable)
                fs::copy(sourceDir() / folder, dir.path() / folder, fs::copy_options::recursive);
            else
                mirrorAsLinks(sourceDir() / folder, dir.path() / folder);
        }
        if (unreadable)
            fs::permissions(dir.path(), fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec,
                            fs::perm_options::add);
        applyDamage(dir.path() / c.file, c.damage);

        const ScopedWorkingDirectory inside(dir.path());
        const MadeObjectsDeleted objects;
        const CachesForRow caches(c.file.rfind("shader/", 0) == 0, c.file);
        const GLState::Guard guard;
        Outcome outcome{"no exception", ""};
        CoutCapture console;
        try
        {
            std::optional<Unprivileged> reader;
            if (unreadable)
                reader.emplace();
            StartupScene scene(320, 256);
            scene.frame(0.0f);
            scene.frame(1.0f / 60.0f);
        }
        catch (const std::exception& error)
        {
            outcome.message = error.what();
        }
        outcome.console = console.text();
        return outcome;
    }
};

// The shader text that several stages include; spoilt, it fails the first stage that includes it.
const std::string SharedText = "Scattering.glsl";

std::string firstStageIncluding(const std::string& shared)
{
    for (const StartupStage& stage : startupStages())
    {
        const std::string text = Shader::readFile((sourceDir() / "shader" / stage.file).string());
        if (text.find("#include \"" + shared + "\"") != std::string::npos)
            return stage.file;
    }
    return "none includes " + shared;
}

std::vector<FaultCase> everyStage(Damage damage)
{
    std::vector<FaultCase> cases;
    for (const StartupStage& stage : startupStages())
        cases.push_back({"shader/" + stage.file, damage, messageOf(shaderFailureOf(damage))});
    return cases;
}

TEST_F(SceneFaultsGLTest, ShaderStageStopsTheBuildAfterTheStagesBeforeIt)
{
    std::vector<FaultCase> cases = everyStage(Damage::Missing);
    for (const FaultCase& c : everyStage(Damage::NotCompiling))
        cases.push_back(c);
    // One stage of a different program for each further damage: they take the same path whichever stage it is.
    const std::pair<const char*, Damage> representative[] = {
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
    for (const auto& [stage, damage] : representative)
        cases.push_back({std::string("shader/") + stage, damage, messageOf(shaderFailureOf(damage))});
    for (const Damage damage : {Damage::Missing, Damage::Empty, Damage::NotCompiling})
        cases.push_back({"shader/" + SharedText, damage, messageOf(shaderFailureOf(damage))});

    for (const FaultCase& c : cases)
    {
        SCOPED_TRACE(describe(c));
        const ShaderFailure failure = shaderFailureOf(c.damage);
        const Outcome outcome = startUp(c);
        EXPECT_EQ(outcome.message, *c.message);

        const std::string file = c.file.substr(std::string("shader/").size());
        const std::string stage = file == SharedText ? firstStageIncluding(SharedText) : file;
        const BuildLines expected = buildLinesUpTo(stage, failure);
        EXPECT_EQ(compiledShaders(outcome.console), expected.compiled) << outcome.console;
        EXPECT_EQ(linkedPrograms(outcome.console), expected.linked) << outcome.console;
        const std::string compileError = "Compiling shader: shader/" + stage + "\nresult != GL_TRUE\n";
        EXPECT_EQ(outcome.console.find(compileError) != std::string::npos, failure == ShaderFailure::Compile)
            << outcome.console;
        // Apart from a compiler log, which need not end its last line, the console holds whole lines.
        if (failure != ShaderFailure::Compile)
        {
            EXPECT_TRUE(outcome.console.empty() || outcome.console.back() == '\n') << outcome.console;
        }
        expectOnlyBuildOutput(outcome.console);
    }
}

TEST_F(SceneFaultsGLTest, SpoiltMeshReportsItsLoader)
{
    std::vector<FaultCase> cases;
    for (const std::string& mesh : sceneMeshes())
    {
        cases.push_back({mesh, Damage::Missing, AssimpError});
        // The OBJ reader skips what it cannot read and returns a scene without a mesh.
        cases.push_back({mesh, Damage::RandomBytes, NoMesh});
    }
    // The Earth's mesh goes through the model's own load, the shadow through the atmosphere's second load.
    for (const std::string mesh : {"models/earth/earth.obj", "models/atmosphere/shadow.obj"})
    {
        cases.push_back({mesh, Damage::Empty, AssimpError});
        cases.push_back({mesh, Damage::ObjBadIndex, AssimpError});
        cases.push_back({mesh, Damage::Unreadable, AssimpError});
        // Its first half holds vertex data but no face: an object without a mesh.
        cases.push_back({mesh, Damage::Truncated, NoMesh});
        // Points and lines get no normals: nothing to draw as a surface.
        cases.push_back({mesh, Damage::ObjOnlyVertices, NoMesh});
        cases.push_back({mesh, Damage::ObjOnlyLine, NoMesh});
        // The reader opens a directory as an empty file.
        cases.push_back({mesh, Damage::Directory, NoMesh});
    }
    for (const FaultCase& c : cases)
    {
        SCOPED_TRACE(describe(c));
        const Outcome outcome = startUp(c);
        EXPECT_EQ(outcome.message, *c.message);
        expectOnlyBuildOutput(outcome.console);
    }
}

TEST_F(SceneFaultsGLTest, SpoiltImageReportsItsLoader)
{
    std::vector<FaultCase> cases;
    for (const std::string& image : sceneImageFiles())
    {
        const bool png = image.compare(image.size() - 4, 4, ".png") == 0;
        cases.push_back({image, Damage::Missing, imageError(image)});
        cases.push_back({image, png ? Damage::PngHeaderNoise : Damage::RandomBytes, imageError(image)});
    }
    // A PNG and a BMP through the 2D loader, and the cube map: each kind of damage once.
    for (const std::string image : {"models/earth/color.png", "models/flare/shine1.bmp", "models/skybox/seamless.png"})
    {
        for (const Damage damage : {Damage::Empty, Damage::Unreadable, Damage::Directory})
            cases.push_back({image, damage, imageError(image)});
    }
    cases.push_back({"models/earth/color.png", Damage::Truncated, TextureError});
    cases.push_back({"models/skybox/seamless.png", Damage::Truncated, CubeMapError});
    cases.push_back({"models/earth/night.png", Damage::RandomBytes, TextureError});
    cases.push_back({"models/skybox/seamless.png", Damage::RandomBytes, CubeMapError});
    // The BMP decoder fills what is missing: half a bitmap still loads, and the frames draw.
    cases.push_back({"models/flare/shine1.bmp", Damage::Truncated, std::nullopt});

    for (const FaultCase& c : cases)
    {
        SCOPED_TRACE(describe(c));
        const Outcome outcome = startUp(c);
        EXPECT_EQ(outcome.message, c.message.value_or("no exception"));
        expectOnlyBuildOutput(outcome.console);
    }
}
} // namespace
