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

// One series per pass, with room for every frame reserved up front: growing a series inside the
// counted span would count the benchmark's own allocations.
struct Series
{
    explicit Series(std::size_t frames)
    {
        for (auto& series : passes)
            series.reserve(frames);
        for (auto* series : {&update, &sum, &finish, &swap, &total})
            series->reserve(frames);
    }

    std::array<std::vector<double>, FrameBenchmark::PassCount> passes;
    std::vector<double> update;
    std::vector<double> sum;
    std::vector<double> finish;
    std::vector<double> swap;
    std::vector<double> total;
};

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

FrameBenchmark::FrameBenchmark(GLFWwindow* window, BenchmarkScene& scene)
    : m_pWindow(window)
    , m_Objects(scene)
{
}

void FrameBenchmark::update(float deltaTime)
{
    glfwPollEvents();
    ++m_FrameNumber;
    m_Objects.sun->update(deltaTime, m_FrameNumber);
    m_Objects.earth->update(deltaTime, m_FrameNumber);
    m_Objects.moon->update(deltaTime, m_FrameNumber);
    m_Objects.atmosphere->update(deltaTime, m_FrameNumber);
    m_Objects.camera->update(deltaTime);
    m_Scene = Scene{m_Objects.camera, m_Objects.skyBox, m_Objects.sun,
                    m_Objects.moon,   m_Objects.earth,  m_Objects.atmosphere};
}

void FrameBenchmark::runPass(std::size_t pass)
{
    Renderer::Renderer& renderer = *m_Objects.renderer;
    switch (pass)
    {
    case 0:
        renderer.findWhatIsSeen(m_Scene);
        renderer.renderAtmosphereStages(m_Scene);
        break;
    case 1: renderer.renderScenePass(m_Scene); break;
    case 2: renderer.copyEarthData(); break;
    case 3: renderer.renderAtmosphereOverScene(m_Scene); break;
    case 4: renderer.present(); break;
    case 5: renderer.m_Bloom.render(renderer.m_ScreenFramebuffer, renderer.m_SceneFramebuffer); break;
    case 6:
        renderer.m_LenseFlare.render(renderer.m_ScreenFramebuffer, renderer.m_SceneFramebuffer, *m_Scene.sun,
                                     m_Scene);
        break;
    default: break;
    }
}

void FrameBenchmark::drawFrame()
{
    for (std::size_t pass = 0; pass < PassCount; ++pass)
        runPass(pass);
    glfwSwapBuffers(m_pWindow);
}

void FrameBenchmark::drawFirstFrame()
{
    m_Objects.camera->setTarget(m_Objects.earth.get());
    m_Objects.camera->setAnimation(
        Camera::makeTour(m_Objects.earth.get(), m_Objects.moon.get(), m_Objects.sun.get()));
    update(static_cast<float>(MotionStep));
    m_SceneTime += MotionStep;
    drawFrame();
    // Presented means finished: the swap may return before the driver has drawn the image.
    glFinish();
}

