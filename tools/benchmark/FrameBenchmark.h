#pragma once

#include "Options.h"
#include "Poses.h"
#include "Results.h"
#include "SceneRunner.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

// Times each pass of a frame as the runner reports it: while timing, the thread's CPU time and the
// allocations of each pass; while serialising, the wall time of each pass followed by glFinish.
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
        std::vector<double> allocations;
        std::vector<double> serial;
    };

    void beginPass(Renderer::Pass pass) override;
    void endPass(Renderer::Pass pass) override;

    // Starts measuring `frames` frames in `mode`, with room for every figure reserved up front:
    // growing a series inside the counted span would count the benchmark's own allocations.
    void start(Mode mode, std::size_t frames);
    void stop() { m_Mode = Mode::Off; }

    std::array<Series, Renderer::PassCount> m_Series;

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
    FrameBenchmark(SceneRunner& runner, PassMeter& meter);

    // Moves the bodies on to the pose's time (never back) and holds the camera on the pose's body.
    void setPose(const Pose& pose);
    // Warm-up, then the pipelined frames (CPU time of the calls, glFinish, swap) and the serialised
    // frames (each pass followed by glFinish) of the current pose.
    void timePose(const Pose& pose, const Options& options, Results& results);
    // One more frame of the current pose, written as `directory`/<pose>.png.
    void savePicture(const Pose& pose, const std::filesystem::path& directory);
    // `frames` more frames split among `poses`, each share after `warmup` uncounted frames, keeping
    // only the allocation count.
    void countAllocations(const std::vector<const Pose*>& poses, int frames, int warmup, Results& results);

private:
    void drawFrame();

    SceneRunner& m_Runner;
    PassMeter& m_Meter;
    // Seconds of body motion so far.
    double m_SceneTime = 0.0;
};
