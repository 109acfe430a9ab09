#include "FrameBenchmark.h"

#include "AllocationCounter.h"
#include "Statistics.h"

#include "Camera.h"
#include "Earth.h"
#include "Moon.h"
#include "Sun.h"

#include <GL/glew.h>

#include <ctime>

namespace
{
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of this thread: what the calls cost on the CPU, without the time they block waiting for
// the driver's rasterizer threads.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1.0e3 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

// The tour's frame step while the bodies are moved to a pose.
constexpr double MotionStep = 1.0 / 60.0;

void addSummary(Results& results, const std::string& key, const std::vector<double>& samples)
{
    const Summary summary = summarize(samples);
    results.add(key, summary.median, summary.p95);
}

// Counts per frame: the median, and the largest in place of a 95th percentile.
void addCount(Results& results, const std::string& key, const std::vector<double>& samples)
{
    double largest = 0.0;
    for (double sample : samples)
        largest = std::max(largest, sample);
    results.add(key, median(samples), largest);
}

std::vector<double> reserved(std::size_t frames)
{
    std::vector<double> series;
    series.reserve(frames);
    return series;
}
} // namespace

void PassMeter::start(Mode mode, std::size_t frames)
{
    for (Series& series : m_Series)
        for (auto* figures : {&series.cpu, &series.allocations, &series.serial})
        {
            figures->clear();
            figures->reserve(frames);
        }
    m_Mode = mode;
}

void PassMeter::beginPass(Renderer::Pass /*pass*/)
{
    if (m_Mode == Mode::Timing)
    {
        m_StartAllocations = AllocationCounter::count();
        m_StartCpu = threadMilliseconds();
    }
    else if (m_Mode == Mode::Serialising)
        m_Start = Clock::now();
}

void PassMeter::endPass(Renderer::Pass pass)
{
    Series& series = m_Series[static_cast<std::size_t>(pass)];
    if (m_Mode == Mode::Timing)
    {
        series.cpu.push_back(threadMilliseconds() - m_StartCpu);
        series.allocations.push_back(static_cast<double>(AllocationCounter::count() - m_StartAllocations));
    }
    else if (m_Mode == Mode::Serialising)
    {
        // Nothing of one pass overlaps the next, so each pass's wall time is all of its cost.
        glFinish();
        series.serial.push_back(millisecondsSince(m_Start));
    }
}

FrameBenchmark::FrameBenchmark(SceneRunner& runner, PassMeter& meter)
    : m_Runner(runner)
    , m_Meter(meter)
{
}

void FrameBenchmark::drawFrame()
{
    m_Runner.advance(0.0f);
    m_Runner.draw();
    m_Runner.present();
}

void FrameBenchmark::setPose(const Pose& pose)
{
    Scene& scene = m_Runner.m_Scene;
    if (pose.sceneTime > m_SceneTime)
    {
        m_Runner.advanceBy(pose.sceneTime - m_SceneTime, MotionStep);
        m_SceneTime = pose.sceneTime;
    }

    Resource::IModel* body = scene.earth.get();
    if (pose.body == PoseBody::Moon)
        body = scene.moon.get();
    else if (pose.body == PoseBody::Sun)
        body = scene.sun.get();
    scene.camera->setTarget(body);
    scene.camera->setAnimation(Camera::makeHold(body, pose.distance));
    // A frame time of 0 keeps the bodies and the camera where the pose put them.
    m_Runner.advance(0.0f);
}

void FrameBenchmark::timePose(const Pose& pose, const Options& options, Results& results)
{
    setPose(pose);
    for (int i = 0; i < options.warmup; ++i)
        drawFrame();
    glFinish();

    const auto frames = static_cast<std::size_t>(options.frames);
    std::vector<double> updateCpu = reserved(frames), updateAllocations = reserved(frames), sumCpu = reserved(frames),
                        allocations = reserved(frames), total = reserved(frames), serialSum = reserved(frames);

    m_Meter.start(PassMeter::Mode::Timing, frames);
    AllocationCounter::start();
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        const std::uint64_t frameAllocations = AllocationCounter::count();
        const auto frameStart = Clock::now();
        const double frameCpu = threadMilliseconds();
        m_Runner.advance(0.0f);
        updateCpu.push_back(threadMilliseconds() - frameCpu);
        updateAllocations.push_back(static_cast<double>(AllocationCounter::count() - frameAllocations));

        m_Runner.draw();
        double cpuTime = 0.0;
        for (const PassMeter::Series& series : m_Meter.m_Series)
            cpuTime += series.cpu.back();
        sumCpu.push_back(cpuTime);
        allocations.push_back(static_cast<double>(AllocationCounter::count() - frameAllocations));
        glFinish();
        m_Runner.present();
        total.push_back(millisecondsSince(frameStart));
    }
    AllocationCounter::stop();
    m_Meter.stop();
    // The timed series are read before the serialised frames start new ones.
    const std::array<PassMeter::Series, Renderer::PassCount> timed = m_Meter.m_Series;

    m_Meter.start(PassMeter::Mode::Serialising, frames);
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        m_Runner.advance(0.0f);
        glFinish();
        const auto frameStart = Clock::now();
        m_Runner.draw();
        serialSum.push_back(millisecondsSince(frameStart));
        m_Runner.present();
    }
    m_Meter.stop();

    const std::vector<std::string>& names = passNames();
    for (std::size_t pass = 0; pass < Renderer::PassCount; ++pass)
    {
        addSummary(results, pose.name + ".cpu." + names[pass], timed[pass].cpu);
        addSummary(results, pose.name + ".serial." + names[pass], m_Meter.m_Series[pass].serial);
        addCount(results, pose.name + ".alloc." + names[pass], timed[pass].allocations);
    }
    addSummary(results, pose.name + ".cpu.update", updateCpu);
    addCount(results, pose.name + ".alloc.update", updateAllocations);
    addSummary(results, pose.name + ".cpu.sum", sumCpu);
    addSummary(results, pose.name + ".serial.sum", serialSum);
    addCount(results, pose.name + ".alloc.frame", allocations);
    addSummary(results, pose.name + ".frame.total", total);
}

void FrameBenchmark::savePicture(const Pose& pose, const std::filesystem::path& directory)
{
    m_Runner.advance(0.0f);
    m_Runner.draw();
    std::filesystem::create_directories(directory);
    m_Runner.savePicture(directory / (pose.name + ".png"));
    m_Runner.present();
}

void FrameBenchmark::countAllocations(const std::vector<const Pose*>& poses, int frames, int warmup, Results& results)
{
    const std::uint64_t before = AllocationCounter::count();
    int drawn = 0;
    for (std::size_t i = 0; i < poses.size(); ++i)
    {
        // Even shares, the remainder to the last pose.
        const int share = i + 1 < poses.size() ? frames / static_cast<int>(poses.size()) : frames - drawn;
        setPose(*poses[i]);
        // The driver compiles a pose's shader variants in its first frames; that is start-up, not the loop.
        for (int frame = 0; frame < warmup; ++frame)
            drawFrame();
        AllocationCounter::start();
        for (int frame = 0; frame < share; ++frame)
            drawFrame();
        AllocationCounter::stop();
        drawn += share;
    }
    glFinish();
    const auto total = static_cast<double>(AllocationCounter::count() - before);
    results.add("allocations.frames", drawn, drawn);
    results.add("allocations.total", total, total);
    results.add("allocations.per-frame", drawn > 0 ? total / drawn : 0.0, drawn > 0 ? total / drawn : 0.0);
}
