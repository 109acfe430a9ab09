#pragma once

#include "FrameBenchmark.h"
#include "Options.h"
#include "Results.h"

struct GLFWwindow;

// The window and the scene objects, made as the program makes them.
struct StartedScene
{
    GLFWwindow* window = nullptr;
    BenchmarkScene objects;
};

// Opens the window and builds the scene, timing each kind of start-up work while the caches are still
// empty: "startup.window", ".shaders", ".images", ".meshes" and ".scene", each with its items
// ("startup.shaders.Earth"). The facts "renderer" and "version" name the driver. As in the program,
// the window ends with the process.
// The renderer reports its passes to `observer`.
StartedScene startUp(const Options& options, Results& results, Renderer::PassObserver& observer);
