// The files start-up reads besides its configuration, and the report that a spoilt one ends it with.
#pragma once

#include "Damage.h"

#include <cstddef>
#include <string>
#include <vector>

struct StartupProgram
{
    std::string name;
    bool tessellation;
};

// In the order start-up builds them: the renderer's, the sky box's, then the bodies'.
const std::vector<StartupProgram>& startupPrograms();

struct StartupStage
{
    // Below shader/, as "Earth.tessCont.txt".
    std::string file;
    // Its program's place in startupPrograms().
    std::size_t program;
};

// Every stage of every program, in the order start-up compiles them.
std::vector<StartupStage> startupStages();

// Every mesh and image under models/ that start-up reads.
const std::vector<std::string>& sceneMeshes();
const std::vector<std::string>& sceneImageFiles();

const std::string AssimpError = "Failed to load model. ASSIMP-ERROR";
const std::string NoMesh = "Failed to load model. No mesh found.";
const std::string TextureError = "Could not load texture";
const std::string CubeMapError = "Could not load cubemap-texture";

// The sky box's image goes through the cube-map loader, all others through the 2D one.
std::string imageError(const std::string& file);

// What a shader stage damaged in some way makes of the build.
enum class ShaderFailure
{
    Open,
    Compile,
    Link,
};

ShaderFailure shaderFailureOf(Damage damage);
std::string messageOf(ShaderFailure failure);

// The console's build lines when start-up stops at `stage`: the paths compiled, in order, and the number
// of programs linked.
struct BuildLines
{
    std::vector<std::string> compiled;
    std::size_t linked = 0;
};
BuildLines buildLinesUpTo(const std::string& stage, ShaderFailure failure);