void FrameBenchmark::setPose(const Pose& pose)
{
    while (m_SceneTime + MotionStep / 2.0 < pose.sceneTime)
    {
        ++m_FrameNumber;
        for (Resource::IModel* body : std::initializer_list<Resource::IModel*>{
                 m_Objects.sun.get(), m_Objects.earth.get(), m_Objects.moon.get(), m_Objects.atmosphere.get()})
            body->update(static_cast<float>(MotionStep), m_FrameNumber);
        m_SceneTime += MotionStep;
    }

    Resource::IModel* body = m_Objects.earth.get();
    if (pose.body == PoseBody::Moon)
        body = m_Objects.moon.get();
    else if (pose.body == PoseBody::Sun)
        body = m_Objects.sun.get();
    m_Objects.camera->setTarget(body);
    m_Objects.camera->setAnimation(holdAnimation(body, pose.distance));
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
    Series cpu(frames);
    Series calls(frames);
    Series allocations(frames);
    Series serial(frames);
    PassTimer timer(PassCount);
    std::array<std::vector<double>, PassCount> gpu;
    for (auto& series : gpu)
        series.reserve(frames);
    std::vector<double> gpuSum;
    gpuSum.reserve(frames);
    std::array<double, PassCount> elapsed{};

    AllocationCounter::start();
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        const std::uint64_t frameAllocations = AllocationCounter::count();
        const auto frameStart = Clock::now();
        const double frameCpu = threadMilliseconds();
        update(0.0f);
        calls.update.push_back(millisecondsSince(frameStart));
        cpu.update.push_back(threadMilliseconds() - frameCpu);
        allocations.update.push_back(static_cast<double>(AllocationCounter::count() - frameAllocations));

        double callTime = 0.0;
        double cpuTime = 0.0;
        for (std::size_t pass = 0; pass < PassCount; ++pass)
        {
            const std::uint64_t before = AllocationCounter::count();
            const auto start = Clock::now();
            const double startCpu = threadMilliseconds();
            timer.begin(pass);
            runPass(pass);
            timer.end(pass);
            const double passCpu = threadMilliseconds() - startCpu;
            const double passCalls = millisecondsSince(start);
            cpu.passes[pass].push_back(passCpu);
            calls.passes[pass].push_back(passCalls);
            cpuTime += passCpu;
            callTime += passCalls;
            allocations.passes[pass].push_back(static_cast<double>(AllocationCounter::count() - before));
        }
        cpu.sum.push_back(cpuTime);
        calls.sum.push_back(callTime);
        allocations.sum.push_back(static_cast<double>(AllocationCounter::count() - frameAllocations));

        const auto finishStart = Clock::now();
        glFinish();
        calls.finish.push_back(millisecondsSince(finishStart));
        const auto swapStart = Clock::now();
        glfwSwapBuffers(m_pWindow);
        calls.swap.push_back(millisecondsSince(swapStart));
        calls.total.push_back(millisecondsSince(frameStart));

        timer.read(elapsed.data());
        double gpuTime = 0.0;
        for (std::size_t pass = 0; pass < PassCount; ++pass)
        {
            gpu[pass].push_back(elapsed[pass]);
            gpuTime += elapsed[pass];
        }
        gpuSum.push_back(gpuTime);
    }
    AllocationCounter::stop();

    // Serialised: nothing of one pass overlaps the next, so each pass's wall time is all of its cost.
    for (std::size_t frame = 0; frame < frames; ++frame)
    {
        update(0.0f);
        glFinish();
        const auto frameStart = Clock::now();
        for (std::size_t pass = 0; pass < PassCount; ++pass)
        {
            const auto start = Clock::now();
            runPass(pass);
            glFinish();
            serial.passes[pass].push_back(millisecondsSince(start));
        }
        serial.sum.push_back(millisecondsSince(frameStart));
        glfwSwapBuffers(m_pWindow);
        serial.total.push_back(millisecondsSince(frameStart));
    }

    const std::vector<std::string>& names = passNames();
    for (std::size_t pass = 0; pass < PassCount; ++pass)
    {
        addSummary(results, pose.name + ".cpu." + names[pass], cpu.passes[pass]);
        addSummary(results, pose.name + ".calls." + names[pass], calls.passes[pass]);
        addSummary(results, pose.name + ".gpu." + names[pass], gpu[pass]);
        addSummary(results, pose.name + ".serial." + names[pass], serial.passes[pass]);
        addCount(results, pose.name + ".alloc." + names[pass], allocations.passes[pass]);
    }
    addSummary(results, pose.name + ".cpu.update", cpu.update);
    addSummary(results, pose.name + ".calls.update", calls.update);
    addCount(results, pose.name + ".alloc.update", allocations.update);
    addSummary(results, pose.name + ".cpu.sum", cpu.sum);
    addSummary(results, pose.name + ".calls.sum", calls.sum);
    addSummary(results, pose.name + ".gpu.sum", gpuSum);
    addSummary(results, pose.name + ".serial.sum", serial.sum);
    addCount(results, pose.name + ".alloc.frame", allocations.sum);
    addSummary(results, pose.name + ".frame.finish", calls.finish);
    addSummary(results, pose.name + ".frame.swap", calls.swap);
    addSummary(results, pose.name + ".frame.serial-total", serial.total);
    addSummary(results, pose.name + ".frame.total", calls.total);
}

void FrameBenchmark::savePicture(const Pose& pose, const std::filesystem::path& directory)
{
    update(0.0f);
    for (std::size_t pass = 0; pass < PassCount; ++pass)
        runPass(pass);

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
