#include "FrameBenchmark.h"

#include "AllocationCounter.h"
#include "PassTimer.h"
#include "Statistics.h"

#include "Atmosphere.h"
#include "Camera.h"
#include "CameraAnimation.h"
#include "Earth.h"
#include "Moon.h"
#include "Renderer.h"
#include "Sun.h"

#include "Picture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <stdexcept>

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

// The frame-level figures of the measured frames, reserved up front like the passes'.
struct FrameSeries
{
    explicit FrameSeries(std::size_t frames)
    {
        for (auto* series : {&update, &updateCpu, &updateAllocations, &sum, &sumCpu, &allocations, &finish, &swap,
                             &total, &gpuSum, &serialSum, &serialTotal})
            series->reserve(frames);
        for (auto& series : gpu)
            series.reserve(frames);
    }

    std::vector<double> update;
    std::vector<double> updateCpu;
    std::vector<double> updateAllocations;
    std::vector<double> sum;
    std::vector<double> sumCpu;
    std::vector<double> allocations;
    std::vector<double> finish;
    std::vector<double> swap;
    std::vector<double> total;
    std::array<std::vector<double>, BenchmarkPassCount> gpu;
    std::vector<double> gpuSum;
    std::vector<double> serialSum;
    std::vector<double> serialTotal;
};

double lastOf(const std::vector<double>& series)
{
    return series.empty() ? 0.0 : series.back();
}

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
} // namespace

void PassMeter::start(Mode mode, std::size_t frames)
{
    if (!m_Timer)
        m_Timer.emplace(BenchmarkPassCount);
    for (Series& series : m_Series)
        for (auto* figures : {&series.cpu, &series.calls, &series.allocations, &series.serial})
        {
            figures->clear();
            figures->reserve(frames);
        }
    m_Mode = mode;
}

void PassMeter::begin(std::size_t pass)
{
    switch (m_Mode)
    {
    case Mode::Off: break;
    case Mode::Timing:
        m_StartAllocations = AllocationCounter::count();
        m_Start = Clock::now();
        m_StartCpu = threadMilliseconds();
        m_Timer->begin(pass);
        break;
    case Mode::Serialising: m_Start = Clock::now(); break;
    }
}

void PassMeter::end(std::size_t pass)
{
    Series& series = m_Series[pass];
    switch (m_Mode)
    {
    case Mode::Off: break;
    case Mode::Timing:
        m_Timer->end(pass);
        series.cpu.push_back(threadMilliseconds() - m_StartCpu);
        series.calls.push_back(millisecondsSince(m_Start));
        series.allocations.push_back(static_cast<double>(AllocationCounter::count() - m_StartAllocations));
        break;
    case Mode::Serialising:
        // Nothing of one pass overlaps the next, so each pass's wall time is all of its cost.
        glFinish();
        series.serial.push_back(millisecondsSince(m_Start));
        break;
    }
}

FrameBenchmark::FrameBenchmark(GLFWwindow* window, BenchmarkScene& scene, PassMeter& meter)
    : m_pWindow(window)
    , m_Objects(scene)
    , m_Meter(meter)
{
}

void FrameBenchmark::update(float deltaTime)
{
    glfwPollEvents();
    advanceScene(m_Objects.scene, deltaTime, ++m_FrameNumber, false);
}

void FrameBenchmark::drawPasses()
{
    Renderer::Renderer& renderer = *m_Objects.renderer;
    Scene& scene = m_Objects.scene;
    renderer.render(scene);
    m_Meter.begin(BloomPass);
    renderer.m_Bloom.render(renderer.m_ScreenFramebuffer, renderer.m_SceneFramebuffer);
    m_Meter.end(BloomPass);
    m_Meter.begin(LenseFlarePass);
    renderer.m_LenseFlare.render(renderer.m_ScreenFramebuffer, renderer.m_SceneFramebuffer, *scene.sun, scene);
    m_Meter.end(LenseFlarePass);
}

void FrameBenchmark::drawFrame()
{
    drawPasses();
    glfwSwapBuffers(m_pWindow);
}

void FrameBenchmark::drawFirstFrame()
{
    Scene& scene = m_Objects.scene;
    scene.camera->setTarget(scene.earth.get());
    scene.camera->setAnimation(Camera::makeTour(scene.earth.get(), scene.moon.get(), scene.sun.get()));
    update(static_cast<float>(MotionStep));
    m_SceneTime += MotionStep;
    drawFrame();
    // Presented means finished: the swap may return before the driver has drawn the image.
    glFinish();
}

void FrameBenchmark::setPose(const Pose& pose)
{
    Scene& scene = m_Objects.scene;
    while (m_SceneTime + MotionStep / 2.0 < pose.sceneTime)
    {
        advanceScene(scene, static_cast<float>(MotionStep), ++m_FrameNumber, false);
        m_SceneTime += MotionStep;
    }

    Resource::IModel* body = scene.earth.get();
    if (pose.body == PoseBody::Moon)
        body = scene.moon.get();
    else if (pose.body == PoseBody::Sun)
        body = scene.sun.get();
    scene.camera->setTarget(body);
    scene.camera->setAnimation(holdAnimation(body, pose.distance));
    // A frame time of 0 keeps the bodies and the camera where the pose put them.
    update(0.0f);
}

