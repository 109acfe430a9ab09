#pragma once

#include "Bloom.h"
#include "Framebuffer.h"
#include "LenseFlare.h"
#include "QuadRenderer.h"
#include "Scene.h"

struct WhatIsSeen;

namespace Renderer
{

// The passes of a frame in their order: those of `Renderer::render`, then the two effects laid over the
// finished image.
enum class Pass
{
    AtmosphereStages,
    Scene,
    EarthDataCopy,
    AtmosphereOverScene,
    Presentation,
    Bloom,
    LenseFlare,
};
constexpr int RenderPassCount = 5;
constexpr int PassCount = 7;

// Told when each pass of a frame begins and ends: a tool's way to time the passes.
class PassObserver
{
public:
    virtual void beginPass(Pass pass) = 0;
    virtual void endPass(Pass pass) = 0;

protected:
    ~PassObserver() = default;
};

// What a tool or a test may ask of the renderer beyond the program's frame; the program asks nothing.
struct Instruments
{
    // Called around every pass when set.
    PassObserver* observer = nullptr;
    // Every pass over the whole image with every body, even where they can change no pixel: the
    // frame that the skipping must equal.
    bool skipUnseen = true;
};

// Composes one frame: atmosphere stages, the scene target, and the copy onto the window.
class Renderer
{
public:
    Renderer(int width, int height, const Instruments& instruments = {});
    // One frame of the scene, drawn onto the window.
    void render(Scene& scene);

    int m_Width;
    int m_Height;
    Framebuffer m_SceneFramebuffer;
    Framebuffer m_AtmosphereFramebuffer;
    Framebuffer m_ScreenFramebuffer;
    QuadRenderer m_QuadRenderer;
    LenseFlare m_LenseFlare;
    Bloom m_Bloom;

private:
    friend void drawFrame(Renderer& renderer, Scene& scene);

    void renderAtmosphereStages(Scene& scene, const WhatIsSeen& seen);
    void renderScenePass(Scene& scene, const WhatIsSeen& seen);
    void clearSceneTarget(const WhatIsSeen& seen);
    void copyEarthData(const WhatIsSeen& seen);
    void renderAtmosphereOverScene(Scene& scene);
    void present();

    Instruments m_Instruments;
    // Whether the presentation must clear the window's colour (it is larger than the render size)
    // and its depth (it has a depth buffer); found at construction.
    bool m_WindowNeedsColourClear = true;
    bool m_WindowHasDepth = true;
};

// One frame as the frame loop draws it: `render`, then the bloom and the lens flare on the renderer's
// targets, each reported to the renderer's observer like its own passes.
void drawFrame(Renderer& renderer, Scene& scene);

} // namespace Renderer
