#include "StartupFiles.h"

#include "Atmosphere.h"
#include "Bloom.h"
#include "Earth.h"
#include "LenseFlare.h"
#include "Moon.h"
#include "Renderer.h"
#include "SkyBox.h"
#include "Sun.h"

#include <algorithm>
#include <stdexcept>

// Every path and program name below is the classes' own: a file that start-up reads is named once.
const std::vector<StartupProgram>& startupPrograms()
{
    const auto body = [](const Resource::ModelInfo& info) {
        return StartupProgram{info.shaderName, info.tessellation};
    };
    static const std::vector<StartupProgram> programs = {
        {Renderer::Renderer::QuadProgramName, false},
        {LenseFlare::ProgramName, false},
        {Bloom::LevelProgramName, false},
        {Bloom::BlendProgramName, false},
        {Resource::SkyBox::ProgramName, false},
        body(Resource::Earth::info()),
        body(Resource::Atmosphere::info()),
        body(Resource::Moon::info()),
        body(Resource::Sun::info()),
    };
    return programs;
}

std::vector<StartupStage> startupStages()
{
    const std::vector<StartupProgram>& programs = startupPrograms();
    std::vector<StartupStage> stages;
    for (std::size_t p = 0; p < programs.size(); ++p)
    {
        const std::string& name = programs[p].name;
        stages.push_back({name + ".vertexShader.txt", p});
        if (programs[p].tessellation)
        {
            stages.push_back({name + ".tessCont.txt", p});
            stages.push_back({name + ".tessEval.txt", p});
        }
        stages.push_back({name + ".fragmentShader.txt", p});
    }
    return stages;
}

const std::vector<std::string>& sceneMeshes()
{
    static const std::vector<std::string> meshes = {
        Resource::Earth::info().modelFile, Resource::Atmosphere::info().modelFile, Resource::Atmosphere::ShadowMesh,
        Resource::Moon::info().modelFile,  Resource::Sun::info().modelFile,
    };
    return meshes;
}

const std::vector<std::string>& sceneImageFiles()
{
    static const std::vector<std::string> images = [] {
        std::vector<std::string> files = LenseFlare::images();
        files.push_back(Resource::SkyBox::Image);
        for (const auto& slots : {Resource::Earth::textures(), Resource::Moon::textures(), Resource::Sun::textures()})
            for (const Resource::TextureSlot& slot : slots)
                files.push_back(slot.file);
        return files;
    }();
    return images;
}

std::string imageError(const std::string& file)
{
    return file == Resource::SkyBox::Image ? CubeMapError : TextureError;
}

ShaderFailure shaderFailureOf(Damage damage)
{
    switch (damage)
    {
    // A lone line feed is a text without any declaration, which the compiler rejects.
    case Damage::OneEmptyLine:
    case Damage::CutBeforeLastBrace:
    case Damage::RandomBytes:
    case Damage::NotCompiling: return ShaderFailure::Compile;
    case Damage::NotLinking: return ShaderFailure::Link;
    default: return ShaderFailure::Open;
    }
}

std::string messageOf(ShaderFailure failure)
{
    switch (failure)
    {
    case ShaderFailure::Open: return "Could not open file";
    case ShaderFailure::Compile: return "Shader loading failed";
    case ShaderFailure::Link: return "Shader Linking Error";
    }
    return {};
}

BuildLines buildLinesUpTo(const std::string& stage, ShaderFailure failure)
{
    const std::vector<StartupStage> stages = startupStages();
    const auto failing =
        std::find_if(stages.begin(), stages.end(), [&](const StartupStage& s) { return s.file == stage; });
    if (failing == stages.end())
        throw std::invalid_argument("no such stage: " + stage);

    // Every stage before the failing one; the failing one too once it was readable; and for a link
    // failure the rest of its program.
    BuildLines lines;
    for (auto s = stages.begin(); s != stages.end(); ++s)
    {
        const bool before = s < failing;
        const bool itself = s == failing && failure != ShaderFailure::Open;
        const bool restOfProgram = failure == ShaderFailure::Link && s->program == failing->program;
        if (before || itself || restOfProgram)
            lines.compiled.push_back("shader/" + s->file);
    }
    lines.linked = failing->program + (failure == ShaderFailure::Link ? 1 : 0);
    return lines;
}