void FrameBenchmark::timePose(const Pose& pose, const Options& options, Results& results)
{
    setPose(pose);
    for (int i = 0; i < options.warmup; ++i)
    {
        update(0.0f);
        drawFrame();
    }
    glFinish();

    const auto frames = static_cast<std::size_t>(options.frames);
    FrameSeries figures(frames);
    std::array<double, BenchmarkPassCount> elapsed{};

    m_Meter.start(PassMeter::Mode::Timing, frames);
    AllocationCounter::start();
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        const std::uint64_t frameAllocations = AllocationCounter::count();
        const auto frameStart = Clock::now();
        const double frameCpu = threadMilliseconds();
        update(0.0f);
        figures.update.push_back(millisecondsSince(frameStart));
        figures.updateCpu.push_back(threadMilliseconds() - frameCpu);
        figures.updateAllocations.push_back(static_cast<double>(AllocationCounter::count() - frameAllocations));

        drawPasses();
        double callTime = 0.0;
        double cpuTime = 0.0;
        for (const PassMeter::Series& series : m_Meter.m_Series)
        {
            callTime += lastOf(series.calls);
            cpuTime += lastOf(series.cpu);
        }
        figures.sum.push_back(callTime);
        figures.sumCpu.push_back(cpuTime);
        figures.allocations.push_back(static_cast<double>(AllocationCounter::count() - frameAllocations));

        const auto finishStart = Clock::now();
        glFinish();
        figures.finish.push_back(millisecondsSince(finishStart));
        const auto swapStart = Clock::now();
        glfwSwapBuffers(m_pWindow);
        figures.swap.push_back(millisecondsSince(swapStart));
        figures.total.push_back(millisecondsSince(frameStart));

        m_Meter.m_Timer->read(elapsed.data());
        double gpuTime = 0.0;
        for (std::size_t pass = 0; pass < BenchmarkPassCount; ++pass)
        {
            figures.gpu[pass].push_back(elapsed[pass]);
            gpuTime += elapsed[pass];
        }
        figures.gpuSum.push_back(gpuTime);
    }
    AllocationCounter::stop();
    m_Meter.stop();
    // The timed series are read before the serialised frames start new ones.
    std::array<PassMeter::Series, BenchmarkPassCount> timed = m_Meter.m_Series;

    m_Meter.start(PassMeter::Mode::Serialising, frames);
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        update(0.0f);
        glFinish();
        const auto frameStart = Clock::now();
        drawPasses();
        figures.serialSum.push_back(millisecondsSince(frameStart));
        glfwSwapBuffers(m_pWindow);
        figures.serialTotal.push_back(millisecondsSince(frameStart));
    }
    m_Meter.stop();

    const std::vector<std::string>& names = passNames();
    for (std::size_t pass = 0; pass < BenchmarkPassCount; ++pass)
    {
        addSummary(results, pose.name + ".cpu." + names[pass], timed[pass].cpu);
        addSummary(results, pose.name + ".calls." + names[pass], timed[pass].calls);
        addSummary(results, pose.name + ".gpu." + names[pass], figures.gpu[pass]);
        addSummary(results, pose.name + ".serial." + names[pass], m_Meter.m_Series[pass].serial);
        addCount(results, pose.name + ".alloc." + names[pass], timed[pass].allocations);
    }
    addSummary(results, pose.name + ".cpu.update", figures.updateCpu);
    addSummary(results, pose.name + ".calls.update", figures.update);
    addCount(results, pose.name + ".alloc.update", figures.updateAllocations);
    addSummary(results, pose.name + ".cpu.sum", figures.sumCpu);
    addSummary(results, pose.name + ".calls.sum", figures.sum);
    addSummary(results, pose.name + ".gpu.sum", figures.gpuSum);
    addSummary(results, pose.name + ".serial.sum", figures.serialSum);
    addCount(results, pose.name + ".alloc.frame", figures.allocations);
    addSummary(results, pose.name + ".frame.finish", figures.finish);
    addSummary(results, pose.name + ".frame.swap", figures.swap);
    addSummary(results, pose.name + ".frame.serial-total", figures.serialTotal);
    addSummary(results, pose.name + ".frame.total", figures.total);
}

void FrameBenchmark::savePicture(const Pose& pose, const std::filesystem::path& directory)
{
    update(0.0f);
    drawPasses();

    int viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    Screenshots::Picture picture;
    picture.width = viewport[2];
    picture.height = viewport[3];
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
    std::string bottomUp(rowBytes * static_cast<std::size_t>(picture.height), '\0');
    // The finished frame, before the swap that would leave the back buffer undefined.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, picture.width, picture.height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    glfwSwapBuffers(m_pWindow);

    picture.rgb.reserve(bottomUp.size());
    for (int row = picture.height - 1; row >= 0; --row)
        picture.rgb.append(bottomUp, static_cast<std::size_t>(row) * rowBytes, rowBytes);
    std::filesystem::create_directories(directory);
    const std::filesystem::path file = directory / (pose.name + ".png");
    if (!Screenshots::writePng(picture, file))
        throw std::runtime_error("could not write " + file.string());
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
        {
            update(0.0f);
            drawFrame();
        }
        AllocationCounter::start();
        for (int frame = 0; frame < share; ++frame)
        {
            update(0.0f);
            drawFrame();
        }
        AllocationCounter::stop();
        drawn += share;
    }
    glFinish();
    const auto total = static_cast<double>(AllocationCounter::count() - before);
    results.add("allocations.frames", drawn, drawn);
    results.add("allocations.total", total, total);
    results.add("allocations.per-frame", drawn > 0 ? total / drawn : 0.0, drawn > 0 ? total / drawn : 0.0);
}
