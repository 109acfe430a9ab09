#include "Startup.h"

#include "Application.h"
#include "Atmosphere.h"
#include "Camera.h"
#include "Earth.h"
#include "Keys.h"
#include "Model.h"
#include "Moon.h"
#include "Renderer.h"
#include "Shader.h"
#include "SkyBox.h"
#include "Sun.h"
#include "Texture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <chrono>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace
{
using Clock = std::chrono::steady_clock;

// Runs `work` and records its wall time under `key`.
template <typename Work>
void timed(Results& results, const std::string& key, Work&& work)
{
    const auto start = Clock::now();
    work();
    const double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    results.add(key, milliseconds, milliseconds);
}

std::string fileName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string glText(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "?";
}

// The programs in the order the program builds them; only the Earth's has tessellation stages.
const char* const ProgramNames[] = {"Quad", "LenseFlare", "Bloom", "Blend", "SkyBox",
                                    "Earth", "Atmosphere", "Moon", "Sun"};
} // namespace

StartedScene startUp(const Options& options, Results& results, Renderer::PassObserver& observer)
{
    StartedScene started;
    BenchmarkScene& scene = started.objects;
    const std::vector<std::string> images = sceneImages();
    const std::string skyImage = Resource::SkyBox::image();
    timed(results, "startup.window", [&] {
        if (!glfwInit())
            throw std::runtime_error("glfwInit failed (no display?)");
        applyWindowHints();
        started.window = glfwCreateWindow(options.width, options.height, "Talvenmorquiddle benchmark", nullptr, nullptr);
        if (!started.window)
            throw std::runtime_error("no window: the driver offers no OpenGL 4 compatibility context");
        glfwMakeContextCurrent(started.window);
        if (glewInit() != GLEW_OK)
            throw std::runtime_error("glewInit failed");
        // Frames must not wait for a display refresh.
        glfwSwapInterval(0);
    });
    results.facts["renderer"] = glText(GL_RENDERER);
    results.facts["version"] = glText(GL_VERSION);

    // The build log lines would bury the report.
    std::ostringstream buildLog;
    std::streambuf* console = std::cout.rdbuf(buildLog.rdbuf());
    std::size_t programsCached = 0;
    std::size_t imagesCached = 0;
    try
    {
        timed(results, "startup.shaders", [&] {
            for (const char* name : ProgramNames)
                timed(results, std::string("startup.shaders.") + name,
                      [&] { Shader::getProgram(name, std::string(name) == "Earth"); });
        });
        timed(results, "startup.images", [&] {
            // The sky's cube map is made anew by each sky box: it is built with the scene.
            for (const std::string& image : images)
                if (image != skyImage)
                    timed(results, "startup.images." + fileName(image),
                          [&] { Texture::TextureCache::instance().load(image); });
        });
        timed(results, "startup.meshes", [&] {
            const std::string meshes[] = {Resource::Earth::info().modelFile, "models/atmosphere/atmosphere.obj",
                                          "models/atmosphere/shadow.obj", Resource::Moon::info().modelFile,
                                          Resource::Sun::info().modelFile};
            for (const std::string& mesh : meshes)
                timed(results, "startup.meshes." + fileName(mesh), [&] {
                    std::vector<Resource::Vertex> vertices;
                    std::vector<GLuint> indices;
                    Resource::Model::loadMesh(mesh, vertices, indices);
                });
        });
        programsCached = Shader::programCache.size();
        imagesCached = Texture::TextureCache::instance().m_Cache.size();

        timed(results, "startup.scene", [&] {
            scene.renderer = std::make_shared<Renderer::Renderer>(options.width, options.height,
                                                                  Renderer::Instruments{&observer, true});
            scene.scene = makeScene(Keys, options.width, options.height, 0.1f, 0.01f);
        });
    }
    catch (...)
    {
        std::cout.rdbuf(console);
        std::cout << buildLog.str();
        throw;
    }
    std::cout.rdbuf(console);

    // Work that landed in the scene phase instead of its own would make the split misleading.
    if (Shader::programCache.size() != programsCached || Texture::TextureCache::instance().m_Cache.size() != imagesCached)
        std::cerr << "warning: the scene objects built programs or loaded images the benchmark did not pre-load; "
                     "the start-up split counts them under \"renderer and scene objects\"\n";
    return started;
}
