#pragma once

#include "Renderer.h"
#include "Scene.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <vector>

struct GLFWwindow;

// The program's frame time at 60 frames a second, in which the tools play the tour. The camera drops the
// rest of the frame in which a move ends, so the step decides where the tour stands at a given time:
// with one step, a tour time is one picture in every tool.
constexpr double TourFrameStep = 1.0 / 60.0;

// A window of width x height made with the program's hints, its context current and its swaps not
// waiting for the display. Like the program's, it ends with the process.
GLFWwindow* openWindow(int width, int height, bool visible);

// The program's renderer and scene, made as its start-up makes them, moved and drawn as its frame loop
// does: the benchmark and the screenshots picture and time exactly what the program draws.
class SceneRunner
{
public:
    SceneRunner(GLFWwindow* window, int width, int height, Renderer::PassObserver* observer = nullptr);

    // The tour as the program starts it: the camera on the Earth, then the tour's moves.
    void startTour();
    // One frame of motion of `seconds`, as the frame loop makes it.
    void advance(float seconds);
    // The tour `seconds` further on in frames of `step`, the last one shorter where `step` does not divide it.
    void advanceBy(double seconds, double step);
    // The frame loop's drawing: the renderer's passes, the bloom and the lens flare.
    void draw();
    void present();
    // The drawn frame, read from the back buffer before the swap leaves it undefined: `channels` bytes a
    // pixel, 3 (RGB) or 4 (RGBA), top row first as pictures and videos store them.
    void readPicture(int channels, std::vector<unsigned char>& pixels);
    // The drawn frame as a PNG.
    void savePicture(const std::filesystem::path& file);

    Scene m_Scene;

private:
    GLFWwindow* m_pWindow;
    std::unique_ptr<Renderer::Renderer> m_pRenderer;
    int m_Frame = 0;
    // The frame as GL reads it, bottom row first.
    std::vector<unsigned char> m_Rows;
};
