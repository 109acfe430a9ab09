#pragma once

#include "Options.h"
#include "Poses.h"
#include "Results.h"
#include "Scene.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <vector>

struct GLFWwindow;
namespace Renderer
{
class Renderer;
}
namespace Camera
{
class Camera;
}

// The program's renderer and scene objects, made and linked as the application makes them.
struct BenchmarkScene
{
    std::shared_ptr<Renderer::Renderer> renderer;
    std::shared_ptr<Camera::Camera> camera;
    std::shared_ptr<Resource::SkyBox> skyBox;
    std::shared_ptr<Resource::Earth> earth;
    std::shared_ptr<Resource::Atmosphere> atmosphere;
    std::shared_ptr<Resource::Moon> moon;
    std::shared_ptr<Resource::Sun> sun;
};

// Draws the frame loop's passes one by one, so each can be timed and its allocations counted.
class FrameBenchmark
{
public:
    static constexpr std::size_t PassCount = 7;

    FrameBenchmark(GLFWwindow* window, BenchmarkScene& scene);

    // The first frame as the program draws it: the tour's first pose, bodies one frame on.
    void drawFirstFrame();
    // Moves the bodies on to the pose's time (never back) and holds the camera on the pose's body.
    void setPose(const Pose& pose);
    // Warm-up, then the pipelined frames (CPU time of the calls, timer queries, glFinish, swap) and
    // the serialised frames (each pass followed by glFinish) of the current pose.
    void timePose(const Pose& pose, const Options& options, Results& results);
    // One more frame of the current pose, written as `directory`/<pose>.png.
    void savePicture(const Pose& pose, const std::filesystem::path& directory);
    // `frames` more frames split among `poses`, each share after `warmup` uncounted frames, keeping
    // only the allocation count (and, when tracing, the call stacks).
    void countAllocations(const std::vector<const Pose*>& poses, int frames, int warmup, Results& results);

private:
    // Event poll, bodies, camera and the frame's scene record, as the program's loop does them.
    void update(float deltaTime);
    void runPass(std::size_t pass);
    void drawFrame();

    GLFWwindow* m_pWindow;
    BenchmarkScene& m_Objects;
    Scene m_Scene;
    int m_FrameNumber = 0;
    // Seconds of body motion so far.
    double m_SceneTime = 0.0;
};
