#pragma once

#include "Options.h"
#include "PassTimer.h"
#include "Poses.h"
#include "Renderer.h"
#include "Results.h"
#include "Scene.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

struct GLFWwindow;

// The program's renderer and scene, made and linked as the application makes them.
struct BenchmarkScene
{
    std::shared_ptr<Renderer::Renderer> renderer;
    Scene scene;
};

// The frame's passes as the benchmark reports them: the renderer's, then the two effects.
constexpr std::size_t BenchmarkPassCount = Renderer::PassCount + 2;
constexpr std::size_t BloomPass = Renderer::PassCount;
constexpr std::size_t LenseFlarePass = Renderer::PassCount + 1;

// Times each pass of a frame as the renderer reports it, and the effects around their calls: while
// timing, the CPU time, the calls' wall time, a GPU timer query and the allocations of each pass;
// while serialising, the wall time of each pass followed by glFinish.
class PassMeter final : public Renderer::PassObserver
{
public:
    enum class Mode
    {
        Off,
        Timing,
        Serialising,
    };
    // Figures of one pass over the measured frames.
    struct Series
    {
        std::vector<double> cpu;
        std::vector<double> calls;
        std::vector<double> allocations;
        std::vector<double> serial;
    };

    void beginPass(Renderer::Pass pass) override { begin(static_cast<std::size_t>(pass)); }
    void endPass(Renderer::Pass pass) override { end(static_cast<std::size_t>(pass)); }
    void begin(std::size_t pass);
    void end(std::size_t pass);

    // Starts measuring `frames` frames in `mode`, with room for every figure reserved up front:
    // growing a series inside the counted span would count the benchmark's own allocations.
    void start(Mode mode, std::size_t frames);
    void stop() { m_Mode = Mode::Off; }

    // Made at the first start, once the context exists.
    std::optional<PassTimer> m_Timer;
    std::array<Series, BenchmarkPassCount> m_Series;

private:
    Mode m_Mode = Mode::Off;
    std::chrono::steady_clock::time_point m_Start;
    double m_StartCpu = 0.0;
    std::uint64_t m_StartAllocations = 0;
};

// Draws the program's frames at poses of the tour, so each pass can be timed and its allocations counted.
class FrameBenchmark
{
public:
    FrameBenchmark(GLFWwindow* window, BenchmarkScene& scene, PassMeter& meter);

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
    // Event poll and one frame of motion, as the program's loop does them.
    void update(float deltaTime);
    // The frame loop's drawing: the renderer's passes, the bloom and the lens flare.
    void drawPasses();
    void drawFrame();

    GLFWwindow* m_pWindow;
    BenchmarkScene& m_Objects;
    PassMeter& m_Meter;
    int m_FrameNumber = 0;
    // Seconds of body motion so far.
    double m_SceneTime = 0.0;
};
