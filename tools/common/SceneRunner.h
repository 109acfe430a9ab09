#pragma once

#include "Renderer.h"
#include "Scene.h"

#include <cstddef>
#include <filesystem>
#include <memory>

struct GLFWwindow;

// The frame's passes as the tools see them: the renderer's, then the bloom and the lens flare.
constexpr std::size_t FramePassCount = Renderer::PassCount + 2;
constexpr std::size_t BloomPass = Renderer::PassCount;
constexpr std::size_t LenseFlarePass = Renderer::PassCount + 1;

// Told when each pass of a frame begins and ends, the two effects after the renderer's included.
class FrameObserver : public Renderer::PassObserver
{
public:
    virtual void begin(std::size_t pass) = 0;
    virtual void end(std::size_t pass) = 0;
    void beginPass(Renderer::Pass pass) override { begin(static_cast<std::size_t>(pass)); }
    void endPass(Renderer::Pass pass) override { end(static_cast<std::size_t>(pass)); }

protected:
    ~FrameObserver() = default;
};

// A window of width x height made with the program's hints, its context current and its swaps not
// waiting for the display. Like the program's, it ends with the process.
GLFWwindow* openWindow(int width, int height, bool visible);

// The program's renderer and scene, made as its start-up makes them, moved and drawn as its frame loop
// does: the benchmark and the screenshots picture and time exactly what the program draws.
class SceneRunner
{
public:
    SceneRunner(GLFWwindow* window, int width, int height, FrameObserver* observer = nullptr);

    // The tour as the program starts it: the camera on the Earth, then the tour's moves.
    void startTour();
    // One frame of motion of `seconds`, as the frame loop makes it.
    void advance(float seconds);
    // The tour `seconds` further on in frames of `step`, the last one shorter where `step` does not divide it.
    void advanceBy(double seconds, double step);
    // The frame loop's drawing: the renderer's passes, the bloom and the lens flare.
    void draw();
    void present();
    // The drawn frame, read from the back buffer before the swap leaves it undefined, as a PNG.
    void savePicture(const std::filesystem::path& file) const;

    Scene m_Scene;

private:
    GLFWwindow* m_pWindow;
    std::unique_ptr<Renderer::Renderer> m_pRenderer;
    FrameObserver* m_pObserver;
    int m_Frame = 0;
};
